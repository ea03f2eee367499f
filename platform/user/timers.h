// Timers as the message queue sees them: the next deadline and the due WM_TIMER.
#pragma once

#include "platform/user.h"

namespace platform::detail {

// Fills msg with WM_TIMER for the earliest due timer of the window (any window when filter is
// null) and, when remove is set, schedules its next period. False when none is due.
bool TakeDueTimer(HWND filter, MSG* msg, bool remove);

// Milliseconds until the next timer is due, rounded up; 0 when one is due; -1 when none runs.
int MillisecondsToNextTimer();

// Stops every timer of a window (it is being destroyed).
void KillWindowTimers(HWND window);

}  // namespace platform::detail
