// The end of the process when there is no display to show its windows on.
#pragma once

namespace platform::detail {

// The display connection is gone (the X server or the Wayland compositor ended, or dropped
// the connection): one line on standard error, then the process ends at once with a non-zero
// code, whatever it was doing. Nothing of the window system can be used any more, so nothing
// of it is cleaned up; the kernel frees the single-instance name with the process. The line is
// the same wherever the loss is noticed (a wait, a call into Xlib, SDL's Wayland driver).
[[noreturn]] void EndForLostDisplay();

// No display could be opened at start: one line on standard error naming what was tried, and
// the same end.
[[noreturn]] void EndForMissingDisplay(const char* what);

// True when the poll result of the display's descriptor says the connection is gone.
bool DisplayHungUp(short revents);

}  // namespace platform::detail
