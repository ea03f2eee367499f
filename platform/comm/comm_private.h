// What the serial and network port files share: the port object, its sources and its settings.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/comm.h"
#include "platform/kernel.h"
#include "platform/types.h"

namespace platform::detail {

// The total timeouts of COMMTIMEOUTS.

// start + multiplier x bytes + constant, as Win32 computes a total timeout, without
// overflow: a sum beyond the clock's range means no deadline (INT64_MAX).
std::int64_t DeadlineAfter(std::int64_t start, DWORD multiplier, DWORD bytes, DWORD constant);

// gpsd's stream, asked for NMEA: only its receivers' sentences reach the reader.

// gpsd's own replies come mixed in with the sentences, JSON objects one a line.

class GpsdFilter {
 public:
  // Drops the JSON lines from the bytes, which may begin or end anywhere in a line, and
  // moves what stays to the front; returns how many bytes stayed.
  std::size_t Filter(unsigned char* bytes, std::size_t count);

 private:
  bool atLineStart_ = true;
  bool inReply_ = false;
};

// What a network source has received and the reader has not taken yet.

// The store holds at most what a serial driver holds waiting, 4 KiB: when more comes, the oldest
// whole lines go, so that a receiver faster than the reads is never shown more than about a
// second late.

class HeldLines {
 public:
  static constexpr std::size_t kLimit = 4096;
  HeldLines() { bytes_.reserve(2 * kLimit); }
  // Keeps these bytes after those held, letting the oldest lines go beyond the limit.
  void Add(const unsigned char* bytes, std::size_t count);
  // Moves up to room of the oldest bytes out; returns how many.
  std::size_t Take(unsigned char* into, std::size_t room);
  std::size_t Size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }

 private:
  void LetOldestGo();
  std::vector<unsigned char> bytes_;
};

// Line rates: the standard termios speeds and the rate a line runs at.

// The termios speed constant of a rate in the standard table, and back.
bool StandardSpeed(DWORD rate, speed_t* speed);
bool StandardRate(speed_t speed, DWORD* rate);
// The line's current output rate, standard or arbitrary; 0 when it has none (B0).
DWORD LineRate(int fd, const termios& settings);

// The modem control lines of a serial line.

// Raises or drops DTR or RTS (TIOCM_DTR / TIOCM_RTS). A device without modem lines is no
// failure. Returns false with errno set on a real failure.
bool SetModemLine(int fd, int line, bool on);

// Looking a host up within a time limit.

// A resolver that does not answer cannot hold the open, and every address the name has is kept,
// in the order the lookup gives them.

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

// Connecting to one of a name's addresses within a time limit, never blocking.

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

// Opening the sockets behind network sources.

// The time an open of a network source may take: the lookup, the connection and gpsd's answer.
constexpr std::int64_t kOpenLimitMs = 5000;

// The sockets behind network sources, non-blocking. -1 with cause set (for the log line) on
// failure. ConnectTcp leaves the addresses it found, for connecting again later.
int ConnectTcp(const std::string& host, const std::string& port, std::int64_t deadline,
               std::vector<NetAddress>* addresses, std::string* cause);
int BindUdp(const std::string& host, const std::string& port, std::string* cause);
// A peer that vanished without closing (a phone out of reach) is noticed within a minute.
void KeepAlive(int fd);
// Asks gpsd for the NMEA of its receivers (of device alone, unless it is empty).
bool AskGpsdForNmea(int fd, const std::string& device, std::string* cause);
// Waits, up to the deadline, for gpsd's answer to the watch: true once it has taken it (what
// came after the answer is left in early), false with gpsd's own message in cause when it
// refused (no such device, a bad request).
bool AwaitGpsdAnswer(int fd, std::int64_t deadline, std::string* early, std::string* cause);

// What every port handle is: a serial line or a network source, read under COMMTIMEOUTS.

// What one look at a port found, without waiting.
struct Taken {
  enum What { Bytes, Nothing, Gone, Failed } what = Nothing;
  DWORD count = 0;            // Bytes: how many
  DWORD error = 0;            // Gone: the last error of the failed read
  const char* cause = "";     // Gone: why, for the log line
  const char* call = "";      // Failed: the system call, with errno in sysError
  int sysError = 0;
};

// Where a source that comes back stands after a loss (see port_return.cpp).
struct Return {
  bool away = false;       // lost, and not open again yet
  bool announced = false;  // the loss has been logged, and no byte has come since
  bool trying = false;     // an attempt is under way
  int attempts = 0;        // attempts made since the loss was logged
  std::int64_t lostAt = 0;
  std::int64_t nextAt = 0;  // when the next attempt is due
};

struct Port : Object {
  explicit Port(Kind objectKind) : Object(objectKind) {}
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Takes what has arrived, at most room bytes, without waiting.
  virtual Taken TakeAvailable(unsigned char* into, DWORD room) = 0;
  // Before the read waits: `wanted` bytes would fill it, `begun` once it holds some. A port
  // may use it to be woken only when it can fill the read.
  virtual void BeforeWait(DWORD /*wanted*/, bool /*begun*/) {}
  // When the last byte taken arrived, on the monotonic clock in ms; `now` for a port that is
  // read as soon as anything arrives.
  virtual std::int64_t LastArrival(std::int64_t now) { return now; }
  // Gives the port up; false (errno set) when closing reported an error.
  virtual bool Release() = 0;

  // How one step of opening a lost source again ended.
  enum class Reopened { Yes, Trying, No };
  // One step of opening the source again, never blocking. start: a new attempt, which first
  // closes what the last one left; otherwise the attempt under way goes on.
  virtual Reopened Reopen(bool /*start*/, std::int64_t /*now*/) { return Reopened::No; }
  // While an attempt is under way: the descriptor it waits to become writable, or -1.
  virtual int TryingFd() const { return -1; }
  // Closes what the port holds open after a loss; the handle stays.
  virtual void Drop() { Release(); }

