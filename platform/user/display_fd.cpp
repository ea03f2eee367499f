// The descriptor of the display connection behind an SDL window. Alone in its file: the X11
// headers define names (Window, None, ...) that clash with the window system's own.
#include "user/display_fd.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform::detail {

int DisplayConnectionFd(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return -1;
  return ConnectionNumber(info.info.x11.display);
}

}  // namespace platform::detail
