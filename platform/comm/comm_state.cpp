// GetCommState and SetCommState: the DCB on termios. SetCommState changes all or nothing: if
// the line refuses any part, it goes back to the settings it had. Network sources have no line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/ioctl.h>

#include "comm/arbitrary_rate.h"
#include "comm/comm_private.h"
#include "detail/errors.h"

namespace platform::detail {
namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The hardware bits SetCommState checks after the change: drivers drop what they cannot do
// (a pseudo-terminal forces 8 data bits without parity) and tcsetattr still succeeds.
constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

// A UART is off by up to a few percent of the rate asked for; a driver that cannot come that
// close has not set the rate.
bool RateClose(DWORD actual, DWORD wanted) {
  const std::uint64_t difference = actual > wanted ? actual - wanted : wanted - actual;
  return difference * 100 <= static_cast<std::uint64_t>(wanted) * 2;
}

// What a DCB asks that Linux serial lines do not offer.
const char* UnsupportedFeature(const DCB& dcb) {
  if (dcb.fOutxDsrFlow) return "DSR output flow control";
  if (dcb.fDsrSensitivity) return "DSR sensitivity";
  if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) return "DTR handshake";
  if (dcb.fRtsControl == RTS_CONTROL_TOGGLE) return "RTS toggle";
  if (dcb.fNull) return "discarding NUL bytes";
  return nullptr;
}

// No serial line runs faster than this; a larger number is a mistake (a negative rate from a
// settings file reads as one), even where a pseudo-terminal would accept it.
constexpr DWORD kFastestRate = 4000000;

bool ValuesValid(const DCB& dcb) {
  if (dcb.BaudRate == 0 || dcb.BaudRate > kFastestRate || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY) return false;
  // As on Win32: 1.5 stop bits go only with 5 data bits, 2 stop bits never do.
  if (dcb.StopBits == ONE5STOPBITS) return dcb.ByteSize == 5;
  if (dcb.StopBits == TWOSTOPBITS) return dcb.ByteSize != 5;
  if (dcb.StopBits != ONESTOPBIT) return false;
  return !((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar);
}

void ApplyDcb(const DCB& dcb, termios* settings) {
  MakeRaw(settings);
  settings->c_iflag &= ~static_cast<tcflag_t>(INPCK);
  settings->c_cflag &= ~kLineBits;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  settings->c_cflag |= kSizes[dcb.ByteSize - 5];
  switch (dcb.Parity) {
    case ODDPARITY: settings->c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: settings->c_cflag |= PARENB; break;
    case MARKPARITY: settings->c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: settings->c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (dcb.fParity) settings->c_iflag |= INPCK;
  if (dcb.StopBits != ONESTOPBIT) settings->c_cflag |= CSTOPB;  // with CS5 it means 1.5
  // Linux has one switch for both directions of RTS/CTS handshake.
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) settings->c_cflag |= CRTSCTS;
  // After MakeRaw, which clears them.
  if (dcb.fOutX) settings->c_iflag |= IXON;
  if (dcb.fInX) settings->c_iflag |= IXOFF;
  if (dcb.fOutX || dcb.fInX) {
    settings->c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    settings->c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  }
}

// A network source has no line: what GetCommState reports for it, whatever was set.
DCB NetworkState() {
  DCB state{};
  state.DCBlength = sizeof(DCB);
  state.fBinary = 1;
  state.ByteSize = 8;
  state.Parity = NOPARITY;
  state.StopBits = ONESTOPBIT;
  return state;
}

// Puts the line back as it was before a refused SetCommState.
void Restore(const SerialPort& port, const termios& before, DWORD beforeRate) {
  tcsetattr(port.fd, TCSANOW, &before);
  speed_t speed;
  if (beforeRate != 0 && !StandardSpeed(beforeRate, &speed)) SetArbitraryRate(port.fd, beforeRate);
}

}  // namespace
}  // namespace platform::detail

