// Paths of the files beside the program file.
#include "core/program_path.h"

#include <cstdlib>
#include <cwchar>

#include "platform/kernel.h"

int BuildProgramFilePath(wchar_t* path, std::size_t size, const wchar_t* fileName) {
  if (size == 0) return 0;
  path[0] = L'\0';
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(size));
  // A result of size means the program path was cut off (the platform truncates as Win32 does).
  if (length == 0 || length >= size) {
    path[0] = L'\0';
    return 0;
  }
  path[length] = L'\0';
  const wchar_t* separator = std::wcsrchr(path, L'/');
  const std::size_t folderLength = separator == nullptr ? 0 : static_cast<std::size_t>(separator - path);
  const std::size_t nameLength = std::wcslen(fileName);
  if (folderLength + 1 + nameLength + 1 > size) {
    path[0] = L'\0';
    return 0;
  }
  path[folderLength] = L'/';
  std::wmemcpy(path + folderLength + 1, fileName, nameLength + 1);
  return 1;
}

int ConvertPathToBytes(char* bytes, std::size_t size, const wchar_t* path) {
  if (size == 0) return 0;
  // Measured first: given too little room, wcstombs stops short of a character that does not
  // fit and writes no terminator, so its count alone cannot tell a cut-off path from a whole one.
  // (size_t)-1: a character the locale cannot express.
  const std::size_t length = std::wcstombs(nullptr, path, 0);
  if (length == static_cast<std::size_t>(-1) || length >= size) {
    bytes[0] = '\0';
    return 0;
  }
  std::wcstombs(bytes, path, size);
  return 1;
}
