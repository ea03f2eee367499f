// Drawing on a window: GetDC/ReleaseDC, BeginPaint/EndPaint and the update region.
#include "user/user_private.h"

#include <algorithm>

#include "detail/surface_dc.h"

namespace platform::detail {
namespace {

RECT Union(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

RECT ClipToClient(const Window& window, const RECT& rect) {
  return RECT{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min<LONG>(rect.right, window.width),
              std::min<LONG>(rect.bottom, window.height)};
}

bool IsEmpty(const RECT& rect) { return rect.left >= rect.right || rect.top >= rect.bottom; }

HDC OpenWindowDC(Window& window) {
  if (window.surface == nullptr) return nullptr;
  HDC dc = OpenSurfaceDC(window.surface);
  if (dc != nullptr) window.openDCs.push_back(dc);
  return dc;
}

// Closes one of the window's DCs and keeps what it changed for the next present.
bool CloseWindowDC(Window& window, HDC dc) {
  auto& open = window.openDCs;
  auto it = std::find(open.begin(), open.end(), dc);
  if (it == open.end()) return false;
  open.erase(it);
  RECT changed{0, 0, 0, 0};
  const bool closed = CloseSurfaceDC(dc, &changed);
  if (closed) AddDirtyRect(window, changed);
  return closed;
}

}  // namespace

cairo_surface_t* CreateBackingStore(int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;  // cairo clears new image surfaces to zero: black
}

void AddDirtyRect(Window& window, const RECT& rect) {
  const RECT clipped = ClipToClient(window, rect);
  if (IsEmpty(clipped)) return;
  // A handful of rectangles is what a tick draws; beyond that one bounding box presents faster.
  constexpr std::size_t kMaxRects = 16;
  if (window.dirty.size() >= kMaxRects) {
    RECT all = clipped;
    for (const RECT& r : window.dirty) all = Union(all, r);
    window.dirty.assign(1, all);
    return;
  }
  window.dirty.push_back(clipped);
}

void MarkAllDirty(Window& window) {
  window.dirty.assign(1, RECT{0, 0, window.width, window.height});
  window.strip.dirty = window.strip.handle != nullptr;
  window.presentWhole = true;
}

void CloseWindowDCs(Window& window) {
  for (HDC dc : window.openDCs) CloseSurfaceDC(dc, nullptr);
  window.openDCs.clear();
}

void InvalidateWindow(Window& window, const RECT* rect, bool erase) {
  const RECT area = ClipToClient(window, rect != nullptr ? *rect : RECT{0, 0, window.width, window.height});
  if (IsEmpty(area)) return;
  window.invalidRect = window.invalid ? Union(window.invalidRect, area) : area;
  window.invalid = true;
  window.erase = window.erase || erase;
}

bool TakePaintMessage(HWND filter, MSG* msg) {
  for (HWND handle : AllWindows()) {
    const Window* window = FindWindowObject(handle);
    if (window == nullptr || !window->visible || !window->invalid || window->destroying) continue;
    if (filter != nullptr && handle != filter) continue;
    *msg = MSG{handle, WM_PAINT, 0, 0, 0, POINT{0, 0}};
    return true;
  }
  return false;
}

}  // namespace platform::detail

using platform::detail::FindWindowObject;
using platform::detail::Window;

HDC GetDC(HWND window) {
  Window* object = FindWindowObject(window);
  return object != nullptr ? platform::detail::OpenWindowDC(*object) : nullptr;
}

int ReleaseDC(HWND window, HDC dc) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || dc == nullptr) return 0;
  return platform::detail::CloseWindowDC(*object, dc) ? 1 : 0;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || paint == nullptr) return nullptr;
  HDC dc = platform::detail::OpenWindowDC(*object);
  if (dc == nullptr) return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->rcPaint = object->invalid ? object->invalidRect : RECT{0, 0, 0, 0};
  if (object->invalid && object->erase) {
    if (object->background != nullptr) {
      FillRect(dc, &paint->rcPaint, object->background);
    } else {
      paint->fErase = TRUE;  // no class brush: the procedure erases, as on Windows
    }
  }
  object->invalid = false;
  object->erase = false;
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || paint == nullptr) return FALSE;
  return platform::detail::CloseWindowDC(*object, paint->hdc) ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (window == nullptr) {
    // Windows repaints every window then.
    for (HWND each : platform::detail::AllWindows()) {
      if (Window* object = FindWindowObject(each)) platform::detail::InvalidateWindow(*object, nullptr, erase != FALSE);
    }
    return TRUE;
  }
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->remoteFd >= 0) return FALSE;
  platform::detail::InvalidateWindow(*object, rect, erase != FALSE);
  return TRUE;
}
