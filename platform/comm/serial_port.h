// A serial port behind a handle, and the pieces the comm area builds it from.
#pragma once

#include <cstdint>
#include <string>

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

  dev_t device = 0;
  termios original{};
  DWORD originalRate = 0;  // termios cannot carry an arbitrary rate back by itself
  bool modemLinesKnown = false;  // a pseudo-terminal has none
  int originalModemLines = 0;
  bool modemLinesChanged = false;
  DWORD dtrControl = DTR_CONTROL_ENABLE;
  DWORD rtsControl = RTS_CONTROL_ENABLE;
};

// Opens a serial device by its path: exclusive, raw, its settings kept to give back at close.
HANDLE OpenSerialLine(const std::string& path, DWORD desiredAccess);

// The number n of "COMn:", or 0 when the name is no well-formed port name.
int PortNumber(LPCWSTR name);
// The device path of port n (n >= 1).
void ResolvePortPath(int number, std::string* path);

// The process-wide set of open ports: the exclusive lock of TIOCEXCL does not hold for root,
// and flock() does not stop a second open within one process.
bool ClaimPort(dev_t device);
void ReleasePortClaim(dev_t device);

// The termios speed constant of a rate in the standard table, and back.
bool StandardSpeed(DWORD rate, speed_t* speed);
bool StandardRate(speed_t speed, DWORD* rate);
// The line's current output rate, standard or arbitrary; 0 when it has none (B0).
DWORD LineRate(int fd, const termios& settings);

// Raw input and output: no echo, no canonical lines, no signals, no CR/NL translation.
// XON/XOFF are cleared too; whoever wants them sets them afterwards.
void MakeRaw(termios* settings);

// Raises or drops DTR or RTS (TIOCM_DTR / TIOCM_RTS). A device without modem lines is no
// failure. Returns false with errno set on a real failure.
bool SetModemLine(int fd, int line, bool on);

}  // namespace platform::detail
