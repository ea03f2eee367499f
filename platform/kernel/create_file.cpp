// CreateFileW: regular files with Win32 creation dispositions and sharing; port names go to
// the comm area.
#include <cerrno>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "detail/errors.h"
#include "detail/ports.h"
#include "detail/wide_text.h"
#include "kernel/kernel_private.h"

namespace platform::detail {
namespace {

int OpenRetrying(const char* path, int flags) {
  int fd;
  do {
    fd = open(path, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens for OPEN_ALWAYS / CREATE_ALWAYS and tells whether the file was there already, which
// Win32 reports through the last error. Creating exclusively first makes the answer exact.
int OpenOrCreate(const char* path, int flags, bool* existed) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = OpenRetrying(path, flags | O_CREAT | O_EXCL);
    if (fd >= 0 || errno != EEXIST) {
      *existed = false;
      return fd;
    }
    fd = OpenRetrying(path, flags);
    if (fd >= 0 || errno != ENOENT) {
      *existed = true;
      return fd;
    }
    // Removed in between, or a dangling symbolic link: try again.
  }
  *existed = false;
  return OpenRetrying(path, flags | O_CREAT);  // a dangling link: create its target
}

// ENOENT stands for both of Win32's "file not found" and "path not found".
DWORD MissingFileError(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return ERROR_PATH_NOT_FOUND;
  return ERROR_FILE_NOT_FOUND;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE FailClosing(int fd, DWORD error) {
  close(fd);
  return Fail(error);
}

}  // namespace
}  // namespace platform::detail

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* /*securityAttributes*/,
                   DWORD creationDisposition, DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  using namespace platform::detail;
  if (fileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (IsPortName(fileName)) return OpenPort(fileName, desiredAccess, creationDisposition);
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  // Win32 truncates only through a handle that may write.
  if (creationDisposition == TRUNCATE_EXISTING && (desiredAccess & GENERIC_WRITE) == 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (fileName[0] == L'\0') return Fail(ERROR_PATH_NOT_FOUND);
  std::string path;
  if (!WideToNarrow(fileName, &path)) return Fail(ERROR_INVALID_NAME);

  const bool truncates = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  const bool reads = (desiredAccess & GENERIC_READ) != 0;
  const bool writes = (desiredAccess & GENERIC_WRITE) != 0 || truncates;
  // O_NONBLOCK only for the open itself: a FIFO must not hang CreateFileW.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;

  bool existed = true;
  int fd;
  switch (creationDisposition) {
    case CREATE_NEW: fd = OpenRetrying(path.c_str(), flags | O_CREAT | O_EXCL); existed = false; break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS: fd = OpenOrCreate(path.c_str(), flags, &existed); break;
    default: fd = OpenRetrying(path.c_str(), flags); break;
  }
  if (fd < 0) {
    const int error = errno;
    return Fail(error == ENOENT ? MissingFileError(path) : ErrorFromErrno(error));
  }

  struct stat info {};
  if (fstat(fd, &info) != 0) return FailClosing(fd, ErrorFromErrno(errno));
  if (S_ISDIR(info.st_mode)) return FailClosing(fd, ERROR_ACCESS_DENIED);

  std::uint64_t ticket = 0;
  const DWORD sharedAccess = desiredAccess | (truncates ? GENERIC_WRITE : 0u);
  if (!RegisterFileShare(FileIdentity{info.st_dev, info.st_ino}, sharedAccess, shareMode, &ticket)) {
    return FailClosing(fd, ERROR_SHARING_VIOLATION);
  }
  // From here the object owns the descriptor and the share registration.
  auto file = std::make_unique<FileObject>(fd, desiredAccess, ticket);

  // Truncate only after the sharing check, so that a refused open loses no data.
  if (truncates && existed && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
    return Fail(ErrorFromErrno(errno));
  }
  const int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return Fail(ErrorFromErrno(errno));

  HANDLE handle = InsertHandle(std::move(file));
  if (handle == nullptr) return Fail(ERROR_TOO_MANY_OPEN_FILES);
  const bool reportsExisting = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}
