// Waiting for a port's descriptor while the windows stay alive.
#pragma once

namespace platform::detail {

// How one wait for a port's descriptor ended.
struct PortWait {
  enum What { Ready, Quiet, Interrupted, Failed } what = Quiet;
  short revents = 0;  // Ready: the port's poll events
  int error = 0;      // Failed: errno of poll()
};

// Waits up to timeoutMs (-1: no limit) for the port's descriptor, keeping the windows alive
// meanwhile. first: the read's first wait, which also looks at what is queued already.
PortWait WaitForPort(int fd, int timeoutMs, bool first);

}  // namespace platform::detail
