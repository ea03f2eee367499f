// The monotonic clock, and sleeping and the tick count on it.
#include <cerrno>
#include <ctime>

#include <sched.h>

#include "detail/clock.h"
#include "platform/kernel.h"

namespace platform::detail {

std::int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t MonotonicMs() { return MonotonicNs() / 1000000; }

}  // namespace platform::detail

namespace {
constexpr DWORD kInfinite = 0xFFFFFFFFu;
}  // namespace

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();  // Win32: give up the rest of the time slice
    return;
  }
  if (milliseconds == kInfinite) {
    for (;;) {
      timespec day{86400, 0};
      nanosleep(&day, nullptr);
    }
  }
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal handler must not cut the wait short.
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

// Wraps around after 49.7 days, as on Win32.
DWORD GetTickCount() { return static_cast<DWORD>(platform::detail::MonotonicMs()); }
