// Kernel area: handles, files, the module path, sleeping and the last-error value.
#pragma once

#include "platform/error_codes.h"
#include "platform/types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

// Opens a regular file or a port. A port is "COMn:" (a serial port by number), or "\\.\"
// followed by a source: a device path (/dev/ttyACM0), gpsd or gpsd://host[:port][/device],
// tcp://host:port, or udp://[host]:port. Returns INVALID_HANDLE_VALUE on failure; a source
// that cannot be opened also says why in one line on standard error.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void* overlapped);
BOOL CloseHandle(HANDLE object);

// Moves a regular file's position; newPointer (may be null) receives the new position.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod);
// Cuts (or extends) a regular file at its current position.
BOOL SetEndOfFile(HANDLE file);
// Sends a regular file's data to the disk (its data and the size that reaches it; the
// modification time may follow later).
BOOL FlushFileBuffers(HANDLE file);
BOOL DeleteFileW(LPCWSTR fileName);
// Makes one folder; fails with ERROR_ALREADY_EXISTS when the name is taken, ERROR_PATH_NOT_FOUND
// when its parent is missing.
BOOL CreateDirectoryW(LPCWSTR pathName, void* securityAttributes);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL, or INVALID_FILE_ATTRIBUTES (last error set).
DWORD GetFileAttributesW(LPCWSTR fileName);

// The full path of the running executable (module must be null). Truncates like Win32 and
// returns the number of characters copied, without the terminating NUL.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

void Sleep(DWORD milliseconds);
DWORD GetTickCount();

DWORD GetLastError();
void SetLastError(DWORD errorCode);
