// The descriptor of the display connection behind an SDL window.
#pragma once

struct SDL_Window;

namespace platform::detail {

// The descriptor that becomes readable when the display has events for the window: the X
// server connection under X11; -1 where SDL gives none.
int DisplayConnectionFd(SDL_Window* window);

}  // namespace platform::detail
