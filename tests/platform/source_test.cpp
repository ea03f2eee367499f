// Sources beyond "COMn:": their names, a device by its path, and network sources on loopback
// (a TCP server, gpsd's protocol, UDP datagrams) read under the port's timeouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "comm/gpsd_filter.h"
#include "comm/source_name.h"
#include "platform/test_support.h"

namespace {

using platform::detail::ParseSourceName;
using platform::detail::SourceName;

std::wstring SourcePort(const std::string& source) { return L"\\\\.\\" + std::wstring(source.begin(), source.end()); }

// A socket of the given type on a loopback address, bound to a port the system chose.
struct LoopbackSocket {
  explicit LoopbackSocket(int type, int family = AF_INET) : fd(socket(family, type | SOCK_CLOEXEC, 0)) {
    sockaddr_storage address{};
    socklen_t size;
    if (family == AF_INET6) {
      auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
      v6->sin6_family = AF_INET6;
      v6->sin6_addr = in6addr_loopback;
      size = sizeof *v6;
    } else {
      auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
      v4->sin_family = AF_INET;
      v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      size = sizeof *v4;
    }
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
    EXPECT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
    port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                    : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    if (type == SOCK_STREAM) listen(fd, 4);
  }
  ~LoopbackSocket() { Close(); }
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  std::string Port() const { return std::to_string(port); }
  int fd;
  int port = 0;
};

// A free loopback port: bound, then given back.
std::string FreePort(int type) { return LoopbackSocket(type).Port(); }

HANDLE OpenSource(const std::string& source) { return kavro_test::OpenExisting(SourcePort(source)); }

struct Read {
  BOOL ok;
  DWORD error;
  std::string bytes;
};

Read ReadOnce(HANDLE port, DWORD size) {
  std::string buffer(size, '\0');
  DWORD got = 0;
  const BOOL ok = ReadFile(port, buffer.data(), size, &got, nullptr);
  return {ok, GetLastError(), buffer.substr(0, got)};
}

void SetTimeouts(HANDLE port, COMMTIMEOUTS timeouts) { ASSERT_EQ(SetCommTimeouts(port, &timeouts), TRUE); }

void SendAll(int fd, const std::string& bytes) {
  ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Every form a source name takes, and what is wrong with those that are none.
TEST(SourceName, FormsAndWhatIsWrongWithTheRest) {
  const struct {
    std::string text;
    SourceName::Kind kind;
    std::string host, port, pathOrDevice;  // empty: the name is refused
    std::string problem;                   // a word of the refusal
  } cases[] = {
      {"/dev/ttyACM0", SourceName::Device, "", "", "/dev/ttyACM0", ""},
      {"/dev/serial/by-id/usb-GNSS_receiver-if00", SourceName::Device, "", "", "/dev/serial/by-id/usb-GNSS_receiver-if00", ""},
      {"gpsd", SourceName::Gpsd, "localhost", "2947", "", ""},
      {"gpsd://gps.local", SourceName::Gpsd, "gps.local", "2947", "", ""},
      {"gpsd://[::1]:2948/dev/ttyUSB0", SourceName::Gpsd, "::1", "2948", "/dev/ttyUSB0", ""},
      {"tcp://10.0.0.5:10110", SourceName::Tcp, "10.0.0.5", "10110", "", ""},
      {"TCP://phone:1958", SourceName::Tcp, "phone", "1958", "", ""},
      {"udp://:10110", SourceName::Udp, "", "10110", "", ""},
      {"udp://[::]:10110", SourceName::Udp, "::", "10110", "", ""},
      {"udp://192.168.1.255:10110", SourceName::Udp, "192.168.1.255", "10110", "", ""},
      {"/", SourceName::Device, "", "", "", "no device path"},
      {"//", SourceName::Device, "", "", "", "no device path"},
      {"", SourceName::Device, "", "", "", "no source"},
      {"ttyUSB0", SourceName::Device, "", "", "", "not a source"},
      {"ftp://host:21", SourceName::Device, "", "", "", "unknown kind"},
      {"tcp://host", SourceName::Device, "", "", "", "no port"},
      {"tcp://host:", SourceName::Device, "", "", "", "no port"},
      {"tcp://host:0", SourceName::Device, "", "", "", "1 to 65535"},
      {"tcp://host:65536", SourceName::Device, "", "", "", "1 to 65535"},
      {"tcp://host:99999999999999999999", SourceName::Device, "", "", "", "1 to 65535"},
      {"tcp://host:10a", SourceName::Device, "", "", "", "1 to 65535"},
      {"tcp://host:10110/x", SourceName::Device, "", "", "", "1 to 65535"},
      {"tcp://:10110", SourceName::Device, "", "", "", "no host"},
      {"tcp://::1:10110", SourceName::Device, "", "", "", "brackets"},
      {"tcp://[::1:10110", SourceName::Device, "", "", "", "closing ]"},
      {"tcp://ho st:10110", SourceName::Device, "", "", "", "blanks"},
      {"udp://", SourceName::Device, "", "", "", "no port"},
      {"gpsd://", SourceName::Device, "", "", "", "no host"},
      {"gpsd://host:/dev/ttyUSB0", SourceName::Device, "", "", "", "no port"},
      {"gpsd://host/", SourceName::Device, "", "", "", "no device path"},
  };
  for (const auto& c : cases) {
    SourceName source;
    std::string problem;
    const bool parsed = ParseSourceName(c.text, &source, &problem);
    ASSERT_EQ(parsed, !c.pathOrDevice.empty() || !c.port.empty()) << c.text << ": " << problem;
    if (!parsed) {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.text << ": " << problem;
      continue;
    }
    EXPECT_EQ(source.kind, c.kind) << c.text;
    EXPECT_EQ(source.host, c.host) << c.text;
    EXPECT_EQ(source.port, c.port) << c.text;
    EXPECT_EQ(source.kind == SourceName::Device ? source.path : source.device, c.pathOrDevice) << c.text;
  }
}

// gpsd's replies are whole JSON lines; wherever the reads cut the stream, only the receivers'
// sentences come through, byte for byte.
TEST(GpsdFilter, KeepsOnlyTheSentencesWhereverTheStreamIsCut) {
  const std::string stream =
      "{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n"
      "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
      "{\"class\":\"DEVICES\",\"devices\":[{\"path\":\"/dev/pts/3\"}]}\r\n"
      "{\"class\":\"WATCH\",\"enable\":true,\"nmea\":true}\r\n"
      "$GPGSV,3,1,11,03,03,111,00*74\r\n!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0*24\r\n";
  const std::string sentences =
      "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
      "$GPGSV,3,1,11,03,03,111,00*74\r\n!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0*24\r\n";
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    platform::detail::GpsdFilter filter;
    std::string first = stream.substr(0, cut), second = stream.substr(cut);
    first.resize(filter.Filter(reinterpret_cast<unsigned char*>(first.data()), first.size()));
    second.resize(filter.Filter(reinterpret_cast<unsigned char*>(second.data()), second.size()));
    ASSERT_EQ(first + second, sentences) << "cut at " << cut;
  }
}

// A device by its path is a serial port like COMn: it reads the pseudo-terminal's bytes.
// Anything else at a path is refused, with a line that names it.
TEST(DeviceSource, APathNamesASerialDevice) {
  kavro_test::PtyPort receiver(1);
  HANDLE port = OpenSource(ttyname(receiver.Slave()));
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  SetTimeouts(port, {50, 0, 0, 0, 0});
  receiver.Send("$GPGGA,1\r\n");
  EXPECT_EQ(ReadOnce(port, 1000).bytes, "$GPGGA,1\r\n");
  EXPECT_EQ(CloseHandle(port), TRUE);

  kavro_test::TempFolder folder;
  std::ofstream(folder.File("Tolm.ini")) << "PORT = COM1\n";
  for (const std::string& notADevice : {folder.File("Tolm.ini"), folder.Path(), std::string("/")}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenSource(notADevice), INVALID_HANDLE_VALUE) << notADevice;
    EXPECT_NE(testing::internal::GetCapturedStderr().find(notADevice), std::string::npos) << notADevice;
  }
}

