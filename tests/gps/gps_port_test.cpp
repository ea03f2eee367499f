// The GPS port: its name, its opening and set-up, and PollNmea's one read per tick, on real
// pseudo-terminals linked as COMn in a program folder.
#include <gtest/gtest.h>

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "common/program_folder.h"
#include "gps/gps_port.h"
#include "gps/nmea_reader.h"
#include "platform/windows.h"
#include "tests/gps/nmea_support.h"

namespace {

using kavro_test::ShownBox;

const ShownBox OpenFailure{L"Error Opening ComPort.", L"", MB_OK};
const ShownBox StateFailure{L"Error Setting Comms State.", L"", MB_OK};
const ShownBox ReadFailure{L"Error Reading comms port.", L"Error", MB_OK};

class GpsPortTest : public kavro_test::ProgramFolderTest {
 protected:
  void TearDown() override {
    receiver.Close();
    ProgramFolderTest::TearDown();
  }

  // A receiver on COM2: opened as the program opens it, with trackState.current at the
  // example fix.
  void OpenReceiver() {
    ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 2));
    ASSERT_EQ(OpenGpsPort(L"COM2:", 4800), 1);
    trackState.current = RmcExampleFix;
  }

  kavro_test::TestPort receiver;
};

// Port 0 is what a missing settings file gives; COM-1: what a negative number in it gives. A
// link whose device has gone (the receiver was unplugged before the start) must fail too, not
// fall back to another line. A rate the line refuses (0, from a settings file without RATE)
// closes the port again: nothing stays claimed, so it can be opened again at once.
TEST_F(GpsPortTest, FailedOpenReportsAndLeavesNothingOpen) {
  ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 3));
  ASSERT_EQ(symlink("/dev/kavro-unplugged-receiver", (folder + "/COM7").c_str()), 0);
  const struct {
    const wchar_t* name;
    std::int32_t rate;
    ShownBox box;
  } cases[] = {
      {L"COM0:", 4800, OpenFailure},
      {L"COM-1:", 4800, OpenFailure},
      {L"COM7:", 4800, OpenFailure},
      {L"COM3:", 0, StateFailure},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<wchar_t>::length(c.name)));
    boxes.clear();
    const std::size_t liveBefore = platform::testing::CountLiveHandles();
    EXPECT_EQ(OpenGpsPort(c.name, c.rate), 0);
    EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(boxes, std::vector<ShownBox>{c.box});
    EXPECT_EQ(platform::testing::CountLiveHandles(), liveBefore);
  }
  const HANDLE again = CreateFileW(L"COM3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the failed open left the port claimed";
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
}

// The line starts in settings no receiver uses (9600 7E2, hardware flow control, no XON/XOFF);
// after the open it is 4800 8N1 with XON/XOFF both ways and no hardware flow control, the
// timeouts are the reader's, and the open has waited for the receiver.
TEST_F(GpsPortTest, GoodOpenSetsTheLineAndWaitsForTheReceiver) {
  ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 4));
  termios line{};
  ASSERT_EQ(tcgetattr(receiver.terminal, &line), 0);
  cfsetspeed(&line, B9600);
  line.c_cflag = (line.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB | CRTSCTS;
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  ASSERT_EQ(tcsetattr(receiver.terminal, TCSANOW, &line), 0);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OpenGpsPort(L"COM4:", 4800), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_TRUE(boxes.empty());
  ASSERT_NE(portHandle, INVALID_HANDLE_VALUE);

  ASSERT_EQ(tcgetattr(receiver.terminal, &line), 0);
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B4800));
  EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B4800));
  EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(portHandle, &timeouts));
  const DWORD expected[] = {1000, 0, 0, 10, 1000};
  const DWORD actual[] = {timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                          timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                          timeouts.WriteTotalTimeoutConstant};
  EXPECT_EQ(std::vector<DWORD>(actual, actual + 5), std::vector<DWORD>(expected, expected + 5));
}

// Every number the settings can hold gets its whole name: the extremes fit the name buffer, and
// a buffer that is too small gives no name rather than the name of another port ("COM1" of 12).
TEST(FormatPortNameTest, NamesEveryNumberWhole) {
  const struct {
    std::int32_t number;
    std::size_t size;
    int result;
    std::wstring name;
  } cases[] = {
      {7, PortNameSize, 1, L"COM7:"},
      {-1, PortNameSize, 1, L"COM-1:"},
      {2147483647, PortNameSize, 1, L"COM2147483647:"},
      {-2147483647 - 1, PortNameSize, 1, L"COM-2147483648:"},
      {12, 7, 1, L"COM12:"},
      {12, 6, 0, L""},
      {12, 0, 0, L"unchanged"},  // no room even for the terminator
  };
  for (const auto& c : cases) {
    wchar_t name[PortNameSize] = L"unchanged";
    EXPECT_EQ(FormatPortName(c.number, name, c.size), c.result) << c.number << " in " << c.size;
    EXPECT_EQ(std::wstring(name), c.name) << c.number << " in " << c.size;
  }
}

