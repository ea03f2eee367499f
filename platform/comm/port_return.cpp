// The attempts after a loss and their two log lines.
#include "comm/comm_private.h"

#include <cstdio>

namespace platform::detail {
namespace {

constexpr std::int64_t kFirstAttemptsMs[] = {1000, 2000, 4000, 8000};
constexpr int kFirstAttempts = 4;
constexpr std::int64_t kLaterAttemptsMs = 10000;

// The first attempt due after now.
std::int64_t NextDue(Return& lost, std::int64_t now) {
  while (AttemptDue(lost.lostAt, lost.attempts) <= now) ++lost.attempts;
  return AttemptDue(lost.lostAt, lost.attempts);
}

}  // namespace

std::int64_t AttemptDue(std::int64_t lostAt, int attempt) {
  if (attempt < kFirstAttempts) return lostAt + kFirstAttemptsMs[attempt];
  return lostAt + kFirstAttemptsMs[kFirstAttempts - 1] + kLaterAttemptsMs * (attempt - kFirstAttempts + 1);
}

void LosePort(Port& port, const char* cause, std::int64_t now) {
  port.Drop();
  Return& lost = port.lost;
  if (!lost.announced) {
    std::fprintf(stderr, "kavro: %s: %s; trying again\n", port.name.c_str(), cause);
    lost.announced = true;
    lost.lostAt = now;
    lost.attempts = 0;
  }
  lost.away = true;
  lost.trying = false;
  lost.nextAt = NextDue(lost, now);
}

bool TryPortAgain(Port& port, std::int64_t now) {
  Return& lost = port.lost;
  if (!lost.away) return true;
  Port::Reopened step;
  if (lost.trying) {
    step = port.Reopen(false, now);
  } else if (now >= lost.nextAt) {
    step = port.Reopen(true, now);
  } else {
    return false;
  }
  lost.trying = step == Port::Reopened::Trying;
  if (step == Port::Reopened::Yes) {
    lost.away = false;
    return true;
  }
  if (step == Port::Reopened::No) lost.nextAt = NextDue(lost, now);
  return false;
}

void PortDelivers(Port& port) {
  Return& lost = port.lost;
  if (lost.away || !lost.announced) return;
  lost.announced = false;
  std::fprintf(stderr, "kavro: %s: back\n", port.name.c_str());
}

}  // namespace platform::detail
