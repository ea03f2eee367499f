// The settings file Tolm.ini beside the program, PollNmea on a real pseudo-terminal linked as
// COMn in a program folder, and the port that a PORT line naming a source opens.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "common/program_folder.h"
#include "gps/gps_port.h"
#include "gps/settings.h"
#include "tests/gps/nmea_support.h"

namespace {

using kavro_test::ProgramFolderTest;

// The settings as read from a file, starting from the zeroes of start-up. A line is read in
// pieces of 259 bytes, each matched as a line of its own. A PORT line that is no COM port
// names a source; the last PORT line wins, whatever its form.
TEST_F(ProgramFolderTest, SettingsFileGivesPortAndRate) {
  const struct {
    std::string contents;
    std::int32_t port, rate;
    std::wstring source = L"";
  } cases[] = {
      {"RATE = 4800\nPORT = COM2\n", 2, 4800},
      {"RATE = 9600\nport = com2\n  PORT = COM2\n", 7, 9600},
      {"PORT = COM4 ; the receiver\nRATE = 38400 baud", 4, 38400},
      {"PORT = COM2\nRATE = 4800\nPORT = COM5\nRATE = 9600\n", 5, 9600},  // the last one wins
      {"RATE = 0\nPORT = COM-1\n", -1, 0},
      {"PORT = COM2\r\nRATE = 4800\r\n", 2, 4800},
      {"PORT = COM\nRATE = fast\n[serial]\n# PORT = COM9\nBAUD = 9600\n", 7, 57600},
      {std::string(259, 'x') + "RATE = 1200\n", 7, 1200},
      {std::string(258, 'x') + "RATE = 1200\n", 7, 57600},
      {"PORT = /dev/ttyACM0\nRATE = 9600\n", 7, 9600, L"/dev/ttyACM0"},
      {"PORT=gpsd", 7, 57600, L"gpsd"},
      {"PORT  =  tcp://10.0.0.5:10110 \t\r\n", 7, 57600, L"tcp://10.0.0.5:10110"},
      {"PORT = COM3\nPORT = udp://:10110\n", 3, 57600, L"udp://:10110"},
      {"PORT = gpsd://gps.local/dev/ttyUSB0\nPORT = COM4\n", 4, 57600},
      {"PORT = gpsd\nPORT = COMX\n", 7, 57600, L"gpsd"},
      // Malformed sources are kept, so that opening them fails instead of some other port.
      {"PORT = ftp://host:21\n", 7, 57600, L"ftp://host:21"},
      {"PORT = /\n", 7, 57600, L"/"},
      {"PORT = /dev/serial/by-id/usb-\xc3\xbc-\xff\n", 7, 57600, L"/dev/serial/by-id/usb-\u00fc-?"},
      // Values that are no source leave the line unmatched: the port stays the default.
      {"PORT = ttyUSB0\nPORT = \nport = gpsd\nPORT = GPSD\n  PORT = gpsd\nPORT = 3://x\n", 7, 57600},
  };
  for (const auto& c : cases) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", c.contents);
    ResetTrackState(&trackState);
    ReadSettings(&trackState);
    EXPECT_EQ(std::pair(trackState.portNumber, trackState.baudRate), std::pair(c.port, c.rate))
        << c.contents;
    EXPECT_EQ(std::wstring(trackState.portSource), c.source) << c.contents;
  }
  EXPECT_TRUE(boxes.empty());
}

