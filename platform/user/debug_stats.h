// Run-time figures for long runs: with KAVRO_DEBUG_STATS naming a file, every WM_TIMER the
// queue hands out appends one line to it.
#pragma once

#include <cstdint>

namespace platform::detail {

// Appends "<taken ms> <live handles> <due ms>" when KAVRO_DEBUG_STATS is set: the time the
// timer message was handed out and the time it was due, both in milliseconds of the monotonic
// clock, and the number of live objects in the handle table between two messages.
void RecordTimerTaken(std::int64_t dueNs, std::int64_t takenNs);

}  // namespace platform::detail
