// The track plot: the projection called directly, and the drawing as recorded.
#include <cmath>
#include <limits>

#include "view/track_plot.h"
#include "view_test_support.h"

namespace {

using kavro_test::FindCall;
using view_test::DrawingTest;
using view_test::FixAt;

constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
const double NaN = std::nan("");
const FixRecord Ref = FixAt(3712.5, 5545.25);

// 100 pixels per minute of arc at zoom 1; beyond int32 it saturates, and NaN lands far off.
TEST(ProjectPointTest, Table) {
  const FixRecord sw = FixAt(7040.0, 3327.0, 'W', 'S');
  const double tiny = std::ldexp(1.0, -25);  // one minute of arc lies beyond 2^31 pixels
  const struct {
    const char* what;
    FixRecord reference, point;
    double zoom;
    std::int32_t panX, panY, x, y;
  } cases[] = {
      {"example", Ref, FixAt(3712.6, 5545.2), 1.0, 0, 0, 300, 130},
      {"-4.98 truncates to -4", Ref, FixAt(3712.6, 5545.2), 1.0, 10, -20, 310, 110},
      {"west is left", sw, FixAt(7041.0, 3327.0, 'W', 'S'), 1.0, 0, 0, 190, 126},
      {"south is down", sw, FixAt(7040.0, 3328.0, 'W', 'S'), 1.0, 0, 0, 290, 226},
      {"over a degree line", FixAt(759.75, 4759.75), FixAt(800.25, 4800.25), 1.0, 0, 0, 340, 76},
      {"huge zoom", Ref, FixAt(3713.5, 5546.25), tiny, 0, 0, Max, Min},
      {"huge zoom other way", Ref, FixAt(3711.5, 5544.25), tiny, 0, 0, Min, Max},
      {"pan at the limits", Ref, Ref, 1.0, Max, Min, Max, Min + 126},
      {"zoom 0 reference: 0 * inf", Ref, Ref, 0.0, 0, 0, Min, Min},
      {"not a number", Ref, FixAt(NaN, NaN), 1.0, 0, 0, Min, Min},
  };
  for (const auto& c : cases) {
    ResetTrackState(&trackState);
    trackState.points[0] = c.reference;
    trackState.pointCount = 1;
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

// A point joins the one before when it is not the first and it and the pen's last move lie
// right of x 101. Each case: index, x, x the pen last moved from, whether it joins.
TEST(ShouldJoinTest, Table) {
  const std::int32_t cases[][4] = {{0, 200, 200, 0}, {1, 200, 200, 1}, {1, 102, 102, 1},
                                   {1, 101, 200, 0}, {1, 200, 101, 0}, {5, 50, 200, 0},
                                   {2, Max, 102, 1}, {3, Min, Max, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShouldJoin(c[0], c[1], c[2]), c[3]) << c[0] << ", " << c[1] << ", " << c[2];
  }
}

// The reference is taken from the first point at the first drawing. Points beyond the int32
// range saturate; one that is no number lands far off and is never joined.
TEST_F(DrawingTest, TrackWithFarOffAndBrokenPointsSaturates) {
  trackState.points[0] = trackState.points[1] = Ref;
  trackState.points[2] = FixAt(3713.5, 5544.25);
  trackState.points[3] = FixAt(NaN, 5544.25);
  trackState.pointCount = 4;
  trackState.zoom = std::ldexp(1.0, -25);
  const auto draw = [this] {
    return Record([this](HDC surface) { DrawTrack(&trackState, window, surface); });
  };
  const auto lines = kavro_test::CallsNamed(draw(), "LineTo");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::pair(lines[0].penPosition.x, lines[0].penPosition.y), std::pair(290, 126));
  EXPECT_EQ(lines[0].args, (std::vector<long long>{Max, Max}));
  EXPECT_EQ(trackState.refLongitude, Ref.longitude);
  EXPECT_EQ(trackState.refLatitude, Ref.latitude);
  trackState.pointCount = 3;
  EXPECT_GE(FindCall(draw(), "Ellipse", {Max - 3, Max - 3, Max, Max}), 0);
}

}  // namespace
