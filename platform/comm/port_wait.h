// Waiting for a port's descriptor while the windows stay alive.
#pragma once

namespace platform::detail {

// How one wait for a port's descriptor ended.
struct PortWait {
  enum What { Ready, Quiet, Interrupted, Failed } what = Quiet;
  short revents = 0;  // Ready: the port's poll events
  int error = 0;      // Failed: errno of poll()
};

// Waits up to timeoutMs (-1: no limit) for these events of the port's descriptor (-1: none,
// only the time), keeping the windows alive meanwhile. first: the read's first wait, which
// also looks at what is queued already; so does any wait that comes while the window system
// has not been served for a while (a port that is always ready, a flood being skipped).
PortWait WaitForPort(int fd, short events, int timeoutMs, bool first);

}  // namespace platform::detail
