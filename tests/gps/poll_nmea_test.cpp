// PollNmea: one read from the port per tick, through a real pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gps/gps_port.h"
#include "gps/nmea_reader.h"
#include "platform/windows.h"
#include "tests/gps/fix_record_io.h"
#include "tests/gps/nmea_logs.h"
#include "tests/gps/pty_port.h"

namespace {

const std::string RmcExample = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string GgaExample = "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string GsvExample = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74";
const FixRecord RmcExampleFix = Rmc(12, 35, 19, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 23, 3, 2094);
const ShownMessage ReadFailure{L"Error Reading comms port.", L"Error", MB_OK};

class PollNmeaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    portHandle = INVALID_HANDLE_VALUE;
    trackState.current = RmcExampleFix;
  }
  void TearDown() override {
    if (portHandle != INVALID_HANDLE_VALUE && portHandle != nullptr) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
  }
};

// Without a port (the open failed, or the window has already closed it) the read fails: one
// "Error" box, result 0, and the fix of the last good read stays.
TEST_F(PollNmeaTest, ReadWithoutAPortFailsAndKeepsTheFix) {
  for (HANDLE port : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    portHandle = port;
    MessageBoxRecorder boxes;
    EXPECT_EQ(PollNmea(), 0);
    EXPECT_EQ(boxes.shown(), std::vector<ShownMessage>{ReadFailure});
    EXPECT_EQ(trackState.current, RmcExampleFix);
  }
}

// Header-like padding that makes `tail` end exactly at byte `size` of a read.
std::string EndingAt(std::size_t size, const std::string& tail) {
  return "#" + std::string(size - tail.size() - 3, ' ') + "\r\n" + tail;
}

struct PortStep {
  const char* name;
  std::string sent;                 // what the receiver sends before the polls
  std::vector<FixRecord> expected;  // the current fix after each poll in turn
};

// What the receiver sends, and what each following tick's read makes of it. Reads take at most
// NmeaReadSize bytes, nothing is carried from one read to the next, and a NUL byte from the
// line ends the text of its read.
TEST_F(PollNmeaTest, ReadsWhatTheReceiverSent) {
  PtyPort receiver(2);
  ASSERT_TRUE(receiver.ok());
  ASSERT_EQ(OpenGpsPort(receiver.name(), 9600), 1);
  const std::string cutRmc = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,08";
  const std::string rmcToDate = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,";
  const std::string ggaToAltitude = "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4";
  const PortStep steps[] = {
      {"AllThree", GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n",
       {Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)}},
      {"NulEndsTheText", GgaExample + "\r\n" + std::string(1, '\0') + RmcExample + "\r\n" + GsvExample + "\r\n",
       {Fix().Gga(1, 8, 545.4f)}},
      // The last byte of the read completes the RMC: one byte less and it would be cut.
      {"SentenceCompletedByTheLastByteOfARead",
       EndingAt(NmeaReadSize, rmcToDate) + "003.1,W*6A\r\n" + GsvExample + "\r\n",
       {RmcExampleFix, Fix().InView(11)}},
      // The first byte past the read would complete the GGA: the read must stop before it.
      {"ReadStopsAtItsSize", EndingAt(NmeaReadSize, ggaToAltitude) + ",M,46.9,M,,*47\r\n", {Fix(), Fix()}},
      {"SentenceCutByAFullRead", EndingAt(NmeaReadSize, cutRmc) + "4.4,230394,003.1,W*6A\r\n",
       {Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E'), Fix()}},
      {"NothingKnown", "$GPVTG,084.4,T,,M,022.4,N,041.5,K,A*2C\r\n", {Fix()}},
  };
  MessageBoxRecorder boxes;
  for (const PortStep& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_TRUE(receiver.Send(step.sent));
    for (std::size_t poll = 0; poll < step.expected.size(); ++poll) {
      EXPECT_EQ(PollNmea(), 1);
      EXPECT_EQ(trackState.current, step.expected[poll]) << "after poll " << poll;
    }
  }
  EXPECT_TRUE(boxes.shown().empty());
}

// Real captures sent through the line a read's worth at a time give, read by read, the same
// fixes as the same bytes handed to the parser directly; '#' headers and the receiver's NUL
// bytes included.
TEST_F(PollNmeaTest, CapturesThroughThePortMatchTheParser) {
  PtyPort receiver(6);
  ASSERT_TRUE(receiver.ok());
  ASSERT_EQ(OpenGpsPort(receiver.name(), 4800), 1);
  MessageBoxRecorder boxes;
  for (const char* name : {"haicom-305N.log", "gp-320fw-2019-04-07-coldboot.log"}) {
    const std::string log = ReadNmeaLog(name);
    ASSERT_FALSE(log.empty()) << name;
    for (std::size_t offset = 0; offset < log.size(); offset += NmeaReadSize) {
      SCOPED_TRACE(std::string(name) + " at byte " + std::to_string(offset));
      ASSERT_TRUE(receiver.Send(log.substr(offset, NmeaReadSize)));
      ASSERT_EQ(PollNmea(), 1);
      EXPECT_EQ(trackState.current, ParseLogPiece(log, offset, NmeaReadSize));
    }
  }
  EXPECT_TRUE(boxes.shown().empty());
}

// A receiver unplugged while a tick waits for its first byte ends the read as a failure, so
// the tick work stops instead of the window hanging for good.
TEST_F(PollNmeaTest, ReceiverUnpluggedDuringTheReadFails) {
  PtyPort receiver(8);
  ASSERT_TRUE(receiver.ok());
  ASSERT_EQ(OpenGpsPort(receiver.name(), 4800), 1);
  MessageBoxRecorder boxes;
  std::thread unplug([&receiver] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    receiver.CloseReceiverSide();
  });
  const int result = PollNmea();
  unplug.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(boxes.shown(), std::vector<ShownMessage>{ReadFailure});
  EXPECT_EQ(trackState.current, RmcExampleFix);
}

}  // namespace
