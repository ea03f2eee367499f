// Sources that hold up: a lost gpsd or TCP connection is dialled again and a device path that
// hung up is opened again, while the read waits as on a silent source; a fast stream never
// leaves more than 4 KiB waiting; gpsd's refusal fails the open with its own words; a name's
// addresses each get their turn. A flood that would hold a read is met end to end
// (tests/e2e/opens_e2e.py, gpsd-reply-never-ends; sources_e2e.py, flood).
#include <atomic>
#include <memory>

#include <dirent.h>

#include "comm/comm_private.h"
#include "platform/test_support.h"

namespace {

using namespace kavro_test;
using platform::detail::AttemptDue;
using platform::detail::Dialer;
using platform::detail::HeldLines;
using platform::detail::NetAddress;

// The process's open sockets, counted in /proc as a user would.
int OpenSockets() {
  int count = 0;
  DIR* folder = opendir("/proc/self/fd");
  while (dirent* entry = readdir(folder)) {
    char target[64] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (readlink(link.c_str(), target, sizeof target - 1) > 0 && std::string(target).rfind("socket:", 0) == 0) ++count;
  }
  closedir(folder);
  return count;
}

// A numeric address and port as the lookup gives them.
NetAddress AddressOf(const char* numeric, const std::string& port) {
  addrinfo hints{AI_NUMERICHOST, AF_UNSPEC, SOCK_STREAM, 0, 0, nullptr, nullptr, nullptr}, *found = nullptr;
  EXPECT_EQ(getaddrinfo(numeric, port.c_str(), &hints, &found), 0);
  NetAddress address{{}, found->ai_addrlen, found->ai_family, SOCK_STREAM, 0};
  std::memcpy(&address.address, found->ai_addr, found->ai_addrlen);
  freeaddrinfo(found);
  return address;
}

// After a loss the attempts come at 1, 2, 4 and 8 s, then every 10 s.
TEST(SourceReturn, AttemptsComeAtOneTwoFourEightSecondsThenEveryTen) {
  const std::int64_t due[] = {1000, 2000, 4000, 8000, 18000, 28000, 38000};
  for (int attempt = 0; attempt < 7; ++attempt) EXPECT_EQ(AttemptDue(500, attempt), 500 + due[attempt]) << attempt;
}

// The server closes or resets the connection (here after some bytes, in the same read): the
// reads go on as on a silent source, one line tells the true cause, the server is dialled
// again with one socket at a time, and once its bytes flow one line says so.
TEST(SourceReturn, ATcpConnectionClosedOrResetIsDialledAgain) {
  for (const bool reset : {false, true}) {
    LoopbackSocket server;
    const std::string name = "tcp://127.0.0.1:" + server.port;
    const int socketsBefore = OpenSockets();
    HANDLE port = OpenSource(name);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    SetTimeouts(port, {200, 0, 400, 0, 0});
    int client = server.Accept();
    ASSERT_GE(client, 0);
    SendAll(client, "$GPRMC,1\r\n");
    if (reset) {
      const linger now{1, 0};
      setsockopt(client, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
    close(client);
    std::this_thread::sleep_for(milliseconds(50));
    testing::internal::CaptureStderr();
    const ReadResult last = ReadPort(port, 1000);
    EXPECT_EQ(last.ok, TRUE);
    if (!reset) {
      EXPECT_EQ(last.bytes, "$GPRMC,1\r\n");  // a reset may throw away what was sent
    }
    const ReadResult silent = ReadPort(port, 1000);
    EXPECT_EQ(std::pair(silent.ok, silent.bytes), std::pair(TRUE, std::string()));
    EXPECT_EQ(OpenSockets(), socketsBefore);
    // The first attempt comes a second after the loss, made by a read.
    std::thread back([&] {
      client = server.Accept(3000);
      if (client >= 0) SendAll(client, "$GPGGA,2\r\n");
    });
    EXPECT_NE(ReadUntil(port, "$GPGGA,2\r\n").find("$GPGGA,2\r\n"), std::string::npos);
    back.join();
    ASSERT_GE(client, 0) << "not dialled again";
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string cause = reset ? "reset the connection" : "closed the connection";
    EXPECT_EQ(said, "kavro: " + name + ": the other side " + cause + "; trying again\nkavro: " + name + ": back\n");
    EXPECT_EQ(OpenSockets(), socketsBefore + 2);  // the port's and the server's end
    close(client);
    EXPECT_EQ(CloseHandle(port), TRUE);
    EXPECT_EQ(OpenSockets(), socketsBefore);
  }
}

// A source named by a host name is looked up again for each new dial, without holding the
// read: the server, gone and back, is found by its name.
TEST(SourceReturn, ASourceNamedByAHostIsLookedUpAgain) {
  auto server = std::make_unique<LoopbackSocket>();
  const std::string number = server->port;
  HANDLE port = OpenSource("tcp://localhost:" + number);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  SetTimeouts(port, {100, 0, 300, 0, 0});
  close(server->Accept());
  server.reset();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) {
    const ReadResult r = ReadPort(port, 1000);
    EXPECT_EQ(std::pair(r.ok, r.bytes), std::pair(TRUE, std::string()));
    EXPECT_LT(r.elapsed, milliseconds(600));
  }
  server = std::make_unique<LoopbackSocket>(SOCK_STREAM, "127.0.0.1", std::stoi(number));
  int client = -1;
  std::thread back([&] {
    client = server->Accept(4000);
    if (client >= 0) SendAll(client, "$GPGGA,2\r\n");
  });
  const std::string got = ReadUntil(port, "$GPGGA,2\r\n", milliseconds(4000));
  back.join();
  EXPECT_NE(got.find("$GPGGA,2\r\n"), std::string::npos);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(": back\n"), std::string::npos);
  if (client >= 0) close(client);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// A server that does not come back, and one that takes each connection and closes it at once,
// sending nothing, which is not back either: the attempts go on at their pace, quietly, with
// one socket at a time.
TEST(SourceReturn, ASourceThatIsNotBackIsDialledQuietlyWithOneSocketAtMost) {
  for (const bool hangsUp : {false, true}) {
    auto server = std::make_unique<LoopbackSocket>();
    HANDLE port = OpenSource("tcp://127.0.0.1:" + server->port);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    std::atomic<bool> done{false};
    std::atomic<int> taken{1};
    close(server->Accept());
    std::thread closer([&] {
      while (hangsUp && !done) {
        const int client = server->Accept(100);
        if (client < 0) continue;
        ++taken;
        close(client);
      }
    });
    if (!hangsUp) server.reset();
    const int others = OpenSockets() - 1;  // all but the port's
    SetTimeouts(port, {100, 0, 500, 0, 0});
    testing::internal::CaptureStderr();
    int most = 0;
    for (const auto end = Clock::now() + milliseconds(4500); Clock::now() < end;) {
      const ReadResult r = ReadPort(port, 1000);
      EXPECT_EQ(std::pair(r.ok, r.bytes), std::pair(TRUE, std::string()));
      most = std::max(most, OpenSockets() - others);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    done = true;
    closer.join();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;  // the loss; no line per attempt
    EXPECT_TRUE(hangsUp || most <= 1) << most;  // the server's taken ends come and go besides
    EXPECT_EQ(taken, hangsUp ? 4 : 1);  // the open, and the attempts at 1, 2 and 4 s
    EXPECT_EQ(CloseHandle(port), TRUE);
    EXPECT_EQ(OpenSockets(), others);
  }
}

// The receiver on a device path is unplugged and a new one is linked under the same name:
// the line is closed at once, opened again with the settings made, and read.
TEST(SourceReturn, ADevicePathThatHungUpIsOpenedAgain) {
  TempFolder folder;
  auto first = std::make_unique<PtyLink>(folder.path, 1);
  const std::string path = folder.File("COM1");
  HANDLE port = OpenSource(path);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_EQ(GetCommState(port, &dcb), TRUE);
  dcb.BaudRate = 4800;  // not a new pseudo-terminal's own rate
  ASSERT_EQ(SetCommState(port, &dcb), TRUE);
  SetTimeouts(port, {100, 0, 400, 0, 0});
  first->Send("$GPRMC,1\r\n");
  EXPECT_EQ(ReadPort(port, 1000).bytes, "$GPRMC,1\r\n");
  testing::internal::CaptureStderr();
  first->Unplug();
  const ReadResult silent = ReadPort(port, 1000);
  EXPECT_EQ(std::pair(silent.ok, silent.bytes), std::pair(TRUE, std::string()));
  first.reset();
  unlink(path.c_str());
  PtyLink second(folder.path, 1);
  std::string got;  // the receiver sends on; what it sent before the line was opened again is lost
  for (const auto end = Clock::now() + milliseconds(3000); got.find("$GPGGA,2\r\n") == std::string::npos;) {
    ASSERT_LT(Clock::now(), end) << "not opened again";
    second.Send("$GPGGA,2\r\n");
    got += ReadPort(port, 1000).bytes;
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "kavro: " + path + ": the line has gone away; trying again\nkavro: " + path + ": back\n");
  termios settings{};
  ASSERT_EQ(tcgetattr(second.slave, &settings), 0);
  EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B4800));
  EXPECT_EQ(settings.c_lflag & ICANON, 0u);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// More than 4 KiB waiting: the oldest whole lines go; what stays begins with a whole line,
// ends with the newest byte, and reads out in order.
TEST(HeldLines, KeepAtMostFourKilobytesLettingTheOldestLinesGo) {
  const struct { std::size_t lineLength, lines, piece; } cases[] = {
      {80, 200, 1}, {80, 200, 80}, {80, 200, 1000}, {73, 300, 4096}, {80, 200, 16000}, {5000, 3, 700},
  };
  for (const auto& c : cases) {
    std::string sent;
    for (std::size_t i = 0; i < c.lines; ++i) {
      std::string line = "$GPXXX," + std::to_string(i) + ",";
      line.resize(c.lineLength - 2, 'x');
      sent += line + "\r\n";
    }
    HeldLines held;
    for (std::size_t at = 0; at < sent.size(); at += c.piece) {
      std::string piece = sent.substr(at, c.piece);
      held.Add(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
      ASSERT_LE(held.Size(), HeldLines::kLimit);
    }
    std::string kept(held.Size(), '\0');
    ASSERT_EQ(held.Take(reinterpret_cast<unsigned char*>(kept.data()), 100000), kept.size());
    EXPECT_EQ(held.Size(), 0u);
    const std::string where = "lines of " + std::to_string(c.lineLength) + ", pieces of " + std::to_string(c.piece);
    EXPECT_EQ(sent.substr(sent.size() - kept.size()), kept) << where;
    if (c.lineLength < HeldLines::kLimit) {
      EXPECT_EQ(kept.rfind("$GPXXX", 0), 0u) << where;
      EXPECT_GT(kept.size(), HeldLines::kLimit - c.lineLength) << where;
    }
  }
}

// A TCP receiver far faster than the reads: each read's bytes are at most 4 KiB older than
// the newest sent, and begin with a whole line.
TEST(SourceReturn, AFastStreamNeverLeavesMoreThanFourKilobytesWaiting) {
  LoopbackSocket server;
  HANDLE port = OpenSource("tcp://127.0.0.1:" + server.port);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const int client = server.Accept();
  ASSERT_GE(client, 0);
  SetTimeouts(port, {100, 0, 0, 0, 0});
  std::string sent;
  for (int i = 0; i < 2000; ++i) sent += "$GPRMC," + std::to_string(100000 + i) + ",A,4807.038,N,01131.000,E*00\r\n";
  SendAll(client, sent);  // 100 kB at once, as after a stall
  std::this_thread::sleep_for(milliseconds(100));
  const ReadResult r = ReadPort(port, 1000);
  ASSERT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes.rfind("$GPRMC,", 0), 0u) << r.bytes.substr(0, 40);
  const std::size_t at = sent.find(r.bytes);
  ASSERT_NE(at, std::string::npos);
  EXPECT_LE(sent.size() - at, HeldLines::kLimit);
  close(client);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// gpsd refuses the watch: the open fails, and its message is the one line on standard error.
TEST(SourceReturn, GpsdRefusingTheWatchFailsTheOpenWithItsMessage) {
  LoopbackSocket server;
  std::thread gpsd([&] {
    const int client = server.Accept();
    char request[200];
    recv(client, request, sizeof request, 0);
    SendAll(client, "{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n"
                    "{\"class\":\"ERROR\",\"message\":\"No such device as /dev/none\"}\r\n");
    std::this_thread::sleep_for(milliseconds(200));
    close(client);
  });
  const std::string name = "gpsd://127.0.0.1:" + server.port + "/dev/none";
  testing::internal::CaptureStderr();
  const auto start = Clock::now();
  EXPECT_EQ(OpenSource(name), INVALID_HANDLE_VALUE);
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "kavro: " + name + ": No such device as /dev/none\n");
  gpsd.join();
}

// An address that never answers (a listener whose queue is full drops the handshake) and a
// live one after it: the second is tried a quarter of a second after the first began.
TEST(Dialer, AnAddressThatNeverAnswersGivesTheNextItsTurn) {
  LoopbackSocket dead(SOCK_STREAM, "::1", 0, 0), live;
  const std::vector<NetAddress> addresses{AddressOf("::1", dead.port), AddressOf("127.0.0.1", live.port)};
  std::vector<int> filling;
  for (int i = 0; i < 4; ++i) {  // fill its queue
    filling.push_back(socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    connect(filling.back(), reinterpret_cast<const sockaddr*>(&addresses[0].address), addresses[0].length);
  }
  std::this_thread::sleep_for(milliseconds(100));

  Dialer dialer;
  const auto start = Clock::now();
  auto nowMs = [] { return std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count(); };
  dialer.Start(addresses, nowMs(), nowMs() + 5000);
  std::string cause;
  int connected = Dialer::kDialing;
  while (connected == Dialer::kDialing && Clock::now() - start < milliseconds(6000)) {
    connected = dialer.Step(nowMs(), &cause);
    std::this_thread::sleep_for(milliseconds(10));
  }
  ASSERT_GE(connected, 0) << cause;
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  getpeername(connected, reinterpret_cast<sockaddr*>(&peer), &size);
  EXPECT_EQ(peer.ss_family, AF_INET);
  EXPECT_TRUE(dialer.Sockets().empty());
  close(connected);
  for (const int fd : filling) close(fd);
}

}  // namespace
