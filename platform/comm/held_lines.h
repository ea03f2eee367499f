// What a network source has received and the reader has not taken yet. It holds at most what
// a serial driver holds waiting, 4 KiB: when more comes, the oldest whole lines go, so that a
// receiver faster than the reads is never shown more than about a second late.
#pragma once

#include <cstddef>
#include <vector>

namespace platform::detail {

class HeldLines {
 public:
  static constexpr std::size_t kLimit = 4096;
  HeldLines() { bytes_.reserve(2 * kLimit); }
  // Keeps these bytes after those held, letting the oldest lines go beyond the limit.
  void Add(const unsigned char* bytes, std::size_t count);
  // Moves up to room of the oldest bytes out; returns how many.
  std::size_t Take(unsigned char* into, std::size_t room);
  std::size_t Size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }

 private:
  void LetOldestGo();
  std::vector<unsigned char> bytes_;
};

}  // namespace platform::detail
