// Keeping the windows alive while a port read waits: the display's connection and the
// single-instance sockets are watched beside the port, and what arrives is served without
// calling a window procedure. A close request or a command ends the wait, so that a silent
// receiver never holds the window.
#include "user/user_private.h"

#include "detail/port_wait.h"

namespace platform::detail {
namespace {

// A display that gives no descriptor to wait on (neither X11 nor Wayland) is looked at this often.
constexpr int kDisplayCheckMs = 50;

int Collect(std::vector<pollfd>& fds) {
  CollectSingleInstanceFds(fds);
  if (!VideoReady() || VideoIsHeadless()) return -1;
  const int display = DisplayFd();
  if (display < 0) return kDisplayCheckMs;
  fds.push_back(pollfd{display, POLLIN, 0});
  return -1;
}

bool Serve(const std::vector<pollfd>* fds) {
  // A display that went away ends the process at once, even while the source stays silent.
  const int display = DisplayFd();
  if (fds != nullptr && display >= 0) {
    for (const pollfd& fd : *fds) {
      if (fd.fd == display) EndIfDisplayLost(fd.revents);
    }
  }
  PumpEventsWhileReading();
  return CloseOrCommandQueued();
}

const PortWaitHook kReadingHook = {Collect, Serve};

}  // namespace

void KeepWindowsAliveDuringReads() { SetPortWaitHook(&kReadingHook); }

}  // namespace platform::detail
