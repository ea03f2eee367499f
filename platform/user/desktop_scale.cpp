// The whole scale the desktop asks windows to be shown at. Alone in its file: the X11 headers
// define names (Window, None, ...) that clash with the window system's own.
#include "user/user_private.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>


namespace platform::detail {

double XftDpiFromResources(const char* resources) {
  if (resources == nullptr) return 0.0;
  constexpr char kName[] = "Xft.dpi:";
  const char* line = resources;
  while (*line != '\0') {
    const char* end = std::strchr(line, '\n');
    if (end == nullptr) end = line + std::strlen(line);
    if (static_cast<std::size_t>(end - line) > sizeof kName - 1 && std::strncmp(line, kName, sizeof kName - 1) == 0) {
      const char* value = line + sizeof kName - 1;
      char* parsed = nullptr;
      const double dpi = std::strtod(value, &parsed);
      if (parsed != value && parsed <= end) return dpi > 0.0 ? dpi : 0.0;
    }
    line = *end == '\0' ? end : end + 1;
  }
  return 0.0;
}

int DesktopScale(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return 1;
  // Xlib comes with SDL's X11 driver; looked up where SDL loaded it, so the program does not
  // link it.
  using ResourceString = char* (*)(Display*);
  const auto resources = reinterpret_cast<ResourceString>(dlsym(RTLD_DEFAULT, "XResourceManagerString"));
  const double xft = resources != nullptr ? XftDpiFromResources(resources(info.info.x11.display)) : 0.0;
  if (xft > 0.0) return ScaleForDpi(xft);
  float dpi = 0.0f;
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetDisplayDPI(display < 0 ? 0 : display, nullptr, &dpi, nullptr) != 0) return 1;
  return ScaleForDpi(static_cast<double>(dpi));
}

}  // namespace platform::detail
