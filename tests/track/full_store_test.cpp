// Tests of a full track store, in the build whose store holds 8 points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tick_fixture.h"
#include "view/track_plot.h"

namespace {

using kavro_test::GdiRecord;
using kavro_test::Rmc;
using kavro_test::SameFix;
using kavro_test::TickTest;

static_assert(TrackCapacity == 8, "this test runs on the small store");

FixRecord FixAtLatitude(double latitude) {
  FixRecord fix{};
  fix.latitude = latitude;
  fix.longitude = 1130.0;
  fix.latHemisphere = 'N';
  fix.lonHemisphere = 'E';
  return fix;
}

TEST(FullStoreTest, NewestFixTakesTheLastSlot) {
  ResetTrackState(&trackState);
  for (int i = 0; i < 10; ++i) {
    trackState.current = FixAtLatitude(4800.0 + i);
    StoreCurrentFix(&trackState);
  }
  EXPECT_EQ(trackState.pointCount, 8);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(trackState.points[i].latitude, 4800.0 + i) << "point " << i;
  EXPECT_EQ(trackState.points[7].latitude, 4809.0);
}

// Ten fixes one minute apart, due north: nine steps of one minute, however full the store is.
TEST_F(TickTest, FullStoreKeepsMeasuringFollowingAndShowing) {
  std::vector<std::vector<GdiRecord>> records;
  for (int i = 0; i < 10; ++i) {
    const std::string latitude = "480" + std::to_string(i) + ".000";
    const std::string speed = std::to_string(10 + i) + ".0";
    records.push_back(Tick(Rmc(latitude, "01130.000", speed)));
  }
  EXPECT_EQ(trackState.pointCount, 8);
  EXPECT_EQ(trackState.points[6].latitude, 4806.0);
  EXPECT_TRUE(SameFix(trackState.points[7], trackState.current));
  EXPECT_EQ(trackState.points[7].latitude, 4809.0);
  EXPECT_EQ(trackState.distance, 9.0);
  EXPECT_EQ(trackState.topSpeed, 19.0);
  EXPECT_EQ(trackState.shownSpeed, 35);  // 19 knots

  // The ticks after the store filled show everything, as before.
  for (int tick = 8; tick < 10; ++tick) {
    const std::vector<GdiRecord>& record = records[static_cast<std::size_t>(tick)];
    EXPECT_GE(PanelAt(record), 0) << "tick " << tick;
    EXPECT_GE(PlotAt(record), 0) << "tick " << tick;
    EXPECT_GE(CompassAt(record), 0) << "tick " << tick;
    EXPECT_GE(SpeedFigureAt(record), 0) << "tick " << tick;
  }
  // The last plot ends with its dot on the previous tick's fix, which had taken the last slot.
  FixRecord previous = FixAtLatitude(4808.0);
  const PixelPoint end = ProjectPoint(&trackState, &previous);
  EXPECT_GE(kavro_test::FindCall(records[9], "Ellipse", {end.x - 3, end.y - 3, end.x + 3, end.y + 3}), 0)
      << "dot at (" << end.x << ", " << end.y << ")";
}

}  // namespace
