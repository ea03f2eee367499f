// Where the picture (client area and menu bar) sits in a window of any size and the way back
// from window pixels, the start-up scale from the desktop's resolution, and the place of a window
// on a screen smaller than it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "user/user_private.h"

namespace kavro_test {
namespace {

using platform::detail::LayOutPicture;
using platform::detail::PictureLayout;

// The viewer's picture: 480 x 536 client area and a 26-row menu bar below it.
constexpr int kWidth = 480, kHeight = 536, kStrip = 26;

auto Fields(const PictureLayout& l) { return std::tuple(l.scale, l.left, l.top, l.stripTop, l.clientRows); }

TEST(PictureLayout, LargestWholeScaleThatFitsCentredElseFromTheTopLeftWithTheMenuBarInView) {
  const struct { const char* name; int width, height; std::tuple<int, int, int, int, int> expected; } cases[] = {
      {"its own size", 480, 562, {1, 0, 0, 536, 536}},
      {"a 1280 x 720 kiosk screen", 1280, 720, {1, 400, 79, 615, 536}},
      {"maximised on 1920 x 1200", 1920, 1200, {2, 480, 38, 1110, 536}},
      {"twice its size", 960, 1124, {2, 0, 0, 1072, 536}},
      {"one pixel short of twice", 960, 1123, {1, 240, 280, 816, 536}},
      {"four times, wider still", 4000, 2248, {4, 1040, 0, 2144, 536}},
      {"an 800 x 480 panel", 800, 480, {1, 0, 0, 454, 454}},
      {"the panel in portrait", 480, 800, {1, 0, 119, 655, 536}},
      {"narrower than the picture", 300, 900, {1, 0, 0, 536, 536}},
      {"shorter than the menu bar", 480, 10, {1, 0, 0, 0, 0}},
      {"no size at all", 0, 0, {1, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, Fields(LayOutPicture(c.width, c.height, kWidth, kHeight, kStrip))) << c.name;
  }
}

TEST(PictureLayout, WindowPixelsMapBackToThePictureTheyShow) {
  const PictureLayout doubled = LayOutPicture(1920, 1200, kWidth, kHeight, kStrip);  // scale 2 at (480, 38)
  const PictureLayout panel = LayOutPicture(800, 480, kWidth, kHeight, kStrip);      // menu bar from row 454
  const struct { const char* name; const PictureLayout& layout; int x, y, px, py; } cases[] = {
      {"the picture's first pixel", doubled, 480, 38, 0, 0},
      {"the rest of its 2 x 2 block", doubled, 481, 39, 0, 0},
      {"the margin left of and above it", doubled, 479, 37, -1, -1},
      {"Z+ at (14, 15)", doubled, 480 + 28, 38 + 30, 14, 15},
      {"Ok at (30, 549), on the menu bar", doubled, 480 + 60, 38 + 1098, 30, 549},
      {"right of the picture", doubled, 480 + 960, 100, 480, 31},
      {"the panel's last client row in view", panel, 10, 453, 10, 453},
      {"the panel's menu bar, first row", panel, 10, 454, 10, 536},
      {"Ok on the panel", panel, 30, 467, 30, 549},
      {"right of the picture on the panel", panel, 700, 100, 700, 100},
  };
  for (const auto& c : cases) {
    int x = 0, y = 0;
    platform::detail::WindowToPicture(c.layout, kHeight, c.x, c.y, &x, &y);
    EXPECT_EQ(std::pair(c.px, c.py), std::pair(x, y)) << c.name;
  }
}

TEST(DesktopScale, WholeScaleFromTheDesktopsResolutionAsFarAsTheScreenHoldsIt) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const struct { double dpi; int scale; } dpis[] = {{96, 1}, {120, 1}, {144, 1}, {168, 2}, {192, 2}, {240, 2},
                                                    {288, 3}, {384, 4}, {0, 1}, {-192, 1}, {nan, 1}, {inf, 1},
                                                    {1e12, 8}};
  for (const auto& d : dpis) EXPECT_EQ(d.scale, platform::detail::ScaleForDpi(d.dpi)) << d.dpi;
  const struct { int wanted, usableWidth, usableHeight, scale; } screens[] = {
      {2, 1920, 1200, 2}, {2, 1920, 1080, 1}, {3, 3840, 2160, 3}, {4, 3840, 2160, 3}, {2, 800, 480, 1},
      {0, 1920, 1200, 1}, {-3, 1920, 1200, 1}, {100, 100000, 100000, 8}};
  for (const auto& s : screens) {
    EXPECT_EQ(s.scale, platform::detail::ScaleThatFits(s.wanted, kWidth, kHeight + kStrip, s.usableWidth,
                                                       s.usableHeight))
        << s.wanted << " on " << s.usableWidth << " x " << s.usableHeight;
  }
}

TEST(DesktopScale, XftDpiIsReadFromTheResourceDatabase) {
  const struct { const char* resources; double dpi; } cases[] = {
      {"Xft.dpi:\t192\n", 192},
      {"Xft.antialias:\t1\nXft.dpi:\t288\nXft.hinting:\t1\n", 288},
      {"Xft.dpi: 96", 96},
      {"Xft.dpi:\t120.5\n", 120.5},
      {"Xcursor.size:\t48\n", 0},
      {"Xft.dpi:\n192\n", 0},
      {"Xft.dpi:\tbig\n", 0},
      {"Xft.dpi:\t-192\n", 0},
      {"*Xft.dpi:\t192\n", 0},
      {"", 0},
      {nullptr, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.dpi, platform::detail::XftDpiFromResources(c.resources)) << (c.resources ? c.resources : "(null)");
  }
}

TEST(WindowPlace, CentredButNeverWithItsTopLeftOffTheScreen) {
  const struct { const char* name; int width, height, ux, uy, uw, uh, x, y; } cases[] = {
      {"room all round", 480, 562, 0, 0, 800, 700, 160, 69},
      {"an 800 x 480 panel", 480, 562, 0, 0, 800, 480, 160, 0},
      {"below a 28-row panel bar", 480, 562, 0, 28, 800, 452, 160, 28},
      {"wider than the screen", 480, 562, 0, 0, 320, 700, 0, 69},
  };
  for (const auto& c : cases) {
    int x = -1, y = -1;
    platform::detail::PlaceOnScreen(c.width, c.height, c.ux, c.uy, c.uw, c.uh, &x, &y);
    EXPECT_EQ(std::pair(c.x, c.y), std::pair(x, y)) << c.name;
  }
}

}  // namespace
}  // namespace kavro_test
