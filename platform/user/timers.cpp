// SetTimer and KillTimer. Timers keep absolute due times on their own period grid: a late
// WM_TIMER does not shift later ones, and periods missed while the thread was busy collapse
// into one message, as on Windows.
#include "user/user_private.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "detail/clock.h"
#include "platform/kernel.h"
#include "platform/testing.h"

namespace platform::detail {
namespace {

// Windows raises shorter periods to USER_TIMER_MINIMUM.
constexpr UINT kMinimumPeriodMs = 10;
constexpr UINT kMaximumPeriodMs = 0x7FFFFFFF;

struct Timer {
  HWND window;
  UINT_PTR id;
  std::int64_t periodNs;
  std::int64_t dueNs;
  TIMERPROC proc;
};

std::vector<Timer>& Timers() {
  static auto* timers = new std::vector<Timer>;
  return *timers;
}

platform::testing::TimerObserver& Observer() {
  static auto* observer = new platform::testing::TimerObserver;
  return *observer;
}

Timer* FindTimer(HWND window, UINT_PTR id) {
  for (Timer& timer : Timers()) {
    if (timer.window == window && timer.id == id) return &timer;
  }
  return nullptr;
}

}  // namespace

bool TakeDueTimer(HWND filter, MSG* msg, bool remove) {
  const std::int64_t now = MonotonicNs();
  Timer* due = nullptr;
  for (Timer& timer : Timers()) {
    if (timer.dueNs > now || (filter != nullptr && timer.window != filter)) continue;
    if (due == nullptr || timer.dueNs < due->dueNs) due = &timer;
  }
  if (due == nullptr) return false;
  *msg = MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), GetTickCount(), POINT{0, 0}};
  if (remove) {
    if (Observer()) Observer()(due->dueNs, now);
    const std::int64_t missed = (now - due->dueNs) / due->periodNs;
    due->dueNs += (missed + 1) * due->periodNs;
  }
  return true;
}

int MillisecondsToNextTimer() {
  const auto& timers = Timers();
  if (timers.empty()) return -1;
  std::int64_t next = timers.front().dueNs;
  for (const Timer& timer : timers) next = std::min(next, timer.dueNs);
  const std::int64_t remaining = next - MonotonicNs();
  if (remaining <= 0) return 0;
  const std::int64_t ms = (remaining + 999999) / 1000000;
  return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

void KillWindowTimers(HWND window) {
  auto& timers = Timers();
  for (std::size_t i = timers.size(); i-- > 0;) {
    if (timers[i].window == window) timers.erase(timers.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

}  // namespace platform::detail

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerFunc) {
  using platform::detail::Timer;
  if (window != nullptr && platform::detail::FindWindowObject(window) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window == nullptr) {
    // A thread timer gets a fresh identifier, as Windows gives one.
    static UINT_PTR nextThreadId = 0x7FFE;
    if (timerFunc == nullptr && id == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    if (id == 0 || platform::detail::FindTimer(nullptr, id) == nullptr) id = ++nextThreadId;
  }
  elapse = std::min(std::max(elapse, platform::detail::kMinimumPeriodMs), platform::detail::kMaximumPeriodMs);
  const std::int64_t period = static_cast<std::int64_t>(elapse) * 1000000;
  const std::int64_t due = platform::detail::MonotonicNs() + period;
  if (Timer* timer = platform::detail::FindTimer(window, id)) {
    // Setting an existing timer again restarts it with the new period.
    timer->periodNs = period;
    timer->dueNs = due;
    timer->proc = timerFunc;
  } else {
    platform::detail::Timers().push_back(Timer{window, id, period, due, timerFunc});
  }
  return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  auto& timers = platform::detail::Timers();
  for (auto it = timers.begin(); it != timers.end(); ++it) {
    if (it->window == window && it->id == id) {
      timers.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// The test seam of platform/testing.h that sees every timer message taken.
void platform::testing::SetTimerObserver(TimerObserver observer) {
  platform::detail::Observer() = std::move(observer);
}
