// The compass needle's geometry; its drawing shows in the tick tests and end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view/compass.h"

namespace {

// The one-pixel asymmetries come from the program's approximate pi and from truncation. A
// course that is no number leaves the needle at the centre.
TEST(NeedleEndsTest, Table) {
  const struct {
    double course;
    PixelPoint red, blue;
  } cases[] = {
      {0.0, {203, 62}, {202, 12}},
      {90.0, {228, 36}, {178, 37}},
      {std::nan(""), {203, 37}, {203, 37}},
  };
  for (const auto& c : cases) {
    const NeedleEndPoints e = NeedleEnds(203, 37, c.course);
    EXPECT_EQ((std::vector<int>{e.red.x, e.red.y, e.blue.x, e.blue.y}),
              (std::vector<int>{c.red.x, c.red.y, c.blue.x, c.blue.y}))
        << "course " << c.course << ": red x, y, blue x, y";
  }
}

}  // namespace
