// The display connection behind an SDL window.
#pragma once

struct SDL_Window;

namespace platform::detail {

// The descriptor that becomes readable when the display has events for the window: the X
// server connection under X11, the Wayland display's under Wayland; -1 where SDL gives none.
int DisplayConnectionFd(SDL_Window* window);

// From now on a failed X server connection ends the process as a lost display does (Xlib
// would otherwise print its own lines and exit wherever it noticed).
void EndWhenXConnectionFails();

}  // namespace platform::detail
