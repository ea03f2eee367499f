// Waiting for a port's descriptor, with the window system's descriptors beside it.
#include "comm/comm_private.h"

#include <cerrno>

#include "detail/clock.h"
#include "detail/port_wait.h"

namespace platform::detail {
namespace {

// The window system is served at least this often while a read waits.
constexpr std::int64_t kServeEveryMs = 50;

const PortWaitHook* g_hook = nullptr;
std::int64_t g_lastServe = 0;

bool Serve(const std::vector<pollfd>* fds) {
  g_lastServe = MonotonicMs();
  return g_hook->serve(fds);
}

}  // namespace

void SetPortWaitHook(const PortWaitHook* hook) { g_hook = hook; }

PortWait WaitForPort(int fd, short events, int timeoutMs, bool first) {
  if (g_hook != nullptr && (first || MonotonicMs() - g_lastServe >= kServeEveryMs) && Serve(nullptr)) {
    return {PortWait::Interrupted};
  }
  static std::vector<pollfd> fds;  // one thread reads; kept to spare an allocation per wait
  fds.assign(1, pollfd{fd, events, 0});
  int wait = timeoutMs;
  bool capped = false;
  if (g_hook != nullptr) {
    const int limit = g_hook->collect(fds);
    if (limit >= 0 && (wait < 0 || limit < wait)) {
      wait = limit;
      capped = true;
    }
  }
  const int ready = poll(fds.data(), fds.size(), wait);
  if (ready < 0) return errno == EINTR ? PortWait{PortWait::Quiet} : PortWait{PortWait::Failed, 0, errno};
  if (g_hook != nullptr) {
    bool arrived = ready == 0 && capped;
    for (std::size_t i = 1; i < fds.size() && !arrived; ++i) arrived = fds[i].revents != 0;
    if (arrived && Serve(&fds)) return {PortWait::Interrupted};
  }
  if (fds[0].revents != 0) return {PortWait::Ready, fds[0].revents};
  return {PortWait::Quiet};
}

}  // namespace platform::detail
