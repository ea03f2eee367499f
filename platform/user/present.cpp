// Showing what was drawn: the changed rectangles of each backing store (and the menu bar
// strip) are copied to the SDL window surface and only those rectangles are updated, since
// presenting pixels costs more than drawing them.
#include <SDL.h>

#include <vector>

#include "shell/menu_bar.h"
#include "user/window.h"

namespace platform::detail {
namespace {

// An SDL view of a cairo RGB24 surface: both are 32-bit xRGB in native byte order.
SDL_Surface* WrapCairoSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  return SDL_CreateRGBSurfaceWithFormatFrom(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                                            cairo_image_surface_get_height(surface), 32,
                                            cairo_image_surface_get_stride(surface), SDL_PIXELFORMAT_RGB888);
}

void CopyRect(cairo_surface_t* from, const SDL_Rect& source, SDL_Surface* target, int offsetY, int scale,
              std::vector<SDL_Rect>& shown) {
  SDL_Surface* wrapped = WrapCairoSurface(from);
  if (wrapped == nullptr) return;
  SDL_Rect sourceRect = source;
  SDL_Rect targetRect{source.x * scale, (source.y + offsetY) * scale, source.w * scale, source.h * scale};
  const int copied = scale == 1 ? SDL_BlitSurface(wrapped, &sourceRect, target, &targetRect)
                                : SDL_BlitScaled(wrapped, &sourceRect, target, &targetRect);
  if (copied == 0 && targetRect.w > 0 && targetRect.h > 0) shown.push_back(targetRect);
  SDL_FreeSurface(wrapped);
}

void PresentWindow(Window& window) {
  if (window.sdl == nullptr || !window.visible) {
    // Nothing on screen to update; showing the window presents it whole.
    window.dirty.clear();
    window.barDirty = false;
    return;
  }
  if (window.dirty.empty() && !window.barDirty) return;
  SDL_Surface* target = SDL_GetWindowSurface(window.sdl);
  if (target == nullptr) return;  // keeps the pixels pending until the surface comes back
  std::vector<SDL_Rect> shown;
  for (const RECT& r : window.dirty) {
    CopyRect(window.surface, SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}, target, 0, window.scale,
             shown);
  }
  if (window.barDirty) {
    if (cairo_surface_t* bar = MenuBarSurface(window.menuBar)) {
      CopyRect(bar, SDL_Rect{0, 0, cairo_image_surface_get_width(bar), cairo_image_surface_get_height(bar)}, target,
               window.height, window.scale, shown);
    }
  }
  window.dirty.clear();
  window.barDirty = false;
  if (!shown.empty()) SDL_UpdateWindowSurfaceRects(window.sdl, shown.data(), static_cast<int>(shown.size()));
}

}  // namespace

void PresentAllWindows() {
  for (HWND handle : AllWindows()) {
    if (Window* window = FindWindowObject(handle)) PresentWindow(*window);
  }
}

}  // namespace platform::detail
