// CreateDirectoryW, DeleteFileW and GetFileAttributesW on paths in the locale's encoding.
#include <cerrno>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "detail/errors.h"
#include "detail/wide_text.h"
#include "platform/kernel.h"

namespace platform::detail {
namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The path in the locale's encoding; false (last error set) for an empty or unconvertible name.
bool NarrowPath(LPCWSTR name, std::string* path) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (name[0] == L'\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (!WideToNarrow(name, path)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace platform::detail

BOOL CreateDirectoryW(LPCWSTR pathName, void* /*securityAttributes*/) {
  using namespace platform::detail;
  std::string path;
  if (!NarrowPath(pathName, &path)) return FALSE;
  if (mkdir(path.c_str(), 0777) == 0) return TRUE;
  switch (errno) {
    case EEXIST: return Fail(ERROR_ALREADY_EXISTS);
    case ENOENT: return Fail(ERROR_PATH_NOT_FOUND);
    default: return Fail(ErrorFromErrno(errno));
  }
}

BOOL DeleteFileW(LPCWSTR fileName) {
  using namespace platform::detail;
  std::string path;
  if (!NarrowPath(fileName, &path)) return FALSE;
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(path.c_str()) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  using namespace platform::detail;
  std::string path;
  if (!NarrowPath(fileName, &path)) return INVALID_FILE_ATTRIBUTES;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
