// Linux's arbitrary-rate interface (TCGETS2/TCSETS2 with BOTHER). Apart from comm_private.h
// because its implementation needs a kernel header that clashes with <termios.h>.
#pragma once

#include "platform/types.h"

namespace platform::detail {

// Sets input and output rate of the line to any value. False with errno set on failure.
bool SetArbitraryRate(int fd, DWORD rate);
// The output rate when the line runs on an arbitrary rate (BOTHER); false otherwise.
bool GetArbitraryRate(int fd, DWORD* rate);

}  // namespace platform::detail
