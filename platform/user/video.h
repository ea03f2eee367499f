// SDL start-up for the window system.
#pragma once

namespace platform::detail {

// Starts SDL's video and event subsystems once; false when no video driver can run.
bool EnsureVideo();

// True once EnsureVideo has succeeded.
bool VideoReady();
// True when no window can be seen: SDL's dummy or offscreen driver, or no video at all.
bool VideoIsHeadless();

}  // namespace platform::detail
