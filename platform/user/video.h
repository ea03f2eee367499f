// SDL start-up for the window system.
#pragma once

#include "platform/types.h"

struct SDL_Window;

namespace platform::detail {

// Starts SDL's video and event subsystems once; false when no video driver can run.
bool EnsureVideo();
// From then on a port read that waits keeps the windows alive (reading_wait.cpp).
void KeepWindowsAliveDuringReads();

// The descriptor that becomes readable when the display has events for the window: the X
// server connection under X11; -1 where SDL gives none.
int DisplayConnectionFd(SDL_Window* window);

// True once EnsureVideo has succeeded.
bool VideoReady();
// True when no window can be seen: SDL's dummy or offscreen driver, or no video at all.
bool VideoIsHeadless();

}  // namespace platform::detail
