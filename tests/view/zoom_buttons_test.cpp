// Tests of the zoom buttons and stylus panning, on a window that needs no display.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/records.h"
#include "common/gdi_calls.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/zoom_buttons.h"

namespace {

using kavro_test::CallsNamed;
using kavro_test::GdiRecord;

class ZoomButtonsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    zoomInHitRect = RECT{0, 0, 0, 0};
    zoomOutHitRect = RECT{0, 0, 0, 0};
    window = platform::testing::CreateSurfaceWindow(480, 536);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  // Draws the buttons on the surface (a fresh one when none is given); returns what was drawn.
  std::vector<GdiRecord> Paint(HDC given = nullptr) {
    HDC surface = given != nullptr ? given : GetDC(window);
    platform::testing::StartGdiRecording();
    DrawZoomButtons(window, surface);
    if (given == nullptr) ReleaseDC(window, surface);
    return platform::testing::StopGdiRecording();
  }

  // The stylus goes down at a point, moves to (toX, toY) if asked, and goes up; returns the
  // number of plot redraws that caused.
  std::size_t Stroke(int x, int y, int toX = -1, int toY = -1) {
    platform::testing::StartGdiRecording();
    EXPECT_EQ(OnStylusDown(window, x, y), 0);
    if (toX >= 0) {
      EXPECT_EQ(OnStylusMove(window, toX, toY), 0);
    }
    EXPECT_EQ(OnStylusUp(), 0);
    std::size_t plots = 0;
    for (const GdiRecord& call : CallsNamed(platform::testing::StopGdiRecording(), "FillRect")) {
      if (call.args.size() >= 4 && call.args[0] == 100 && call.args[2] == 480) ++plots;
    }
    return plots;
  }

  HWND window = nullptr;
};

TEST_F(ZoomButtonsTest, ButtonsAsDrawnGiveTheirColoursBack) {
  HDC surface = GetDC(window);
  SetBkColor(surface, RGB(1, 2, 3));
  SetTextColor(surface, RGB(4, 5, 6));
  const std::vector<GdiRecord> record = Paint(surface);
  EXPECT_EQ(SetBkColor(surface, 0), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(surface, 0), RGB(4, 5, 6));
  ReleaseDC(window, surface);

  const std::vector<GdiRecord> frames = CallsNamed(record, "DrawFrameControl");
  const std::vector<GdiRecord> texts = CallsNamed(record, "DrawTextW");
  ASSERT_EQ(frames.size(), 2u);
  ASSERT_EQ(texts.size(), 2u);
  const struct {
    std::vector<long long> frame;
    std::wstring text;
    std::vector<long long> textArgs;  // length, rectangle, format
    RECT hit;
  } buttons[] = {
      {{3, 5, 25, 25, DFC_BUTTON, DFCS_BUTTONPUSH}, L"Z+", {-1, 3, 7, 25, 25, DT_CENTER}, zoomInHitRect},
      {{73, 5, 95, 25, DFC_BUTTON, DFCS_BUTTONPUSH}, L"Z-", {-1, 73, 7, 95, 25, DT_CENTER}, zoomOutHitRect},
  };
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& b = buttons[i];
    EXPECT_EQ(frames[i].args, b.frame) << "button " << i;
    EXPECT_EQ(texts[i].text, b.text);
    EXPECT_EQ(texts[i].args, b.textArgs) << "button " << i;
    EXPECT_EQ(texts[i].bkColour, RGB(200, 200, 200));
    EXPECT_EQ(texts[i].textColour, RGB(0, 0, 0));
    const std::vector<long long> hit = {b.hit.left, b.hit.top, b.hit.right, b.hit.bottom};
    EXPECT_EQ(hit, std::vector<long long>(b.textArgs.begin() + 1, b.textArgs.end() - 1)) << "button " << i;
  }
}

