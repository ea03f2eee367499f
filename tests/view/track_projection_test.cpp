// The plot's projection and join rule, called directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "app/records.h"
#include "view/track_plot.h"
#include "view_fixtures.h"

namespace {

using view_test::FixAt;
using view_test::Nmea;

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();

::testing::AssertionResult PixelIs(PixelPoint expected, PixelPoint actual) {
  if (expected.x == actual.x && expected.y == actual.y) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected (" << expected.x << ", " << expected.y
                                       << "), got (" << actual.x << ", " << actual.y << ")";
}

class ProjectionTest : public ::testing::Test {
 protected:
  void SetUp() override { view_test::StartTrackAt(&trackState, FixAt(3712.5, 5545.25)); }
};

struct ProjectionCase {
  double longitude;
  double latitude;
  double zoom;
  std::int32_t panX;
  std::int32_t panY;
  PixelPoint expected;
};

TEST_F(ProjectionTest, ExamplesAroundTheReference) {
  const ProjectionCase cases[] = {
      {3712.6, 5545.2, 1.0, 0, 0, {300, 130}},
      {3712.6, 5545.2, 0.5, 0, 0, {310, 135}},
      {3712.6, 5545.2, 2.0, 0, 0, {295, 128}},
      {3712.6, 5545.2, 1.0, 10, -20, {310, 110}},  // -4.98 truncates to -4
      {3712.55, 5545.3, 1.0, 0, 0, {295, 122}},
      {3711.0, 5546.0, 1.0, 0, 0, {140, 51}},
      {3711.0, 5546.0, 0.5, 0, 0, {-10, -24}},     // off the window, no clipping
      {3712.5, 5545.25, 1.0, 0, 0, {290, 126}},
      {3712.5, 5545.25, 1.0, 10, -20, {300, 106}},
      {3712.5, 5545.25, 64.0, -7, 3, {283, 129}},
  };
  for (const ProjectionCase& c : cases) {
    trackState.zoom = c.zoom;
    trackState.panX = c.panX;
    trackState.panY = c.panY;
    FixRecord fix = FixAt(c.longitude, c.latitude);
    EXPECT_TRUE(PixelIs(c.expected, ProjectPoint(&trackState, &fix)))
        << c.longitude << " / " << c.latitude << " at zoom " << c.zoom << ", pan " << c.panX
        << ", " << c.panY;
  }
}

TEST(SignedMinutesTest, DegreesAndMinutesWithTheirHemisphere) {
  struct Case {
    double value;
    char hemisphere;
    double expected;
  } const cases[] = {
      {4807.25, 'N', 2887.25},  {4807.25, 'S', -2887.25}, {1131.0, 'E', 691.0},
      {1131.0, 'W', -691.0},    {17959.5, 'W', -10799.5}, {0.0, 'N', 0.0},
      {30.5, 'S', -30.5},       {4807.25, '\0', 2887.25}, {4807.25, 'x', 2887.25},
      {-130.5, 'N', -90.5},     {-130.5, 'S', 90.5},      {4800.0, 'N', 2880.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, SignedMinutes(c.value, c.hemisphere))
        << c.value << " " << (c.hemisphere ? c.hemisphere : '0');
  }
  EXPECT_TRUE(std::isnan(SignedMinutes(std::nan(""), 'N')));
}

// Within one degree north and east, the difference of signed minutes is the difference of the
// raw numbers bit for bit, so pixels stay where they always were.
TEST(SignedMinutesTest, WithinOneDegreeDifferencesAreTheRawOnes) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> minutes(0.0f, 59.9999f);
  std::uniform_int_distribution<int> degrees(0, 179);
  for (int i = 0; i < 100000; ++i) {
    double base = degrees(random) * 100.0;
    double a = Nmea(base + static_cast<double>(minutes(random)));
    double b = Nmea(base + static_cast<double>(minutes(random)));
    ASSERT_EQ(a - b, SignedMinutes(a, 'E') - SignedMinutes(b, 'E')) << a << " - " << b;
  }
}

TEST_F(ProjectionTest, SouthernAndWesternTrackIsNorthUpAndEastRight) {
  view_test::StartTrackAt(&trackState, FixAt(7040.0, 3327.0, 'W', 'S'));
  struct Case {
    double longitude;
    double latitude;
    PixelPoint expected;
  } const cases[] = {
      {7040.0, 3327.0, {290, 126}},
      {7041.0, 3327.0, {190, 126}},  // further west: left
      {7039.0, 3327.0, {390, 126}},  // further east: right
      {7040.0, 3328.0, {290, 226}},  // further south: down
      {7040.0, 3326.0, {290, 26}},   // further north: up
  };
  for (const auto& c : cases) {
    FixRecord fix = FixAt(c.longitude, c.latitude, 'W', 'S');
    EXPECT_TRUE(PixelIs(c.expected, ProjectPoint(&trackState, &fix)))
        << c.longitude << " W / " << c.latitude << " S";
  }
}

TEST_F(ProjectionTest, CrossingAWholeDegreeOrTheEquatorIsSmooth) {
  view_test::StartTrackAt(&trackState, FixAt(759.75, 4759.75));
  FixRecord north = FixAt(800.25, 4800.25);  // half a minute north-east, over both degree lines
  EXPECT_TRUE(PixelIs({340, 76}, ProjectPoint(&trackState, &north)));

  view_test::StartTrackAt(&trackState, FixAt(0.25, 0.5, 'E', 'N'));
  FixRecord south = FixAt(0.25, 0.5, 'W', 'S');  // one minute south, half a minute west
  EXPECT_TRUE(PixelIs({240, 226}, ProjectPoint(&trackState, &south)));
}

TEST_F(ProjectionTest, FarOffPointsSaturateInsteadOfOverflowing) {
  const double tiny = std::ldexp(1.0, -25);  // one minute of arc is beyond 2^31 pixels
  struct Case {
    double zoom;
    std::int32_t panX;
    std::int32_t panY;
    double longitude;
    double latitude;
    PixelPoint expected;
  } const cases[] = {
      {tiny, 0, 0, 3713.5, 5546.25, {Int32Max, Int32Min}},
      {tiny, 0, 0, 3711.5, 5544.25, {Int32Min, Int32Max}},
      {tiny, 0, 0, 3712.5, 5545.25, {290, 126}},
      {1.0, Int32Max, Int32Min, 3712.5, 5545.25, {Int32Max, Int32Min + 126}},
      {1.0, Int32Max, Int32Max, 3713.5, 5544.25, {Int32Max, Int32Max}},
      {1e-300, 0, 0, 3713.5, 5546.25, {Int32Max, Int32Min}},
      {0.0, 0, 0, 3713.5, 5546.25, {Int32Max, Int32Min}},   // 1/zoom is infinite
      {0.0, 0, 0, 3712.5, 5545.25, {Int32Min, Int32Min}},   // 0 * infinity is not a number
  };
  for (const auto& c : cases) {
    trackState.zoom = c.zoom;
    trackState.panX = c.panX;
    trackState.panY = c.panY;
    FixRecord fix = FixAt(c.longitude, c.latitude);
    EXPECT_TRUE(PixelIs(c.expected, ProjectPoint(&trackState, &fix)))
        << c.longitude << " / " << c.latitude << " at zoom " << c.zoom;
  }
}

TEST_F(ProjectionTest, CoordinatesThatAreNotNumbersLandFarLeftAndUp) {
  FixRecord fix = FixAt(3712.5, 5545.25);
  fix.longitude = std::nan("");
  fix.latitude = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(PixelIs({Int32Min, Int32Min}, ProjectPoint(&trackState, &fix)));
}

TEST(JoinRuleTest, LinesOnlyBetweenPointsRightOfTheLimit) {
  struct Case {
    std::int32_t index;
    std::int32_t x;
    std::int32_t moveFromX;
    int expected;
  } const cases[] = {
      {0, 200, 200, 0}, {1, 200, 200, 1}, {1, 102, 102, 1}, {1, 101, 200, 0},
      {1, 200, 101, 0}, {5, 50, 200, 0},  {2, Int32Max, 102, 1}, {3, Int32Min, Int32Max, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, ShouldJoin(c.index, c.x, c.moveFromX))
        << "point " << c.index << " at x " << c.x << ", last move from x " << c.moveFromX;
  }
}

}  // namespace
