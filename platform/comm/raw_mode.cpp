// Raw mode as cfmakeraw() sets it, minus the character size and parity, which SetCommState
// sets from the DCB, plus CLOCAL: a GPS receiver has no carrier line to watch.
#include "comm/comm_private.h"

namespace platform::detail {

void MakeRaw(termios* settings) {
  settings->c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC |
                                              IXON | IXOFF | IXANY | IMAXBEL);
  settings->c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings->c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
  settings->c_cflag |= CLOCAL | CREAD;
  settings->c_cc[VMIN] = 1;
  settings->c_cc[VTIME] = 0;
}

}  // namespace platform::detail
