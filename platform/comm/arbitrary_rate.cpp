// Arbitrary line rates through termios2. <asm/termbits.h> defines its own struct termios, so
// this file must not see <termios.h>.
#include "comm/arbitrary_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform::detail {

bool SetArbitraryRate(int fd, DWORD rate) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  // CIBAUD left 0: the input rate follows the output rate.
  settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER;
  settings.c_ospeed = rate;
  settings.c_ispeed = rate;
  return ioctl(fd, TCSETS2, &settings) == 0;
}

bool GetArbitraryRate(int fd, DWORD* rate) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  if ((settings.c_cflag & CBAUD) != BOTHER) return false;
  *rate = settings.c_ospeed;
  return true;
}

}  // namespace platform::detail
