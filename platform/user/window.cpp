// Windows: creation, destruction, the default procedure and the client rectangle.
#include "user/window.h"

#include <memory>

#include "platform/testing.h"

namespace platform::detail {
namespace {

// Windows destroys a window in this order: WM_DESTROY while it is still whole, then its
// timers, queued messages, DCs and the handle itself.
BOOL DestroyWindowObject(HWND window) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->destroying) return FALSE;
  object->destroying = true;
  CallWindowProcedure(window, WM_DESTROY, 0, 0);
  object = FindWindowObject(window);
  if (object == nullptr) return TRUE;
  CloseWindowDCs(*object);
  RemoveWindowFromList(window);
  RemoveHandle(window, Kind::Window);  // the object is destroyed here
  return TRUE;
}

}  // namespace
}  // namespace platform::detail

using platform::detail::FindWindowObject;

BOOL IsWindow(HWND window) {
  const platform::detail::Window* object = FindWindowObject(window);
  return object != nullptr ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  const platform::detail::Window* object = FindWindowObject(window);
  if (object == nullptr || rect == nullptr || object->remoteFd >= 0) return FALSE;
  *rect = RECT{0, 0, object->width, object->height};
  return TRUE;
}

BOOL DestroyWindow(HWND window) { return platform::detail::DestroyWindowObject(window); }

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  (void)lParam;
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

namespace platform::testing {

HWND CreateSurfaceWindow(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto object = std::make_unique<detail::Window>();
  object->proc = DefWindowProcW;
  object->width = width;
  object->height = height;
  object->surface = detail::CreateBackingStore(width, height);
  if (object->surface == nullptr) return nullptr;
  detail::Window* raw = object.get();
  HWND window = static_cast<HWND>(detail::InsertHandle(std::move(object)));
  if (window == nullptr) return nullptr;
  raw->handle = window;
  detail::AddWindowToList(window);
  return window;
}

}  // namespace platform::testing
