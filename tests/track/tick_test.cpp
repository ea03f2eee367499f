// Tests of the timer tick against a real pseudo-terminal and a recording of what it draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "common/tick_fixture.h"
#include "gps/gps_port.h"
#include "track/tick.h"

namespace {

using kavro_test::FindCall;
using kavro_test::GdiRecord;
using kavro_test::Rmc;
using kavro_test::SameFix;
using kavro_test::ShownBox;
using kavro_test::TickTest;

struct ThresholdCase {
  const char* speed;  // as the receiver sends it
  std::int32_t pointCount;
  bool compass;
};

void PrintTo(const ThresholdCase& c, std::ostream* out) { *out << c.speed << " knots"; }

// Speeds are read in single precision and compared as doubles: 0.01f lies just below the double
// 0.01, and 0.1f just above the double 0.1.
const ThresholdCase ThresholdCases[] = {
    {"0.0", 0, false}, {"0.01", 0, false}, {"0.02", 1, false}, {"0.1", 1, true}, {"22.4", 1, true},
};

class ThresholdTest : public TickTest, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(ThresholdTest, MovingAndCompass) {
  const ThresholdCase& c = GetParam();
  const std::vector<GdiRecord> record = Tick(Rmc("4807.038", "01131.000", c.speed));
  EXPECT_EQ(trackState.pointCount, c.pointCount);
  EXPECT_EQ(CompassAt(record) >= 0, c.compass);
  EXPECT_GE(PanelAt(record), 0);
  EXPECT_EQ(PlotAt(record), -1);
}

INSTANTIATE_TEST_SUITE_P(Speeds, ThresholdTest, ::testing::ValuesIn(ThresholdCases));

TEST_F(TickTest, FirstMovingTickStoresPointZeroAndDrawsNoPlot) {
  const std::vector<GdiRecord> record = Tick(Rmc("4807.038", "01131.000", "022.4"));
  ASSERT_EQ(trackState.pointCount, 1);
  EXPECT_TRUE(SameFix(trackState.points[0], trackState.current));
  EXPECT_EQ(trackState.points[0].latitude, static_cast<double>(4807.038f));
  EXPECT_EQ(PlotAt(record), -1);
  EXPECT_EQ(trackState.distance, 0.0);
  EXPECT_EQ(trackState.topSpeed, 0.0) << "the first point's speed never counts";
  EXPECT_EQ(trackState.shownSpeed, 41);
  EXPECT_LT(PanelAt(record), CompassAt(record));
  EXPECT_LT(CompassAt(record), SpeedFigureAt(record));
}

TEST_F(TickTest, SecondMovingTickPlotsPointZeroThenStoresPointOne) {
  Tick(Rmc("4807.038", "01131.000", "022.4"));
  const std::vector<GdiRecord> record = Tick(Rmc("4807.048", "01131.000", "030.0"));

  ASSERT_EQ(trackState.pointCount, 2);
  EXPECT_TRUE(SameFix(trackState.points[1], trackState.current));
  // The plot holds point 0 alone, at the reference point, with its dot.
  const int plot = PlotAt(record);
  ASSERT_GE(plot, 0);
  ASSERT_GT(CompassAt(record), plot);
  const std::vector<GdiRecord> after(record.begin() + plot, record.begin() + CompassAt(record));
  EXPECT_EQ(kavro_test::CallsNamed(after, "LineTo").size(), 0u);
  EXPECT_GE(FindCall(after, "Ellipse", {287, 123, 293, 129}), 0);
  // Panel, plot, compass and speed figure, in that order.
  EXPECT_LT(PanelAt(record), plot);
  EXPECT_LT(plot, CompassAt(record));
  EXPECT_LT(CompassAt(record), SpeedFigureAt(record));
  // The single-precision difference of 4807.048 and 4807.038, not 0.01.
  EXPECT_EQ(trackState.distance, 0.009765625);
  EXPECT_EQ(trackState.topSpeed, 30.0);
}

TEST_F(TickTest, StandingReceiverAddsNothingAndItsFigureFallsToZero) {
  Tick(Rmc("4807.038", "01131.000", "022.4"));
  ASSERT_EQ(trackState.shownSpeed, 41);

  const std::vector<GdiRecord> stopped = Tick(Rmc("4807.048", "01131.000", "000.0"));
  EXPECT_EQ(trackState.pointCount, 1);
  EXPECT_EQ(trackState.distance, 0.0);
  EXPECT_EQ(trackState.topSpeed, 0.0);
  EXPECT_EQ(trackState.shownSpeed, 0);
  const int figure = SpeedFigureAt(stopped);
  ASSERT_GE(figure, 0);
  EXPECT_GE(FindCall(std::vector<GdiRecord>(stopped.begin() + figure, stopped.end()), "DrawTextW", {}), 0);
  EXPECT_EQ(PlotAt(stopped), -1);
  EXPECT_EQ(CompassAt(stopped), -1);

  // Still standing: the figure is not drawn again, the panel is.
  const std::vector<GdiRecord> still = Tick(Rmc("4807.058", "01131.000", "000.0"));
  EXPECT_EQ(SpeedFigureAt(still), -1);
  EXPECT_GE(PanelAt(still), 0);
  EXPECT_EQ(trackState.pointCount, 1);
}

TEST_F(TickTest, FailedReadStopsTheTicksForGood) {
  port.Unplug();
  EXPECT_TRUE(TickOnly().empty()) << "nothing drawn: no surface is taken on this path";
  const std::vector<ShownBox> readError = {{L"Error Reading comms port.", L"Error", MB_OK}};
  EXPECT_EQ(boxes, readError);
  EXPECT_EQ(tickBusy, TickStopped);

  // A receiver that comes back changes nothing: later ticks return at once.
  kavro_test::TestPort other;
  other.Open(folder, 6);
  const FixRecord before = trackState.current;
  for (int i = 0; i < 3; ++i) {
    other.Send(Rmc("4807.038", "01131.000", "022.4"));
    EXPECT_TRUE(TickOnly().empty());
  }
  EXPECT_EQ(boxes, readError);
  EXPECT_TRUE(SameFix(trackState.current, before));
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

// The reader refuses a sentence whose position is no number, so such a tick is a standing one.
TEST_F(TickTest, PositionThatIsNoNumberIsNotRecorded) {
  Tick(Rmc("4807.038", "01131.000", "022.4"));
  const std::vector<GdiRecord> record = Tick(Rmc("nan", "01131.000", "022.4"));
  EXPECT_EQ(trackState.pointCount, 1);
  EXPECT_EQ(trackState.distance, 0.0);
  EXPECT_EQ(PlotAt(record), -1);
  EXPECT_EQ(CompassAt(record), -1);

  Tick(Rmc("4807.048", "inf", "022.4"));
  EXPECT_EQ(trackState.pointCount, 1);
  Tick(Rmc("4807.048", "01131.000", "022.4"));
  EXPECT_EQ(trackState.pointCount, 2);
  EXPECT_EQ(trackState.distance, 0.009765625);
}

TEST_F(TickTest, AbsurdSpeedSaturatesTheFigure) {
  Tick(Rmc("4807.038", "01131.000", "1e30"));
  EXPECT_EQ(trackState.shownSpeed, std::numeric_limits<std::int32_t>::max());
  Tick(Rmc("4807.048", "01131.000", "1e30"));
  EXPECT_EQ(trackState.topSpeed, static_cast<double>(1e30f));
}

}  // namespace
