// Connecting to one of a name's addresses within a time limit, never blocking.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/net_lookup.h"

namespace platform::detail {

// Connection attempts over a list of addresses, never blocking: the next address is tried
// when the last one fails, or a quarter of a second after it began while it is still
// waiting, as browsers do; the first to connect wins and the others are closed.
class Dialer {
 public:
  Dialer() = default;
  Dialer(const Dialer&) = delete;
  Dialer& operator=(const Dialer&) = delete;
  ~Dialer() { Abandon(); }

  void Start(const std::vector<NetAddress>& addresses, std::int64_t now, std::int64_t deadline);
  // The connected socket, kDialing while attempts go on, kFailed (cause set) when all failed
  // or the time is up.
  static constexpr int kDialing = -1;
  static constexpr int kFailed = -2;
  int Step(std::int64_t now, std::string* cause);
  // The descriptors of the attempts under way, and when Step must look again.
  const std::vector<int>& Sockets() const { return sockets_; }
  std::int64_t NextLook() const;
  // Closes every attempt under way.
  void Abandon();

 private:
  bool Begin(std::int64_t now);

  const std::vector<NetAddress>* addresses_ = nullptr;
  std::vector<int> sockets_;
  std::size_t next_ = 0;
  std::int64_t nextBegin_ = 0;
  std::int64_t deadline_ = 0;
  int lastError_ = 0;
};

}  // namespace platform::detail
