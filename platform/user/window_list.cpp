// The list of live windows, the window object's clean-up and the call into a window procedure.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>

#include "user/window.h"

namespace platform::detail {
namespace {

std::vector<HWND>& TheList() {
  static std::vector<HWND>* list = new std::vector<HWND>;  // windows may die at exit
  return *list;
}

}  // namespace

Window::~Window() {
  if (sdl != nullptr) SDL_DestroyWindow(sdl);
  if (surface != nullptr) cairo_surface_destroy(surface);
  if (strip.surface != nullptr) cairo_surface_destroy(strip.surface);
  for (cairo_surface_t* old : retiredSurfaces) cairo_surface_destroy(old);
  if (remoteFd >= 0) close(remoteFd);
  if (listenFd >= 0) close(listenFd);
}

const std::vector<HWND>& AllWindows() { return TheList(); }

void AddWindowToList(HWND window) { TheList().push_back(window); }

void RemoveWindowFromList(HWND window) {
  auto& list = TheList();
  list.erase(std::remove(list.begin(), list.end(), window), list.end());
}

cairo_surface_t* CreateBackingStore(int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;  // cairo clears new image surfaces to zero: black
}

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->proc == nullptr) return 0;
  WNDPROC proc = object->proc;
  // The procedure may destroy the window; nothing here touches the object afterwards.
  return proc(window, message, wParam, lParam);
}

}  // namespace platform::detail

namespace platform::detail {

int ChooseWindowScale(int width, int height) {
  // The program draws in device pixels; on a desktop that scales its interface (Xft.dpi 192 for
  // 200 %), each device pixel is shown as a square of screen pixels instead, as long as the
  // window still fits on the screen.
  constexpr float kBaseDpi = 96.0f;
  float dpi = 0.0f;
  if (SDL_GetDisplayDPI(0, nullptr, &dpi, nullptr) != 0 || !(dpi > 0.0f)) return 1;
  int scale = static_cast<int>(dpi / kBaseDpi + 0.25f);
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
  while (scale > 1 && (width * scale > usable.w || height * scale > usable.h)) --scale;
  return std::clamp(scale, 1, 4);
}

Window* FindWindowBySdlId(unsigned sdlId) {
  if (sdlId == 0) return nullptr;
  for (HWND handle : TheList()) {
    Window* window = FindWindowObject(handle);
    if (window != nullptr && window->sdlId == sdlId) return window;
  }
  return nullptr;
}

}  // namespace platform::detail
