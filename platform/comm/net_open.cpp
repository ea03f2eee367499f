// Opening network sources: the host is resolved once, here; TCP connects with a time limit,
// UDP binds the port (every interface, IPv4 and IPv6, when no host is given).
#include "comm/net_open.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "detail/clock.h"

namespace platform::detail {
namespace {

// An address that does not answer gives up after this; a refused one fails at once.
constexpr int kConnectLimitMs = 10000;
// A peer that vanished without closing (a phone out of reach) is noticed within a minute.
constexpr int kKeepIdleS = 20;
constexpr int kKeepIntervalS = 5;
constexpr int kKeepCount = 4;

// strerror in the lower case of a log line's middle.
std::string Reason(int error) {
  char text[160];
  std::string reason = strerror_r(error, text, sizeof text);  // GNU form: returns the text
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

struct Addresses {
  addrinfo* list = nullptr;
  ~Addresses() {
    if (list != nullptr) freeaddrinfo(list);
  }
};

bool Resolve(const std::string& host, const std::string& port, int socketType, bool passive, Addresses* out,
             std::string* cause) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = socketType;
  hints.ai_flags = AI_NUMERICSERV | (passive ? AI_PASSIVE : 0);
  const int result = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &out->list);
  if (result == 0) return true;
  *cause = result == EAI_SYSTEM ? Reason(errno) : "host not found (" + std::string(gai_strerror(result)) + ")";
  return false;
}

int OpenSocket(const addrinfo& address) {
  return socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
}

// Connects a non-blocking socket within the time left; 0 or the errno of the failure.
int ConnectWithin(int fd, const addrinfo& address, std::int64_t deadline) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  for (;;) {
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) return ETIMEDOUT;
    pollfd watch{fd, POLLOUT, 0};
    const int ready = poll(&watch, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return errno;
    if (ready == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
  }
}

void KeepAlive(int fd) {
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleS, sizeof kKeepIdleS);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalS, sizeof kKeepIntervalS);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

// JSON string contents: quotes, backslashes and control characters escaped.
std::string JsonEscaped(const std::string& text) {
  std::string out;
  for (const char character : text) {
    const auto c = static_cast<unsigned char>(character);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += character;
    } else if (c < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", c);
      out += code;
    } else {
      out += character;
    }
  }
  return out;
}

}  // namespace

int ConnectTcp(const std::string& host, const std::string& port, std::string* cause) {
  Addresses addresses;
  if (!Resolve(host, port, SOCK_STREAM, false, &addresses, cause)) return -1;
  const std::int64_t deadline = MonotonicMs() + kConnectLimitMs;
  int error = EHOSTUNREACH;
  // Each address in turn: "localhost" is ::1 and 127.0.0.1, and a server may listen on one.
  for (const addrinfo* address = addresses.list; address != nullptr; address = address->ai_next) {
    const int fd = OpenSocket(*address);
    if (fd < 0) {
      error = errno;
      continue;
    }
    error = ConnectWithin(fd, *address, deadline);
    if (error == 0) {
      KeepAlive(fd);
      return fd;
    }
    close(fd);
  }
  *cause = Reason(error);
  return -1;
}

int BindUdp(const std::string& host, const std::string& port, std::string* cause) {
  Addresses addresses;
  // No host: the IPv6 wildcard, which takes IPv4 datagrams too, listed first.
  if (!Resolve(host.empty() ? "::" : host, port, SOCK_DGRAM, true, &addresses, cause)) return -1;
  int error = EADDRNOTAVAIL;
  for (const addrinfo* address = addresses.list; address != nullptr; address = address->ai_next) {
    const int fd = OpenSocket(*address);
    if (fd < 0) {
      error = errno;
      continue;
    }
    if (address->ai_family == AF_INET6) {
      const int off = 0;
      setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    }
    if (bind(fd, address->ai_addr, address->ai_addrlen) == 0) return fd;
    error = errno;
    close(fd);
  }
  // IPv6 switched off on this machine: every interface is 0.0.0.0 then.
  if (host.empty() && error == EAFNOSUPPORT) return BindUdp("0.0.0.0", port, cause);
  *cause = Reason(error);
  return -1;
}

bool AskGpsdForNmea(int fd, const std::string& device, std::string* cause) {
  std::string request = "?WATCH={\"enable\":true,\"nmea\":true";
  if (!device.empty()) request += ",\"device\":\"" + JsonEscaped(device) + "\"";
  request += "}\n";
  // A fresh connection's send buffer takes this at once.
  const ssize_t sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  if (sent == static_cast<ssize_t>(request.size())) return true;
  *cause = sent < 0 ? Reason(errno) : "gpsd took only part of the request";
  return false;
}

}  // namespace platform::detail
