// The visible message box: a small window of its own with a nested message loop.
#pragma once

#include "platform/user.h"

namespace platform::detail {

// True when a message box cannot be seen (no display, SDL's dummy or offscreen driver) and
// no test asked for the window anyway.
bool MessageBoxIsHeadless();

// Shows the box and runs a nested message loop until its OK button, Enter, Escape or its close
// button dismisses it; returns IDOK. A WM_QUIT met meanwhile ends the box and is posted again.
int ShowMessageBoxWindow(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The innermost message box still open, or null. Enter and Escape go to it wherever the
// keyboard focus is.
HWND ActiveMessageBox();

// For tests: show the window even under SDL's dummy driver.
void ForceWindowedMessageBox(bool force);

}  // namespace platform::detail
