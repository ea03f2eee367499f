// What every port handle is: a serial line or a network source, read under COMMTIMEOUTS.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "detail/handles.h"
#include "platform/comm.h"
#include "platform/kernel.h"

namespace platform::detail {

// What one look at a port found, without waiting.
struct Taken {
  enum What { Bytes, Nothing, Gone, Failed } what = Nothing;
  DWORD count = 0;            // Bytes: how many
  DWORD error = 0;            // Gone: the last error of the failed read
  const char* cause = "";     // Gone: why, for the log line
  const char* call = "";      // Failed: the system call, with errno in sysError
  int sysError = 0;
};

// Where a source that comes back stands after a loss (see port_return.h).
struct Return {
  bool away = false;       // lost, and not open again yet
  bool announced = false;  // the loss has been logged, and no byte has come since
  bool trying = false;     // an attempt is under way
  int attempts = 0;        // attempts made since the loss was logged
  std::int64_t lostAt = 0;
  std::int64_t nextAt = 0;  // when the next attempt is due
};

struct Port : Object {
  explicit Port(Kind objectKind) : Object(objectKind) {}
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Takes what has arrived, at most room bytes, without waiting.
  virtual Taken TakeAvailable(unsigned char* into, DWORD room) = 0;
  // Before the read waits: `wanted` bytes would fill it, `begun` once it holds some. A port
  // may use it to be woken only when it can fill the read.
  virtual void BeforeWait(DWORD /*wanted*/, bool /*begun*/) {}
  // When the last byte taken arrived, on the monotonic clock in ms; `now` for a port that is
  // read as soon as anything arrives.
  virtual std::int64_t LastArrival(std::int64_t now) { return now; }
  // Gives the port up; false (errno set) when closing reported an error.
  virtual bool Release() = 0;

  // How one step of opening a lost source again ended.
  enum class Reopened { Yes, Trying, No };
  // One step of opening the source again, never blocking. start: a new attempt, which first
  // closes what the last one left; otherwise the attempt under way goes on.
  virtual Reopened Reopen(bool /*start*/, std::int64_t /*now*/) { return Reopened::No; }
  // While an attempt is under way: the descriptor it waits to become writable, or -1.
  virtual int TryingFd() const { return -1; }
  // Closes what the port holds open after a loss; the handle stays.
  virtual void Drop() { Release(); }

  int fd = -1;       // what the read waits on
  std::string name;  // for log lines: the device path or the source as given
  DWORD access = 0;
  bool returns = false;  // taken up again after a loss (a device path, gpsd, TCP), not failed
  Return lost;
  Taken pendingLoss;     // a loss met while a read held bytes, for the next read

  COMMTIMEOUTS Timeouts();
  void SetTimeouts(const COMMTIMEOUTS& value);

 private:
  std::mutex timeoutsMutex;  // Win32 lets another thread change them during a read
  COMMTIMEOUTS timeouts{};
};

// The port behind a handle, serial line or network source; nullptr for anything else.
Port* LookupPort(const void* handle);

// A port call failed: log it with the port's name and set the last error.
void PortCallFailed(const Port& port, const char* call, int error);

}  // namespace platform::detail
