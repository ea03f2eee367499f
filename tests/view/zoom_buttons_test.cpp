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
using kavro_test::FindCall;
using kavro_test::GdiRecord;

constexpr int WindowWidth = 480;
constexpr int WindowHeight = 536;

class ZoomButtonsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    zoomInHitRect = RECT{0, 0, 0, 0};
    zoomOutHitRect = RECT{0, 0, 0, 0};
    window = platform::testing::CreateSurfaceWindow(WindowWidth, WindowHeight);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  void Paint() {
    HDC surface = GetDC(window);
    DrawZoomButtons(window, surface);
    ReleaseDC(window, surface);
  }

  // Taps (down and up) at a point; returns the number of plot redraws it caused.
  std::size_t Tap(int x, int y) {
    platform::testing::StartGdiRecording();
    EXPECT_EQ(OnStylusDown(window, x, y), 0);
    EXPECT_EQ(OnStylusUp(), 0);
    return PlotRedraws(platform::testing::StopGdiRecording());
  }

  static std::size_t PlotRedraws(const std::vector<GdiRecord>& record) {
    std::size_t count = 0;
    for (const GdiRecord& call : CallsNamed(record, "FillRect")) {
      if (call.args.size() >= 4 && call.args[0] == 100 && call.args[2] == WindowWidth) ++count;
    }
    return count;
  }

  HWND window = nullptr;
};

TEST_F(ZoomButtonsTest, TapBeforeTheFirstPaintStartsADrag) {
  EXPECT_EQ(Tap(10, 10), 0u);
  EXPECT_EQ(trackState.zoom, 1.0);
  EXPECT_EQ(OnStylusDown(window, 10, 10), 0);
  EXPECT_EQ(trackState.dragging, 1);
}

TEST_F(ZoomButtonsTest, ButtonsAsDrawn) {
  HDC surface = GetDC(window);
  const COLORREF background = RGB(1, 2, 3);
  const COLORREF text = RGB(4, 5, 6);
  SetBkColor(surface, background);
  SetTextColor(surface, text);
  platform::testing::StartGdiRecording();
  DrawZoomButtons(window, surface);
  const std::vector<GdiRecord> record = platform::testing::StopGdiRecording();
  // Both colours are given back.
  EXPECT_EQ(SetBkColor(surface, background), background);
  EXPECT_EQ(SetTextColor(surface, text), text);
  ReleaseDC(window, surface);

  const std::vector<GdiRecord> frames = CallsNamed(record, "DrawFrameControl");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].args, (std::vector<long long>{3, 5, 25, 25, DFC_BUTTON, DFCS_BUTTONPUSH}));
  EXPECT_EQ(frames[1].args, (std::vector<long long>{73, 5, 95, 25, DFC_BUTTON, DFCS_BUTTONPUSH}));

  const std::vector<GdiRecord> texts = CallsNamed(record, "DrawTextW");
  ASSERT_EQ(texts.size(), 2u);
  const struct {
    std::wstring text;
    std::vector<long long> args;  // length, rectangle, format
  } labels[] = {{L"Z+", {-1, 3, 7, 25, 25, DT_CENTER}}, {L"Z-", {-1, 73, 7, 95, 25, DT_CENTER}}};
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(texts[i].text, labels[i].text);
    EXPECT_EQ(texts[i].args, labels[i].args) << "label " << i;
    EXPECT_EQ(texts[i].bkColour, RGB(200, 200, 200));
    EXPECT_EQ(texts[i].textColour, RGB(0, 0, 0));
  }

  const RECT zoomIn = {3, 7, 25, 25};
  const RECT zoomOut = {73, 7, 95, 25};
  EXPECT_EQ(std::memcmp(&zoomInHitRect, &zoomIn, sizeof zoomIn), 0);
  EXPECT_EQ(std::memcmp(&zoomOutHitRect, &zoomOut, sizeof zoomOut), 0);
}

struct HitCase {
  int x;
  int y;
  double zoom;  // after the tap; 1.0 with a drag started
};

