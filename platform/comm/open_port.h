// Opening a serial device.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform::detail {

// Opens a serial device by its path: exclusive, raw, its settings kept to give back at close.
// returns: a line that hangs up is opened again by its path (a device path as a source); a
// COMn port's hang-up is a read failure.
HANDLE OpenSerialLine(const std::string& path, DWORD desiredAccess, bool returns);

}  // namespace platform::detail
