// SetFilePointerEx, SetEndOfFile and FlushFileBuffers: the position, the end and the disk copy of
// a regular file. A handle that is no regular file fails with ERROR_INVALID_HANDLE.
#include <cerrno>

#include <sys/types.h>
#include <unistd.h>

#include "detail/errors.h"
#include "kernel/kernel_private.h"

namespace platform::detail {
namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace
}  // namespace platform::detail

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod) {
  using namespace platform::detail;
  auto* object = Lookup<FileObject>(file);
  if (object == nullptr) return Fail(ERROR_INVALID_HANDLE);
  int whence;
  switch (moveMethod) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  // Win32 refuses a position before the start of the file with this error too.
  const off_t position = lseek(object->fd, static_cast<off_t>(distance.QuadPart), whence);
  if (position < 0) return Fail(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
  if (newPointer != nullptr) newPointer->QuadPart = static_cast<LONGLONG>(position);
  return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
  using namespace platform::detail;
  auto* object = Lookup<FileObject>(file);
  if (object == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if ((object->access & GENERIC_WRITE) == 0) return Fail(ERROR_ACCESS_DENIED);
  const off_t position = lseek(object->fd, 0, SEEK_CUR);
  if (position < 0) return Fail(ErrorFromErrno(errno));
  int result;
  do {
    result = ftruncate(object->fd, position);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  using namespace platform::detail;
  auto* object = Lookup<FileObject>(file);
  if (object == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if ((object->access & GENERIC_WRITE) == 0) return Fail(ERROR_ACCESS_DENIED);
  int result;
  do {
    result = fdatasync(object->fd);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return Fail(errno == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(errno));
  return TRUE;
}
