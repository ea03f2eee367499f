// Tests of the timer tick against a real pseudo-terminal and a recording of what it draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/tick_fixture.h"
#include "track/tick.h"

namespace {

using kavro_test::FindCall;
using kavro_test::GdiRecord;
using kavro_test::Rmc;
using kavro_test::SameFix;
using kavro_test::ShownBox;
using kavro_test::TickTest;

// One tick on a fresh track. Speeds are read in single precision and compared as doubles:
// 0.01f lies just below the double 0.01, and 0.1f just above the double 0.1. A position that is
// no number rejects the sentence, so that tick is a standing one.
TEST_F(TickTest, ThresholdsForMovingAndTheCompass) {
  const struct {
    const char* latitude;
    const char* longitude;
    const char* speed;
    std::int32_t points;
    bool compass;
    std::int32_t shownSpeed;
  } cases[] = {
      {"4807.038", "01131.000", "0.0", 0, false, 0},
      {"4807.038", "01131.000", "0.01", 0, false, 0},
      {"4807.038", "01131.000", "0.02", 1, false, 0},
      {"4807.038", "01131.000", "0.1", 1, true, 0},
      {"4807.038", "01131.000", "1e30", 1, true, std::numeric_limits<std::int32_t>::max()},
      {"nan", "01131.000", "022.4", 0, false, 0},
      {"4807.038", "inf", "022.4", 0, false, 0},
  };
  for (const auto& c : cases) {
    ResetTrackState(&trackState);
    const std::vector<GdiRecord> record = Tick(Rmc(c.latitude, c.longitude, c.speed));
    EXPECT_EQ(trackState.pointCount, c.points) << c.latitude << " " << c.longitude << " " << c.speed;
    EXPECT_EQ(CompassAt(record) >= 0, c.compass) << c.latitude << " " << c.longitude << " " << c.speed;
    EXPECT_EQ(trackState.shownSpeed, c.shownSpeed) << c.latitude << " " << c.longitude << " " << c.speed;
    EXPECT_GE(PanelAt(record), 0);
    EXPECT_EQ(PlotAt(record), -1);
  }
}

// The first moving tick stores point 0 and draws no plot; the second draws point 0 alone, with
// its dot, then stores point 1. Standing ticks add nothing; the figure falls to 0 once.
TEST_F(TickTest, MovingThenStanding) {
  std::vector<GdiRecord> record = Tick(Rmc("4807.038", "01131.000", "022.4"));
  ASSERT_EQ(trackState.pointCount, 1);
  EXPECT_TRUE(SameFix(trackState.points[0], trackState.current));
  EXPECT_EQ(PlotAt(record), -1);
  EXPECT_EQ(trackState.topSpeed, 0.0) << "the first point's speed never counts";
  EXPECT_EQ(trackState.shownSpeed, 41);
  EXPECT_TRUE(PanelAt(record) < CompassAt(record) && CompassAt(record) < SpeedFigureAt(record));

  record = Tick(Rmc("4807.048", "01131.000", "030.0"));
  ASSERT_EQ(trackState.pointCount, 2);
  EXPECT_TRUE(SameFix(trackState.points[1], trackState.current));
  const int plot = PlotAt(record);
  ASSERT_TRUE(PanelAt(record) < plot && plot < CompassAt(record) && CompassAt(record) < SpeedFigureAt(record));
  const std::vector<GdiRecord> drawnPlot(record.begin() + plot, record.begin() + CompassAt(record));
  EXPECT_EQ(FindCall(drawnPlot, "LineTo", {}), -1);
  EXPECT_GE(FindCall(drawnPlot, "Ellipse", {287, 123, 293, 129}), 0);
  EXPECT_EQ(trackState.distance, 0.009765625) << "the single-precision difference, not 0.01";
  EXPECT_EQ(trackState.topSpeed, 30.0);

  record = Tick(Rmc("4807.058", "01131.000", "000.0"));
  EXPECT_EQ(trackState.pointCount, 2);
  EXPECT_EQ(trackState.distance, 0.009765625);
  EXPECT_EQ(trackState.shownSpeed, 0);
  ASSERT_GE(SpeedFigureAt(record), 0);
  EXPECT_EQ(PlotAt(record), -1);
  EXPECT_EQ(CompassAt(record), -1);
  record = Tick(Rmc("4807.068", "01131.000", "000.0"));
  EXPECT_EQ(SpeedFigureAt(record), -1) << "an unchanged figure is not drawn again";
  EXPECT_GE(PanelAt(record), 0);
}

TEST_F(TickTest, FailedReadStopsTheTicksForGood) {
  port.Unplug();
  EXPECT_TRUE(Tick().empty()) << "nothing drawn: no surface is taken on this path";
  const std::vector<ShownBox> readError = {{L"Error Reading comms port.", L"Error", MB_OK}};
  EXPECT_EQ(boxes, readError);
  EXPECT_EQ(tickBusy, TickStopped);

  // A receiver that comes back changes nothing: later ticks return at once.
  kavro_test::TestPort other;
  other.Open(folder, 6);
  for (int i = 0; i < 3; ++i) {
    other.Send(Rmc("4807.038", "01131.000", "022.4"));
    EXPECT_TRUE(Tick().empty());
  }
  EXPECT_EQ(boxes, readError);
  EXPECT_EQ(trackState.pointCount, 0);
  EXPECT_EQ(tickBusy, TickStopped);
}

TEST_F(TickTest, TicksInsideTheMessageBoxReturnAtOnce) {
  port.Close();  // no port: the read fails and the reader shows its message box
  int nestedTicks = 0;
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back({text, caption, type});
    // The box's own message loop delivers further timer messages.
    EXPECT_EQ(tickBusy, TickRunning);
    platform::testing::StartGdiRecording();
    EXPECT_EQ(HandleTick(window), 0);
    EXPECT_EQ(HandleTick(window), 0);
    EXPECT_TRUE(platform::testing::StopGdiRecording().empty());
    nestedTicks += 2;
    return IDOK;
  });
  EXPECT_EQ(HandleTick(window), 0);
  EXPECT_EQ(nestedTicks, 2);
  EXPECT_EQ(boxes.size(), 1u) << "a nested tick that ran would have shown a second box";
  EXPECT_EQ(tickBusy, TickStopped);
}

}  // namespace
