// A network source behind a port handle: a TCP server, gpsd, or UDP datagrams sent to this
// machine. It reads like a serial port; its line settings are accepted and change nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "comm/gpsd_filter.h"
#include "comm/held_lines.h"
#include "comm/net_dial.h"
#include "comm/port.h"
#include "comm/source_name.h"

namespace platform::detail {

// Datagrams received but not yet read, whole and in order. It takes a datagram only while a
// whole one of the largest size fits, so a flood never makes it grow: what does not fit waits
// in the socket, and the kernel drops what does not fit there.
class DatagramQueue {
 public:
  static constexpr std::size_t kLargestDatagram = 65536;
  DatagramQueue() : bytes_(2 * kLargestDatagram) {}
  bool HasRoomForOne() const { return bytes_.size() - (end_ - begin_) >= kLargestDatagram; }
  bool Empty() const { return begin_ == end_; }
  // Room for one datagram at the end; Received(n) keeps n bytes of it.
  unsigned char* Tail();
  void Received(std::size_t count) { end_ += count; }
  // Moves up to room bytes out, in order; returns how many.
  std::size_t Take(unsigned char* into, std::size_t room);

 private:
  std::vector<unsigned char> bytes_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

struct NetSource : Port {
  static constexpr Kind kKind = Kind::NetSource;
  NetSource() : Port(kKind) {}
  ~NetSource() override;
  Taken TakeAvailable(unsigned char* into, DWORD room) override;
  void BeforeWait(DWORD wanted, bool begun) override;
  std::int64_t LastArrival(std::int64_t now) override;
  bool Release() override;
  // A gpsd or TCP connection that was lost is dialled again (to the addresses the open found).
  Reopened Reopen(bool start, std::int64_t now) override;
  int TryingFd() const override;

  SourceName::Kind source = SourceName::Tcp;
  std::string gpsdDevice;  // gpsd: the one receiver watched, "" for all
  int lowWater = 1;  // SO_RCVLOWAT of a stream: the bytes that wake a wait
  GpsdFilter gpsdReplies;
  HeldLines held;    // a stream's bytes received and not yet read
  Taken loss;        // how the stream ended, told once its held bytes have been read
  DatagramQueue datagrams;
  std::string host;  // gpsd, TCP: looked up again before each new dial
  std::string port;
  std::vector<NetAddress> addresses;  // what the last lookup found
  PendingLookup lookup;
  std::int64_t dialDeadline = 0;
  Dialer dialer;

  // Keeps bytes of the stream, gpsd's replies left out.
  void Keep(unsigned char* bytes, std::size_t count);

 private:
  void Drain();
  Taken TakeStream(unsigned char* into, DWORD room);
  Taken TakeDatagrams(unsigned char* into, DWORD room);
};

// Opens a gpsd, TCP or UDP source; text is the name as given, for log lines. On failure it
// logs "kavro: <text>: <cause>" and returns INVALID_HANDLE_VALUE with the last error set.
HANDLE OpenNetSource(const SourceName& source, const std::string& text, DWORD desiredAccess);

}  // namespace platform::detail
