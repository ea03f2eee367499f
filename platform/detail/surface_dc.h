// Device contexts on an existing 32-bit surface: the window system opens one on a window's
// backing store for GetDC and BeginPaint, and learns from it which pixels changed.
#pragma once

#include <cairo.h>

#include "platform/types.h"

namespace platform::detail {

// Opens a DC with the fresh state (pen at (0, 0), black 1-pixel pen, white brush, default
// font, opaque white text background, black text) drawing on the surface, which must be a
// CAIRO_FORMAT_RGB24 image surface and must outlive the DC.
HDC OpenSurfaceDC(cairo_surface_t* surface);

// Closes a DC opened by OpenSurfaceDC. When changed is not null it receives the bounding box
// of every pixel the DC may have changed (empty when it drew nothing), clipped to the surface.
bool CloseSurfaceDC(HDC dc, RECT* changed);

}  // namespace platform::detail
