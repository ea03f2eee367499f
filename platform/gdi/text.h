// DrawTextW on cairo.
#pragma once

#include "gdi/dc.h"

namespace platform::detail {

// The cairo DC's drawText; returns what DrawTextW returns.
int CairoDrawText(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format);

}  // namespace platform::detail
