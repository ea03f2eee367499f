// The track plot's projection: 100 pixels per minute of arc at zoom 1; beyond int32 it
// saturates, and NaN lands far off.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "view/track_plot.h"
#include "view_test_support.h"

namespace {

using view_test::FixAt;

TEST(ProjectPointTest, Table) {
  const FixRecord ref = FixAt(3712.5, 5545.25);
  const FixRecord sw = FixAt(7040.0, 3327.0, 'W', 'S');
  const double tiny = std::ldexp(1.0, -25);  // one minute of arc lies beyond 2^31 pixels
  const struct {
    const char* what;
    FixRecord reference, point;
    double zoom;
    std::int32_t panX, panY, x, y;
  } cases[] = {
      {"-4.98 truncates to -4", ref, FixAt(3712.6, 5545.2), 1.0, 10, -20, 310, 110},
      {"south-west", sw, FixAt(7041.0, 3328.0, 'W', 'S'), 1.0, 0, 0, 190, 226},
      {"huge zoom", ref, FixAt(3713.5, 5546.25), tiny, 0, 0, INT32_MAX, INT32_MIN},
      {"pan at the limits", ref, ref, 1.0, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN + 126},
      {"not a number", ref, FixAt(std::nan(""), std::nan("")), 1.0, 0, 0, INT32_MIN, INT32_MIN},
  };
  for (const auto& c : cases) {
    ResetTrackState(&trackState);
    trackState.points[0] = c.reference;  // whose hemispheres the reference takes
    trackState.refLongitude = c.reference.longitude;
    trackState.refLatitude = c.reference.latitude;
    trackState.zoom = c.zoom;
    trackState.panX = c.panX;
    trackState.panY = c.panY;
    const PixelPoint p = ProjectPoint(&trackState, &c.point);
    EXPECT_TRUE(p.x == c.x && p.y == c.y) << c.what << ": expected (" << c.x << ", " << c.y
                                          << "), got (" << p.x << ", " << p.y << ")";
  }
}

// A line reaches a point only when both it and the pen's start lie right of x = 101; point 0
// always moves there.
TEST(ShouldJoinTest, Table) {
  const struct {
    std::int32_t index, x, moveFromX, join;
  } cases[] = {
      {1, 102, 102, 1}, {0, 300, 300, 0}, {1, 101, 300, 0}, {1, 300, 101, 0}, {5, 102, 102, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShouldJoin(c.index, c.x, c.moveFromX), c.join)
        << "point " << c.index << " at x = " << c.x << ", pen from x = " << c.moveFromX;
  }
}

}  // namespace
