// Looking a host up and connecting to it within a time limit, without blocking for longer
// than asked: the lookup is bounded, and every address the name has gets its turn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace platform::detail {

struct NetAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  int family = 0;
  int type = 0;
  int protocol = 0;
};

// The addresses of host:port for TCP, in the order the lookup gives them, by the monotonic
// deadline. When the IPv4 answer has come and the full answer lags on (a resolver that drops
// AAAA queries), the IPv4 addresses are taken a moment later. False with cause set.
bool LookUpWithin(const std::string& host, const std::string& port, std::int64_t deadline,
                  std::vector<NetAddress>* addresses, std::string* cause);

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

// strerror in the lower case of a log line's middle.
std::string Reason(int error);

}  // namespace platform::detail
