// Showing what was drawn: the changed rectangles of each backing store (and the strip below
// it) are copied to the SDL window surface and only those rectangles are updated, since
// presenting pixels costs more than drawing them.
#include "user/user_private.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>


namespace platform::detail {
namespace {

// An SDL view of a cairo RGB24 surface: both are 32-bit xRGB in native byte order.
SDL_Surface* WrapCairoSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  return SDL_CreateRGBSurfaceWithFormatFrom(cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                                            cairo_image_surface_get_height(surface), 32,
                                            cairo_image_surface_get_stride(surface), SDL_PIXELFORMAT_RGB888);
}

// Copies a rectangle of a surface to the window at (left, top) and the scale, within the
// window area `within` (SDL clips what lies outside it).
void CopyRect(cairo_surface_t* from, const SDL_Rect& source, SDL_Surface* target, int left, int top, int scale,
              const SDL_Rect& within, std::vector<SDL_Rect>& shown) {
  SDL_Surface* wrapped = WrapCairoSurface(from);
  if (wrapped == nullptr) return;
  SDL_SetClipRect(target, &within);
  SDL_Rect sourceRect = source;
  SDL_Rect targetRect{left + source.x * scale, top + source.y * scale, source.w * scale, source.h * scale};
  const int copied = scale == 1 ? SDL_BlitSurface(wrapped, &sourceRect, target, &targetRect)
                                : SDL_BlitScaled(wrapped, &sourceRect, target, &targetRect);
  if (copied == 0 && targetRect.w > 0 && targetRect.h > 0) shown.push_back(targetRect);
  SDL_SetClipRect(target, nullptr);
  SDL_FreeSurface(wrapped);
}

// Tiles in which drawn rectangles are compared with what the window shows: a tick redraws
// the whole track plot, yet only the pixels around its newest point change.
constexpr int kTileWidth = 64;
constexpr int kTileHeight = 16;

// The window surface holds the backing store's pixels one to one: same layout, no scaling.
bool SameLayout(const Window& window, const SDL_Surface* target) {
  const PictureLayout& layout = window.layout;
  return layout.scale == 1 && layout.left == 0 && layout.top == 0 && layout.clientRows == window.height &&
         target->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(target) &&
         target->w >= window.width && target->h >= window.height;
}

// The window surface holds what the screen shows, so within a drawn rectangle only the tiles
// whose pixels differ from it are copied and sent to the screen. Runs of changed tiles in a
// row become one rectangle, continued downwards while the row below has the same run.
void CopyChangedTiles(cairo_surface_t* from, const RECT& area, SDL_Surface* target, std::vector<SDL_Rect>& shown) {
  cairo_surface_flush(from);
  const unsigned char* source = cairo_image_surface_get_data(from);
  const std::size_t sourceStride = static_cast<std::size_t>(cairo_image_surface_get_stride(from));
  auto* screen = static_cast<unsigned char*>(target->pixels);
  const std::size_t screenStride = static_cast<std::size_t>(target->pitch);
  const std::size_t areaStart = shown.size();
  const std::size_t areaOffset = static_cast<std::size_t>(area.left) * 4;
  const std::size_t areaBytes = static_cast<std::size_t>(area.right - area.left) * 4;
  for (int top = area.top; top < area.bottom; top += kTileHeight) {
    const int bottom = std::min<int>(top + kTileHeight, area.bottom);
    // Most rows are as the screen shows them: one comparison each, whole, skips them.
    int differs = top;
    while (differs < bottom &&
           std::memcmp(source + static_cast<std::size_t>(differs) * sourceStride + areaOffset,
                       screen + static_cast<std::size_t>(differs) * screenStride + areaOffset, areaBytes) == 0) {
      ++differs;
    }
    if (differs == bottom) continue;
    const std::size_t rowStart = shown.size();
    auto endRun = [&](int left, int right) {
      for (std::size_t i = areaStart; i < rowStart; ++i) {
        SDL_Rect& above = shown[i];
        if (above.x == left && above.w == right - left && above.y + above.h == top) {
          above.h = bottom - above.y;
          return;
        }
      }
      shown.push_back(SDL_Rect{left, top, right - left, bottom - top});
    };
    int runLeft = -1;
    int runRight = -1;
    for (int left = area.left; left < area.right; left += kTileWidth) {
      const int right = std::min<int>(left + kTileWidth, area.right);
      const std::size_t offset = static_cast<std::size_t>(left) * 4;
      const std::size_t bytes = static_cast<std::size_t>(right - left) * 4;
      int y = differs;  // the rows above are the same all across
      while (y < bottom && std::memcmp(source + static_cast<std::size_t>(y) * sourceStride + offset,
                                       screen + static_cast<std::size_t>(y) * screenStride + offset, bytes) == 0) {
        ++y;
      }
      if (y < bottom) {
        for (; y < bottom; ++y) {
          std::memcpy(screen + static_cast<std::size_t>(y) * screenStride + offset,
                      source + static_cast<std::size_t>(y) * sourceStride + offset, bytes);
        }
        if (runLeft < 0) runLeft = left;
        runRight = right;
      } else if (runLeft >= 0) {
        endRun(runLeft, runRight);
        runLeft = -1;
      }
    }
    if (runLeft >= 0) endRun(runLeft, runRight);
  }
}

void PresentWindow(Window& window) {
  if (window.sdl == nullptr || !window.visible) {
    // Nothing on screen to update; showing the window presents it whole.
    window.dirty.clear();
    window.strip.dirty = false;
    return;
  }
  // The window system may have given the window another size since the last look.
  if (UpdateLayout(window)) MarkAllDirty(window);
  if (window.dirty.empty() && !window.strip.dirty) return;
  SDL_Surface* target = SDL_GetWindowSurface(window.sdl);
  if (target == nullptr) return;  // keeps the pixels pending until the surface comes back
  std::vector<SDL_Rect> shown;
  const PictureLayout& layout = window.layout;
  if (window.presentWhole) {
    // The margins around a picture shown smaller than its window are black.
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    shown.push_back(SDL_Rect{0, 0, target->w, target->h});
  }
  const bool compare = !window.presentWhole && SameLayout(window, target);
  // The client rows the strip leaves in view.
  const SDL_Rect client{layout.left, layout.top, window.width * layout.scale, layout.clientRows * layout.scale};
  for (const RECT& r : window.dirty) {
    if (compare) {
      CopyChangedTiles(window.surface, r, target, shown);
    } else {
      CopyRect(window.surface, SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}, target, layout.left,
               layout.top, layout.scale, client, shown);
    }
  }
  if (window.strip.dirty && StripRows(window) > 0) {
    cairo_surface_t* strip = window.strip.surface;
    const int width = cairo_image_surface_get_width(strip);
    const int height = cairo_image_surface_get_height(strip);
    CopyRect(strip, SDL_Rect{0, 0, width, height}, target, layout.left, layout.stripTop, layout.scale,
             SDL_Rect{layout.left, layout.stripTop, width * layout.scale, height * layout.scale}, shown);
  }
  if (window.presentWhole) shown.resize(1);  // the whole window covers the rest
  window.dirty.clear();
  window.strip.dirty = false;
  window.presentWhole = false;
  if (!shown.empty()) SDL_UpdateWindowSurfaceRects(window.sdl, shown.data(), static_cast<int>(shown.size()));
}

}  // namespace

void PresentAllWindows() {
  for (HWND handle : AllWindows()) {
    if (Window* window = FindWindowObject(handle)) PresentWindow(*window);
  }
}

}  // namespace platform::detail
