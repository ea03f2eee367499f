// A serial port behind a handle.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include "comm/port.h"

namespace platform::detail {

struct SerialPort : Port {
  static constexpr Kind kKind = Kind::SerialPort;
  SerialPort() : Port(kKind) {}
  ~SerialPort() override;
  Taken TakeAvailable(unsigned char* into, DWORD room) override;
  // Gives the line back as it was found (termios, DTR/RTS, exclusive mode) and closes it.
  bool Release() override;
  Reopened Reopen(bool start, std::int64_t now) override;

  dev_t device = 0;
  termios original{};
  termios applied{};       // the settings made, for a line opened again
  DWORD appliedRate = 0;
  DWORD originalRate = 0;  // termios cannot carry an arbitrary rate back by itself
  bool modemLinesKnown = false;  // a pseudo-terminal has none
  int originalModemLines = 0;
  bool modemLinesChanged = false;
  DWORD dtrControl = DTR_CONTROL_ENABLE;
  DWORD rtsControl = RTS_CONTROL_ENABLE;
};

}  // namespace platform::detail
