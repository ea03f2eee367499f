// What the file and handle files share: file objects and the record of open files.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "detail/handles.h"
#include "platform/kernel.h"
#include "platform/types.h"

namespace platform::detail {

// A regular file behind a handle.

struct FileObject : Object {
  static constexpr Kind kKind = Kind::File;
  FileObject(int descriptor, DWORD accessRights, std::uint64_t shareTicket)
      : Object(kKind), fd(descriptor), access(accessRights), ticket(shareTicket) {}
  ~FileObject() override;
  // Closes the descriptor; false (errno set) when close() reported an error such as a
  // delayed write failure.
  bool Close();

  int fd;
  const DWORD access;
  const std::uint64_t ticket;
};

// The process-wide record of who has which file open with which sharing.

// CreateFileW consults the record to refuse an open that Win32 would refuse.

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
};

// Registers an open of the file with the given access and share mode. Returns false (and
// registers nothing) when an earlier open of the same file conflicts, under the Win32 rule:
// each side's access must be allowed by the other side's share mode.
bool RegisterFileShare(FileIdentity file, DWORD access, DWORD shareMode, std::uint64_t* ticket);
void UnregisterFileShare(std::uint64_t ticket);

}  // namespace platform::detail
