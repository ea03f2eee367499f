// The measured viewer: the program exactly as the kavro executable runs it, and with
// KAVRO_TIMER_RECORD=FILE a record of every timer message for the long run and the fault
// scenarios. Built beside the viewer, never installed: the shipped viewer reads no variable.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/start_up.h"
#include "platform/testing.h"

namespace {

// Appends "<taken ms> <live handles> <due ms>" to fd: the time the timer message was handed
// out and the time it was due, both in milliseconds of the monotonic clock, and the number of
// live objects in the handle table between two messages. The due times show the timer itself:
// when ticks take longer than the period, the messages come late but the due times keep to
// the period's grid.
void RecordTimerMessage(int fd, std::int64_t dueNs, std::int64_t takenNs) {
  char line[96];
  const int length = std::snprintf(line, sizeof line, "%.3f %zu %.3f\n", static_cast<double>(takenNs) / 1e6,
                                   platform::testing::CountLiveHandles(), static_cast<double>(dueNs) / 1e6);
  if (length <= 0) return;
  // One write per line: O_APPEND keeps lines whole for a reader polling the file meanwhile.
  while (write(fd, line, static_cast<std::size_t>(length)) < 0 && errno == EINTR) {
  }
}

}  // namespace

int main() {
  const char* path = std::getenv("KAVRO_TIMER_RECORD");
  if (path != nullptr && *path != '\0') {
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    // A measurement without its record would only look like one.
    if (fd < 0) {
      std::fprintf(stderr, "kavro: KAVRO_TIMER_RECORD: %s: %s\n", path, std::strerror(errno));
      return 1;
    }
    platform::testing::SetTimerObserver(
        [fd](std::int64_t dueNs, std::int64_t takenNs) { RecordTimerMessage(fd, dueNs, takenNs); });
  }
  return RunProgram();
}
