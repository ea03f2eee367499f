// The track plot: projection and join rule called directly, and the drawing as recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "view/track_plot.h"
#include "view_test_support.h"

namespace {

using view_test::FixAt;
using view_test::Only;

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

// Signed minutes of arc, with projections saturating: NaN lands far off.
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
      {"example zoomed in", Ref, FixAt(3712.6, 5545.2), 0.5, 0, 0, 310, 135},
      {"example zoomed out", Ref, FixAt(3712.6, 5545.2), 2.0, 0, 0, 295, 128},
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
    EXPECT_TRUE(p.x == c.x && p.y == c.y) << c.what << ": expected (" << c.x << ", " << c.y << "), got ("
                                          << p.x << ", " << p.y << ")";
  }
}

// Within one degree north and east the difference of signed minutes is the difference of the
// raw numbers bit for bit, so pixels stay exactly where they always were.
TEST(SignedMinutesTest, DifferencesWithinADegreeAreTheRawOnes) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> minutes(0.0, 59.99);
  std::uniform_int_distribution<int> degrees(0, 179);
  for (int i = 0; i < 100000; ++i) {
    const double base = degrees(random) * 100.0;
    const double a = view_test::Nmea(base + minutes(random));
    const double b = view_test::Nmea(base + minutes(random));
    ASSERT_EQ(a - b, SignedMinutes(a, 'E') - SignedMinutes(b, 'E')) << a << " - " << b;
  }
}

TEST(ShouldJoinTest, Table) {
  const struct {
    std::int32_t index, x, moveFromX;
    int join;
  } cases[] = {
      {0, 200, 200, 0}, {1, 200, 200, 1}, {1, 102, 102, 1}, {1, 101, 200, 0},
      {1, 200, 101, 0}, {5, 50, 200, 0},  {2, Max, 102, 1}, {3, Min, Max, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.join, ShouldJoin(c.index, c.x, c.moveFromX))
        << "point " << c.index << " at x " << c.x << ", last move from x " << c.moveFromX;
  }
}

class DrawTrackTest : public view_test::DrawingTest {
 protected:
  std::vector<std::string> Draw() {
    return Record([&](HDC surface) { DrawTrack(&trackState, window_, surface); });
  }

  // A track around Ref whose points project to the given x values, y = 126.
  void StoreTrackAtX(const std::vector<std::int32_t>& xs) {
    StartTrackAt(Ref);
    for (std::size_t i = 0; i < xs.size(); ++i) {
      // A third of a pixel further out, so that truncation lands on x.
      const double offset = xs[i] - 290;
      const double minutes = SignedMinutes(Ref.longitude, 'E') + (offset + (offset > 0 ? 0.3 : -0.3)) / 100.0;
      const double degrees = std::floor(minutes / 60.0);
      trackState.points[i] = FixAt(degrees * 100.0 + (minutes - degrees * 60.0), 5545.25);
      ASSERT_EQ(xs[i], ProjectPoint(&trackState, &trackState.points[i]).x) << "point " << i;
    }
    trackState.pointCount = static_cast<std::int32_t>(xs.size());
  }
};

TEST_F(DrawTrackTest, WholeDrawingOfAShortTrack) {
  StoreTrackAtX({290, 390, 400});
  const std::vector<std::string> expected = {
      "CreateSolidBrush 0,0,0 -> #1",
      "CreatePen style 0 width 1 255,255,255 -> #2",
      "FillRect 100 0 480 536 with #1",
      "SelectObject #2 (was old1)",
      "MoveToEx 290 126",
      "MoveToEx 390 126",
      "LineTo 390 126 - 400 126 pen 1 255,255,255",
      "CreateSolidBrush 0,255,0 -> #3",
      "CreatePen style 0 width 1 0,255,0 -> #4",
      "SelectObject #3 (was old2)",
      "SelectObject #4 (was #2)",
      "Ellipse 397 123 403 129 pen 1 0,255,0 brush 0,255,0",
      "SelectObject #2 (was #4)",
      "SelectObject old2 (was #3)",
      "DeleteObject #4",
      "DeleteObject #3",
      "SelectObject old1 (was #2)",
      "DeleteObject #1",
      "DeleteObject #2",
  };
  EXPECT_EQ(expected, Draw());
}

