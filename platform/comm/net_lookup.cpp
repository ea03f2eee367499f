// Bounded name lookups: the resolver library offers no lookup with a time limit, so each
// runs on a thread of its own and the open waits for it only as long as it may.
#include "comm/comm_private.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <netdb.h>

#include "detail/clock.h"

namespace platform::detail {
namespace {

// Once the IPv4 answer is there, the full answer is waited for this much longer.
constexpr std::int64_t kResolutionDelayMs = 50;

}  // namespace

// The two lookups of a name, each on a thread of its own (the resolver library offers no
// lookup with a time limit). When the open gives up first, the threads finish by themselves
// and the last one to hold the lookups frees them.
struct Lookups {
  std::mutex mutex;
  std::condition_variable ended;
  int result[2] = {EAI_INPROGRESS, EAI_INPROGRESS};  // the full lookup, the IPv4 one
  addrinfo* list[2] = {nullptr, nullptr};
  int error[2] = {0, 0};  // errno of an EAI_SYSTEM result
  ~Lookups() {
    for (addrinfo* found : list) {
      if (found != nullptr) freeaddrinfo(found);
    }
  }
};

namespace {

bool Begin(const std::shared_ptr<Lookups>& lookups, int which, const std::string& host, const std::string& port,
           int family) {
  try {
    std::thread([lookups, which, host, port, family] {
      addrinfo hints{};
      hints.ai_family = family;
      hints.ai_socktype = SOCK_STREAM;
      hints.ai_flags = AI_NUMERICSERV;
      addrinfo* found = nullptr;
      const int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
      const int error = errno;
      std::lock_guard<std::mutex> lock(lookups->mutex);
      lookups->result[which] = result;
      lookups->list[which] = found;
      lookups->error[which] = error;
      lookups->ended.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return false;  // no thread to be had: this lookup is not made
  }
  return true;
}

void Keep(const addrinfo* list, std::vector<NetAddress>* addresses) {
  for (const addrinfo* at = list; at != nullptr; at = at->ai_next) {
    if (at->ai_addrlen > sizeof(sockaddr_storage)) continue;
    NetAddress address;
    std::memcpy(&address.address, at->ai_addr, at->ai_addrlen);
    address.length = at->ai_addrlen;
    address.family = at->ai_family;
    address.type = at->ai_socktype;
    address.protocol = at->ai_protocol;
    addresses->push_back(address);
  }
}

std::string LookupFailure(int result, int error) {
  if (result == EAI_SYSTEM) return Reason(error);
  return "host not found (" + std::string(gai_strerror(result)) + ")";
}

}  // namespace

std::string Reason(int error) {
  char text[160];
  std::string reason = strerror_r(error, text, sizeof text);  // GNU form: returns the text
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

namespace {

// An address needs no resolver: true, with the address kept, when host is one.
bool IsAddress(const std::string& host, const std::string& port, std::vector<NetAddress>* addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
  addrinfo* numeric = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &numeric) != 0) return false;
  Keep(numeric, addresses);
  freeaddrinfo(numeric);
  return true;
}

}  // namespace

bool PendingLookup::Begin(const std::string& host, const std::string& port) {
  std::vector<NetAddress> unused;
  lookups_.reset();
  if (IsAddress(host, port, &unused)) return false;
  auto lookups = std::make_shared<Lookups>();
  if (!platform::detail::Begin(lookups, 0, host, port, AF_UNSPEC)) return false;
  lookups_ = lookups;
  return true;
}

bool PendingLookup::Ended(std::vector<NetAddress>* addresses) {
  if (lookups_ == nullptr) return true;
  const std::shared_ptr<Lookups> lookups = lookups_;  // outlives the lock below
  {
    std::lock_guard<std::mutex> lock(lookups->mutex);
    if (lookups->result[0] == EAI_INPROGRESS) return false;
    if (lookups->result[0] == 0) {
      std::vector<NetAddress> found;
      Keep(lookups->list[0], &found);
      if (!found.empty()) addresses->swap(found);
    }
  }
  lookups_.reset();
  return true;
}

bool LookUpWithin(const std::string& host, const std::string& port, std::int64_t deadline,
                  std::vector<NetAddress>* addresses, std::string* cause) {
  addresses->clear();
  if (IsAddress(host, port, addresses)) return true;
  auto lookups = std::make_shared<Lookups>();
  if (!Begin(lookups, 0, host, port, AF_UNSPEC)) {
    *cause = Reason(EAGAIN);
    return false;
  }
  const bool ipv4Asked = Begin(lookups, 1, host, port, AF_INET);
  std::unique_lock<std::mutex> lock(lookups->mutex);
  std::int64_t ipv4At = 0;  // when the IPv4 answer came
  for (;;) {
    if (lookups->result[0] != EAI_INPROGRESS) break;
    const std::int64_t now = MonotonicMs();
    if (ipv4Asked && ipv4At == 0 && lookups->result[1] == 0) ipv4At = now;
    std::int64_t until = deadline;
    if (ipv4At != 0 && ipv4At + kResolutionDelayMs < until) until = ipv4At + kResolutionDelayMs;
    if (now >= until) break;
    lookups->ended.wait_for(lock, std::chrono::milliseconds(until - now));
  }
  const int result = lookups->result[0];
  if (result == 0) {
    Keep(lookups->list[0], addresses);
  } else if (lookups->result[1] == 0) {
    Keep(lookups->list[1], addresses);
  }
  if (addresses->empty()) {
    *cause = result == EAI_INPROGRESS ? "host not found (the name lookup took too long)"
                                      : LookupFailure(result, lookups->error[0]);
  }
  return !addresses->empty();
}

}  // namespace platform::detail