  int fd = -1;       // what the read waits on
  std::string name;  // for log lines: the device path or the source as given
  DWORD access = 0;
  bool returns = false;  // taken up again after a loss (a device path, gpsd, TCP), not failed
  Return lost;
  Taken pendingLoss;     // a loss met while a read held bytes, for the next read

  COMMTIMEOUTS Timeouts();
  void SetTimeouts(const COMMTIMEOUTS& value);

 private:
  std::mutex timeoutsMutex;  // Win32 lets another thread change them during a read
  COMMTIMEOUTS timeouts{};
};

// The port behind a handle, serial line or network source; nullptr for anything else.
Port* LookupPort(const void* handle);

// A port call failed: log it with the port's name and set the last error.
void PortCallFailed(const Port& port, const char* call, int error);

// Source names, in the forms gpsd takes for its inputs: a path, gpsd, tcp://, udp://.

struct SourceName {
  enum Kind { Device, Gpsd, Tcp, Udp } kind = Device;
  std::string path;    // Device: the device path
  std::string host;    // Gpsd, Tcp: whom to connect to; Udp: the local address, "" for every one
  std::string port;    // Gpsd, Tcp, Udp: the port number, 1 to 65535, in decimal
  std::string device;  // Gpsd: the one receiver to watch, "" for all of them
};

constexpr char kGpsdDefaultHost[] = "localhost";
constexpr char kGpsdDefaultPort[] = "2947";

// /dev/ttyACM0                  a serial device (any path that begins with '/')
// gpsd, gpsd://host[:port][/device]
// tcp://host:port
// udp://[host]:port
// Hosts may be names or addresses, IPv6 addresses in brackets ([::1]). False, with problem
// set to a short phrase for a log line, when the text is none of these.
bool ParseSourceName(const std::string& text, SourceName* source, std::string* problem);

// A network source behind a port handle: a TCP server, gpsd, or UDP datagrams.

// A network source reads like a serial port; its line settings are accepted and change nothing.

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

// Opening a serial device.

// Opens a serial device by its path: exclusive, raw, its settings kept to give back at close.
// returns: a line that hangs up is opened again by its path (a device path as a source); a
// COMn port's hang-up is a read failure.
HANDLE OpenSerialLine(const std::string& path, DWORD desiredAccess, bool returns);

// The ports this process has open.

// The process-wide set of open ports: the exclusive lock of TIOCEXCL does not hold for root,
// and flock() does not stop a second open within one process.
bool ClaimPort(dev_t device);
void ReleasePortClaim(dev_t device);

// Port names: "COMn:" and the device each number stands for.

// The number n of "COMn:", or 0 when the name is no well-formed port name.
int PortNumber(LPCWSTR name);
// The device path of port n (n >= 1).
void ResolvePortPath(int number, std::string* path);

// Taking a lost source up again (a device that hung up, a connection closed or broken).

// The port is closed at once and opened again 1, 2, 4 and 8 s after the loss, then every 10 s,
// never blocking; meanwhile it reads as a silent source. Standard error gets one line when the
// source is lost and one when its bytes flow again, not one per attempt.

// When attempt n (0 for the first) is due after a loss at lostAt.
std::int64_t AttemptDue(std::int64_t lostAt, int attempt);

// The port met a loss: closes it and plans the attempts; logs the cause unless the loss
// came before any byte of the last attempt (then the attempts go on where they were).
void LosePort(Port& port, const char* cause, std::int64_t now);

// Makes the attempt that is due, or the next step of the one under way; true when the port
// is open (again).
bool TryPortAgain(Port& port, std::int64_t now);

// Bytes came: the first after a loss logs that the source is back.
void PortDelivers(Port& port);

// Waiting for a port's descriptor while the windows stay alive.

// How one wait for a port's descriptor ended.
struct PortWait {
  enum What { Ready, Quiet, Interrupted, Failed } what = Quiet;
  short revents = 0;  // Ready: the port's poll events
  int error = 0;      // Failed: errno of poll()
};

// Waits up to timeoutMs (-1: no limit) for these events of the port's descriptor (-1: none,
// only the time), keeping the windows alive meanwhile. first: the read's first wait, which
// also looks at what is queued already; so does any wait that comes while the window system
// has not been served for a while (a port that is always ready, a flood being skipped).
PortWait WaitForPort(int fd, short events, int timeoutMs, bool first);

// The raw mode of a serial line.

// Raw input and output: no echo, no canonical lines, no signals, no CR/NL translation.
// XON/XOFF are cleared too; whoever wants them sets them afterwards.
void MakeRaw(termios* settings);

// A serial port behind a handle.

struct SerialPort : Port {
  static constexpr Kind kKind = Kind::SerialPort;
  SerialPort() : Port(kKind) {}
  ~SerialPort() override;
  Taken TakeAvailable(unsigned char* into, DWORD room) override;
  // Gives the line back as it was found (termios, DTR/RTS, exclusive mode) and closes it.
  bool Release() override;
  Reopened Reopen(bool start, std::int64_t now) override;

  dev_t device = 0;
  termios original{};
  termios applied{};       // the settings made, for a line opened again
  DWORD appliedRate = 0;
  DWORD originalRate = 0;  // termios cannot carry an arbitrary rate back by itself
  bool modemLinesKnown = false;  // a pseudo-terminal has none
  int originalModemLines = 0;
  bool modemLinesChanged = false;
  DWORD dtrControl = DTR_CONTROL_ENABLE;
  DWORD rtsControl = RTS_CONTROL_ENABLE;
};

}  // namespace platform::detail
