// Opening and configuring the GPS port, on real pseudo-terminals linked as COMn.
#include <gtest/gtest.h>

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "gps/gps_port.h"
#include "platform/windows.h"
#include "tests/gps/pty_port.h"

namespace {

// Starts each test with the port handle as the program starts with it, and closes what a test
// left open.
class GpsPortTest : public ::testing::Test {
 protected:
  void SetUp() override { portHandle = INVALID_HANDLE_VALUE; }
  void TearDown() override {
    if (portHandle != INVALID_HANDLE_VALUE) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
  }
};

const ShownMessage OpenFailure{L"Error Opening ComPort.", L"", MB_OK};
const ShownMessage StateFailure{L"Error Setting Comms State.", L"", MB_OK};

std::string Narrow(const wchar_t* text) { return std::string(text, text + std::wcslen(text)); }

// Port 0 is what a missing settings file gives; COM-1: what a negative number in it gives. A
// link whose device has gone (the receiver was unplugged before the start) must fail too,
// not fall back to another line.
TEST_F(GpsPortTest, PortThatCannotOpenReportsAndStaysInvalid) {
  PtyPort receiver(5);
  ASSERT_TRUE(receiver.ok());
  ASSERT_TRUE(receiver.AddLink(7, "/dev/kavro-unplugged-receiver"));
  for (const wchar_t* name : {L"COM0:", L"COM-1:", L"COM7:"}) {
    SCOPED_TRACE(Narrow(name));
    MessageBoxRecorder boxes;
    const std::size_t liveBefore = platform::testing::CountLiveHandles();
    EXPECT_EQ(OpenGpsPort(name, 4800), 0);
    EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(boxes.shown(), std::vector<ShownMessage>{OpenFailure});
    EXPECT_EQ(platform::testing::CountLiveHandles(), liveBefore);
  }
}

// A rate the line refuses (0, from a settings file without RATE) closes the port again:
// nothing stays claimed, so the port can be opened again at once.
TEST_F(GpsPortTest, RefusedRateClosesThePortAgain) {
  PtyPort receiver(3);
  ASSERT_TRUE(receiver.ok());
  MessageBoxRecorder boxes;
  const std::size_t liveBefore = platform::testing::CountLiveHandles();
  EXPECT_EQ(OpenGpsPort(receiver.name(), 0), 0);
  EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(boxes.shown(), std::vector<ShownMessage>{StateFailure});
  EXPECT_EQ(platform::testing::CountLiveHandles(), liveBefore);
  const HANDLE again =
      CreateFileW(receiver.name(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the failed open left the port claimed";
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
}

// The line starts in settings no receiver uses (9600 7E2, hardware flow control, no XON/XOFF);
// after the open it is 4800 8N1 with XON/XOFF both ways and no hardware flow control, the
// timeouts are the reader's, and the open has waited for the receiver.
TEST_F(GpsPortTest, GoodOpenSetsTheLineAndWaitsForTheReceiver) {
  PtyPort receiver(4);
  ASSERT_TRUE(receiver.ok());
  termios before{};
  ASSERT_EQ(tcgetattr(receiver.slave(), &before), 0);
  cfsetspeed(&before, B9600);
  before.c_cflag = (before.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB | CRTSCTS;
  before.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  ASSERT_EQ(tcsetattr(receiver.slave(), TCSANOW, &before), 0);

  MessageBoxRecorder boxes;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OpenGpsPort(receiver.name(), 4800), 1);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(3000));
  EXPECT_TRUE(boxes.shown().empty());
  ASSERT_NE(portHandle, INVALID_HANDLE_VALUE);

  termios after{};
  ASSERT_EQ(tcgetattr(receiver.slave(), &after), 0);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B4800));
  EXPECT_EQ(cfgetispeed(&after), static_cast<speed_t>(B4800));
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(after.c_cflag & PARENB, 0u) << "parity still on";
  EXPECT_EQ(after.c_cflag & CSTOPB, 0u) << "two stop bits";
  EXPECT_EQ(after.c_cflag & CRTSCTS, 0u) << "hardware flow control still on";
  EXPECT_EQ(after.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF)) << "XON/XOFF not on both ways";

  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(portHandle, &timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 1000u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 10u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
}

// Every number the settings can hold gets its whole name: the extremes fit the name buffer, and
// a buffer that is too small gives no name rather than the name of another port ("COM1" of 12).
TEST(FormatPortNameTest, NamesEveryNumberWhole) {
  struct Case {
    std::int32_t number;
    std::size_t size;
    int result;
    std::wstring name;
  };
  const Case cases[] = {
      {7, PortNameSize, 1, L"COM7:"},
      {0, PortNameSize, 1, L"COM0:"},
      {-1, PortNameSize, 1, L"COM-1:"},
      {2147483647, PortNameSize, 1, L"COM2147483647:"},
      {-2147483647 - 1, PortNameSize, 1, L"COM-2147483648:"},
      {12, 7, 1, L"COM12:"},
      {12, 6, 0, L""},
      {12, 1, 0, L""},
  };
  for (const Case& c : cases) {
    wchar_t name[PortNameSize] = L"unchanged";
    EXPECT_EQ(FormatPortName(c.number, name, c.size), c.result) << c.number << " in " << c.size;
    EXPECT_EQ(std::wstring(name), c.name) << c.number << " in " << c.size;
  }
  wchar_t untouched[1] = {L'x'};
  EXPECT_EQ(FormatPortName(7, untouched, 0), 0);
  EXPECT_EQ(untouched[0], L'x') << "a size of 0 has no room even for the terminator";
}

}  // namespace
