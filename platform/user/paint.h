// A window's backing store, its update region and the pixels drawn on it still to present.
#pragma once

#include <cairo.h>

#include "user/window.h"

namespace platform::detail {

// Creates an RGB24 backing store of at least 1 x 1 pixels, filled black; null on failure.
cairo_surface_t* CreateBackingStore(int width, int height);

// Adds a changed rectangle of the client area to the window's pixels still to present.
void AddDirtyRect(Window& window, const RECT& rect);
// The whole window must be shown again (newly visible, resized, exposed).
void MarkAllDirty(Window& window);

// Closes every DC still open on the window (before its backing store goes away).
void CloseWindowDCs(Window& window);

// Adds a rectangle (the whole client area when null) to the window's update region.
void InvalidateWindow(Window& window, const RECT* rect, bool erase);

// Fills msg with WM_PAINT for the first visible invalid window (of the filter, when given).
bool TakePaintMessage(HWND filter, MSG* msg);

}  // namespace platform::detail
