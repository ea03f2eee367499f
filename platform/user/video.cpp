// SDL start-up for the window system.
#include "user/user_private.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>


namespace platform::detail {
namespace {

enum class VideoState { NotStarted, Ready, Failed };
VideoState g_video = VideoState::NotStarted;

// The drivers that show windows on a desktop, in SDL's own order of preference, each with the
// variable that names its display. A driver whose variable is unset is not tried: libwayland
// would write its own complaint about a missing runtime folder.
struct DesktopDriver {
  const char* name;
  const char* variable;
};
constexpr DesktopDriver kDesktopDrivers[] = {{"x11", "DISPLAY"}, {"wayland", "WAYLAND_DISPLAY"}};

bool IsSet(const char* variable) {
  const char* value = SDL_getenv(variable);
  return value != nullptr && value[0] != '\0';
}

// Starts the video driver SDL_VIDEODRIVER names, or else the first desktop driver that finds
// its display. SDL left to itself would go on to drivers that show nothing (offscreen) or take
// over the console (kmsdrm): a viewer started with no usable display would then run unseen,
// holding the single-instance name so that every later start on the real screen ends at once.
// So with no display the process ends here, saying so. The headless drivers stay for whoever
// names them.
bool StartVideoDriver() {
  if (IsSet("SDL_VIDEODRIVER")) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    const std::string why = std::string("SDL_VIDEODRIVER=") + SDL_getenv("SDL_VIDEODRIVER") + ": " + SDL_GetError();
    EndForMissingDisplay(why.c_str());
  }
  std::string tried;
  for (const DesktopDriver& driver : kDesktopDrivers) {
    if (!IsSet(driver.variable)) continue;
    const bool wayland = std::strcmp(driver.name, "wayland") == 0;
    if (wayland && SDL_getenv("WAYLAND_DISPLAY")[0] != '/' && !IsSet("XDG_RUNTIME_DIR")) {
      // libwayland looks for a relative display name in the runtime folder, and says so on
      // standard error when there is none.
      if (!tried.empty()) tried += "; ";
      tried += "wayland: XDG_RUNTIME_DIR is not set";
      continue;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.name);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    if (!tried.empty()) tried += "; ";
    tried += std::string(driver.name) + ": " + SDL_GetError();
  }
  EndForMissingDisplay(tried.empty() ? "neither DISPLAY nor WAYLAND_DISPLAY is set" : tried.c_str());
}

}  // namespace

bool EnsureVideo() {
  if (g_video == VideoState::NotStarted) {
    // Ctrl-C and SIGTERM keep their default meaning instead of becoming SDL_QUIT events that a
    // Win32 message loop would never look at.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Touch arrives once, as finger events; the mouse events SDL would synthesise from it (and
    // touch events synthesised from the mouse) would double every tap.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A stylus tap counts even when it is the one that gives the window the focus (SDL would
    // drop a click that comes within 10 ms of it).
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A Wayland compositor that asks windows to draw their own frame gets it drawn by libdecor
    // from the start: SDL would otherwise unmap the window to switch to it once the compositor
    // has said so, and a window so remapped shows nothing.
    SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_PREFER_LIBDECOR, "1");
    // A compositor keeps running for a small always-visible window.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (!StartVideoDriver()) {
      g_video = VideoState::Failed;
    } else {
      g_video = VideoState::Ready;
      KeepWindowsAliveDuringReads();
      EndWhenXConnectionFails();
      // On X11 the window surface goes straight to the server (shared memory when local).
      // SDL would otherwise put it behind an OpenGL texture: on a machine without a GPU that
      // loads the software rasteriser (about 90 MB resident, for a 1 MB window), and every
      // present uploads and draws the whole window instead of the rectangles that changed.
      // Only X11 can do without: SDL's Wayland driver has no plain window surface. The
      // environment variable SDL_FRAMEBUFFER_ACCELERATION still decides when it is set.
      const char* driver = SDL_GetCurrentVideoDriver();
      if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      }
    }
  }
  return g_video == VideoState::Ready;
}

bool VideoReady() { return g_video == VideoState::Ready; }

bool VideoIsHeadless() {
  if (!EnsureVideo()) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

}  // namespace platform::detail
