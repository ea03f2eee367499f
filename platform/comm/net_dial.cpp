// Staggered connection attempts over a name's addresses.
#include "comm/comm_private.h"

#include <cerrno>

#include <poll.h>
#include <unistd.h>

namespace platform::detail {
namespace {

// A connection attempt still waiting after this has the next address tried beside it.
constexpr std::int64_t kAttemptDelayMs = 250;

}  // namespace

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
