// DTR and RTS. Pseudo-terminals and some adapters have no modem lines; asking them to change
// one is not an error for the program.
#include "comm/comm_private.h"

#include <cerrno>

#include <sys/ioctl.h>

namespace platform::detail {
namespace {
constexpr int kErrnoNoIoctlCommand = 515;  // ENOIOCTLCMD, which some drivers let through
}  // namespace

bool SetModemLine(int fd, int line, bool on) {
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
  return errno == ENOTTY || errno == EINVAL || errno == kErrnoNoIoctlCommand;
}

}  // namespace platform::detail
