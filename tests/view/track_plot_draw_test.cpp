// The track plot as drawn: recorded calls on a window's surface, and a few pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "app/records.h"
#include "gdi_recording.h"
#include "platform/gdi.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "view/track_plot.h"
#include "view_fixtures.h"

namespace {

using view_test::Args;
using view_test::FixAt;
using view_test::GdiRecord;
using view_test::Only;
using view_test::OpsOf;
using view_test::Segment;
using view_test::SegmentsOf;

constexpr int Width = 480;
constexpr int Height = 536;
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Green = RGB(0, 255, 0);
constexpr COLORREF Black = RGB(0, 0, 0);

class TrackPlotDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    window_ = platform::testing::CreateSurfaceWindow(Width, Height);
    ASSERT_NE(nullptr, window_);
    liveHandles_ = platform::testing::CountLiveHandles();
  }
  void TearDown() override { DestroyWindow(window_); }

  // Draws the plot on a freshly obtained surface and returns what was drawn.
  std::vector<GdiRecord> Draw() {
    HDC surface = GetDC(window_);
    platform::testing::StartGdiRecording();
    DrawTrack(&trackState, window_, surface);
    std::vector<GdiRecord> records = platform::testing::StopGdiRecording();
    ReleaseDC(window_, surface);
    EXPECT_EQ(liveHandles_, platform::testing::CountLiveHandles()) << "objects left behind";
    return records;
  }

  // Stores a track around the reference 3712.5 E / 5545.25 N whose points project to the given
  // x values at zoom 1, all at y = 126.
  void StoreTrackAtX(std::initializer_list<std::int32_t> xs) {
    view_test::StartTrackAt(&trackState, FixAt(3712.5, 5545.25));
    double refMinutes = SignedMinutes(trackState.refLongitude, 'E');
    std::int32_t i = 0;
    for (std::int32_t x : xs) {
      // A third of a pixel beyond the target, so that truncation lands on it.
      double offset = x - 290;
      double nudge = offset > 0 ? 0.3 : offset < 0 ? -0.3 : 0.0;
      double minutes = refMinutes + (offset + nudge) / 100.0;
      trackState.points[i] = FixAt(view_test::NmeaFromMinutes(minutes), 5545.25);
      ASSERT_EQ(x, ProjectPoint(&trackState, &trackState.points[i]).x) << "point " << i;
      ++i;
    }
    trackState.pointCount = i;
  }

  HWND window_ = nullptr;
  std::size_t liveHandles_ = 0;
};

TEST_F(TrackPlotDrawTest, CallsInOrderForAShortTrack) {
  StoreTrackAtX({290, 390, 400});
  std::vector<GdiRecord> records = Draw();
  const std::vector<std::string> expected = {
      "CreateSolidBrush", "CreatePen", "FillRect", "SelectObject",                 // plot area
      "MoveToEx", "MoveToEx", "LineTo",                                            // the track
      "CreateSolidBrush", "CreatePen", "SelectObject", "SelectObject", "Ellipse",  // the dot
      "SelectObject", "SelectObject", "DeleteObject", "DeleteObject",
      "SelectObject", "DeleteObject", "DeleteObject"};                             // tidy up
  ASSERT_EQ(expected, OpsOf(records));

  EXPECT_EQ(Args({Black}), records[0].args);
  EXPECT_EQ(Args({PS_SOLID, 1, White}), records[1].args);
  EXPECT_EQ(Args({100, 0, Width, Height}), records[2].args);
  EXPECT_EQ(Black, records[2].brushColour) << "the fill uses the black brush";
  HGDIOBJ blackBrush = records[0].object;
  HGDIOBJ whitePen = records[1].object;
  EXPECT_EQ(whitePen, records[3].object);
  HGDIOBJ entryPen = records[3].result;

  const GdiRecord& line = records[6];
  EXPECT_EQ(White, line.penColour);
  EXPECT_EQ(1, line.penWidth);
  EXPECT_EQ(PS_SOLID, line.penStyle);

  EXPECT_EQ(Args({Green}), records[7].args);
  EXPECT_EQ(Args({PS_SOLID, 1, Green}), records[8].args);
  const GdiRecord& dot = records[11];
  EXPECT_EQ(Args({397, 123, 403, 129}), dot.args);
  EXPECT_EQ(Green, dot.penColour);
  EXPECT_EQ(Green, dot.brushColour);
  EXPECT_FALSE(dot.brushIsNull);
  // The green pen and brush go back out and are deleted, pen first.
  EXPECT_EQ(records[10].result, records[12].object);
  EXPECT_EQ(records[9].result, records[13].object);
  EXPECT_EQ(records[8].object, records[14].object);
  EXPECT_EQ(records[7].object, records[15].object);
  // The entry pen goes back in; the black brush and white pen are deleted.
  EXPECT_EQ(entryPen, records[16].object);
  EXPECT_EQ(blackBrush, records[17].object);
  EXPECT_EQ(whitePen, records[18].object);
}

