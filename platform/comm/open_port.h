// Opening a serial device.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform::detail {

// Opens a serial device by its path: exclusive, raw, its settings kept to give back at close.
HANDLE OpenSerialLine(const std::string& path, DWORD desiredAccess);

}  // namespace platform::detail
