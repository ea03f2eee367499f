// Line rates: the standard termios speeds, mapped through our own table (a rate is never
// handed to cfsetospeed as a number), and the arbitrary rates beyond them.
#include "comm/comm_private.h"

#include "comm/arbitrary_rate.h"

namespace platform::detail {
namespace {

#define KAVRO_STANDARD_RATES(X)                                                                     \
  X(50) X(75) X(110) X(134) X(150) X(200) X(300) X(600) X(1200) X(1800) X(2400) X(4800) X(9600) \
  X(19200) X(38400) X(57600) X(115200) X(230400) X(460800) X(500000) X(576000) X(921600)        \
  X(1000000) X(1152000) X(1500000) X(2000000) X(2500000) X(3000000) X(3500000) X(4000000)

struct RateEntry {
  DWORD rate;
  speed_t speed;
};

#define KAVRO_RATE_ENTRY(rate) RateEntry{rate, B##rate},
constexpr RateEntry kStandardRates[] = {KAVRO_STANDARD_RATES(KAVRO_RATE_ENTRY)};
#undef KAVRO_RATE_ENTRY
#undef KAVRO_STANDARD_RATES

}  // namespace

bool StandardSpeed(DWORD rate, speed_t* speed) {
  for (const RateEntry& entry : kStandardRates) {
    if (entry.rate == rate) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

bool StandardRate(speed_t speed, DWORD* rate) {
  for (const RateEntry& entry : kStandardRates) {
    if (entry.speed == speed) {
      *rate = entry.rate;
      return true;
    }
  }
  return false;
}

DWORD LineRate(int fd, const termios& settings) {
  DWORD rate = 0;
  if (StandardRate(cfgetospeed(&settings), &rate)) return rate;
  if (GetArbitraryRate(fd, &rate)) return rate;
  return 0;
}

}  // namespace platform::detail
