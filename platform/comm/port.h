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

  int fd = -1;       // what the read waits on
  std::string name;  // for log lines: the device path or the source as given
  DWORD access = 0;

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
