// The compass: needle geometry called directly, and the drawing as recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "app/records.h"
#include "view/compass.h"

namespace {

struct NeedleCase {
  double course;
  PixelPoint red;
  PixelPoint blue;
};

// The one-pixel asymmetries come from the program's approximate pi and from truncation.
TEST(NeedleEndsTest, EndPointsAroundTheDial) {
  const NeedleCase cases[] = {
      {0.0, {203, 62}, {202, 12}},    {45.0, {220, 54}, {185, 19}},
      {90.0, {228, 36}, {178, 37}},   {180.0, {202, 12}, {203, 62}},
      {270.0, {178, 37}, {228, 36}},  {360.0, {203, 62}, {203, 12}},  // t is exactly 0
  };
  for (const NeedleCase& c : cases) {
    NeedleEndPoints ends = NeedleEnds(203, 37, c.course);
    EXPECT_TRUE(ends.red.x == c.red.x && ends.red.y == c.red.y && ends.blue.x == c.blue.x &&
                ends.blue.y == c.blue.y)
        << "course " << c.course << ": expected red (" << c.red.x << ", " << c.red.y
        << ") blue (" << c.blue.x << ", " << c.blue.y << "), got red (" << ends.red.x << ", "
        << ends.red.y << ") blue (" << ends.blue.x << ", " << ends.blue.y << ")";
  }
}

TEST(NeedleEndsTest, CourseThatIsNotANumberLeavesTheNeedleAtTheCentre) {
  for (double course : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    NeedleEndPoints ends = NeedleEnds(203, 37, course);
    EXPECT_EQ(203, ends.red.x);
    EXPECT_EQ(37, ends.red.y);
    EXPECT_EQ(203, ends.blue.x);
    EXPECT_EQ(37, ends.blue.y);
  }
}

TEST(CompassGeometryTest, CentreDialAndHubFollowTheClientCorner) {
  const RECT client{0, 0, 240, 320};
  PixelPoint centre = CompassCentre(&client);
  EXPECT_EQ(203, centre.x);
  EXPECT_EQ(37, centre.y);
  RECT dial = CircleBox(centre, CompassDialRadius);
  EXPECT_EQ(240 - 64, dial.left);
  EXPECT_EQ(10, dial.top);
  EXPECT_EQ(240 - 10, dial.right);
  EXPECT_EQ(64, dial.bottom);
  RECT hub = CircleBox(centre, CompassHubRadius);
  EXPECT_EQ(198, hub.left);
  EXPECT_EQ(32, hub.top);
  EXPECT_EQ(208, hub.right);
  EXPECT_EQ(42, hub.bottom);
}

}  // namespace
