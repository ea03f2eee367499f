// How a port read that waits keeps the windows alive: the window system lends the wait its
// own descriptors, serves them without calling a window procedure, and can end the wait.
#pragma once

#include <poll.h>

#include <vector>

namespace platform::detail {

struct PortWaitHook {
  // Adds the descriptors the window system must watch; returns the longest wait it allows,
  // in milliseconds (-1: no limit).
  int (*collect)(std::vector<pollfd>& fds);
  // Serves what arrived: fds as collected with their revents, or null for a first look at
  // everything. True when the read must end now (a close request or a command is queued).
  bool (*serve)(const std::vector<pollfd>* fds);
};

// Installed by the window system once it runs; null: reads wait on their port alone.
void SetPortWaitHook(const PortWaitHook* hook);

}  // namespace platform::detail