TEST_F(ZoomButtonsTest, HitRectanglesAndTheirEdges) {
  Paint();
  const HitCase cases[] = {
      {3, 7, 0.5},   {24, 24, 0.5}, {14, 15, 0.5},               // Z+
      {73, 7, 2.0},  {94, 24, 2.0}, {80, 20, 2.0},               // Z-
      {10, 5, 1.0},  {10, 6, 1.0},  {80, 5, 1.0},  {80, 6, 1.0},  // the frames' top two rows
      {25, 10, 1.0}, {95, 10, 1.0}, {10, 25, 1.0}, {80, 25, 1.0}, // just right of and below
      {2, 10, 1.0},  {72, 10, 1.0}, {50, 15, 1.0}, {300, 300, 1.0},
  };
  for (const HitCase& c : cases) {
    trackState.zoom = 1.0;
    trackState.dragging = 0;
    const std::size_t redraws = Tap(c.x, c.y);
    EXPECT_EQ(trackState.zoom, c.zoom) << "(" << c.x << ", " << c.y << ")";
    EXPECT_EQ(redraws, c.zoom == 1.0 ? 0u : 1u) << "(" << c.x << ", " << c.y << ")";
    // A tap that is no zoom starts a drag (cleared again by the stylus going up).
    EXPECT_EQ(OnStylusDown(window, c.x, c.y), 0);
    EXPECT_EQ(trackState.dragging, c.zoom == 1.0 ? 1 : 0) << "(" << c.x << ", " << c.y << ")";
    OnStylusUp();
  }
}

TEST_F(ZoomButtonsTest, TenTapsEachWay) {
  Paint();
  for (int i = 0; i < 10; ++i) Tap(10, 10);
  EXPECT_EQ(trackState.zoom, 1.0 / 1024.0);
  trackState.zoom = 1.0;
  for (int i = 0; i < 10; ++i) Tap(80, 10);
  EXPECT_EQ(trackState.zoom, 1024.0);
}

TEST_F(ZoomButtonsTest, ZoomStaysWithinItsRange) {
  Paint();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Tap(10, 10), 1u);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -20));
  EXPECT_EQ(Tap(10, 10), 0u) << "a tap beyond the range only beeps";
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -20));
  EXPECT_EQ(Tap(80, 10), 1u) << "the other way still works";
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, -19));

  trackState.zoom = 1.0;
  for (int i = 0; i < 20; ++i) Tap(80, 10);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, 20));
  EXPECT_EQ(Tap(80, 10), 0u);
  EXPECT_EQ(trackState.zoom, std::ldexp(1.0, 20));
}

TEST_F(ZoomButtonsTest, DragsCarryOnFromEachOther) {
  Paint();
  EXPECT_EQ(OnStylusDown(window, 200, 100), 0);
  platform::testing::StartGdiRecording();
  EXPECT_EQ(OnStylusMove(window, 215, 95), 0);
  EXPECT_EQ(OnStylusMove(window, 230, 90), 0);
  EXPECT_EQ(PlotRedraws(platform::testing::StopGdiRecording()), 2u) << "every move redraws the plot";
  EXPECT_EQ(OnStylusUp(), 0);
  EXPECT_EQ(trackState.panX, 30);
  EXPECT_EQ(trackState.panY, -10);

  EXPECT_EQ(OnStylusDown(window, 50, 200), 0);
  EXPECT_EQ(trackState.panX, 30) << "pressing moves nothing";
  EXPECT_EQ(OnStylusMove(window, 60, 200), 0);
  EXPECT_EQ(OnStylusUp(), 0);
  EXPECT_EQ(trackState.panX, 40);
  EXPECT_EQ(trackState.panY, -10);
}

TEST_F(ZoomButtonsTest, MoveWithoutADragDoesNothing) {
  platform::testing::StartGdiRecording();
  EXPECT_EQ(OnStylusMove(window, 60, 200), 0);
  EXPECT_TRUE(platform::testing::StopGdiRecording().empty());
  EXPECT_EQ(trackState.panX, 0);
  EXPECT_EQ(trackState.panY, 0);
}

// Dragging from one corner of the stylus range to the other, over and over, never takes the
// offsets past 2^30, where the plot's arithmetic would overflow.
TEST_F(ZoomButtonsTest, PanStaysWithinItsLimit) {
  trackState.panX = (1 << 30) - 10;
  trackState.panY = -(1 << 30) + 10;
  for (int i = 0; i < 2; ++i) {
    OnStylusDown(window, 0, 65535);
    OnStylusMove(window, 65535, 0);
    OnStylusUp();
    EXPECT_EQ(trackState.panX, 1 << 30);
    EXPECT_EQ(trackState.panY, -(1 << 30));
  }
  // And back the other way from there.
  OnStylusDown(window, 65535, 0);
  OnStylusMove(window, 65525, 10);
  OnStylusUp();
  EXPECT_EQ(trackState.panX, (1 << 30) - 10);
  EXPECT_EQ(trackState.panY, -(1 << 30) + 10);
}

}  // namespace
