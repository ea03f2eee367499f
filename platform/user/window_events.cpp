// What the window manager does to a window: exposure and resizing invalidate it, the close
// button asks it to close.
#include "user/window_events.h"

#include <SDL.h>

#include <algorithm>

#include "user/message_queue.h"
#include "user/paint.h"
#include "user/window.h"
#include "user/window_list.h"
#include "user/window_strip.h"

namespace platform::detail {
namespace {

void ReplaceBackingStore(Window& window, int width, int height) {
  cairo_surface_t* surface = CreateBackingStore(width, height);
  if (surface == nullptr) return;  // keeps the old size; the next resize tries again
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_surface(cr, window.surface, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  // A DC still open on the old store (held across a nested message loop) keeps it alive.
  if (window.openDCs.empty()) {
    cairo_surface_destroy(window.surface);
  } else {
    window.retiredSurfaces.push_back(window.surface);
  }
  window.surface = surface;
}

void Resize(Window& window, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == window.width && height == window.height) return;
  const int oldWidth = window.width;
  const int oldHeight = window.height;
  ReplaceBackingStore(window, width, height);
  window.width = cairo_image_surface_get_width(window.surface);
  window.height = cairo_image_surface_get_height(window.surface);
  ResizeStrip(window);
  const bool redrawAll = ((window.classStyle & CS_HREDRAW) != 0 && window.width != oldWidth) ||
                         ((window.classStyle & CS_VREDRAW) != 0 && window.height != oldHeight);
  if (redrawAll) {
    InvalidateWindow(window, nullptr, true);
  } else {
    // Only the area the window gained needs painting.
    const RECT right{oldWidth, 0, window.width, window.height};
    const RECT below{0, oldHeight, window.width, window.height};
    InvalidateWindow(window, &right, true);
    InvalidateWindow(window, &below, true);
  }
  MarkAllDirty(window);
  SendMessageW(window.handle, WM_SIZE, 0, MAKELPARAM(window.width, window.height));
}

}  // namespace

void HandleWindowEvent(const SDL_Event& event) {
  Window* window = FindWindowBySdlId(event.window.windowID);
  if (window == nullptr || window->destroying) return;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
      InvalidateWindow(*window, nullptr, true);
      MarkAllDirty(*window);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      Resize(*window, ToDevice(event.window.data1, window->scale),
             ToDevice(event.window.data2, window->scale) - StripRows(*window));
      break;
    case SDL_WINDOWEVENT_CLOSE:
      PostToQueue(window->handle, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

}  // namespace platform::detail
