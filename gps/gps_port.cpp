// The GPS serial port: opened once while the window is created, read on every tick.
#include "gps/gps_port.h"

#include <cstring>
#include <cwchar>

#include "platform/comm.h"
#include "platform/kernel.h"
#include "platform/user.h"

HANDLE portHandle = INVALID_HANDLE_VALUE;

namespace {

// A read waits without limit for its first byte, then returns when its buffer is full or the
// line has been quiet for a second, so one read takes whatever the receiver sent in a burst.
// Nothing is written to the receiver; the write values only bound a write that never happens.
constexpr COMMTIMEOUTS GpsPortTimeouts = {
    1000,  // ReadIntervalTimeout
    0,     // ReadTotalTimeoutMultiplier
    0,     // ReadTotalTimeoutConstant
    10,    // WriteTotalTimeoutMultiplier
    1000,  // WriteTotalTimeoutConstant
};

// NMEA receivers talk 8N1; software flow control only, since many receivers leave the
// handshake lines unconnected. Every other setting keeps the port's own value.
void SetGpsLineSettings(DCB* dcb, std::int32_t baudRate) {
  dcb->BaudRate = static_cast<DWORD>(baudRate);
  dcb->ByteSize = 8;
  dcb->Parity = NOPARITY;
  dcb->StopBits = ONESTOPBIT;
  dcb->fOutxCtsFlow = 0;
  dcb->fOutxDsrFlow = 0;
  dcb->fDtrControl = DTR_CONTROL_DISABLE;
  dcb->fRtsControl = RTS_CONTROL_DISABLE;
  dcb->fOutX = 1;
  dcb->fInX = 1;
}

// Reports a set-up failure and gives the port up, so that the first tick's read fails cleanly.
int AbandonPort(LPCWSTR message) {
  MessageBoxW(nullptr, message, L"", MB_OK);
  CloseHandle(portHandle);
  portHandle = INVALID_HANDLE_VALUE;
  return 0;
}

}  // namespace

int FormatPortName(std::int32_t portNumber, wchar_t* name, std::size_t size) {
  if (size == 0) return 0;
  if (std::swprintf(name, size, L"COM%d:", portNumber) < 0) {
    name[0] = L'\0';
    return 0;
  }
  return 1;
}

int FormatSourcePortName(const wchar_t* source, wchar_t* name, std::size_t size) {
  if (size == 0) return 0;
  if (std::swprintf(name, size, L"\\\\.\\%ls", source) < 0) {
    name[0] = L'\0';
    return 0;
  }
  return 1;
}

int OpenGpsPort(LPCWSTR portName, std::int32_t baudRate) {
  portHandle = CreateFileW(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (portHandle == INVALID_HANDLE_VALUE) {
    MessageBoxW(nullptr, L"Error Opening ComPort.", L"", MB_OK);
    return 0;
  }
  COMMTIMEOUTS timeouts = GpsPortTimeouts;
  if (!SetCommTimeouts(portHandle, &timeouts)) return AbandonPort(L"Error Setting Comm Timeouts.");
  DCB dcb;
  std::memset(static_cast<void*>(&dcb), 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(portHandle, &dcb)) return AbandonPort(L"Error Getting Comms State.");
  SetGpsLineSettings(&dcb, baudRate);
  if (!SetCommState(portHandle, &dcb)) return AbandonPort(L"Error Setting Comms State.");
  Sleep(PortSettleMilliseconds);
  return 1;
}
