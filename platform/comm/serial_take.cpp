// What a serial line has received, taken without waiting.
#include <cerrno>

#include <poll.h>
#include <unistd.h>

#include "comm/comm_private.h"

namespace platform::detail {
namespace {

bool LineHungUp(int fd) {
  pollfd watch{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&watch, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready < 0 || (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

Taken SerialPort::TakeAvailable(unsigned char* into, DWORD room) {
  if (fd < 0) return {Taken::Nothing};  // a lost line, not open again yet
  for (;;) {
    const ssize_t n = read(fd, into, room);
    if (n > 0) return {Taken::Bytes, static_cast<DWORD>(n)};
    if (n == 0) {
      // A hung-up tty reads 0; so does a line that someone else set to VMIN 0, which is no
      // reason to give up. The line's poll state tells them apart.
      if (LineHungUp(fd)) return {Taken::Gone, 0, ERROR_BROKEN_PIPE, "the line has gone away"};
      return {Taken::Nothing};
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return {Taken::Nothing};
    if (errno == EIO || errno == ENODEV || errno == ENXIO) {
      return {Taken::Gone, 0, ERROR_DEVICE_REMOVED, "the line has gone away"};
    }
    return {Taken::Failed, 0, 0, "", "read", errno};
  }
}

}  // namespace platform::detail
