// Port names: "COMn:" and the device each number stands for.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform::detail {

// The number n of "COMn:", or 0 when the name is no well-formed port name.
int PortNumber(LPCWSTR name);
// The device path of port n (n >= 1).
void ResolvePortPath(int number, std::string* path);

}  // namespace platform::detail