// Lines join only points right of x 101; the end dot is drawn when it lies wholly right of it.
TEST_F(DrawTrackTest, JoinRuleAndEndDot) {
  const struct {
    std::vector<std::int32_t> xs;
    std::vector<std::string> lines;
  } cases[] = {
      {{300}, {"Ellipse 297 123 303 129"}},
      {{300, 105}, {"Ellipse 102 123 108 129"}},
      {{300, 104}, {}},
      {{200, 50, 220, 230}, {"LineTo 50 126 - 220 126", "LineTo 220 126 - 230 126", "Ellipse 227 123 233 129"}},
      {{200, 210, 50, 60, 220, 230, 240}, {"LineTo 230 126 - 240 126", "Ellipse 237 123 243 129"}},
      {{50, 200, 210, 220}, {"LineTo 210 126 - 220 126", "Ellipse 217 123 223 129"}},
      {{200, 101, 220}, {"LineTo 101 126 - 220 126", "Ellipse 217 123 223 129"}},
      {{300, 250, 200}, {"LineTo 250 126 - 200 126", "Ellipse 197 123 203 129"}},
      {{200, 50}, {}},
      {{}, {}},  // last: an empty track leaves the reference unset
  };
  for (const auto& c : cases) {
    if (c.xs.empty()) {
      ResetTrackState(&trackState);
    } else {
      StoreTrackAtX(c.xs);
    }
    std::vector<std::string> lines = Only(Draw(), {"LineTo", "Ellipse"});
    for (std::string& line : lines) line.erase(line.find(" pen"));
    EXPECT_EQ(c.lines, lines) << "track of " << c.xs.size() << " points";
  }
  EXPECT_EQ(trackState.refLatitude, 0.0);
}

TEST_F(DrawTrackTest, ReferenceComesFromTheFirstPointOnceWithItsHemispheres) {
  ResetTrackState(&trackState);
  trackState.points[0] = FixAt(7040.0, 3327.0, 'W', 'S');
  trackState.points[1] = FixAt(7039.75, 3326.75, 'W', 'S');
  trackState.pointCount = 2;
  Draw();
  EXPECT_EQ(trackState.points[0].longitude, trackState.refLongitude);
  EXPECT_EQ(trackState.points[0].latitude, trackState.refLatitude);
  trackState.panX = 10;
  EXPECT_EQ(std::vector<std::string>{"Ellipse 322 98 328 104 pen 1 0,255,0 brush 0,255,0"},
            Only(Draw(), {"Ellipse"}));
}

TEST_F(DrawTrackTest, FarOffAndBrokenPointsSaturate) {
  StartTrackAt(Ref);
  trackState.points[1] = Ref;
  trackState.points[2] = FixAt(3713.5, 5544.25);
  trackState.points[3] = FixAt(NaN, 5544.25);
  trackState.pointCount = 4;
  trackState.zoom = std::ldexp(1.0, -25);
  const std::vector<std::string> expected = {
      "LineTo 290 126 - 2147483647 2147483647 pen 1 255,255,255",
      "MoveToEx -2147483648 2147483647",
  };
  EXPECT_EQ(expected, Only(Draw(), {"LineTo", "MoveToEx -", "Ellipse"}));
  trackState.pointCount = 3;
  EXPECT_EQ(std::vector<std::string>{"Ellipse 2147483644 2147483644 2147483647 2147483647 pen 1 "
                                     "0,255,0 brush 0,255,0"},
            Only(Draw(), {"Ellipse"}));
}

}  // namespace
