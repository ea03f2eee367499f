// The serial port the GPS receiver is attached to: the program-wide handle and its set-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/records.h"
#include "platform/types.h"

// The open port; INVALID_HANDLE_VALUE before it is opened and after a failed open or set-up,
// 0 once the window has closed it.
extern HANDLE portHandle;

// Time given to the receiver after its line settings change, before the first tick reads.
constexpr DWORD PortSettleMilliseconds = 3000;

// Room for the longest port name: "\\.\" and a source of PortSourceSize characters
// ("COM-2147483648:" needs 16).
constexpr std::size_t PortNameSize = 4 + PortSourceSize;

// The port's name for a port number from the settings: "COM<number>:", as written for any
// number (0 and negative numbers name no port, and opening them fails). Returns 1, or 0 with
// name empty when size cannot hold it.
int FormatPortName(std::int32_t portNumber, wchar_t* name, std::size_t size);

// The port's name for a source from the settings: "\\.\<source>", the platform's name for a
// device path or a network source. Returns 1, or 0 with name empty when size cannot hold it.
int FormatSourcePortName(const wchar_t* source, wchar_t* name, std::size_t size);

// Opens the port by name ("COM7:"), sets its timeouts and line settings (8N1 at baudRate,
// XON/XOFF, no hardware flow control), waits PortSettleMilliseconds and returns 1. On failure it
// shows a message box, leaves portHandle at INVALID_HANDLE_VALUE and returns 0. A negative
// baudRate becomes a huge unsigned rate, which the port refuses.
int OpenGpsPort(LPCWSTR portName, std::int32_t baudRate);