BOOL GetCommState(HANDLE file, DCB* dcb) {
  using namespace platform::detail;
  const bool network = KindOfHandle(file) == Kind::NetSource;
  auto* port = Lookup<SerialPort>(file);
  if (port == nullptr && !network) return Fail(ERROR_INVALID_HANDLE);
  if (dcb == nullptr || dcb->DCBlength != sizeof(DCB)) return Fail(ERROR_INVALID_PARAMETER);
  if (network) {
    *dcb = NetworkState();
    return TRUE;
  }
  termios settings{};
  if (tcgetattr(port->fd, &settings) != 0) {
    PortCallFailed(*port, "tcgetattr", errno);
    return FALSE;
  }
  DCB state{};
  state.DCBlength = sizeof(DCB);
  state.BaudRate = LineRate(port->fd, settings);
  state.fBinary = 1;  // Win32 knows no other mode
  if ((settings.c_iflag & INPCK) != 0) state.fParity = 1;
  if ((settings.c_cflag & CRTSCTS) != 0) state.fOutxCtsFlow = 1;
  state.fDtrControl = port->dtrControl & 3u;
  state.fRtsControl = ((settings.c_cflag & CRTSCTS) != 0 ? RTS_CONTROL_HANDSHAKE : port->rtsControl) & 3u;
  state.fTXContinueOnXoff = 1;  // Linux keeps sending while it has asked the sender to stop
  if ((settings.c_iflag & IXON) != 0) state.fOutX = 1;
  if ((settings.c_iflag & IXOFF) != 0) state.fInX = 1;
  state.XonLim = 2048;
  state.XoffLim = 512;
  switch (settings.c_cflag & CSIZE) {
    case CS5: state.ByteSize = 5; break;
    case CS6: state.ByteSize = 6; break;
    case CS7: state.ByteSize = 7; break;
    default: state.ByteSize = 8; break;
  }
  if ((settings.c_cflag & PARENB) == 0) {
    state.Parity = NOPARITY;
  } else if ((settings.c_cflag & CMSPAR) != 0) {
    state.Parity = (settings.c_cflag & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
  } else {
    state.Parity = (settings.c_cflag & PARODD) != 0 ? ODDPARITY : EVENPARITY;
  }
  if ((settings.c_cflag & CSTOPB) == 0) {
    state.StopBits = ONESTOPBIT;
  } else {
    state.StopBits = state.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
  }
  state.XonChar = static_cast<char>(settings.c_cc[VSTART]);
  state.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
  *dcb = state;
  return TRUE;
}

BOOL SetCommState(HANDLE file, DCB* dcb) {
  using namespace platform::detail;
  // A network source takes any line settings and keeps none: there is no line.
  if (KindOfHandle(file) == Kind::NetSource) {
    return dcb != nullptr && dcb->DCBlength == sizeof(DCB) ? TRUE : Fail(ERROR_INVALID_PARAMETER);
  }
  auto* port = Lookup<SerialPort>(file);
  if (port == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (dcb == nullptr || dcb->DCBlength != sizeof(DCB) || !ValuesValid(*dcb)) return Fail(ERROR_INVALID_PARAMETER);
  if (const char* feature = UnsupportedFeature(*dcb)) {
    std::fprintf(stderr, "kavro: %s: %s is not available on this system\n", port->name.c_str(), feature);
    return Fail(ERROR_NOT_SUPPORTED);
  }
  termios before{};
  if (tcgetattr(port->fd, &before) != 0) {
    PortCallFailed(*port, "tcgetattr", errno);
    return FALSE;
  }
  const DWORD beforeRate = LineRate(port->fd, before);

  termios settings = before;
  ApplyDcb(*dcb, &settings);
  speed_t speed;
  const bool standard = StandardSpeed(dcb->BaudRate, &speed);
  if (standard) {
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
  }
  if (tcsetattr(port->fd, TCSANOW, &settings) != 0) {
    PortCallFailed(*port, "tcsetattr", errno);
    const DWORD error = GetLastError();
    Restore(*port, before, beforeRate);
    return Fail(error);
  }
  if (!standard && !SetArbitraryRate(port->fd, dcb->BaudRate)) {
    LogSystemCallFailure("ioctl(TCSETS2)", port->name.c_str(), errno);
    Restore(*port, before, beforeRate);
    return Fail(ERROR_INVALID_PARAMETER);
  }

  termios after{};
  if (tcgetattr(port->fd, &after) != 0) {
    PortCallFailed(*port, "tcgetattr", errno);
    const DWORD error = GetLastError();
    Restore(*port, before, beforeRate);
    return Fail(error);
  }
  const DWORD rate = LineRate(port->fd, after);
  if (!RateClose(rate, dcb->BaudRate) || (after.c_cflag & kLineBits) != (settings.c_cflag & kLineBits)) {
    std::fprintf(stderr, "kavro: %s cannot take %u baud, %u data bits, parity %u, stop bits %u%s\n",
                 port->name.c_str(), static_cast<unsigned>(dcb->BaudRate), static_cast<unsigned>(dcb->ByteSize),
                 static_cast<unsigned>(dcb->Parity), static_cast<unsigned>(dcb->StopBits),
                 (settings.c_cflag & CRTSCTS) != 0 ? " with RTS/CTS" : "");
    Restore(*port, before, beforeRate);
    return Fail(ERROR_INVALID_PARAMETER);
  }

  const bool rtsByDriver = (settings.c_cflag & CRTSCTS) != 0;
  port->modemLinesChanged = true;  // from here on, closing the port puts DTR and RTS back
  if (!SetModemLine(port->fd, TIOCM_DTR, dcb->fDtrControl == DTR_CONTROL_ENABLE) ||
      (!rtsByDriver && !SetModemLine(port->fd, TIOCM_RTS, dcb->fRtsControl == RTS_CONTROL_ENABLE))) {
    PortCallFailed(*port, "ioctl(TIOCMBIS/TIOCMBIC)", errno);
    const DWORD error = GetLastError();
    Restore(*port, before, beforeRate);
    return Fail(error);
  }
  port->applied = after;
  port->appliedRate = rate;
  port->dtrControl = dcb->fDtrControl;
  port->rtsControl = rtsByDriver ? RTS_CONTROL_HANDSHAKE : dcb->fRtsControl;
  return TRUE;
}
