// GetModuleFileNameW: the running executable's path in wide characters, or the path a test
// set in its place.
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

#include "detail/errors.h"
#include "detail/wide_text.h"
#include "platform/kernel.h"
#include "platform/testing.h"

namespace platform::detail {
namespace {

struct ModulePathOverride {
  std::mutex mutex;
  bool set = false;
  std::wstring path;
};

ModulePathOverride& TheOverride() {
  static ModulePathOverride* value = new ModulePathOverride;
  return *value;
}

// The target of /proc/self/exe, however long it is.
bool ReadExecutablePath(std::string* path) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      LogSystemCallFailure("readlink", "/proc/self/exe", errno);
      SetLastErrorFromErrno(errno);
      return false;
    }
    if (static_cast<std::size_t>(n) < buffer.size()) {
      path->assign(buffer.data(), static_cast<std::size_t>(n));
      return true;
    }
    if (buffer.size() >= (1u << 20)) {
      SetLastError(kErrorFilenameTooLong);
      return false;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ModulePath(std::wstring* path) {
  {
    ModulePathOverride& seam = TheOverride();
    std::lock_guard<std::mutex> lock(seam.mutex);
    if (seam.set) {
      *path = seam.path;
      return true;
    }
  }
  std::string narrow;
  if (!ReadExecutablePath(&narrow)) return false;
  if (!NarrowToWide(narrow.c_str(), path)) {
    // A wrong path would send the program's files somewhere else; better no path at all.
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace platform::detail

namespace platform::testing {

void SetModulePath(LPCWSTR path) {
  detail::ModulePathOverride& seam = detail::TheOverride();
  std::lock_guard<std::mutex> lock(seam.mutex);
  seam.set = path != nullptr;
  seam.path = path != nullptr ? path : L"";
}

}  // namespace platform::testing

// Kavro has one module, the executable, so every module handle names it.
DWORD GetModuleFileNameW(HMODULE /*module*/, LPWSTR fileName, DWORD size) {
  if (fileName == nullptr && size > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring path;
  if (!platform::detail::ModulePath(&path)) return 0;
  if (path.size() < size) {
    path.copy(fileName, path.size());
    fileName[path.size()] = L'\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
  }
  // Too small: as Win32 does, keep size - 1 characters and the terminator and return size.
  if (size > 0) {
    path.copy(fileName, size - 1);
    fileName[size - 1] = L'\0';
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}
