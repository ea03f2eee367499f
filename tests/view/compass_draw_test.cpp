// The compass as drawn: recorded calls and pixels on a window's surface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/records.h"
#include "gdi_recording.h"
#include "platform/gdi.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/compass.h"
#include "view_fixtures.h"

namespace {

using view_test::Args;
using view_test::GdiRecord;
using view_test::OpsOf;

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

class CompassDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    window_ = platform::testing::CreateSurfaceWindow(240, 320);
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override { DestroyWindow(window_); }
  HWND window_ = nullptr;
};

TEST_F(CompassDrawTest, DialNeedleAndHubInOrder) {
  trackState.current.course = view_test::Nmea(45.0);
  std::size_t live = platform::testing::CountLiveHandles();
  HDC surface = GetDC(window_);
  platform::testing::StartGdiRecording();
  DrawCompass(window_, surface);
  std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
  ReleaseDC(window_, surface);
  EXPECT_EQ(live, platform::testing::CountLiveHandles()) << "objects left behind";

  const std::vector<std::string> expected = {
      "CreateSolidBrush", "SelectObject", "Ellipse", "SelectObject", "DeleteObject",  // dial
      "CreatePenIndirect", "SelectObject", "MoveToEx", "LineTo",                      // red half
      "CreatePenIndirect", "SelectObject", "MoveToEx", "LineTo",                      // blue half
      "SelectObject", "Ellipse", "DeleteObject", "DeleteObject"};                     // hub
  ASSERT_EQ(expected, OpsOf(records));

  const GdiRecord& dial = records[2];
  EXPECT_EQ(Args({176, 10, 230, 64}), dial.args);
  EXPECT_EQ(Black, dial.brushColour);
  EXPECT_EQ(Black, dial.penColour) << "the surface's own pen outlines the dial";
  EXPECT_EQ(1, dial.penWidth);
  EXPECT_EQ(records[1].result, records[3].object) << "the previous brush goes back";
  EXPECT_EQ(records[0].object, records[4].object);

  EXPECT_EQ(Args({PS_SOLID, 5, Red}), records[5].args);
  EXPECT_EQ(Args({PS_SOLID, 5, Blue}), records[9].args);
  const GdiRecord& red = records[8];
  EXPECT_EQ(Args({220, 54}), red.args);
  EXPECT_EQ(203, red.penPosition.x);
  EXPECT_EQ(37, red.penPosition.y);
  EXPECT_EQ(Red, red.penColour);
  EXPECT_EQ(5, red.penWidth);
  const GdiRecord& blue = records[12];
  EXPECT_EQ(Args({185, 19}), blue.args);
  EXPECT_EQ(203, blue.penPosition.x);
  EXPECT_EQ(37, blue.penPosition.y);
  EXPECT_EQ(Blue, blue.penColour);
  EXPECT_EQ(5, blue.penWidth);

  EXPECT_EQ(records[6].result, records[13].object) << "the surface's own pen goes back";
  const GdiRecord& hub = records[14];
  EXPECT_EQ(Args({198, 32, 208, 42}), hub.args);
  EXPECT_EQ(Black, hub.penColour);
  EXPECT_EQ(1, hub.penWidth);
  EXPECT_EQ(White, hub.brushColour);
  EXPECT_EQ(records[5].object, records[15].object);
  EXPECT_EQ(records[9].object, records[16].object);
}

TEST_F(CompassDrawTest, PixelsOfNeedleAndHub) {
  trackState.current.course = 0.0;  // blue up, red down
  HDC surface = GetDC(window_);
  RECT all{0, 0, 240, 320};
  HBRUSH background = CreateSolidBrush(RGB(0, 50, 0));
  FillRect(surface, &all, background);
  DeleteObject(background);
  DrawCompass(window_, surface);
  EXPECT_EQ(Blue, GetPixel(surface, 203, 20));
  EXPECT_EQ(Red, GetPixel(surface, 203, 55));
  EXPECT_EQ(White, GetPixel(surface, 203, 37)) << "hub";
  EXPECT_EQ(Black, GetPixel(surface, 185, 37)) << "dial";
  EXPECT_EQ(RGB(0, 50, 0), GetPixel(surface, 170, 37)) << "outside the dial";
  ReleaseDC(window_, surface);
}

}  // namespace
