// Sources beyond "COMn:": their names, a device by its path, and network sources on loopback
// (a TCP server, gpsd's protocol, UDP datagrams) read under the port's timeouts.
#include <fstream>
#include <tuple>

#include <arpa/inet.h>

#include "comm/comm_private.h"
#include "platform/test_support.h"

namespace {

using namespace kavro_test;
using platform::detail::ParseSourceName;
using platform::detail::SourceName;

// A free loopback port: bound, then given back.
std::string FreePort(int type) { return LoopbackSocket(type).port; }

// Every form a source name takes, and what is wrong with those that are none.
TEST(SourceName, FormsAndWhatIsWrongWithTheRest) {
  // The name; its kind, host, port, and the device's path (gpsd: the receiver's).
  const struct { std::string text; SourceName::Kind kind; std::string host, port, path; } forms[] = {
      {"/dev/ttyACM0", SourceName::Device, "", "", "/dev/ttyACM0"},
      {"/dev/serial/by-id/usb-GNSS_receiver-if00", SourceName::Device, "", "",
       "/dev/serial/by-id/usb-GNSS_receiver-if00"},
      {"gpsd", SourceName::Gpsd, "localhost", "2947", ""},
      {"gpsd://gps.local", SourceName::Gpsd, "gps.local", "2947", ""},
      {"gpsd://[::1]:2948/dev/ttyUSB0", SourceName::Gpsd, "::1", "2948", "/dev/ttyUSB0"},
      {"tcp://10.0.0.5:10110", SourceName::Tcp, "10.0.0.5", "10110", ""},
      {"TCP://phone:1958", SourceName::Tcp, "phone", "1958", ""},
      {"udp://:10110", SourceName::Udp, "", "10110", ""},
      {"udp://[::]:10110", SourceName::Udp, "::", "10110", ""},
      {"udp://192.168.1.255:10110", SourceName::Udp, "192.168.1.255", "10110", ""},
  };
  for (const auto& f : forms) {
    SourceName s;
    std::string problem;
    ASSERT_TRUE(ParseSourceName(f.text, &s, &problem)) << f.text << ": " << problem;
    EXPECT_EQ(std::tie(s.kind, s.host, s.port, s.kind == SourceName::Device ? s.path : s.device),
              std::tie(f.kind, f.host, f.port, f.path)) << f.text;
  }
  // Names that are none, and a word of the refusal.
  const std::pair<std::string, std::string> refused[] = {
      {"/", "no device path"}, {"//", "no device path"}, {"", "no source"}, {"ttyUSB0", "not a source"},
      {"ftp://host:21", "unknown kind"}, {"tcp://host", "no port"}, {"tcp://host:", "no port"},
      {"tcp://host:0", "1 to 65535"}, {"tcp://host:65536", "1 to 65535"},
      {"tcp://host:99999999999999999999", "1 to 65535"}, {"tcp://host:10a", "1 to 65535"},
      {"tcp://host:10110/x", "1 to 65535"}, {"tcp://:10110", "no host"}, {"tcp://::1:10110", "brackets"},
      {"tcp://[::1:10110", "closing ]"}, {"tcp://ho st:10110", "blanks"}, {"udp://", "no port"},
      {"gpsd://", "no host"}, {"gpsd://host:/dev/ttyUSB0", "no port"}, {"gpsd://host/", "no device path"},
  };
  for (const auto& [text, why] : refused) {
    SourceName s;
    std::string problem;
    EXPECT_FALSE(ParseSourceName(text, &s, &problem)) << text;
    EXPECT_NE(problem.find(why), std::string::npos) << text << ": " << problem;
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

// A path names a serial device, and only that (a device path read and taken up again:
// source_return_test.cpp): anything else at a path is refused, with a line that names it.
TEST(DeviceSource, APathNamesOnlyASerialDevice) {
  TempFolder folder;
  std::ofstream(folder.File("Tolm.ini")) << "PORT = COM1\n";
  for (const std::string& notADevice : {folder.File("Tolm.ini"), folder.path, std::string("/")}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenSource(notADevice), INVALID_HANDLE_VALUE) << notADevice;
    EXPECT_NE(testing::internal::GetCapturedStderr().find(notADevice), std::string::npos) << notADevice;
  }
}

// Sources that cannot be opened fail the open with one line on standard error that names the
// source; nothing is opened in their place.
TEST(NetSource, FailuresAtOpenNameTheSourceAndTheCause) {
  LoopbackSocket udpTaken(SOCK_DGRAM);
  const std::pair<std::string, std::string> cases[] = {
      {"tcp://127.0.0.1:" + FreePort(SOCK_STREAM), "connection refused"},
      {"gpsd://127.0.0.1:" + FreePort(SOCK_STREAM), "connection refused"},
      {"tcp://no-such-host.invalid:10110", "host not found"},
      {"udp://127.0.0.1:" + udpTaken.port, "address already in use"},
      {"ftp://127.0.0.1:21", "unknown kind of source"},
      {"tcp://127.0.0.1", "no port number"},
  };
  for (const auto& [source, cause] : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenSource(source), INVALID_HANDLE_VALUE) << source;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("kavro: " + source + ": ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(cause), std::string::npos) << said;
  }
}

// A TCP server reads like a receiver on a serial line: the same timeouts, bytes beyond a
// read wait for the next one, and the state calls change nothing.
TEST(NetSource, ATcpServerReadsLikeASerialLine) {
  LoopbackSocket server(SOCK_STREAM, "::1");
  HANDLE port = OpenSource("tcp://[::1]:" + server.port);
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
  const ReadResult first = ReadPort(port, 1000);
  EXPECT_EQ(first.bytes.size(), 1000u);
  EXPECT_EQ(first.bytes + ReadPort(port, 1000).bytes, burst);

  // Pieces closer together than the interval make one read; it ends an interval after the
  // last piece arrived (the stream wakes the read only when it could fill it).
  SetTimeouts(port, {500, 0, 0, 0, 0});
  std::thread sender([client] {
    for (const char* piece : {"$GP", "GGA,", "1\r\n"}) {
      SendAll(client, piece);
      std::this_thread::sleep_for(milliseconds(100));
    }
  });
  const ReadResult joined = ReadPort(port, 1000);
  EXPECT_EQ(joined.bytes, "$GPGGA,1\r\n");
  EXPECT_GE(joined.elapsed, milliseconds(690));
  sender.join();
  close(client);
  EXPECT_EQ(CloseHandle(port), TRUE);
}

// gpsd is asked for the NMEA of the named receiver, and its JSON replies never reach the
// reader.
TEST(NetSource, GpsdIsAskedForNmeaAndItsRepliesAreKeptBack) {
  LoopbackSocket server(SOCK_STREAM);
  int client = -1;
  std::string request(200, '\0');
  // gpsd answers the watch before the open returns; a sentence may come before the answer.
  std::thread gpsd([&] {
    client = accept(server.fd, nullptr, nullptr);
    request.resize(static_cast<std::size_t>(std::max<ssize_t>(recv(client, request.data(), request.size(), 0), 0)));
    SendAll(client, "{\"class\":\"VERSION\"}\r\n{\"class\":\"DEVICES\",\"devices\":[]}\r\n$GPGGA,1\r\n{\"class\":");
  });
  std::thread answer([&] {
    gpsd.join();
    std::this_thread::sleep_for(milliseconds(100));
    SendAll(client, "\"WATCH\"}\r\n$GPRMC,2\r\n");
  });
  HANDLE port = OpenSource("gpsd://127.0.0.1:" + server.port + "/dev/ttyUSB0");
  answer.join();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_GE(client, 0);
  EXPECT_EQ(request, "?WATCH={\"enable\":true,\"nmea\":true,\"device\":\"/dev/ttyUSB0\"}\n");
  SetTimeouts(port, {100, 0, 0, 0, 0});
  EXPECT_EQ(ReadUntil(port, "$GPRMC,2\r\n"), "$GPGGA,1\r\n$GPRMC,2\r\n");
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
  LoopbackSocket sender(SOCK_DGRAM);
  sockaddr_in to{AF_INET, htons(static_cast<uint16_t>(std::stoi(portNumber))), {htonl(INADDR_LOOPBACK)}, {}};
  std::string big(65507, 'b');  // the largest IPv4 datagram
  big.replace(big.size() - 10, 10, "$GPRMC,9\r\n");
  std::string sent;
  for (const std::string& datagram : {std::string("$GPGGA,1\r\n"), big, std::string("$GPGSV,3\r\n")}) {
    ASSERT_EQ(sendto(sender.fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(datagram.size()));
    sent += datagram;
  }
  EXPECT_TRUE(ReadUntil(port, "$GPGSV,3\r\n") == sent) << "the datagrams arrived changed";
  EXPECT_EQ(CloseHandle(port), TRUE);
}

}  // namespace
