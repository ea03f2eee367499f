// errno values mapped to the Win32 error codes a Win32 program expects, and the log line of a
// failing system call.
#include "detail/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::detail {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_INVALID_NAME;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ETXTBSY:
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case ENODEV:
    case ENXIO: return ERROR_DEVICE_REMOVED;
    case ENOTTY:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

void SetLastErrorFromErrno(int error) { SetLastError(ErrorFromErrno(error)); }

void LogSystemCallFailure(const char* call, const char* subject, int error) {
  char text[160];
  const char* message = strerror_r(error, text, sizeof text);  // GNU form: returns the text
  if (subject != nullptr) {
    std::fprintf(stderr, "kavro: %s(%s): %s\n", call, subject, message);
  } else {
    std::fprintf(stderr, "kavro: %s: %s\n", call, message);
  }
}

}  // namespace platform::detail
