// A regular file behind a handle.
#pragma once

#include <cstdint>

#include "detail/handles.h"
#include "platform/kernel.h"

namespace platform::detail {

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
