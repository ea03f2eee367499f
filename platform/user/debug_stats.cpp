// KAVRO_DEBUG_STATS: one line per timer message, for the long-run check of memory, handles and
// the timer. The due time shows the timer itself: when ticks take longer than the period (a
// read that waits for its buffer to fill), the messages come late but the due times keep to
// the period's grid.
#include "user/debug_stats.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/testing.h"

namespace platform::detail {
namespace {

constexpr int kNotOpened = -2;
int g_statsFd = kNotOpened;

// The file named by KAVRO_DEBUG_STATS, opened once for appending; -1 when there is none.
int StatsFd() {
  if (g_statsFd != kNotOpened) return g_statsFd;
  g_statsFd = -1;
  const char* path = std::getenv("KAVRO_DEBUG_STATS");
  if (path == nullptr || *path == '\0') return g_statsFd;
  g_statsFd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (g_statsFd < 0) std::fprintf(stderr, "open %s: %s\n", path, std::strerror(errno));
  return g_statsFd;
}

}  // namespace

void RecordTimerTaken(std::int64_t dueNs, std::int64_t takenNs) {
  const int fd = StatsFd();
  if (fd < 0) return;
  char line[96];
  const int length = std::snprintf(line, sizeof line, "%.3f %zu %.3f\n", static_cast<double>(takenNs) / 1e6,
                                   platform::testing::CountLiveHandles(), static_cast<double>(dueNs) / 1e6);
  if (length <= 0) return;
  // One write per line: O_APPEND keeps lines whole for a reader polling the file meanwhile.
  while (write(fd, line, static_cast<std::size_t>(length)) < 0 && errno == EINTR) {
  }
}

}  // namespace platform::detail
