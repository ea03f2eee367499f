// The monotonic clock that timeouts and GetTickCount are measured on.
#pragma once

#include <cstdint>

namespace platform::detail {

// Milliseconds since an arbitrary fixed point; never goes backwards.
std::int64_t MonotonicMs();

}  // namespace platform::detail
