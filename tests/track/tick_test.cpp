// The timer tick: its steps, and whole ticks on a pseudo-terminal with their drawing recorded.
#include <cmath>
#include <cstdint>

#include "common/tick_fixture.h"

namespace {

using kavro_test::FindCall;
using kavro_test::Recording;
using kavro_test::Rmc;
using kavro_test::ShownBox;
using kavro_test::TickTest;

// A fix as the reader stores it (single precision); negative numbers stand for south and west.
FixRecord Fix(float latitude, float longitude) {
  FixRecord fix{};
  fix.latitude = static_cast<double>(std::fabs(latitude));
  fix.longitude = static_cast<double>(std::fabs(longitude));
  fix.latHemisphere = latitude < 0 ? 'S' : 'N';
  fix.lonHemisphere = longitude < 0 ? 'W' : 'E';
  return fix;
}

// True distances in minutes of arc, both ways, within the 0.0005 minutes of doubt of a float
// ddmm.mmmm; due north the step is the single-precision difference exactly.
TEST(StepTest, TrueDistanceBothWays) {
  const double cos48 = std::cos(48.0 * 3.14159265358979323846 / 180.0);
  const struct {
    const char* name;
    FixRecord from, to;
    double minutes, within;
  } cases[] = {
      {"DueNorth", Fix(4807.038f, 1131.0f), Fix(4807.048f, 1131.0f), 0.009765625, 0.0},
      {"AcrossADegree", Fix(4759.99f, 1131.0f), Fix(4800.01f, 1131.0f), 0.02, 1e-3},
      {"AcrossTheEquator", Fix(-0.3f, 1131.0f), Fix(0.2f, 1131.0f), 0.5, 1e-3},
      {"EastAt48North", Fix(4800.0f, 1130.0f), Fix(4800.0f, 1131.0f), cos48, 1e-3},
      {"WestAt48North", Fix(4800.0f, -12259.5f), Fix(4800.0f, -12300.5f), cos48, 1e-3},
      {"AcrossGreenwich", Fix(0.0f, -0.3f), Fix(0.0f, 0.2f), 0.5, 1e-3},
      {"AcrossThe180th", Fix(0.0f, 17959.5f), Fix(0.0f, -17959.5f), 1.0, 1e-3},
      // From 47 degrees 30' to 48 degrees 30': east-west at the mean latitude, 48 degrees.
      {"MeanLatitude", Fix(4730.0f, 1130.0f), Fix(4830.0f, 1131.0f),
       std::sqrt(60.0 * 60.0 + cos48 * cos48), 1e-12},
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
// second draws point 0 alone, with its dot, then stores point 1. Only a faster fix raises the
// top speed. Standing ticks add nothing, and the figure falls to 0 once.
TEST_F(TickTest, MovingThenStanding) {
  Recording record = Tick(Rmc("4807.038", "01131.000", "022.4"));
  ASSERT_EQ(trackState.pointCount, 1);
  EXPECT_TRUE(kavro_test::SameFix(trackState.points[0], trackState.current));
  EXPECT_EQ(std::pair(trackState.topSpeed, trackState.shownSpeed), std::pair(0.0, 41));
  EXPECT_LT(PanelAt(record), CompassAt(record));
  EXPECT_LT(CompassAt(record), FigureAt(record));
  EXPECT_EQ(PlotAt(record), -1);

  record = Tick(Rmc("4807.048", "01131.000", "030.0"));
  ASSERT_EQ(trackState.pointCount, 2);
  const int plot = PlotAt(record);
  const int compass = CompassAt(record);
  EXPECT_LT(PanelAt(record), plot);
  ASSERT_LT(plot, compass);
  EXPECT_LT(compass, FigureAt(record));
  const Recording drawnPlot(record.begin() + plot, record.begin() + compass);
  EXPECT_EQ(FindCall(drawnPlot, "LineTo", {}), -1);
  EXPECT_GE(FindCall(drawnPlot, "Ellipse", {287, 123, 293, 129}), 0);
  EXPECT_EQ(trackState.distance, 0.009765625) << "the single-precision difference, not 0.01";
  Tick(Rmc("4807.058", "01131.000", "025.0"));
  EXPECT_EQ(trackState.topSpeed, 30.0);

  const double distance = trackState.distance;
  record = Tick(Rmc("4807.068", "01131.000", "000.0"));
  EXPECT_EQ(std::pair(trackState.pointCount, trackState.distance), std::pair(3, distance));
  EXPECT_EQ(trackState.shownSpeed, 0);
  EXPECT_EQ(std::tuple(FigureAt(record) >= 0, PlotAt(record), CompassAt(record)),
            std::tuple(true, -1, -1));
  record = Tick(Rmc("4807.078", "01131.000", "000.0"));
  EXPECT_EQ(FigureAt(record), -1) << "an unchanged figure is not drawn again";
  EXPECT_GE(PanelAt(record), 0);
}

// A failed read shows one box, whose message loop's ticks return at once, and stops the ticks
// for good, even when the receiver comes back; no surface is taken on this path.
TEST_F(TickTest, FailedReadStopsTheTicksForGood) {
  port.Unplug();
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back({text, caption, type});
    EXPECT_EQ(tickBusy, TickRunning);
    EXPECT_EQ(HandleTick(window), 0);
    return IDOK;
  });
  EXPECT_TRUE(Tick().empty());
  kavro_test::TestPort other;
  other.Open(folder, 6);
  other.Send(Rmc("4807.038", "01131.000", "022.4"));
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(boxes, (std::vector<ShownBox>{{L"Error Reading comms port.", L"Error", MB_OK}}));
  EXPECT_EQ(trackState.pointCount, 0);
  EXPECT_EQ(tickBusy, TickStopped);
}

}  // namespace
