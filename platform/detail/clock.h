// The one monotonic clock: timeouts, timers, GetTickCount and message times are all measured
// on it, so that a change of the wall clock cannot stretch or cut any of them.
#pragma once

#include <cstdint>

namespace platform::detail {

// Nanoseconds since an arbitrary fixed point; never goes backwards.
std::int64_t MonotonicNs();
// The same in whole milliseconds.
std::int64_t MonotonicMs();

}  // namespace platform::detail
