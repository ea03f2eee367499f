// Fonts on fontconfig and cairo.
#pragma once

#include "gdi/objects.h"

namespace platform::detail {

// Makes the font's scaled font and metrics on first use; false when no font could be had.
bool PrepareFont(Font& font);

}  // namespace platform::detail
