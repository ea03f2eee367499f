// The modem control lines of a serial line.
#pragma once

namespace platform::detail {

// Raises or drops DTR or RTS (TIOCM_DTR / TIOCM_RTS). A device without modem lines is no
// failure. Returns false with errno set on a real failure.
bool SetModemLine(int fd, int line, bool on);

}  // namespace platform::detail
