// The compass: needle geometry called directly, and the drawing as recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "view/compass.h"
#include "view_test_support.h"

namespace {

// The one-pixel asymmetries come from the program's approximate pi and from truncation. A
// course that is no number leaves the needle at the centre.
TEST(NeedleEndsTest, Table) {
  const struct {
    double course;
    PixelPoint red, blue;
  } cases[] = {
      {0.0, {203, 62}, {202, 12}},   {45.0, {220, 54}, {185, 19}},  {90.0, {228, 36}, {178, 37}},
      {180.0, {202, 12}, {203, 62}}, {270.0, {178, 37}, {228, 36}},
      {360.0, {203, 62}, {203, 12}},  // t is exactly 0
      {std::nan(""), {203, 37}, {203, 37}},
      {std::numeric_limits<double>::infinity(), {203, 37}, {203, 37}},
  };
  for (const auto& c : cases) {
    const NeedleEndPoints e = NeedleEnds(203, 37, c.course);
    EXPECT_TRUE(e.red.x == c.red.x && e.red.y == c.red.y && e.blue.x == c.blue.x && e.blue.y == c.blue.y)
        << "course " << c.course << ": expected red (" << c.red.x << ", " << c.red.y << ") blue ("
        << c.blue.x << ", " << c.blue.y << "), got red (" << e.red.x << ", " << e.red.y << ") blue ("
        << e.blue.x << ", " << e.blue.y << ")";
  }
}

class DrawCompassTest : public view_test::DrawingTest {};

TEST_F(DrawCompassTest, DialNeedleAndHub) {
  trackState.current.course = view_test::Nmea(45.0);
  // Centre (443, 37) in the 480-pixel-wide window.
  const std::vector<std::string> expected = {
      "CreateSolidBrush 0,0,0 -> #1",
      "SelectObject #1 (was old1)",
      "Ellipse 416 10 470 64 pen 1 0,0,0 brush 0,0,0",
      "SelectObject old1 (was #1)",
      "DeleteObject #1",
      "CreatePenIndirect style 0 width 5 255,0,0 -> #2",
      "SelectObject #2 (was old2)",
      "MoveToEx 443 37",
      "LineTo 443 37 - 460 54 pen 5 255,0,0",
      "CreatePenIndirect style 0 width 5 0,0,255 -> #3",
      "SelectObject #3 (was #2)",
      "MoveToEx 443 37",
      "LineTo 443 37 - 425 19 pen 5 0,0,255",
      "SelectObject old2 (was #3)",
      "Ellipse 438 32 448 42 pen 1 0,0,0 brush 255,255,255",
      "DeleteObject #2",
      "DeleteObject #3",
  };
  EXPECT_EQ(expected, Record([&](HDC surface) { DrawCompass(window_, surface); }));
}

}  // namespace
