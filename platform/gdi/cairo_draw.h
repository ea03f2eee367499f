// The drawing operations of the cairo DC.
#pragma once

#include "gdi/dc.h"

namespace platform::detail {

extern const DcFuncs kCairoFuncs;

// Fills [left, right) x [top, bottom) clipped to the surface, through cairo; records damage.
void FillBox(Dc& dc, long long left, long long top, long long right, long long bottom, COLORREF colour);

}  // namespace platform::detail