// What the receiver sends, and what each following read makes of it: reads take at most
// NmeaReadSize bytes, nothing is carried over, and a NUL byte from the line ends the text.
TEST_F(ProgramFolderTest, PollReadsAtMostOneBuffer) {
  kavro_test::PtyLink receiver(folder, 2);
  ASSERT_EQ(OpenGpsPort(L"COM2:", 4800), 1);
  // The first byte is waited for without limit, then a second of quiet ends a read; the line
  // is 8N1 at the rate asked, with XON/XOFF and no hardware handshake.
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(portHandle, &timeouts));
  EXPECT_EQ(std::vector<DWORD>({timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                                timeouts.ReadTotalTimeoutConstant}),
            std::vector<DWORD>({1000, 0, 0}));
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(portHandle, &dcb));
  EXPECT_EQ(std::vector<unsigned>({dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, dcb.fOutX, dcb.fInX,
                                   dcb.fOutxCtsFlow, dcb.fRtsControl, dcb.fDtrControl}),
            std::vector<unsigned>({4800, 8, NOPARITY, ONESTOPBIT, 1, 1, 0, RTS_CONTROL_DISABLE, DTR_CONTROL_DISABLE}));
  // Header-like padding that makes the text end exactly at the last byte of a read.
  const auto endingARead = [](const std::string& text) {
    return "#" + std::string(NmeaReadSize - text.size() - 3, ' ') + "\r\n" + text;
  };
  const std::string rmcToDate = RmcExample.substr(0, RmcExample.find("003.1"));
  const std::string ggaToAltitude = GgaExample.substr(0, GgaExample.find(",M,"));
  const struct {
    const char* name;
    std::string sent;                 // what the receiver sends before the polls
    std::vector<FixRecord> expected;  // the current fix after each poll in turn
  } steps[] = {
      {"NulEndsTheText", GgaExample + "\r\n" + std::string(1, '\0') + RmcExample + "\r\n",
       {Counted(FixRecord{}, 1, 8, 545.4f, 0)}},
      // The last byte of the read completes the RMC: one byte less and it would be cut.
      {"CompletedByTheLastByte", endingARead(rmcToDate) + "003.1,W*6A\r\n" + GsvExample + "\r\n",
       {RmcFix, Counted(FixRecord{}, 0, 0, 0.0f, 11)}},
      // The first byte past the read would complete the GGA: the read must stop before it.
      {"ReadStopsAtItsSize", endingARead(ggaToAltitude) + ",M,46.9,M,,*47\r\n",
       {FixRecord{}, FixRecord{}}},
  };
  for (const auto& step : steps) {
    receiver.Send(step.sent);
    for (std::size_t poll = 0; poll < step.expected.size(); ++poll) {
      EXPECT_EQ(PollNmea(), 1);
      EXPECT_EQ(trackState.current, step.expected[poll]) << step.name << ", poll " << poll;
    }
  }
  EXPECT_TRUE(boxes.empty());
}

// The source a PORT line names is what the port opens: nothing else in its place when it is
// malformed or cannot be reached, and a reachable one is read like a receiver on a line.
TEST_F(ProgramFolderTest, APortLineNamingASourceOpensThatSource) {
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const std::string tcp = "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  const auto openFromSettings = [&](const std::string& port) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", "PORT = COM1\nPORT = " + port + "\nRATE = 0\n");
    ReadSettings(&trackState);
    wchar_t name[PortNameSize];
    EXPECT_EQ(FormatSourcePortName(trackState.portSource, name, PortNameSize), 1);
    return OpenGpsPort(name, trackState.baudRate);
  };
  // Not listening yet: refused. COM1 is a link in the folder that must not be opened instead.
  kavro_test::PtyLink com1(folder, 1);
  for (const std::string& port : {tcp, std::string("/"), std::string("ftp://127.0.0.1:21"), tcp + "0000"}) {
    EXPECT_EQ(openFromSettings(port), 0) << port;
    EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE) << port;
  }
  EXPECT_EQ(boxes, std::vector<kavro_test::ShownBox>(4, {L"Error Opening ComPort.", L"", MB_OK}));

  boxes.clear();
  ASSERT_EQ(listen(server, 1), 0);
  ASSERT_EQ(openFromSettings(tcp), 1);  // the line settings, rate 0 too, are no matter here
  const int receiver = accept(server, nullptr, nullptr);
  ASSERT_GE(receiver, 0);
  const std::string epoch = RmcExample + "\r\n";
  ASSERT_EQ(send(receiver, epoch.data(), epoch.size(), 0), static_cast<ssize_t>(epoch.size()));
  EXPECT_EQ(PollNmea(), 1);
  EXPECT_EQ(trackState.current, RmcFix);
  close(receiver);
  close(server);
  CloseHandle(portHandle);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
