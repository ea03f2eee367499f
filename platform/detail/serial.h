// The serial-port side of the kernel's file calls: CreateFileW, ReadFile, WriteFile and
// CloseHandle hand "COMn:" names and port handles over to the comm area.
#pragma once

#include "platform/types.h"

namespace platform::detail {

// True for names that are meant as a port ("COM...:"), well-formed or not.
bool IsPortName(LPCWSTR name);

HANDLE OpenSerialPort(LPCWSTR name, DWORD desiredAccess, DWORD creationDisposition);
BOOL ReadSerialPort(HANDLE port, void* buffer, DWORD bytesToRead, DWORD* bytesRead);
BOOL WriteSerialPort(HANDLE port, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten);
BOOL CloseSerialPort(HANDLE port);

}  // namespace platform::detail
