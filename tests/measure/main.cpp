// The measured viewer: the program exactly as the kavro executable runs it, and with
// KAVRO_TIMER_RECORD=FILE a record of every timer message for the long run and the fault
// scenarios; with KAVRO_FIX_RECORD=FILE, at every timer message, the fix the window shows
// and the wall-clock time, for the fast-source scenarios. Built beside the viewer, never
// installed: the shipped viewer reads no variable.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/start_up.h"
#include "core/records.h"
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

// Appends "<wall-clock ms> <status> <hour> <minute> <second>" of the current fix to fd.
void RecordShownFix(int fd) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const FixRecord& fix = trackState.current;
  char line[96];
  const int length = std::snprintf(line, sizeof line, "%lld %c %d %d %d\n",
                                   static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000,
                                   fix.status != '\0' ? fix.status : '-', static_cast<int>(fix.hour),
                                   static_cast<int>(fix.minute), static_cast<int>(fix.second));
  if (length <= 0) return;
  while (write(fd, line, static_cast<std::size_t>(length)) < 0 && errno == EINTR) {
  }
}

// The file a variable names, opened for appending; -1 (with a line) when it cannot be.
int OpenRecord(const char* variable, const char* path) {
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) std::fprintf(stderr, "kavro: %s: %s: %s\n", variable, path, std::strerror(errno));
  return fd;
}

}  // namespace

int main() {
  // A measurement without its record would only look like one.
  const char* timerPath = std::getenv("KAVRO_TIMER_RECORD");
  const char* fixPath = std::getenv("KAVRO_FIX_RECORD");
  const bool timerAsked = timerPath != nullptr && *timerPath != '\0';
  const bool fixAsked = fixPath != nullptr && *fixPath != '\0';
  const int timerFd = timerAsked ? OpenRecord("KAVRO_TIMER_RECORD", timerPath) : -1;
  const int fixFd = fixAsked ? OpenRecord("KAVRO_FIX_RECORD", fixPath) : -1;
  if ((timerAsked && timerFd < 0) || (fixAsked && fixFd < 0)) return 1;
  if (timerFd >= 0 || fixFd >= 0) {
    platform::testing::SetTimerObserver([timerFd, fixFd](std::int64_t dueNs, std::int64_t takenNs) {
      if (timerFd >= 0) RecordTimerMessage(timerFd, dueNs, takenNs);
      if (fixFd >= 0) RecordShownFix(fixFd);
    });
  }
  return RunProgram();
}
