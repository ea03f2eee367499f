// Looking a host up within a time limit: a resolver that does not answer cannot hold the
// open, and every address the name has is kept, in the order the lookup gives them.
#pragma once

#include <cstdint>
#include <memory>
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

struct Lookups;

// A lookup made in the background while the window goes on, for dialling a lost source
// again: the name's addresses may have changed since the open (a phone given another one).
class PendingLookup {
 public:
  // False when the name is an address, or no lookup could be begun.
  bool Begin(const std::string& host, const std::string& port);
  // True once the lookup has ended; its addresses, when it found any, replace those given.
  bool Ended(std::vector<NetAddress>* addresses);
  bool Running() const { return lookups_ != nullptr; }
  void Abandon() { lookups_.reset(); }

 private:
  std::shared_ptr<Lookups> lookups_;
};

// strerror in the lower case of a log line's middle.
std::string Reason(int error);

}  // namespace platform::detail
