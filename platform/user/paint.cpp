// Drawing on a window: GetDC/ReleaseDC, BeginPaint/EndPaint and the update region.
#include <algorithm>

#include "detail/surface_dc.h"
#include "user/window.h"

namespace platform::detail {

void AddDirtyRect(Window& window, const RECT& rect) {
  RECT clipped{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min<LONG>(rect.right, window.width),
               std::min<LONG>(rect.bottom, window.height)};
  if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return;
  // A handful of rectangles is what a tick draws; beyond that one bounding box presents faster.
  constexpr std::size_t kMaxRects = 16;
  if (window.dirty.size() >= kMaxRects) {
    RECT all = clipped;
    for (const RECT& r : window.dirty) {
      all.left = std::min(all.left, r.left);
      all.top = std::min(all.top, r.top);
      all.right = std::max(all.right, r.right);
      all.bottom = std::max(all.bottom, r.bottom);
    }
    window.dirty.assign(1, all);
    return;
  }
  window.dirty.push_back(clipped);
}

void CloseWindowDCs(Window& window) {
  for (HDC dc : window.openDCs) CloseSurfaceDC(dc, nullptr);
  window.openDCs.clear();
}

}  // namespace platform::detail

using platform::detail::FindWindowObject;

HDC GetDC(HWND window) {
  platform::detail::Window* object = FindWindowObject(window);
  if (object == nullptr || object->surface == nullptr) return nullptr;
  HDC dc = platform::detail::OpenSurfaceDC(object->surface);
  if (dc != nullptr) object->openDCs.push_back(dc);
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  platform::detail::Window* object = FindWindowObject(window);
  if (object == nullptr || dc == nullptr) return 0;
  auto& open = object->openDCs;
  auto it = std::find(open.begin(), open.end(), dc);
  if (it == open.end()) return 0;
  open.erase(it);
  RECT changed{0, 0, 0, 0};
  if (!platform::detail::CloseSurfaceDC(dc, &changed)) return 0;
  platform::detail::AddDirtyRect(*object, changed);
  return 1;
}
