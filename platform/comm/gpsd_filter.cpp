// Keeping gpsd's JSON replies from the reader: a line that begins with '{' is gpsd's own.
#include "comm/comm_private.h"

namespace platform::detail {

std::size_t GpsdFilter::Filter(unsigned char* bytes, std::size_t count) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char byte = bytes[i];
    if (inReply_) {
      if (byte == '\n') {
        inReply_ = false;
        atLineStart_ = true;
      }
      continue;
    }
    if (atLineStart_ && byte == '{') {
      inReply_ = true;
      atLineStart_ = false;
      continue;
    }
    bytes[kept++] = byte;
    atLineStart_ = byte == '\n';
  }
  return kept;
}

}  // namespace platform::detail
