// What the window manager does to a window: exposure invalidates it, a new size lays its picture
// out anew (the client area keeps its own size: a kiosk compositor, a tiling window manager or
// full screen give a window a size that is not its own, and the picture is then shown whole at
// the largest whole scale that fits), the close button asks it to close.
#include "user/user_private.h"

#include <SDL.h>


namespace platform::detail {

void HandleWindowEvent(const SDL_Event& event) {
  Window* window = FindWindowBySdlId(event.window.windowID);
  if (window == nullptr || window->destroying) return;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
      InvalidateWindow(*window, nullptr, true);
      MarkAllDirty(*window);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (UpdateLayout(*window)) MarkAllDirty(*window);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      PostToQueue(window->handle, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

}  // namespace platform::detail
