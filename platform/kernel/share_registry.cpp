// Sharing modes of open files. Linux has no mandatory sharing, so the rule is kept within the
// process: enough for a program that opens its own files more than once.
#include "kernel/kernel_private.h"

#include <mutex>
#include <vector>

#include "platform/kernel.h"

namespace platform::detail {
namespace {

struct ShareEntry {
  std::uint64_t ticket;
  FileIdentity file;
  DWORD access;
  DWORD shareMode;
};

struct ShareRegistry {
  std::mutex mutex;
  std::vector<ShareEntry> entries;
  std::uint64_t nextTicket = 1;
};

ShareRegistry& TheRegistry() {
  static ShareRegistry* registry = new ShareRegistry;  // never destroyed: files may close at exit
  return *registry;
}

bool Conflicts(const ShareEntry& open, DWORD access, DWORD shareMode) {
  const auto deniedBy = [](DWORD wanted, DWORD allowed) {
    return ((wanted & GENERIC_READ) != 0 && (allowed & FILE_SHARE_READ) == 0) ||
           ((wanted & GENERIC_WRITE) != 0 && (allowed & FILE_SHARE_WRITE) == 0);
  };
  return deniedBy(access, open.shareMode) || deniedBy(open.access, shareMode);
}

}  // namespace

bool RegisterFileShare(FileIdentity file, DWORD access, DWORD shareMode, std::uint64_t* ticket) {
  ShareRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const ShareEntry& open : registry.entries) {
    if (open.file.device == file.device && open.file.inode == file.inode && Conflicts(open, access, shareMode)) {
      return false;
    }
  }
  *ticket = registry.nextTicket++;
  registry.entries.push_back(ShareEntry{*ticket, file, access, shareMode});
  return true;
}

void UnregisterFileShare(std::uint64_t ticket) {
  ShareRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (auto it = registry.entries.begin(); it != registry.entries.end(); ++it) {
    if (it->ticket == ticket) {
      registry.entries.erase(it);
      return;
    }
  }
}

}  // namespace platform::detail
