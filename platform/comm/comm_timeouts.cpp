// SetCommTimeouts and GetCommTimeouts: the values live with the handle and steer the read and
// write loops.
#include "comm/comm_private.h"

#include <cstdint>


namespace {
constexpr DWORD kMaxDword = 0xFFFFFFFFu;
}  // namespace

namespace platform::detail {

std::int64_t DeadlineAfter(std::int64_t start, DWORD multiplier, DWORD bytes, DWORD constant) {
  // At most (2^32 - 1)^2 + 2^32 - 1 < 2^64: exact in 64 unsigned bits.
  const std::uint64_t span = static_cast<std::uint64_t>(multiplier) * bytes + constant;
  if (span >= static_cast<std::uint64_t>(INT64_MAX - start)) return INT64_MAX;
  return start + static_cast<std::int64_t>(span);
}

}  // namespace platform::detail

BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
  auto* port = platform::detail::LookupPort(file);
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
  auto* port = platform::detail::LookupPort(file);
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
