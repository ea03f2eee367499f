// The timer tick: its steps, and whole ticks on a pseudo-terminal with their drawing recorded.
#include <cmath>
#include <cstdint>

#include "common/tick_fixture.h"
#include "view/view_test_support.h"

namespace {

using kavro_test::FindCall;
using kavro_test::Recording;
using kavro_test::Rmc;
using kavro_test::TickTest;
using view_test::FixAt;

// True distances in minutes of arc, both ways, within the 0.0005 minutes of doubt of a float
// ddmm.mmmm; due north the step is the single-precision difference exactly.
TEST(StepTest, TrueDistanceBothWays) {
  const double cos48 = std::cos(48.0 * 3.14159265358979323846 / 180.0);
  const struct {
    const char* name;
    FixRecord from, to;
    double minutes, within;
  } cases[] = {
      {"DueNorth", FixAt(1131.0, 4807.038), FixAt(1131.0, 4807.048), 0.009765625, 0.0},
      {"WestAt48North", FixAt(12259.5, 4800.0, 'W'), FixAt(12300.5, 4800.0, 'W'), cos48, 1e-3},
      {"AcrossThe180th", FixAt(17959.5, 0.0), FixAt(17959.5, 0.0, 'W'), 1.0, 1e-3},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(MeasureStep(&c.from, &c.to), c.minutes, c.within) << c.name;
    EXPECT_NEAR(MeasureStep(&c.to, &c.from), c.minutes, c.within) << c.name << ", backwards";
  }
}

// One tick on a fresh track. Speeds are read as floats: 0.01f lies just below the double 0.01,
// 0.1f just above 0.1. A position that is no number rejects the sentence: a standing tick.
TEST_F(TickTest, ThresholdsForMovingAndTheCompass) {
  const struct {
    const char *latitude, *speed;
    std::int32_t points;
    bool compass;
    std::int32_t shownSpeed;
  } cases[] = {
      {"4807.038", "0.01", 0, false, 0},
      {"4807.038", "0.02", 1, false, 0},
      {"4807.038", "0.1", 1, true, 0},
      {"4807.038", "1e30", 1, true, INT32_MAX},
      {"nan", "022.4", 0, false, 0},
  };
  for (const auto& c : cases) {
    ResetTrackState(&trackState);
    const Recording record = Tick(Rmc(c.latitude, "01131.000", c.speed));
    EXPECT_EQ(std::tuple(trackState.pointCount, CompassAt(record) >= 0, trackState.shownSpeed,
                         PanelAt(record) >= 0, PlotAt(record) >= 0),
              std::tuple(c.points, c.compass, c.shownSpeed, true, false))
        << c.latitude << " " << c.speed << " knots: points, compass, figure, panel, plot";
  }
}

// The first moving tick stores point 0 and draws no plot, and its speed never counts; the
// second draws point 0 alone, with its dot, then stores point 1. A standing tick adds nothing
// and puts the figure to 0.
TEST_F(TickTest, MovingThenStanding) {
  Recording record = Tick(Rmc("4807.038", "01131.000", "022.4"));
  EXPECT_EQ(std::tuple(trackState.pointCount, trackState.topSpeed, PlotAt(record)),
            std::tuple(1, 0.0, -1));
  record = Tick(Rmc("4807.048", "01131.000", "030.0"));
  const int plot = PlotAt(record), compass = CompassAt(record);
  ASSERT_TRUE(PanelAt(record) < plot && plot < compass && compass < FigureAt(record));
  const Recording drawnPlot(record.begin() + plot, record.begin() + compass);
  EXPECT_EQ(FindCall(drawnPlot, "LineTo", {}), -1);
  EXPECT_GE(FindCall(drawnPlot, "Ellipse", {287, 123, 293, 129}), 0);
  EXPECT_EQ(std::tuple(trackState.pointCount, trackState.topSpeed, trackState.distance),
            std::tuple(2, 30.0, 0.009765625));

  record = Tick(Rmc("4807.068", "01131.000", "000.0"));
  EXPECT_EQ(std::tuple(trackState.pointCount, trackState.distance, trackState.shownSpeed),
            std::tuple(2, 0.009765625, 0));
  EXPECT_EQ(std::tuple(FigureAt(record) >= 0, PlotAt(record), CompassAt(record)),
            std::tuple(true, -1, -1));
}

// A failed read shows one box, whose message loop's ticks return at once, and stops the ticks
// for good, even when the receiver comes back; no surface is taken on this path.
TEST_F(TickTest, FailedReadStopsTheTicksForGood) {
  port.Unplug();
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back({text, caption, type});
    EXPECT_EQ(HandleTick(window), 0);
    return IDOK;
  });
  EXPECT_TRUE(Tick().empty());
  kavro_test::PtyLink other(folder, 6);
  OpenPort(other);
  other.Send(Rmc("4807.038", "01131.000", "022.4"));
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(boxes, (std::vector<kavro_test::ShownBox>{
                       {L"Error Reading comms port.", L"Error", MB_OK}}));
  EXPECT_EQ(std::pair(trackState.pointCount, tickBusy), std::pair(0, TickStopped));
}

}  // namespace
