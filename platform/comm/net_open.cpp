// Opening network sources: the host is resolved once, here; TCP connects with a time limit,
// UDP binds the port (every interface, IPv4 and IPv6, when no host is given).
#include "comm/comm_private.h"

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

// A peer that vanished without closing (a phone out of reach) is noticed within a minute.
constexpr int kKeepIdleS = 20;
constexpr int kKeepIntervalS = 5;
constexpr int kKeepCount = 4;

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

}  // namespace

void KeepAlive(int fd) {
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepIdleS, sizeof kKeepIdleS);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepIntervalS, sizeof kKeepIntervalS);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepCount, sizeof kKeepCount);
}

namespace {

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

int ConnectTcp(const std::string& host, const std::string& port, std::int64_t deadline,
               std::vector<NetAddress>* addresses, std::string* cause) {
  if (!LookUpWithin(host, port, deadline, addresses, cause)) return -1;
  // Each address in turn: "localhost" is ::1 and 127.0.0.1, and a server may listen on one.
  Dialer dialer;
  dialer.Start(*addresses, MonotonicMs(), deadline);
  std::vector<pollfd> watch;
  for (;;) {
    const std::int64_t now = MonotonicMs();
    const int fd = dialer.Step(now, cause);
    if (fd >= 0) {
      KeepAlive(fd);
      return fd;
    }
    if (fd == Dialer::kFailed) return -1;
    watch.clear();
    for (const int attempt : dialer.Sockets()) watch.push_back(pollfd{attempt, POLLOUT, 0});
    const std::int64_t left = dialer.NextLook() - now;
    poll(watch.data(), watch.size(), left < 1 ? 1 : static_cast<int>(left));
  }
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

namespace {

// gpsd's replies are kept short; a longer one is skipped to its end.
constexpr std::size_t kLongestReply = 65536;

// The text of a JSON string member ("name":"text") of a reply, its escapes kept as sent and
// control characters left out; "" when the reply has none.
std::string Member(const std::string& line, const char* name) {
  const std::string key = "\"" + std::string(name) + "\":\"";
  std::size_t at = line.find(key);
  if (at == std::string::npos) return "";
  std::string text;
  for (at += key.size(); at < line.size() && line[at] != '"'; ++at) {
    if (line[at] == '\\' && at + 1 < line.size()) text += line[at++];
    if (static_cast<unsigned char>(line[at]) >= 0x20) text += line[at];
  }
  return text;
}

bool IsReplyOfClass(const std::string& line, const char* name) {
  return line.compare(0, 1, "{") == 0 && line.find("\"class\":\"" + std::string(name) + "\"") != std::string::npos;
}

}  // namespace

bool AwaitGpsdAnswer(int fd, std::int64_t deadline, std::string* early, std::string* cause) {
  std::string line;
  bool skipping = false;  // in a reply too long to keep
  char piece[4096];
  for (;;) {
    const ssize_t n = recv(fd, piece, sizeof piece, MSG_DONTWAIT);
    if (n == 0) {
      *cause = "gpsd closed the connection";
      return false;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      *cause = Reason(errno);
      return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (piece[i] != '\n') {
        if (!skipping && line.size() < kLongestReply) {
          line += piece[i];
        } else {
          skipping = true;
          line.clear();
        }
        continue;
      }
      if (skipping) {
        skipping = false;
        continue;
      }
      if (IsReplyOfClass(line, "ERROR")) {
        const std::string message = Member(line, "message");
        *cause = message.empty() ? "gpsd refused the request" : message;
        return false;
      }
      // The watch's own reply, or a sentence already: the receivers' text is coming.
      if (IsReplyOfClass(line, "WATCH") || line.compare(0, 1, "{") != 0) {
        if (line.compare(0, 1, "{") != 0) early->assign(line + "\n");
        early->append(piece + i + 1, piece + n);
        return true;
      }
      line.clear();
    }
    if (n > 0) continue;
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) {
      *cause = "gpsd did not answer";
      return false;
    }
    pollfd watch{fd, POLLIN, 0};
    poll(&watch, 1, static_cast<int>(left));
  }
}

}  // namespace platform::detail
