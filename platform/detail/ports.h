// The port side of the kernel's file calls: CreateFileW, ReadFile, WriteFile and CloseHandle
// hand port names and port handles over to the comm area. A port name is "COMn:" (a serial
// port by number) or "\\.\" followed by a source: a device path, gpsd, tcp:// or udp://.
#pragma once

#include "detail/handles.h"
#include "platform/types.h"

namespace platform::detail {

// True for names that are meant as a port, well-formed or not.
bool IsPortName(LPCWSTR name);
// True for the kinds of object a port handle names (serial lines, network sources).
bool IsPortKind(Kind kind);

HANDLE OpenPort(LPCWSTR name, DWORD desiredAccess, DWORD creationDisposition);
BOOL ReadPort(HANDLE port, void* buffer, DWORD bytesToRead, DWORD* bytesRead);
BOOL WritePort(HANDLE port, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten);
BOOL ClosePort(HANDLE port);

}  // namespace platform::detail