TEST_F(TrackPlotDrawTest, JoinRuleOnAFreshSurface) {
  struct Case {
    std::initializer_list<std::int32_t> xs;
    std::vector<Segment> segments;
  } const cases[] = {
      {{200, 50, 220, 230}, {{50, 126, 220, 126}, {220, 126, 230, 126}}},
      {{200, 210, 50, 60, 220, 230, 240}, {{230, 126, 240, 126}}},
      {{200, 210, 220, 230}, {{210, 126, 220, 126}, {220, 126, 230, 126}}},
      {{50, 200, 210, 220}, {{210, 126, 220, 126}}},
      {{200, 101, 220}, {{101, 126, 220, 126}}},  // a line can start left of the limit
      {{300, 250, 200, 150}, {{250, 126, 200, 126}, {200, 126, 150, 126}}},
      {{200, 50}, {}},
  };
  for (const Case& c : cases) {
    StoreTrackAtX(c.xs);
    std::vector<GdiRecord> records = Draw();
    EXPECT_EQ(c.segments, SegmentsOf(records)) << "track of " << c.xs.size() << " points";
    // Every point is reached: by a move or by a line.
    EXPECT_EQ(c.xs.size(), Only(records, "MoveToEx").size() + Only(records, "LineTo").size());
  }
}

TEST_F(TrackPlotDrawTest, TwoPointsDrawOnlyTheDot) {
  StoreTrackAtX({300, 105});
  std::vector<GdiRecord> records = Draw();
  EXPECT_TRUE(Only(records, "LineTo").empty());
  std::vector<GdiRecord> dots = Only(records, "Ellipse");
  ASSERT_EQ(1u, dots.size());
  EXPECT_EQ(Args({102, 123, 108, 129}), dots[0].args);

  StoreTrackAtX({300, 104});  // x - 3 is no longer right of 101
  EXPECT_TRUE(Only(Draw(), "Ellipse").empty());
}

TEST_F(TrackPlotDrawTest, EmptyTrackClearsThePlotAndLeavesTheReferenceUnset) {
  std::vector<GdiRecord> records = Draw();
  EXPECT_EQ(1u, Only(records, "FillRect").size());
  EXPECT_TRUE(Only(records, "MoveToEx").empty());
  EXPECT_TRUE(Only(records, "LineTo").empty());
  EXPECT_TRUE(Only(records, "Ellipse").empty());
  EXPECT_EQ(0.0, trackState.refLatitude);
  EXPECT_EQ(0.0, trackState.refLongitude);
}

TEST_F(TrackPlotDrawTest, ReferenceIsTakenFromTheFirstPointOnceAndKept) {
  trackState.points[0] = FixAt(3712.5, 5545.25);
  trackState.points[1] = FixAt(3712.75, 5545.5);
  trackState.pointCount = 2;
  Draw();
  EXPECT_EQ(trackState.points[0].longitude, trackState.refLongitude);
  EXPECT_EQ(trackState.points[0].latitude, trackState.refLatitude);
  trackState.panX = 10;
  std::vector<GdiRecord> dots = Only(Draw(), "Ellipse");
  ASSERT_EQ(1u, dots.size());
  EXPECT_EQ(Args({322, 98, 328, 104}), dots[0].args);  // point 1 at (325, 101)
}

