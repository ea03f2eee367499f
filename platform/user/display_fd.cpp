// The display connection behind an SDL window: its descriptor, and the end of the process when
// Xlib finds it gone. Alone in its file: the X11 headers define names (Window, None, ...) that
// clash with the window system's own.
#include "user/user_private.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>


namespace platform::detail {
namespace {

// Xlib and libwayland-client come with SDL's drivers; their functions are looked up where SDL
// loaded them, so that the program links neither.
template <typename Function>
Function Find(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

// Xlib calls this when the server connection fails, and ends the process itself should it
// return; so it never returns.
int OnXConnectionLost(Display* /*display*/) { EndForLostDisplay(); }

}  // namespace

int DisplayConnectionFd(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) return -1;
  if (info.subsystem == SDL_SYSWM_X11) return ConnectionNumber(info.info.x11.display);
  if (info.subsystem == SDL_SYSWM_WAYLAND) {
    using GetFd = int (*)(struct wl_display*);
    const auto getFd = Find<GetFd>("wl_display_get_fd");
    return getFd != nullptr && info.info.wl.display != nullptr ? getFd(info.info.wl.display) : -1;
  }
  return -1;
}

void EndWhenXConnectionFails() {
  using Handler = int (*)(Display*);
  using SetHandler = Handler (*)(Handler);
  if (const auto set = Find<SetHandler>("XSetIOErrorHandler")) set(OnXConnectionLost);
}

}  // namespace platform::detail
