// The ports this process has open.
#pragma once

#include <sys/types.h>

namespace platform::detail {

// The process-wide set of open ports: the exclusive lock of TIOCEXCL does not hold for root,
// and flock() does not stop a second open within one process.
bool ClaimPort(dev_t device);
void ReleasePortClaim(dev_t device);

}  // namespace platform::detail
