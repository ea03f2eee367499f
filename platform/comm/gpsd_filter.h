// gpsd's stream, once it has been asked for NMEA: its receivers' sentences, one a line, mixed
// with its own replies, JSON objects one a line. Only the sentences reach the reader.
#pragma once

#include <cstddef>

namespace platform::detail {

class GpsdFilter {
 public:
  // Drops the JSON lines from the bytes, which may begin or end anywhere in a line, and
  // moves what stays to the front; returns how many bytes stayed.
  std::size_t Filter(unsigned char* bytes, std::size_t count);

 private:
  bool atLineStart_ = true;
  bool inReply_ = false;
};

}  // namespace platform::detail
