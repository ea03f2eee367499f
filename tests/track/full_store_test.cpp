// Tests of a full track store, in the build whose store holds 8 points.
#include "common/tick_fixture.h"
#include "view/track_plot.h"

namespace {

using kavro_test::FindCall;
using kavro_test::Recording;
using kavro_test::TickTest;

static_assert(TrackCapacity == 8, "this test runs on the small store");

// Ten fixes one minute apart, due north: nine steps of one minute, however full the store is.
// Once it is full, each newest fix takes the last slot, and every tick still shows everything.
TEST_F(TickTest, FullStoreKeepsMeasuringFollowingAndShowing) {
  Recording record;
  for (int i = 0; i < 10; ++i) {
    const std::string speed = std::to_string(10 + i) + ".0";
    record = Tick(kavro_test::Rmc("480" + std::to_string(i) + ".000", "01130.000", speed));
    EXPECT_TRUE(PanelAt(record) >= 0 && CompassAt(record) >= 0 && FigureAt(record) >= 0) << i;
    EXPECT_EQ(PlotAt(record) >= 0, i > 0) << "tick " << i;
  }
  ASSERT_EQ(trackState.pointCount, 8);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(trackState.points[i].latitude, 4800.0 + i) << "point " << i;
  EXPECT_TRUE(kavro_test::SameFix(trackState.points[7], trackState.current));
  EXPECT_EQ(trackState.distance, 9.0);
  EXPECT_EQ(trackState.topSpeed, 19.0);
  EXPECT_EQ(trackState.shownSpeed, 35);  // 19 knots

  // The last plot ends with its dot on the previous tick's fix, which had taken the last slot.
  FixRecord previous = trackState.points[7];
  previous.latitude = 4808.0;
  const PixelPoint end = ProjectPoint(&trackState, &previous);
  EXPECT_GE(FindCall(record, "Ellipse", {end.x - 3, end.y - 3, end.x + 3, end.y + 3}), 0)
      << "dot at (" << end.x << ", " << end.y << ")";
}

}  // namespace