// Sources that cannot be opened fail the open with one line on standard error that names the
// source; nothing is opened in their place.
TEST(NetSource, FailuresAtOpenNameTheSourceAndTheCause) {
  LoopbackSocket udpTaken(SOCK_DGRAM);
  const struct {
    std::string source, cause;
  } cases[] = {
      {"tcp://127.0.0.1:" + FreePort(SOCK_STREAM), "connection refused"},
      {"gpsd://127.0.0.1:" + FreePort(SOCK_STREAM), "connection refused"},
      {"tcp://no-such-host.invalid:10110", "host not found"},
      {"udp://127.0.0.1:" + udpTaken.Port(), "address already in use"},
      {"ftp://127.0.0.1:21", "unknown kind of source"},
      {"tcp://127.0.0.1", "no port number"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenSource(c.source), INVALID_HANDLE_VALUE) << c.source;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("kavro: " + c.source + ": ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(c.cause), std::string::npos) << said;
  }
}

// A TCP server reads like a receiver on a serial line: the same timeouts, bytes beyond a
// read wait for the next one, the state calls change nothing, and the server closing the
// connection fails the read once what it sent has been read.
TEST(NetSource, ATcpServerReadsLikeASerialLine) {
  LoopbackSocket server(SOCK_STREAM, AF_INET6);
  HANDLE port = OpenSource("tcp://[::1]:" + server.Port());
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const int client = accept(server.fd, nullptr, nullptr);
  ASSERT_GE(client, 0);

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_EQ(GetCommState(port, &dcb), TRUE);
  dcb.BaudRate = 0;  // a line would refuse this; there is no line
  EXPECT_EQ(SetCommState(port, &dcb), TRUE);
  DWORD written = 0;
  EXPECT_EQ(WriteFile(port, "x", 1, &written, nullptr), FALSE);

  SetTimeouts(port, {100, 0, 0, 0, 0});
  const std::string burst = std::string(1500, 'a') + "$GPRMC\r\n";
  SendAll(client, burst);
  const Read first = ReadOnce(port, 1000);
  const Read second = ReadOnce(port, 1000);
  EXPECT_EQ(first.bytes + second.bytes, burst);
  EXPECT_EQ(first.bytes.size(), 1000u);

  // Pieces closer together than the interval make one read; it ends an interval after the
  // last piece arrived (the stream wakes the read only when it could fill it).
  SetTimeouts(port, {500, 0, 0, 0, 0});
  std::thread sender([client] {
    for (const char* piece : {"$GP", "GGA,", "1\r\n"}) {
      SendAll(client, piece);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadOnce(port, 1000).bytes, "$GPGGA,1\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(690));
  sender.join();
  close(client);
  testing::internal::CaptureStderr();
  const Read closed = ReadOnce(port, 1000);
  EXPECT_EQ(closed.ok, FALSE);
  EXPECT_EQ(closed.error, ERROR_BROKEN_PIPE);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("closed the connection"), std::string::npos);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// gpsd is asked for the NMEA of the named receiver, and its JSON replies never reach the
// reader.
TEST(NetSource, GpsdIsAskedForNmeaAndItsRepliesAreKeptBack) {
  LoopbackSocket server(SOCK_STREAM);
  HANDLE port = OpenSource("gpsd://127.0.0.1:" + server.Port() + "/dev/ttyUSB0");
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const int client = accept(server.fd, nullptr, nullptr);
  ASSERT_GE(client, 0);
  std::string request(200, '\0');
  request.resize(static_cast<std::size_t>(std::max<ssize_t>(recv(client, request.data(), request.size(), 0), 0)));
  EXPECT_EQ(request, "?WATCH={\"enable\":true,\"nmea\":true,\"device\":\"/dev/ttyUSB0\"}\n");

  SetTimeouts(port, {100, 0, 0, 0, 0});
  SendAll(client, "{\"class\":\"VERSION\"}\r\n{\"class\":\"DEVICES\",\"devices\":[]}\r\n$GPGGA,1\r\n{\"class\":");
  SendAll(client, "\"WATCH\"}\r\n$GPRMC,2\r\n");
  std::string got;
  while (got.size() < 20) {
    const Read r = ReadOnce(port, 1000);
    ASSERT_EQ(r.ok, TRUE);
    got += r.bytes;
  }
  EXPECT_EQ(got, "$GPGGA,1\r\n$GPRMC,2\r\n");
  close(client);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// Datagrams are read whole and in order, a 64 KiB one too, spread over as many reads as it
// takes; none is dropped while they fit in what the source keeps.
TEST(NetSource, DatagramsAreReadWholeAndInOrder) {
  const std::string portNumber = FreePort(SOCK_DGRAM);
  HANDLE port = OpenSource("udp://:" + portNumber);  // every interface, IPv4 and IPv6
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  SetTimeouts(port, {100, 0, 0, 0, 0});

  const int sender = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(std::stoi(portNumber)));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string big(65507, 'b');  // the largest IPv4 datagram
  big.replace(big.size() - 10, 10, "$GPRMC,9\r\n");
  const std::vector<std::string> datagrams = {"$GPGGA,1\r\n", big, "$GPGSV,3\r\n"};
  std::string sent;
  for (const std::string& datagram : datagrams) {
    ASSERT_EQ(sendto(sender, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(datagram.size()));
    sent += datagram;
  }
  close(sender);
  std::string got;
  while (got.size() < sent.size()) {
    const Read r = ReadOnce(port, 1000);
    ASSERT_EQ(r.ok, TRUE);
    ASSERT_LE(r.bytes.size(), 1000u);
    got += r.bytes;
  }
  EXPECT_TRUE(got == sent) << "the datagrams arrived changed";
  EXPECT_EQ(CloseHandle(port), TRUE);
}

}  // namespace
