// The total timeouts of COMMTIMEOUTS.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform::detail {

// start + multiplier x bytes + constant, as Win32 computes a total timeout, without
// overflow: a sum beyond the clock's range means no deadline (INT64_MAX).
std::int64_t DeadlineAfter(std::int64_t start, DWORD multiplier, DWORD bytes, DWORD constant);

}  // namespace platform::detail
