// SDL start-up for the window system.
#include "user/video.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "user/reading_wait.h"

namespace platform::detail {
namespace {

enum class VideoState { NotStarted, Ready, Failed };
VideoState g_video = VideoState::NotStarted;

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
    // A compositor keeps running for a small always-visible window.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
      std::fprintf(stderr, "SDL_InitSubSystem(video): %s\n", SDL_GetError());
      g_video = VideoState::Failed;
    } else {
      g_video = VideoState::Ready;
      KeepWindowsAliveDuringReads();
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
