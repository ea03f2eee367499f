// ReadFile, WriteFile and CloseHandle: regular files here, ports in the comm area.
// A handle that names neither fails with ERROR_INVALID_HANDLE and touches nothing.
#include <cerrno>
#include <csignal>

#include <unistd.h>

#include "detail/errors.h"
#include "detail/ports.h"
#include "kernel/kernel_private.h"

namespace platform::detail {

FileObject::~FileObject() {
  Close();
  UnregisterFileShare(ticket);
}

bool FileObject::Close() {
  if (fd < 0) return true;
  const int result = close(fd);  // never retried: the descriptor is gone even on EINTR
  fd = -1;
  return result == 0 || errno == EINTR;
}

namespace {

// A write past the file size limit must fail with EFBIG like a full disk, not end the process
// with SIGXFSZ. Set once when the program starts; every program that writes files links this.
const bool fileSizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Regular files deliver everything up to the end of the file; the loop only covers signals
// and the kernel's cap on a single transfer.
BOOL ReadRegularFile(FileObject* file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
  if ((file->access & GENERIC_READ) == 0) return Fail(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<unsigned char*>(buffer);
  DWORD done = 0;
  while (done < bytesToRead) {
    const ssize_t n = read(file->fd, bytes + done, bytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      if (bytesRead != nullptr) *bytesRead = done;
      return Fail(error == EIO ? ERROR_READ_FAULT : ErrorFromErrno(error));
    }
    if (n == 0) break;  // end of file: Win32 reports success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  if (bytesRead != nullptr) *bytesRead = done;
  return TRUE;
}

BOOL WriteRegularFile(FileObject* file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten) {
  if ((file->access & GENERIC_WRITE) == 0) return Fail(ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  DWORD done = 0;
  while (done < bytesToWrite) {
    const ssize_t n = write(file->fd, bytes + done, bytesToWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n == 0 ? ENOSPC : errno;
      if (bytesWritten != nullptr) *bytesWritten = done;
      return Fail(error == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(error));
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten != nullptr) *bytesWritten = done;
  return TRUE;
}

// Checks shared by ReadFile and WriteFile. Overlapped transfers are not offered.
bool TransferArgumentsValid(const void* buffer, DWORD count, DWORD* countDone, void* overlapped) {
  if (countDone != nullptr) *countDone = 0;
  if (overlapped != nullptr || (buffer == nullptr && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace platform::detail

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped) {
  using namespace platform::detail;
  const Kind kind = KindOfHandle(file);
  if (kind == Kind::File || IsPortKind(kind)) {
    if (!TransferArgumentsValid(buffer, bytesToRead, bytesRead, overlapped)) return FALSE;
    if (IsPortKind(kind)) return ReadPort(file, buffer, bytesToRead, bytesRead);
    if (auto* object = Lookup<FileObject>(file)) return ReadRegularFile(object, buffer, bytesToRead, bytesRead);
  }
  if (bytesRead != nullptr) *bytesRead = 0;
  return Fail(ERROR_INVALID_HANDLE);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void* overlapped) {
  using namespace platform::detail;
  const Kind kind = KindOfHandle(file);
  if (kind == Kind::File || IsPortKind(kind)) {
    if (!TransferArgumentsValid(buffer, bytesToWrite, bytesWritten, overlapped)) return FALSE;
    if (IsPortKind(kind)) return WritePort(file, buffer, bytesToWrite, bytesWritten);
    if (auto* object = Lookup<FileObject>(file)) return WriteRegularFile(object, buffer, bytesToWrite, bytesWritten);
  }
  if (bytesWritten != nullptr) *bytesWritten = 0;
  return Fail(ERROR_INVALID_HANDLE);
}

// Closes files and ports only; windows, DCs and GDI objects have calls of their own.
BOOL CloseHandle(HANDLE object) {
  using namespace platform::detail;
  const Kind kind = KindOfHandle(object);
  if (IsPortKind(kind)) return ClosePort(object);
  if (kind == Kind::File) {
    std::unique_ptr<Object> removed = RemoveHandle(object, Kind::File);
    if (removed) {
      auto* file = static_cast<FileObject*>(removed.get());
      if (!file->Close()) return Fail(ErrorFromErrno(errno));  // the handle is gone all the same
      return TRUE;
    }
  }
  return Fail(ERROR_INVALID_HANDLE);
}