TEST_F(TrackPlotDrawTest, SouthernAndWesternTrackRunsUpAndRight) {
  // Driving north-east from 33°27' S 70°40' W: latitude numbers fall, longitude numbers fall.
  trackState.points[0] = FixAt(7040.0, 3327.0, 'W', 'S');
  trackState.points[1] = FixAt(7039.5, 3326.5, 'W', 'S');
  trackState.points[2] = FixAt(7039.0, 3326.0, 'W', 'S');
  trackState.pointCount = 3;
  std::vector<GdiRecord> records = Draw();
  const std::vector<Segment> expected = {{340, 76, 390, 26}};
  EXPECT_EQ(expected, SegmentsOf(records));
}

TEST_F(TrackPlotDrawTest, TrackOverADegreeLineHasNoJump) {
  trackState.points[0] = FixAt(1159.5, 4759.5);
  trackState.points[1] = FixAt(1159.75, 4759.75);
  trackState.points[2] = FixAt(1200.0, 4800.0);
  trackState.points[3] = FixAt(1200.25, 4800.25);
  trackState.pointCount = 4;
  const std::vector<Segment> expected = {{315, 101, 340, 76}, {340, 76, 365, 51}};
  EXPECT_EQ(expected, SegmentsOf(Draw()));
}

TEST_F(TrackPlotDrawTest, HugeZoomAndBrokenPointsSaturate) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  trackState.points[0] = FixAt(3712.5, 5545.25);
  trackState.points[1] = FixAt(3712.5, 5545.25);
  trackState.points[2] = FixAt(3713.5, 5544.25);
  trackState.points[3] = FixAt(3713.5, 5544.25);
  trackState.pointCount = 4;
  trackState.zoom = std::ldexp(1.0, -25);
  const std::vector<Segment> expected = {{290, 126, max, max}, {max, max, max, max}};
  std::vector<GdiRecord> records = Draw();
  EXPECT_EQ(expected, SegmentsOf(records));
  std::vector<GdiRecord> dots = Only(records, "Ellipse");
  ASSERT_EQ(1u, dots.size());
  EXPECT_EQ(Args({max - 3, max - 3, max, max}), dots[0].args);

  trackState.zoom = 1.0;
  trackState.points[2].latitude = std::nan("");
  trackState.points[3].longitude = std::numeric_limits<double>::infinity();
  records = Draw();
  EXPECT_TRUE(Only(records, "Ellipse").empty());
  // Not-a-number lands far up or far left, like any point far off the surface.
  const std::vector<Segment> broken = {{290, 126, 390, min}};
  EXPECT_EQ(broken, SegmentsOf(records));
  std::vector<GdiRecord> moves = Only(records, "MoveToEx");
  ASSERT_EQ(3u, moves.size());
  EXPECT_EQ(Args({min, 226}), std::vector<long long>(moves[2].args.begin(), moves[2].args.begin() + 2));
}

TEST_F(TrackPlotDrawTest, PixelsOfTheFillTrackAndDot) {
  HDC surface = GetDC(window_);
  RECT all{0, 0, Width, Height};
  HBRUSH background = CreateSolidBrush(RGB(0, 50, 0));
  FillRect(surface, &all, background);
  DeleteObject(background);
  ReleaseDC(window_, surface);

  StoreTrackAtX({290, 390, 400});
  trackState.points[2] = FixAt(view_test::NmeaFromMinutes(2232.5 + 1.103), 5545.0);  // (400, 151)
  surface = GetDC(window_);
  DrawTrack(&trackState, window_, surface);
  EXPECT_EQ(RGB(0, 50, 0), GetPixel(surface, 99, 300)) << "the left band is not touched";
  EXPECT_EQ(Black, GetPixel(surface, 100, 300));
  EXPECT_EQ(Black, GetPixel(surface, Width - 1, Height - 1));
  EXPECT_EQ(Black, GetPixel(surface, 290, 126)) << "the first segment is never drawn";
  EXPECT_EQ(White, GetPixel(surface, 390, 126)) << "the line starts at point 1";
  EXPECT_EQ(Green, GetPixel(surface, 400, 151)) << "the dot covers the last point";
  EXPECT_EQ(Black, GetPixel(surface, 400, 157));
  ReleaseDC(window_, surface);
}

}  // namespace
