// PollNmea on a real pseudo-terminal linked as COMn in a program folder.
#include "common/program_folder.h"
#include "gps/gps_port.h"
#include "tests/gps/nmea_support.h"

namespace {

using kavro_test::ProgramFolderTest;

// What the receiver sends, and what each following read makes of it: reads take at most
// NmeaReadSize bytes, nothing is carried over, and a NUL byte from the line ends the text.
TEST_F(ProgramFolderTest, PollReadsAtMostOneBuffer) {
  kavro_test::TestPort receiver;
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

}  // namespace
