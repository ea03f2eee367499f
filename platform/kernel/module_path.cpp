// GetModuleFileNameW: the path the process was started by (a link keeps its own folder), or the
// running executable's path, in wide characters; or the path a test set in its place.
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include <sys/auxv.h>
#include <sys/stat.h>
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
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    buffer.resize(buffer.size() * 2);
  }
}

// The path the kernel was asked to start (AT_EXECFN), with its folders resolved against the
// working directory of the moment and its last component kept as it is: started through a
// link, the program's folder is the link's, so each user can have a folder of their own
// beside one installed executable. Empty when there is none.
std::string PathStartedBy() {
  const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (started == nullptr) return {};
  const std::string path = started;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* resolved = realpath(folder.c_str(), nullptr);
  if (resolved == nullptr || name.empty()) {
    std::free(resolved);
    return {};
  }
  std::string result = resolved;
  std::free(resolved);
  if (result.back() != '/') result += '/';
  return result + name;
}

// Taken at start, before anything could change the working directory.
const std::string startPath = PathStartedBy();

bool SameFile(const char* a, const char* b) {
  struct stat first {}, second {};
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
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
  // A start path that no longer names the running executable (the link was removed or
  // pointed elsewhere since) would lead to another program's files.
  std::string narrow = startPath;
  if (narrow.empty() || !SameFile(narrow.c_str(), "/proc/self/exe")) {
    if (!ReadExecutablePath(&narrow)) return false;
  }
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
