// The end of the process when there is no display to show its windows on.
#include "user/user_private.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace platform::detail {
namespace {

// The exit code of a process whose display went away or never came.
constexpr int kNoDisplayExitCode = 1;

[[noreturn]] void End(const std::string& line) {
  // One write, so that the line does not mix with another process's; then no exit handlers:
  // they would talk to a display that is gone.
  const std::string text = std::string(program_invocation_short_name) + ": " + line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  _exit(kNoDisplayExitCode);
}

}  // namespace

void EndForLostDisplay() { End("the display connection was lost"); }

void EndForMissingDisplay(const char* what) { End(std::string("no display to show the window on (") + what + ")"); }

bool DisplayHungUp(short revents) { return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

}  // namespace platform::detail
