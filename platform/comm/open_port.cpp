// Opening and closing a serial port: exclusive, raw, and given back as it was found.
#include "comm/comm_private.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "comm/arbitrary_rate.h"
#include "detail/errors.h"
#include "detail/ports.h"

namespace platform::detail {
namespace {

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Failures of open() in the words of a port: missing and unusable devices are "no such
// port", locks and permissions are "in use" / "not yours".
DWORD OpenError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY: return ERROR_ACCESS_DENIED;
    default: return ErrorFromErrno(error);
  }
}

// Claims the line for this handle: within the process, against other processes (flock) and,
// for other users, in the driver (TIOCEXCL). False with the last error set.
bool LockPort(int fd, const std::string& path, dev_t device, bool quiet) {
  if (!ClaimPort(device)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      if (!quiet) std::fprintf(stderr, "kavro: %s is in use by another program\n", path.c_str());
      ReleasePortClaim(device);
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (!quiet) LogSystemCallFailure("flock", path.c_str(), errno);  // no lock support: go on
  }
  if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL && !quiet) {
    LogSystemCallFailure("ioctl(TIOCEXCL)", path.c_str(), errno);
  }
  return true;
}

// Opens port.name into port: exclusive, raw, what it had kept to give back. False with the
// last error set; quiet: without log lines (an attempt to open a lost line again).
bool OpenLine(SerialPort& port, bool quiet) {
  // O_NONBLOCK stays on: reads and writes wait in poll() under the port's timeouts.
  int fd;
  do {
    fd = open(port.name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int error = errno;
    if (!quiet) LogSystemCallFailure("open", port.name.c_str(), error);
    SetLastError(OpenError(error));
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || tcgetattr(fd, &port.original) != 0) {
    if (!quiet) std::fprintf(stderr, "kavro: %s is not a serial port\n", port.name.c_str());
    close(fd);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  // Until the lock is held the line is not ours: a refused open must leave it untouched.
  if (!LockPort(fd, port.name, info.st_rdev, quiet)) {
    close(fd);
    return false;
  }
  port.device = info.st_rdev;
  port.fd = fd;
  port.originalRate = LineRate(fd, port.original);

  int lines = 0;
  port.modemLinesKnown = ioctl(fd, TIOCMGET, &lines) == 0;
  if (port.modemLinesKnown) port.originalModemLines = lines;
  return true;
}

}  // namespace

SerialPort::~SerialPort() { Release(); }

bool SerialPort::Release() {
  if (fd < 0) return true;
  if (modemLinesChanged && modemLinesKnown) {
    SetModemLine(fd, TIOCM_DTR, (originalModemLines & TIOCM_DTR) != 0);
    SetModemLine(fd, TIOCM_RTS, (originalModemLines & TIOCM_RTS) != 0);
  }
  // TCSANOW: waiting for the output to drain could hang on a line held by XOFF. A line that
  // hung up refuses this with EIO, and then there is nothing left to restore.
  if (tcsetattr(fd, TCSANOW, &original) != 0) {
    if (errno != EIO) LogSystemCallFailure("tcsetattr", name.c_str(), errno);
  } else if (speed_t speed; originalRate != 0 && !StandardSpeed(originalRate, &speed)) {
    SetArbitraryRate(fd, originalRate);
  }
  ioctl(fd, TIOCNXCL);  // whoever still has the line open may open it again
  const int result = close(fd);  // drops the flock as well
  const int error = errno;
  fd = -1;
  ReleasePortClaim(device);
  errno = error;
  return result == 0 || error == EINTR;
}

// A line that hung up is closed at once, so that the receiver gets the same name when it
// comes back (a pseudo-terminal's number, a USB device's ttyACM0), and opened again by its
// path with the settings it had.
Port::Reopened SerialPort::Reopen(bool /*start*/, std::int64_t /*now*/) {
  Release();
  if (!OpenLine(*this, true)) return Reopened::No;
  bool set = tcsetattr(fd, TCSANOW, &applied) == 0;
  if (speed_t speed; set && appliedRate != 0 && !StandardSpeed(appliedRate, &speed)) {
    set = SetArbitraryRate(fd, appliedRate);
  }
  if (set && modemLinesChanged) {
    SetModemLine(fd, TIOCM_DTR, dtrControl == DTR_CONTROL_ENABLE);
    if (rtsControl != RTS_CONTROL_HANDSHAKE) SetModemLine(fd, TIOCM_RTS, rtsControl == RTS_CONTROL_ENABLE);
  }
  if (!set) {
    Release();
    return Reopened::No;
  }
  return Reopened::Yes;
}

HANDLE OpenSerialLine(const std::string& path, DWORD desiredAccess, bool returns) {
  auto port = std::make_unique<SerialPort>();
  port->access = desiredAccess;
  port->name = path;
  port->returns = returns;
  if (!OpenLine(*port, false)) return INVALID_HANDLE_VALUE;
  if (port->modemLinesKnown) {
    port->dtrControl = (port->originalModemLines & TIOCM_DTR) != 0 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    port->rtsControl = (port->originalModemLines & TIOCM_RTS) != 0 ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  }
  if ((port->original.c_cflag & CRTSCTS) != 0) port->rtsControl = RTS_CONTROL_HANDSHAKE;

  // A serial port never echoes or edits what it receives. XON/XOFF stay as found until
  // SetCommState decides.
  termios settings = port->original;
  MakeRaw(&settings);
  settings.c_iflag |= port->original.c_iflag & (IXON | IXOFF);
  if (tcsetattr(port->fd, TCSANOW, &settings) != 0) {
    PortCallFailed(*port, "tcsetattr", errno);
    const DWORD error = GetLastError();
    port.reset();  // restores, unlocks and closes
    return Fail(error);
  }
  port->applied = settings;
  port->appliedRate = port->originalRate;

  HANDLE handle = InsertHandle(std::move(port));
  if (handle == nullptr) return Fail(ERROR_TOO_MANY_OPEN_FILES);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

}  // namespace platform::detail
