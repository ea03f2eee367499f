// Holding a network source's bytes: at most 4 KiB, the oldest whole lines let go first.
#include "comm/comm_private.h"

#include <algorithm>
#include <cstring>

namespace platform::detail {

void HeldLines::Add(const unsigned char* bytes, std::size_t count) {
  // Of a large piece only its end can stay; the line cut at its start goes below.
  if (count > kLimit + 1) {
    bytes += count - (kLimit + 1);
    count = kLimit + 1;
    bytes_.clear();
    bytes_.push_back('\0');  // what was before the cut is no line start
  }
  bytes_.insert(bytes_.end(), bytes, bytes + count);
  if (bytes_.size() > kLimit) LetOldestGo();
}

// The bytes go up to a line end, so that what stays begins with a whole line; a line longer
// than the limit has no end to cut at and goes in part.
void HeldLines::LetOldestGo() {
  const std::size_t excess = bytes_.size() - kLimit;
  auto cut = std::find(bytes_.begin() + static_cast<std::ptrdiff_t>(excess - 1), bytes_.end(), '\n');
  cut = cut == bytes_.end() ? bytes_.begin() + static_cast<std::ptrdiff_t>(excess) : cut + 1;
  bytes_.erase(bytes_.begin(), cut);
}

std::size_t HeldLines::Take(unsigned char* into, std::size_t room) {
  const std::size_t count = std::min(room, bytes_.size());
  if (count == 0) return 0;
  std::memcpy(into, bytes_.data(), count);
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count));
  return count;
}

}  // namespace platform::detail
