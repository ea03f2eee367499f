// The GPS port and PollNmea, on real pseudo-terminals linked as COMn in a program folder.
#include <termios.h>

#include <chrono>
#include <thread>

#include "common/program_folder.h"
#include "gps/gps_port.h"
#include "tests/gps/nmea_support.h"

namespace {

using kavro_test::ShownBox;

const ShownBox ReadFailure{L"Error Reading comms port.", L"Error", MB_OK};

class GpsPortTest : public kavro_test::ProgramFolderTest {
 protected:
  void TearDown() override {
    receiver.Close();
    ProgramFolderTest::TearDown();
  }
  kavro_test::TestPort receiver;
};

// COM0: comes from a missing settings file, COM-1: from a negative number in it, and a device
// may be gone (unplugged). A refused rate (0: no RATE) closes the port, so that it opens at once
// with a good rate: 8N1 with XON/XOFF both ways, after waiting for the receiver.
TEST_F(GpsPortTest, OpenSetsTheLineOrReportsAndLeavesNothingOpen) {
  ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 3));
  termios line{};
  ASSERT_EQ(tcgetattr(receiver.terminal, &line), 0);
  line.c_cflag = (line.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB | CRTSCTS;
  ASSERT_EQ(tcsetattr(receiver.terminal, TCSANOW, &line), 0);
  ASSERT_EQ(symlink("/dev/kavro-unplugged-receiver", (folder + "/COM7").c_str()), 0);
  const struct {
    const wchar_t* name;
    std::int32_t rate;
    ShownBox box;
  } cases[] = {
      {L"COM0:", 4800, {L"Error Opening ComPort.", L"", MB_OK}},
      {L"COM-1:", 4800, {L"Error Opening ComPort.", L"", MB_OK}},
      {L"COM7:", 4800, {L"Error Opening ComPort.", L"", MB_OK}},
      {L"COM3:", 0, {L"Error Setting Comms State.", L"", MB_OK}},
  };
  for (const auto& c : cases) {
    boxes.clear();
    const std::size_t liveBefore = platform::testing::CountLiveHandles();
    EXPECT_EQ(OpenGpsPort(c.name, c.rate), 0);
    EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(boxes, std::vector<ShownBox>{c.box});
    EXPECT_EQ(platform::testing::CountLiveHandles(), liveBefore);
  }
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(OpenGpsPort(L"COM3:", 4800), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(portHandle, &dcb));
  // Rate, byte size, parity, stop bits, XON/XOFF out and in, CTS flow control.
  const std::vector<unsigned> set = {dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits,
                                     dcb.fOutX,    dcb.fInX,     dcb.fOutxCtsFlow};
  EXPECT_EQ(set, (std::vector<unsigned>{4800, 8, NOPARITY, ONESTOPBIT, 1, 1, 0}));
}

// Every number gets its whole name; a buffer too small gives none, not another port's name.
TEST(FormatPortNameTest, NamesEveryNumberWhole) {
  const struct {
    std::int32_t number;
    std::size_t size;
    std::wstring name;  // as written; "unchanged" when nothing is
  } cases[] = {
      {2147483647, PortNameSize, L"COM2147483647:"},
      {-2147483647 - 1, PortNameSize, L"COM-2147483648:"},
      {12, 7, L"COM12:"},
      {12, 6, L""},
      {12, 0, L"unchanged"},
  };
  for (const auto& c : cases) {
    wchar_t name[PortNameSize] = L"unchanged";
    EXPECT_EQ(FormatPortName(c.number, name, c.size), c.name.rfind(L"COM", 0) == 0 ? 1 : 0);
    EXPECT_EQ(std::wstring(name), c.name) << c.number << " in " << c.size;
  }
}

// What the receiver sends, and what each following read makes of it: reads take at most
// NmeaReadSize bytes, nothing is carried over, and a NUL byte from the line ends the text.
TEST_F(GpsPortTest, PollReadsWhatTheReceiverSent) {
  ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 2));
  ASSERT_EQ(OpenGpsPort(L"COM2:", 4800), 1);
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
      {"AllThree", AllExamples, {AllFix}},
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

// Without a port (the open failed, or the window closed it), or with the receiver unplugged while
// a read waits for its first byte, the read fails with a box and the last good fix stays.
TEST_F(GpsPortTest, FailedReadsKeepTheFix) {
  trackState.current = RmcFix;
  for (HANDLE port : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    portHandle = port;
    EXPECT_EQ(PollNmea(), 0);
  }
  ASSERT_NO_FATAL_FAILURE(receiver.Link(folder, 8));
  ASSERT_EQ(OpenGpsPort(L"COM8:", 4800), 1);
  std::thread unplug([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    receiver.Unplug();
  });
  EXPECT_EQ(PollNmea(), 0);
  unplug.join();
  EXPECT_EQ(boxes, std::vector<ShownBox>(3, ReadFailure));
  EXPECT_EQ(trackState.current, RmcFix);
}

}  // namespace