// Without a port (the open failed, or the window has already closed it) the read fails: one
// "Error" box, result 0, and the fix of the last good read stays.
TEST_F(GpsPortTest, ReadWithoutAPortFailsAndKeepsTheFix) {
  trackState.current = RmcExampleFix;
  for (HANDLE port : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    portHandle = port;
    boxes.clear();
    EXPECT_EQ(PollNmea(), 0);
    EXPECT_EQ(boxes, std::vector<ShownBox>{ReadFailure});
    EXPECT_EQ(trackState.current, RmcExampleFix);
  }
}

// Header-like padding that makes `tail` end exactly at byte `size` of a read.
std::string EndingAt(std::size_t size, const std::string& tail) {
  return "#" + std::string(size - tail.size() - 3, ' ') + "\r\n" + tail;
}

// What the receiver sends, and what each following tick's read makes of it. Reads take at most
// NmeaReadSize bytes, nothing is carried from one read to the next, and a NUL byte from the
// line ends the text of its read.
TEST_F(GpsPortTest, PollReadsWhatTheReceiverSent) {
  ASSERT_NO_FATAL_FAILURE(OpenReceiver());
  const std::string rmcToDate = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,";
  const std::string ggaToAltitude = "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4";
  const struct {
    const char* name;
    std::string sent;                 // what the receiver sends before the polls
    std::vector<FixRecord> expected;  // the current fix after each poll in turn
  } steps[] = {
      {"AllThree", GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n",
       {Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)}},
      {"NulEndsTheText", GgaExample + "\r\n" + std::string(1, '\0') + RmcExample + "\r\n",
       {Fix().Gga(1, 8, 545.4f)}},
      // The last byte of the read completes the RMC: one byte less and it would be cut.
      {"SentenceCompletedByTheLastByteOfARead",
       EndingAt(NmeaReadSize, rmcToDate) + "003.1,W*6A\r\n" + GsvExample + "\r\n",
       {RmcExampleFix, Fix().InView(11)}},
      // The first byte past the read would complete the GGA: the read must stop before it.
      {"ReadStopsAtItsSize", EndingAt(NmeaReadSize, ggaToAltitude) + ",M,46.9,M,,*47\r\n",
       {Fix(), Fix()}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    receiver.Send(step.sent);
    for (std::size_t poll = 0; poll < step.expected.size(); ++poll) {
      EXPECT_EQ(PollNmea(), 1);
      EXPECT_EQ(trackState.current, step.expected[poll]) << "after poll " << poll;
    }
  }
  EXPECT_TRUE(boxes.empty());
}

// Real captures sent through the line a read's worth at a time give, read by read, the same
// fixes as the same bytes handed to the parser directly; '#' headers and the receiver's NUL
// bytes included.
TEST_F(GpsPortTest, CapturesThroughThePortMatchTheParser) {
  ASSERT_NO_FATAL_FAILURE(OpenReceiver());
  for (const char* name : {"haicom-305N.log", "gp-320fw-2019-04-07-coldboot.log"}) {
    const std::string log = ReadNmeaLog(name);
    ASSERT_FALSE(log.empty()) << name;
    for (std::size_t offset = 0; offset < log.size(); offset += NmeaReadSize) {
      SCOPED_TRACE(std::string(name) + " at byte " + std::to_string(offset));
      receiver.Send(log.substr(offset, NmeaReadSize));
      ASSERT_EQ(PollNmea(), 1);
      EXPECT_EQ(trackState.current, ParseLogPiece(log, offset, NmeaReadSize));
    }
  }
  EXPECT_TRUE(boxes.empty());
}

// A receiver unplugged while a tick waits for its first byte ends the read as a failure, so
// the tick work stops instead of the window hanging for good.
TEST_F(GpsPortTest, ReceiverUnpluggedDuringTheReadFails) {
  ASSERT_NO_FATAL_FAILURE(OpenReceiver());
  std::thread unplug([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    receiver.Unplug();
  });
  const int result = PollNmea();
  unplug.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(boxes, std::vector<ShownBox>{ReadFailure});
  EXPECT_EQ(trackState.current, RmcExampleFix);
}

}  // namespace
