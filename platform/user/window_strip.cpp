// The strip below a window's client area: its pixels, its rows in the SDL window and the
// pointer input it is handed.
#include "user/user_private.h"

#include <SDL.h>

#include "detail/surface_dc.h"

namespace platform::detail {
namespace {

void FitSdlWindow(Window& window) {
  if (window.sdl != nullptr) {
    SizeToScreen(window);
    MarkAllDirty(window);
  }
}

void Paint(Window& window) {
  WindowStrip& strip = window.strip;
  HDC dc = OpenSurfaceDC(strip.surface);
  if (dc == nullptr) return;
  strip.funcs->paint(strip.handle, dc, RECT{0, 0, cairo_image_surface_get_width(strip.surface), strip.height});
  CloseSurfaceDC(dc, nullptr);
  strip.dirty = true;
}

}  // namespace

bool CanTakeStrip(HWND window) {
  const Window* object = FindWindowObject(window);
  return object != nullptr && object->remoteFd < 0 && !object->destroying;
}

bool AttachStrip(HWND window, HWND strip, const StripFuncs* funcs, int height, bool hidden) {
  if (!CanTakeStrip(window)) return false;
  Window& object = *FindWindowObject(window);
  cairo_surface_t* surface = CreateBackingStore(object.width, height);
  if (surface == nullptr) return false;
  if (object.strip.handle != nullptr) DetachStrip(object);
  object.strip = WindowStrip{strip, funcs, height, hidden, surface, false};
  FitSdlWindow(object);
  Paint(object);
  return true;
}

Window* StripParent(HWND strip) {
  if (strip == nullptr) return nullptr;
  for (HWND handle : AllWindows()) {
    Window* window = FindWindowObject(handle);
    if (window != nullptr && window->strip.handle == strip) return window;
  }
  return nullptr;
}

void DetachStrip(Window& window) {
  const WindowStrip strip = window.strip;
  if (strip.handle == nullptr) return;
  window.strip = WindowStrip{};
  FitSdlWindow(window);
  cairo_surface_destroy(strip.surface);
  strip.funcs->destroy(strip.handle);
}

int StripRows(const Window& window) { return window.strip.hidden ? 0 : window.strip.height; }

void StripPointer(Window& window, PointerAction action, int x, int y) {
  const WindowStrip& strip = window.strip;
  if (strip.handle == nullptr || strip.hidden) return;
  if (strip.funcs->pointer(strip.handle, action, x, y)) Paint(window);
}

bool StripHoldsPointer(const Window& window) {
  return window.strip.handle != nullptr && window.strip.funcs->holdsPointer(window.strip.handle);
}

}  // namespace platform::detail
