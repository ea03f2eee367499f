// Tests of the zoom buttons and stylus panning, on a window that needs no display.
#include <cmath>

#include "view/zoom_buttons.h"
#include "view_test_support.h"

namespace {

class ZoomButtonsTest : public view_test::DrawingTest {
 protected:
  // Stylus down at (x, y), a move to (toX, toY) if given, and up; whether the plot was redrawn.
  bool Stroke(int x, int y, int toX = -1, int toY = -1) {
    const kavro_test::Recording drawn = Record([&](HDC) {
      EXPECT_EQ(OnStylusDown(window, x, y), 0);
      if (toX >= 0) {
        EXPECT_EQ(OnStylusMove(window, toX, toY), 0);
      }
      EXPECT_EQ(OnStylusUp(), 0);
    });
    return kavro_test::FindCall(drawn, "FillRect", {100}) >= 0;
  }
};

// Each tap halves or doubles the zoom, up to 2^-20 and 2^20; a tap beyond only beeps.
TEST_F(ZoomButtonsTest, ZoomStaysWithinItsRange) {
  Record([this](HDC surface) { DrawZoomButtons(window, surface); });  // sets where taps count
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(Stroke(10, 10));
  EXPECT_FALSE(Stroke(10, 10));
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -20));
  for (int i = 0; i < 40; ++i) EXPECT_TRUE(Stroke(80, 10));
  EXPECT_FALSE(Stroke(80, 10));
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, 20));
}

// Moves without a drag do nothing; a drag redraws the plot and carries on from the last one.
TEST_F(ZoomButtonsTest, DragsCarryOnFromEachOther) {
  EXPECT_TRUE(Record([this](HDC) { OnStylusMove(window, 60, 200); }).empty());
  EXPECT_TRUE(Stroke(200, 100, 230, 90));
  EXPECT_EQ(std::pair(trackState.panX, trackState.panY), std::pair(30, -10));
  EXPECT_TRUE(Stroke(50, 200, 60, 200));
  EXPECT_EQ(std::pair(trackState.panX, trackState.panY), std::pair(40, -10));
}

// Drags across the whole stylus range never take the offsets past 2^30, where the plot overflows.
TEST_F(ZoomButtonsTest, PanStaysWithinItsLimit) {
  trackState.panX = (1 << 30) - 10;
  trackState.panY = -(1 << 30) + 10;
  Stroke(0, 65535, 65535, 0);
  EXPECT_EQ(std::pair(trackState.panX, trackState.panY), std::pair(1 << 30, -(1 << 30)));
  Stroke(65535, 0, 65525, 10);
  EXPECT_EQ(std::pair(trackState.panX, trackState.panY), std::pair((1 << 30) - 10, 10 - (1 << 30)));
}

}  // namespace
