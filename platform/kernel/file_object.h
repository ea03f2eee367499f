// A regular file behind a handle, and the process-wide record of who has which file open with
// which sharing, so that CreateFileW can refuse an open that Win32 would refuse.
#pragma once

#include <sys/types.h>

#include "detail/handles.h"
#include "platform/kernel.h"

namespace platform::detail {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
};

// Registers an open of the file with the given access and share mode. Returns false (and
// registers nothing) when an earlier open of the same file conflicts, under the Win32 rule:
// each side's access must be allowed by the other side's share mode.
bool RegisterFileShare(FileIdentity file, DWORD access, DWORD shareMode, std::uint64_t* ticket);
void UnregisterFileShare(std::uint64_t ticket);

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

}  // namespace platform::detail
