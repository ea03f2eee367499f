// Bounded lookups (glibc's asynchronous getaddrinfo, so that a resolver that does not answer
// cannot hold the open) and staggered connection attempts.
#include "comm/net_dial.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include "detail/clock.h"

namespace platform::detail {
namespace {

// A connection attempt still waiting after this has the next address tried beside it.
constexpr std::int64_t kAttemptDelayMs = 250;
// Once the IPv4 answer is there, the full answer is waited for this much longer.
constexpr std::int64_t kResolutionDelayMs = 50;

// One lookup in the background. A lookup that has not ended when its caller gives up cannot
// always be cancelled; it is kept until it has ended, since the resolver still writes to it.
struct Lookup {
  gaicb request{};
  addrinfo hints{};
  std::string host;
  std::string port;
};

std::vector<Lookup*> g_abandoned;

void Free(Lookup* lookup) {
  if (lookup->request.ar_result != nullptr) freeaddrinfo(lookup->request.ar_result);
  delete lookup;
}

void ReapAbandoned() {
  for (std::size_t i = 0; i < g_abandoned.size();) {
    if (gai_error(&g_abandoned[i]->request) == EAI_INPROGRESS) {
      ++i;
      continue;
    }
    Free(g_abandoned[i]);
    g_abandoned.erase(g_abandoned.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void Finish(Lookup* lookup) {
  if (gai_error(&lookup->request) == EAI_INPROGRESS && gai_cancel(&lookup->request) != EAI_CANCELED) {
    g_abandoned.push_back(lookup);
    return;
  }
  Free(lookup);
}

Lookup* Begin(const std::string& host, const std::string& port, int family) {
  auto* lookup = new Lookup;
  lookup->host = host;
  lookup->port = port;
  lookup->hints.ai_family = family;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->hints.ai_flags = AI_NUMERICSERV;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->port.c_str();
  lookup->request.ar_request = &lookup->hints;
  gaicb* list[] = {&lookup->request};
  if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
    delete lookup;
    return nullptr;
  }
  return lookup;
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

std::string LookupFailure(int result) {
  if (result == EAI_SYSTEM) return Reason(errno);
  return "host not found (" + std::string(gai_strerror(result)) + ")";
}

}  // namespace

std::string Reason(int error) {
  char text[160];
  std::string reason = strerror_r(error, text, sizeof text);  // GNU form: returns the text
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

bool LookUpWithin(const std::string& host, const std::string& port, std::int64_t deadline,
                  std::vector<NetAddress>* addresses, std::string* cause) {
  addresses->clear();
  ReapAbandoned();
  // An address needs no resolver.
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
  addrinfo* numeric = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &numeric) == 0) {
    Keep(numeric, addresses);
    freeaddrinfo(numeric);
    return true;
  }
  Lookup* full = Begin(host, port, AF_UNSPEC);
  Lookup* ipv4 = Begin(host, port, AF_INET);
  if (full == nullptr) {
    if (ipv4 != nullptr) Finish(ipv4);
    *cause = Reason(errno != 0 ? errno : EAGAIN);
    return false;
  }
  std::int64_t ipv4At = 0;  // when the IPv4 answer came
  int result = EAI_INPROGRESS;
  for (;;) {
    result = gai_error(&full->request);
    if (result != EAI_INPROGRESS) break;
    const std::int64_t now = MonotonicMs();
    if (ipv4 != nullptr && ipv4At == 0 && gai_error(&ipv4->request) == 0) ipv4At = now;
    if (ipv4At != 0 && now >= ipv4At + kResolutionDelayMs) break;
    std::int64_t until = deadline;
    if (ipv4At != 0 && ipv4At + kResolutionDelayMs < until) until = ipv4At + kResolutionDelayMs;
    if (now >= until) break;
    const std::int64_t left = until - now;
    timespec wait{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000L};
    const gaicb* waiting[] = {&full->request, ipv4 != nullptr && ipv4At == 0 ? &ipv4->request : nullptr};
    gai_suspend(waiting, 2, &wait);
  }
  if (result == 0) {
    Keep(full->request.ar_result, addresses);
  } else if (ipv4 != nullptr && gai_error(&ipv4->request) == 0) {
    Keep(ipv4->request.ar_result, addresses);
  }
  if (addresses->empty()) {
    *cause = result == EAI_INPROGRESS ? "host not found (the name lookup took too long)" : LookupFailure(result);
  }
  Finish(full);
  if (ipv4 != nullptr) Finish(ipv4);
  return !addresses->empty();
}

void Dialer::Start(const std::vector<NetAddress>& addresses, std::int64_t now, std::int64_t deadline) {
  Abandon();
  addresses_ = &addresses;
  next_ = 0;
  deadline_ = deadline;
  lastError_ = EHOSTUNREACH;
  Begin(now);
}

// Begins the attempt on the next address that takes one; false when none is left.
bool Dialer::Begin(std::int64_t now) {
  while (next_ < addresses_->size()) {
    const NetAddress& address = (*addresses_)[next_++];
    const int fd = socket(address.family, address.type | SOCK_NONBLOCK | SOCK_CLOEXEC, address.protocol);
    if (fd < 0) {
      lastError_ = errno;
      continue;
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0 ||
        errno == EINPROGRESS) {
      sockets_.push_back(fd);
      nextBegin_ = now + kAttemptDelayMs;
      return true;
    }
    lastError_ = errno;
    close(fd);
  }
  return false;
}

int Dialer::Step(std::int64_t now, std::string* cause) {
  if (addresses_ == nullptr) {
    *cause = Reason(EHOSTUNREACH);
    return kFailed;
  }
  std::vector<pollfd> watch;
  for (const int fd : sockets_) watch.push_back(pollfd{fd, POLLOUT, 0});
  if (!watch.empty()) poll(watch.data(), watch.size(), 0);
  for (std::size_t i = watch.size(); i-- > 0;) {
    if (watch[i].revents == 0) continue;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(watch[i].fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == 0) {
      const int winner = watch[i].fd;
      sockets_.erase(sockets_.begin() + static_cast<std::ptrdiff_t>(i));
      Abandon();
      return winner;
    }
    lastError_ = error;
    close(watch[i].fd);
    sockets_.erase(sockets_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (now >= deadline_) {
    if (!sockets_.empty()) lastError_ = ETIMEDOUT;
    Abandon();
    *cause = Reason(lastError_);
    return kFailed;
  }
  if (sockets_.empty() || now >= nextBegin_) Begin(now);
  if (sockets_.empty()) {
    Abandon();
    *cause = Reason(lastError_);
    return kFailed;
  }
  return kDialing;
}

std::int64_t Dialer::NextLook() const {
  return next_ < (addresses_ != nullptr ? addresses_->size() : 0) && nextBegin_ < deadline_ ? nextBegin_ : deadline_;
}

void Dialer::Abandon() {
  for (const int fd : sockets_) close(fd);
  sockets_.clear();
}

}  // namespace platform::detail
