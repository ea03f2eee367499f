// SetCommTimeouts and GetCommTimeouts: the values live with the handle and steer the read and
// write loops.
#include "comm/serial_port.h"

namespace {
constexpr DWORD kMaxDword = 0xFFFFFFFFu;
}  // namespace

BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
  auto* port = platform::detail::Lookup<platform::detail::SerialPort>(file);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Win32 refuses the one combination that means nothing: all three read values MAXDWORD.
  if (timeouts == nullptr || (timeouts->ReadIntervalTimeout == kMaxDword &&
                              timeouts->ReadTotalTimeoutMultiplier == kMaxDword &&
                              timeouts->ReadTotalTimeoutConstant == kMaxDword)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  port->SetTimeouts(*timeouts);
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
  auto* port = platform::detail::Lookup<platform::detail::SerialPort>(file);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (timeouts == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *timeouts = port->Timeouts();
  return TRUE;
}
