// The process-wide record of who has which file open with which sharing, so that CreateFileW
// can refuse an open that Win32 would refuse.
#pragma once

#include <cstdint>

#include <sys/types.h>

#include "platform/types.h"

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

}  // namespace platform::detail
