// WriteFile on a serial port (network sources take no writes). The total write timeout (multiplier x bytes + constant, none
// when both are 0) bounds the wait for room in the output buffer; when it runs out the write
// succeeds with the bytes that went out, as on Win32.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>

#include <poll.h>
#include <unistd.h>

#include "comm/comm_private.h"
#include "detail/clock.h"
#include "detail/errors.h"
#include "detail/ports.h"

namespace platform::detail {
namespace {

BOOL Finish(DWORD done, DWORD* bytesWritten, BOOL result) {
  if (bytesWritten != nullptr) *bytesWritten = done;
  return result;
}

}  // namespace

BOOL WritePort(HANDLE handle, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten) {
  auto* port = Lookup<SerialPort>(handle);
  if (port == nullptr) {
    // Network sources are only listened to.
    SetLastError(KindOfHandle(handle) == Kind::NetSource ? ERROR_NOT_SUPPORTED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((port->access & GENERIC_WRITE) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const COMMTIMEOUTS timeouts = port->Timeouts();
  std::int64_t deadline = INT64_MAX;
  if (timeouts.WriteTotalTimeoutMultiplier != 0 || timeouts.WriteTotalTimeoutConstant != 0) {
    deadline = DeadlineAfter(MonotonicMs(), timeouts.WriteTotalTimeoutMultiplier, bytesToWrite,
                             timeouts.WriteTotalTimeoutConstant);
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  DWORD done = 0;
  while (done < bytesToWrite) {
    const ssize_t n = write(port->fd, bytes + done, bytesToWrite - done);
    if (n > 0) {
      done += static_cast<DWORD>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      const int error = errno;
      if (error == EIO || error == ENODEV || error == ENXIO) {
        std::fprintf(stderr, "kavro: %s: the line has gone away\n", port->name.c_str());
        SetLastError(ERROR_DEVICE_REMOVED);
      } else {
        PortCallFailed(*port, "write", error);
      }
      return Finish(done, bytesWritten, FALSE);
    }
    int wait = -1;
    if (deadline != INT64_MAX) {
      const std::int64_t left = deadline - MonotonicMs();
      if (left <= 0) return Finish(done, bytesWritten, TRUE);
      wait = left > INT_MAX ? INT_MAX : static_cast<int>(left);
    }
    pollfd watch{port->fd, POLLOUT, 0};
    const int ready = poll(&watch, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      PortCallFailed(*port, "poll", errno);
      return Finish(done, bytesWritten, FALSE);
    }
    if ((watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (watch.revents & POLLOUT) == 0) {
      std::fprintf(stderr, "kavro: %s: the line has gone away\n", port->name.c_str());
      SetLastError(ERROR_BROKEN_PIPE);
      return Finish(done, bytesWritten, FALSE);
    }
  }
  return Finish(done, bytesWritten, TRUE);
}

}  // namespace platform::detail
