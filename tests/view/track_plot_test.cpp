// The track plot: projection and join rule called directly, and the drawing as recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "view/track_plot.h"
#include "view_test_support.h"

namespace {

using view_test::FixAt;

constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
const double NaN = std::nan("");
const FixRecord Ref = FixAt(3712.5, 5545.25);

void StartTrackAt(const FixRecord& first) {
  ResetTrackState(&trackState);
  trackState.points[0] = first;
  trackState.pointCount = 1;
  trackState.refLongitude = first.longitude;
  trackState.refLatitude = first.latitude;
}

// 100 pixels per minute of arc at zoom 1; what lies beyond the int32 range saturates, and a
// coordinate that is no number lands far off.
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
      {"reference panned", Ref, Ref, 64.0, 10, -20, 300, 106},
      {"west is left", sw, FixAt(7041.0, 3327.0, 'W', 'S'), 1.0, 0, 0, 190, 126},
      {"south is down", sw, FixAt(7040.0, 3328.0, 'W', 'S'), 1.0, 0, 0, 290, 226},
      {"over a degree line", FixAt(759.75, 4759.75), FixAt(800.25, 4800.25), 1.0, 0, 0, 340, 76},
      {"over the equator", FixAt(0.25, 0.5), FixAt(0.25, 0.5, 'W', 'S'), 1.0, 0, 0, 240, 226},
      {"huge zoom", Ref, FixAt(3713.5, 5546.25), tiny, 0, 0, Max, Min},
      {"huge zoom other way", Ref, FixAt(3711.5, 5544.25), tiny, 0, 0, Min, Max},
      {"pan at the limits", Ref, Ref, 1.0, Max, Min, Max, Min + 126},
      {"zoom 0", Ref, FixAt(3713.5, 5546.25), 0.0, 0, 0, Max, Min},
      {"zoom 0 reference: 0 * inf", Ref, Ref, 0.0, 0, 0, Min, Min},
      {"not a number", Ref, FixAt(NaN, NaN), 1.0, 0, 0, Min, Min},
  };
  for (const auto& c : cases) {
    StartTrackAt(c.reference);
    trackState.zoom = c.zoom;
    trackState.panX = c.panX;
    trackState.panY = c.panY;
    const PixelPoint p = ProjectPoint(&trackState, &c.point);
    EXPECT_TRUE(p.x == c.x && p.y == c.y) << c.what << ": expected (" << c.x << ", " << c.y
                                          << "), got (" << p.x << ", " << p.y << ")";
  }
}

class DrawTrackTest : public view_test::DrawingTest {
 protected:
  // The lines and the end dot drawn, as "x,y-x,y" and "dot l,t-r,b".
  std::vector<std::string> Draw() {
    std::vector<std::string> drawn;
    const auto at = [](long long x, long long y) {
      return std::to_string(x) + "," + std::to_string(y);
    };
    for (const auto& call : Record([this](HDC dc) { DrawTrack(&trackState, window, dc); })) {
      const std::vector<long long>& a = call.args;
      const std::string from = at(call.penPosition.x, call.penPosition.y);
      if (call.op == "LineTo") drawn.push_back(from + "-" + at(a[0], a[1]));
      if (call.op == "Ellipse") drawn.push_back("dot " + at(a[0], a[1]) + "-" + at(a[2], a[3]));
    }
    return drawn;
  }

  // A track around Ref whose points project to the given x values, y 126.
  void StoreTrackAtX(const std::vector<std::int32_t>& xs) {
    StartTrackAt(Ref);
    for (std::size_t i = 0; i < xs.size(); ++i) {
      // A third of a pixel further out, so that truncation lands on x.
      const double offset = xs[i] - 290;
      const double minutes =
          SignedMinutes(Ref.longitude, 'E') + (offset + (offset > 0 ? 0.3 : -0.3)) / 100.0;
      const double degrees = std::floor(minutes / 60.0);
      trackState.points[i] = FixAt(degrees * 100.0 + (minutes - degrees * 60.0), 5545.25);
      ASSERT_EQ(xs[i], ProjectPoint(&trackState, &trackState.points[i]).x) << "point " << i;
    }
    trackState.pointCount = static_cast<std::int32_t>(xs.size());
  }
};

// The join rule on whole tracks; the end dot is drawn when it lies wholly right of x 101.
TEST_F(DrawTrackTest, JoinRuleAndEndDot) {
  const struct {
    std::vector<std::int32_t> xs;
    std::vector<std::string> drawn;
  } cases[] = {
      {{290, 390, 400}, {"390,126-400,126", "dot 397,123-403,129"}},
      {{300, 104}, {}},
      {{200, 50, 220, 230}, {"50,126-220,126", "220,126-230,126", "dot 227,123-233,129"}},
      {{200, 210, 50, 60, 220, 230, 240}, {"230,126-240,126", "dot 237,123-243,129"}},
  };
  for (const auto& c : cases) {
    StoreTrackAtX(c.xs);
    EXPECT_EQ(c.drawn, Draw()) << "track of " << c.xs.size() << " points from x " << c.xs[0];
  }
}

// The reference is taken from the first point at the first drawing. Points beyond the int32
// range saturate; one that is no number lands far off and is never joined.
TEST_F(DrawTrackTest, FarOffAndBrokenPointsSaturate) {
  trackState.points[0] = trackState.points[1] = Ref;
  trackState.points[2] = FixAt(3713.5, 5544.25);
  trackState.points[3] = FixAt(NaN, 5544.25);
  trackState.pointCount = 4;
  trackState.zoom = std::ldexp(1.0, -25);
  EXPECT_EQ(Draw(), std::vector<std::string>{"290,126-2147483647,2147483647"});
  EXPECT_TRUE(trackState.refLongitude == Ref.longitude && trackState.refLatitude == Ref.latitude);
  trackState.pointCount = 3;
  EXPECT_EQ(Draw().back(), "dot 2147483644,2147483644-2147483647,2147483647");
}

}  // namespace