// A tap that is no zoom starts a drag (cleared again by the stylus going up); before the first
// paint no tap is a zoom.
TEST_F(ZoomButtonsTest, HitRectanglesAndTheirEdges) {
  EXPECT_EQ(Stroke(10, 10), 0u);
  EXPECT_EQ(trackState.zoom, 1.0);
  Paint();
  const struct {
    int x, y;
    double zoom;  // after the tap; 1.0 with a drag started
  } cases[] = {
      {3, 7, 0.5},   {24, 24, 0.5}, {14, 15, 0.5},                // Z+
      {73, 7, 2.0},  {94, 24, 2.0}, {80, 20, 2.0},                // Z-
      {10, 5, 1.0},  {10, 6, 1.0},  {80, 5, 1.0},  {80, 6, 1.0},  // the frames' top two rows
      {25, 10, 1.0}, {95, 10, 1.0}, {10, 25, 1.0}, {80, 25, 1.0}, // just right of and below
      {2, 10, 1.0},  {72, 10, 1.0}, {50, 15, 1.0}, {300, 300, 1.0},
  };
  for (const auto& c : cases) {
    trackState.zoom = 1.0;
    EXPECT_EQ(Stroke(c.x, c.y), c.zoom == 1.0 ? 0u : 1u) << "(" << c.x << ", " << c.y << ")";
    EXPECT_EQ(trackState.zoom, c.zoom) << "(" << c.x << ", " << c.y << ")";
    EXPECT_EQ(OnStylusDown(window, c.x, c.y), 0);
    EXPECT_EQ(trackState.dragging, c.zoom == 1.0 ? 1 : 0) << "(" << c.x << ", " << c.y << ")";
    OnStylusUp();
  }
}

// Each tap halves or doubles the zoom up to 2^-20 and 2^20; a tap beyond only beeps.
TEST_F(ZoomButtonsTest, ZoomStaysWithinItsRange) {
  Paint();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Stroke(10, 10), 1u);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -20));
  EXPECT_EQ(Stroke(10, 10), 0u);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -20));
  EXPECT_EQ(Stroke(80, 10), 1u) << "the other way still works";
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -19));
  for (int i = 0; i < 39; ++i) Stroke(80, 10);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, 20));
  EXPECT_EQ(Stroke(80, 10), 0u);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, 20));
}

// Moves without a drag do nothing; every move of a drag redraws the plot, and a new drag
// carries on from where the last one left it.
TEST_F(ZoomButtonsTest, DragsCarryOnFromEachOther) {
  Paint();
  platform::testing::StartGdiRecording();
  EXPECT_EQ(OnStylusMove(window, 60, 200), 0);
  EXPECT_TRUE(platform::testing::StopGdiRecording().empty());
  EXPECT_EQ(trackState.panX, 0);

  EXPECT_EQ(Stroke(200, 100, 230, 90), 1u);
  EXPECT_EQ(trackState.panX, 30);
  EXPECT_EQ(trackState.panY, -10);
  EXPECT_EQ(Stroke(50, 200, 60, 200), 1u);
  EXPECT_EQ(trackState.panX, 40);
  EXPECT_EQ(trackState.panY, -10);
}

// Dragging from one corner of the stylus range to the other, over and over, never takes the
// offsets past 2^30, where the plot's arithmetic would overflow.
TEST_F(ZoomButtonsTest, PanStaysWithinItsLimit) {
  trackState.panX = (1 << 30) - 10;
  trackState.panY = -(1 << 30) + 10;
  for (int i = 0; i < 2; ++i) {
    Stroke(0, 65535, 65535, 0);
    EXPECT_EQ(trackState.panX, 1 << 30);
    EXPECT_EQ(trackState.panY, -(1 << 30));
  }
  Stroke(65535, 0, 65525, 10);  // and back the other way from there
  EXPECT_EQ(trackState.panX, (1 << 30) - 10);
  EXPECT_EQ(trackState.panY, -(1 << 30) + 10);
}

}  // namespace
