// Network sources as ports: what arrived is taken without waiting, the peer closing the
// connection is a hang-up, and datagrams are handed on whole and in order.
#include "comm/comm_private.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "detail/clock.h"
#include "detail/errors.h"

namespace platform::detail {
namespace {

// A drain of the socket gives the window its turn after this long, whatever still comes.
constexpr std::int64_t kDrainLimitMs = 50;
// Of a new dial's time, the name's lookup may take this much.
constexpr std::int64_t kLookupAgainMs = 2000;

}  // namespace

unsigned char* DatagramQueue::Tail() {
  if (bytes_.size() - end_ < kLargestDatagram) {  // room enough, but not at the end: move up
    std::memmove(bytes_.data(), bytes_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  return bytes_.data() + end_;
}

std::size_t DatagramQueue::Take(unsigned char* into, std::size_t room) {
  const std::size_t count = room < end_ - begin_ ? room : end_ - begin_;
  std::memcpy(into, bytes_.data() + begin_, count);
  begin_ += count;
  if (begin_ == end_) begin_ = end_ = 0;
  return count;
}

NetSource::~NetSource() { Release(); }

bool NetSource::Release() {
  dialer.Abandon();
  lookup.Abandon();
  if (fd < 0) return true;
  const int result = close(fd);
  fd = -1;
  return result == 0 || errno == EINTR;
}

int NetSource::TryingFd() const { return dialer.Sockets().empty() ? -1 : dialer.Sockets().front(); }

// The name is looked up again in the background (its old addresses serve when the lookup
// fails or takes the whole limit), then dialled; nothing here waits.
Port::Reopened NetSource::Reopen(bool start, std::int64_t now) {
  if (start) {
    Release();
    dialDeadline = now + kOpenLimitMs;
    if (!lookup.Begin(host, port)) dialer.Start(addresses, now, dialDeadline);
  }
  if (lookup.Running()) {
    if (!lookup.Ended(&addresses)) {
      if (now < dialDeadline - kOpenLimitMs + kLookupAgainMs) return Reopened::Trying;
      lookup.Abandon();  // a resolver that does not answer: the old addresses, then
    }
    dialer.Start(addresses, now, dialDeadline);
  }
  std::string cause;
  const int connected = dialer.Step(now, &cause);
  if (connected == Dialer::kDialing) return Reopened::Trying;
  if (connected == Dialer::kFailed) return Reopened::No;
  KeepAlive(connected);
  // gpsd's answer comes with the stream and is left out like its other replies.
  if (source == SourceName::Gpsd && !AskGpsdForNmea(connected, gpsdDevice, &cause)) {
    close(connected);
    return Reopened::No;
  }
  fd = connected;
  lowWater = 1;
  gpsdReplies = GpsdFilter{};
  loss = Taken{};
  return Reopened::Yes;
}

void NetSource::Keep(unsigned char* bytes, std::size_t count) {
  if (source == SourceName::Gpsd) count = gpsdReplies.Filter(bytes, count);
  held.Add(bytes, count);
}

// A stream wakes a waiting read only once it can fill it (the first byte aside, which starts
// the interval): a receiver's sentences come a few at a time, and taking each piece on its
// own costs a wake-up, a receive and an acknowledgement apiece. The interval still runs from
// the last byte's arrival, which the connection keeps, so the timeouts hold as on a line.
void NetSource::BeforeWait(DWORD wanted, bool begun) {
  if (source == SourceName::Udp) return;
  const int mark = begun ? static_cast<int>(wanted) : 1;
  if (mark == lowWater) return;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &mark, sizeof mark) == 0) lowWater = mark;
}

std::int64_t NetSource::LastArrival(std::int64_t now) {
  if (source == SourceName::Udp) return now;
  tcp_info info{};
  socklen_t size = sizeof info;
  if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return now;
  return now - static_cast<std::int64_t>(info.tcpi_last_data_recv);
}

Taken NetSource::TakeAvailable(unsigned char* into, DWORD room) {
  return source == SourceName::Udp ? TakeDatagrams(into, room) : TakeStream(into, room);
}

// A TCP stream, gpsd's with its replies left out. The socket is drained whenever the reader
// looks, and what it held is kept as a serial driver keeps it, at most 4 KiB (HeldLines):
// bytes left waiting in the socket and at the sender would show the receiver ever later.
Taken NetSource::TakeStream(unsigned char* into, DWORD room) {
  if (fd >= 0 && loss.what == Taken::Nothing) Drain();
  if (held.Size() > 0) return {Taken::Bytes, static_cast<DWORD>(held.Take(into, room))};
  if (loss.what == Taken::Nothing) return {Taken::Nothing};
  const Taken ended = loss;
  loss = Taken{};
  return ended;
}

// Takes what the socket holds, for a moment at most: a flood gives the window its turn.
void NetSource::Drain() {
  unsigned char piece[HeldLines::kLimit];
  const std::int64_t start = MonotonicMs();
  for (int round = 0;; ++round) {
    if (round % 16 == 15 && MonotonicMs() - start >= kDrainLimitMs) return;
    const ssize_t n = recv(fd, piece, sizeof piece, MSG_DONTWAIT);
    if (n > 0) {
      Keep(piece, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) {
      loss = {Taken::Gone, 0, ERROR_BROKEN_PIPE, "the other side closed the connection"};
      return;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return;
    if (errno == ECONNRESET || errno == EPIPE) {
      loss = {Taken::Gone, 0, ERROR_BROKEN_PIPE, "the other side reset the connection"};
    } else if (errno == ETIMEDOUT || errno == EHOSTUNREACH || errno == ENETUNREACH) {
      loss = {Taken::Gone, 0, ERROR_BROKEN_PIPE, "the other side no longer answers"};
    } else {
      loss = {Taken::Failed, 0, 0, "", "recv", errno};
    }
    return;
  }
}

Taken NetSource::TakeDatagrams(unsigned char* into, DWORD room) {
  while (datagrams.HasRoomForOne()) {
    const ssize_t n = recv(fd, datagrams.Tail(), DatagramQueue::kLargestDatagram, MSG_DONTWAIT);
    if (n > 0) {
      datagrams.Received(static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0 || errno == EINTR) continue;  // an empty datagram carries nothing
    if (errno == EAGAIN) break;
    // An error an earlier datagram left behind (a refused one of ours): nothing to read.
    if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) continue;
    if (datagrams.Empty()) return {Taken::Failed, 0, 0, "", "recv", errno};
    break;
  }
  if (datagrams.Empty()) return {Taken::Nothing};
  return {Taken::Bytes, static_cast<DWORD>(datagrams.Take(into, room))};
}

HANDLE OpenNetSource(const SourceName& source, const std::string& text, DWORD desiredAccess) {
  auto port = std::make_unique<NetSource>();
  std::string cause;
  std::string early;
  const std::int64_t deadline = MonotonicMs() + kOpenLimitMs;
  int fd = source.kind == SourceName::Udp ? BindUdp(source.host, source.port, &cause)
                                          : ConnectTcp(source.host, source.port, deadline, &port->addresses, &cause);
  if (fd >= 0 && source.kind == SourceName::Gpsd &&
      (!AskGpsdForNmea(fd, source.device, &cause) || !AwaitGpsdAnswer(fd, deadline, &early, &cause))) {
    close(fd);
    fd = -1;
  }
  if (fd < 0) {
    std::fprintf(stderr, "kavro: %s: %s\n", text.c_str(), cause.c_str());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  port->fd = fd;
  port->name = text;
  port->access = desiredAccess;
  port->source = source.kind;
  port->gpsdDevice = source.device;
  port->host = source.host;
  port->port = source.port;
  port->returns = source.kind != SourceName::Udp;
  port->Keep(reinterpret_cast<unsigned char*>(early.data()), early.size());
  HANDLE handle = InsertHandle(std::move(port));
  if (handle == nullptr) {
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return handle;
}

}  // namespace platform::detail
