// The thread's message queue as the rest of the window system feeds it, and the call into a
// window procedure.
#pragma once

#include "platform/user.h"

namespace platform::detail {

// Appends a message; a WM_MOUSEMOVE replaces one for the same window still waiting at the end
// of the queue, as Windows keeps only the latest pointer position.
void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when a close request (WM_CLOSE) or a command (WM_COMMAND) waits in the queue.
bool CloseOrCommandQueued();

// Drops every queued message for a window (it is being destroyed).
void RemoveWindowMessages(HWND window);

// Calls the window procedure; the window may be destroyed when it returns.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::detail
