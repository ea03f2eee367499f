// ReadFile on a port (serial line or network source) under its COMMTIMEOUTS, as Win32 defines
// them:
// - interval MAXDWORD, totals 0: return at once with what has arrived (maybe nothing);
// - interval and multiplier MAXDWORD, constant between: return as soon as anything is there,
//   waiting at most the constant for it;
// - otherwise the total timeout (multiplier x bytes asked + constant, none when both are 0)
//   runs from the start, and the interval timeout (none when 0) from each byte received; with
//   both totals 0 the first byte is waited for without limit.
// A timeout is no failure: the read succeeds with fewer bytes. A hang-up is one, unless the
// port is a source that comes back (port_return.cpp): then it is a silent source until it is
// open again. A close request or a command for a window ends the wait too, and the read
// returns what it has.
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <poll.h>

#include "comm/comm_private.h"
#include "detail/clock.h"
#include "detail/errors.h"
#include "detail/ports.h"

namespace platform::detail {
namespace {

constexpr DWORD kMaxDword = 0xFFFFFFFFu;
constexpr std::int64_t kNoDeadline = INT64_MAX;
// While an attempt to open a lost source again is under way, it is looked at this often.
constexpr std::int64_t kTryingLookMs = 50;

struct ReadPlan {
  bool returnAtOnce = false;      // deliver what is there, never wait
  bool returnOnFirst = false;     // deliver as soon as anything is there
  std::int64_t totalDeadline = kNoDeadline;
  std::int64_t interval = 0;      // 0: no interval timeout
};

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD bytesToRead, std::int64_t start) {
  ReadPlan plan;
  if (t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
    plan.returnAtOnce = true;
    return plan;
  }
  if (t.ReadIntervalTimeout == kMaxDword && t.ReadTotalTimeoutMultiplier == kMaxDword &&
      t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < kMaxDword) {
    plan.returnOnFirst = true;
    plan.totalDeadline = start + t.ReadTotalTimeoutConstant;
    return plan;
  }
  if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
    plan.totalDeadline = DeadlineAfter(start, t.ReadTotalTimeoutMultiplier, bytesToRead, t.ReadTotalTimeoutConstant);
  }
  if (t.ReadIntervalTimeout != kMaxDword) plan.interval = t.ReadIntervalTimeout;
  return plan;
}

BOOL Deliver(DWORD done, DWORD* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = done;
  return TRUE;
}

// A failure ends the read, but bytes received before it are delivered first; the next read
// meets the failure again and reports it.
BOOL Failure(const Port& port, DWORD done, DWORD* bytesRead, const char* call, int error) {
  if (done > 0) return Deliver(done, bytesRead);
  PortCallFailed(port, call, error);
  if (bytesRead != nullptr) *bytesRead = 0;
  return FALSE;
}

BOOL HungUp(const Port& port, DWORD done, DWORD* bytesRead, DWORD error, const char* cause) {
  if (done > 0) return Deliver(done, bytesRead);
  std::fprintf(stderr, "kavro: %s: %s\n", port.name.c_str(), cause);
  if (bytesRead != nullptr) *bytesRead = 0;
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL ReadPort(HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
  Port* port = LookupPort(handle);
  if (port == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((port->access & GENERIC_READ) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (bytesToRead == 0) return Deliver(0, bytesRead);
  if (port->pendingLoss.what == Taken::Gone) {  // met by the last read, which held bytes
    const Taken loss = port->pendingLoss;
    port->pendingLoss = Taken{};
    return HungUp(*port, 0, bytesRead, loss.error, loss.cause);
  }

  const ReadPlan plan = PlanRead(port->Timeouts(), bytesToRead, MonotonicMs());
  auto* bytes = static_cast<unsigned char*>(buffer);
  DWORD done = 0;
  std::int64_t lastByte = 0;
  bool hangUpSeen = false;
  bool firstWait = true;
  for (;;) {
    const bool away = !TryPortAgain(*port, MonotonicMs());
    const Taken taken = port->TakeAvailable(bytes + done, bytesToRead - done);
    const char* lossCause = nullptr;
    switch (taken.what) {
      case Taken::Bytes:
        done += taken.count;
        lastByte = port->LastArrival(MonotonicMs());
        PortDelivers(*port);
        if (done == bytesToRead || plan.returnOnFirst) return Deliver(done, bytesRead);
        continue;
      case Taken::Gone:
        if (!port->returns) {
          if (done > 0) port->pendingLoss = taken;  // the next read tells the true cause
          return HungUp(*port, done, bytesRead, taken.error, taken.cause);
        }
        lossCause = taken.cause;
        break;
      case Taken::Failed:
        if (!port->returns) return Failure(*port, done, bytesRead, taken.call, taken.sysError);
        lossCause = std::strerror(taken.sysError);
        break;
      case Taken::Nothing:
        // A hang-up without readable bytes must end the read, or it would spin.
        if (hangUpSeen && !away) {
          if (!port->returns) return HungUp(*port, done, bytesRead, ERROR_BROKEN_PIPE, "the line has gone away");
          lossCause = "the line has gone away";
        }
        break;
    }
    if (lossCause != nullptr) {
      // What the read holds is delivered; a lost source then reads as a silent one.
      LosePort(*port, lossCause, MonotonicMs());
      hangUpSeen = false;
      if (done > 0) return Deliver(done, bytesRead);
      continue;
    }
    if (plan.returnAtOnce) return Deliver(done, bytesRead);

    std::int64_t deadline = plan.totalDeadline;
    if (done > 0 && plan.interval > 0 && lastByte + plan.interval < deadline) deadline = lastByte + plan.interval;
    const std::int64_t now = MonotonicMs();
    int wait = -1;
    if (deadline != kNoDeadline) {
      const std::int64_t left = deadline - now;
      if (left <= 0) return Deliver(done, bytesRead);
      wait = left > INT_MAX ? INT_MAX : static_cast<int>(left);
    }
    int fd = port->fd;
    short events = POLLIN;
    if (away) {  // wait for the next attempt, or for the one under way
      fd = port->TryingFd();
      events = POLLOUT;
      const std::int64_t look = port->lost.trying ? kTryingLookMs : port->lost.nextAt - now;
      const int until = look < 1 ? 1 : look > INT_MAX ? INT_MAX : static_cast<int>(look);
      if (wait < 0 || until < wait) wait = until;
    } else {
      port->BeforeWait(bytesToRead - done, done > 0);
    }
    const PortWait waited = WaitForPort(fd, events, wait, firstWait);
    firstWait = false;
    switch (waited.what) {
      case PortWait::Interrupted: return Deliver(done, bytesRead);
      case PortWait::Failed: return Failure(*port, done, bytesRead, "poll", waited.error);
      case PortWait::Quiet: break;
      case PortWait::Ready:
        if (away) break;  // the attempt under way looks for itself
        if ((waited.revents & POLLNVAL) != 0) return Failure(*port, done, bytesRead, "poll", EBADF);
        if ((waited.revents & (POLLHUP | POLLERR)) != 0) hangUpSeen = true;
        break;
    }
  }
}

}  // namespace platform::detail
