// Pixels drawn on real cairo surfaces: fills, the exact one-pixel line, wide lines, ellipses,
// the push-button frame, far-off coordinates and the box of changed pixels.
#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "platform/detail/surface_dc.h"
#include "platform/gdi.h"
#include "platform/gdi_test_util.h"

namespace {

using kavro_test::CountPixels;
using kavro_test::Picture;
using kavro_test::Selected;
using kavro_test::SurfaceDc;

constexpr COLORREF kBack = RGB(0, 0, 128);  // what SurfaceDc starts with
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct Segment {
  int x0, y0, x1, y1;
};

std::ostream& operator<<(std::ostream& out, const Segment& l) {
  return out << "line (" << l.x0 << "," << l.y0 << ")-(" << l.x1 << "," << l.y1 << ")";
}

void Line(HDC dc, const Segment& l, COLORREF colour, int width = 1) {
  Selected pen(dc, CreatePen(PS_SOLID, width, colour));
  MoveToEx(dc, l.x0, l.y0, nullptr);
  LineTo(dc, l.x1, l.y1);
}

HBRUSH Black() { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }

using PixelSet = std::set<std::pair<long long, long long>>;

// The pixels of the ideal line that fall on a 40 x 30 surface: one per step along the major
// axis, the minor offset rounded to the nearest pixel with ties towards the start, the last
// pixel left out. It is worked out for the whole line, so a clipped line must keep the pixels
// of the unclipped one.
PixelSet IdealLine(const Segment& l) {
  const long long dx = static_cast<long long>(l.x1) - l.x0;
  const long long dy = static_cast<long long>(l.y1) - l.y0;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const long long major0 = xMajor ? l.x0 : l.y0;
  const long long minor0 = xMajor ? l.y0 : l.x0;
  const long long steps = std::llabs(xMajor ? dx : dy);
  const long long dMinor = xMajor ? dy : dx;
  PixelSet lit;
  for (long long m = 0; m < (xMajor ? 40 : 30); ++m) {
    const long long t = (xMajor ? dx : dy) < 0 ? major0 - m : m - major0;  // steps from the start
    if (t < 0 || t >= steps) continue;
    const long double exact = static_cast<long double>(t) *
                              static_cast<long double>(std::llabs(dMinor)) /
                              static_cast<long double>(steps);
    const auto offset = static_cast<long long>(std::ceil(exact - 0.5L));
    const long long n = minor0 + (dMinor < 0 ? -offset : offset);
    if (n >= 0 && n < (xMajor ? 30 : 40)) lit.insert(xMajor ? std::pair{m, n} : std::pair{n, m});
  }
  return lit;
}

class GdiDraw : public kavro_test::GdiTest {};

TEST_F(GdiDraw, FillRectLeavesOutTheRightAndBottomEdges) {
  SurfaceDc s(8, 5);
  const RECT r{2, 1, 6, 4};
  EXPECT_EQ(FillRect(s.get(), &r, Black()), 1);
  // Empty and inverted rectangles fill nothing; a huge one fills the surface, no more.
  for (const RECT& e : {RECT{5, 5, 5, 9}, RECT{6, 1, 2, 4}, RECT{2, 4, 6, 1}}) {
    FillRect(s.get(), &e, Black());
  }
  EXPECT_EQ(Picture(s.get(), 0, 0, 8, 5, {{kBack, '.'}, {kBlack, '#'}}),
            "........\n"
            "..####..\n"
            "..####..\n"
            "..####..\n"
            "........\n");
  const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  FillRect(s.get(), &huge, Black());
  EXPECT_EQ(CountPixels(s.get(), 0, 0, 8, 5, kBlack), 40);
}

TEST_F(GdiDraw, OnePixelLinesLightTheIdealPixels) {
  const Segment lines[] = {
      // On the surface: every direction, level and upright, and no length at all.
      {0, 0, 7, 7}, {30, 28, 3, 1}, {10, 2, 13, 25}, {13, 28, 10, 1}, {1, 5, 38, 16},
      {38, 27, 1, 14}, {5, 20, 36, 19}, {2, 1, 8, 1}, {20, 25, 20, 3}, {3, 3, 3, 3},
      // Partly off the surface, some with pixel centres halfway.
      {-50, -20, 300, 131}, {-7, 60, 50, -40}, {25, -200, 10, 251}, {150, 21, -90, 2},
      {-1, -1, 100, 60}, {39, 40, 39, -10},
      // Across the whole coordinate range, and billions of pixels long.
      {INT_MIN, 5, INT_MAX, 5}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
      {-1000000001, -300000000, 1000000000, 300000011}, {7, -1500000000, 31, INT_MAX},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN + 20},
  };
  for (const Segment& l : lines) {
    SurfaceDc s(40, 30);
    Line(s.get(), l, kWhite);
    PixelSet lit;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (GetPixel(s.get(), x, y) == kWhite) lit.insert({x, y});
      }
    }
    EXPECT_EQ(lit, IdealLine(l)) << l;
  }
}

TEST_F(GdiDraw, LinesFarOffTheSurfaceDrawNothing) {
  // Far enough that even the round ends of a 5-pixel pen stay off the 40 x 30 surface.
  const Segment lines[] = {
      {INT_MIN, INT_MIN, INT_MAX, INT_MIN}, {INT_MAX, INT_MAX, INT_MAX, INT_MIN},
      {INT_MIN, 0, -4, 0}, {-1000000, 5, -999999, 5}, {INT_MIN, INT_MAX, INT_MAX, INT_MAX},
      {43, 0, INT_MAX, 0}, {INT_MIN, INT_MIN + 1, INT_MIN, INT_MIN}, {-5, -5, INT_MIN, INT_MAX},
      {100, -3, -3, 100},
  };
  for (int width : {1, 5}) {
    for (const Segment& l : lines) {
      SurfaceDc s(40, 30);
      Line(s.get(), l, kWhite, width);
      EXPECT_EQ(CountPixels(s.get(), 0, 0, 40, 30, kWhite), 0) << "width " << width << " " << l;
    }
  }
}

TEST_F(GdiDraw, WidePensDrawRoundEndedLinesOfTheirWidth) {
  SurfaceDc s(30, 9);
  Line(s.get(), {5, 4, 24, 4}, kRed, 5);
  // Pixel centres within 2.5 of the segment from (5.5, 4.5) to (24.5, 4.5).
  EXPECT_EQ(Picture(s.get(), 0, 1, 30, 8, {{kBack, '.'}, {kRed, '#'}}),
            "..............................\n"
            "....######################....\n"
            "...########################...\n"
            "...########################...\n"
            "...########################...\n"
            "....######################....\n"
            "..............................\n");
  SurfaceDc w(40, 30);
  Line(w.get(), {20, INT_MIN, 20, INT_MAX}, kWhite, 5);  // columns 18 to 22, top to bottom
  EXPECT_EQ(CountPixels(w.get(), 18, 0, 23, 30, kWhite), 150);
  EXPECT_EQ(CountPixels(w.get(), 0, 0, 40, 30, kWhite), 150);
}

TEST_F(GdiDraw, EllipsesAreOutlinedWithThePenAndFilledWithTheBrush) {
  SurfaceDc s(16, 12);
  EXPECT_TRUE(Ellipse(s.get(), 1, 1, 15, 11));  // the fresh DC: black pen, white brush
  EXPECT_EQ(Picture(s.get(), 0, 1, 16, 11, {{kBack, '.'}, {kWhite, ' '}, {kBlack, '#'}}),
            ".....######.....\n"
            "...##      ##...\n"
            "..#          #..\n"
            ".#            #.\n"
            ".#            #.\n"
            ".#            #.\n"
            ".#            #.\n"
            "..#          #..\n"
            "...##      ##...\n"
            ".....######.....\n");
}

TEST_F(GdiDraw, HugeAndFarOffEllipsesDrawOnlyTheirVisiblePart) {
  struct Case {
    RECT box;
    int backRows;     // untouched rows at the top of the 40 x 30 surface,
    int outlineRows;  // then rows of outline, then brush to the bottom
  };
  const Case cases[] = {
      {{INT_MAX - 10, 0, INT_MAX, 10}, 30, 0},
      {{INT_MIN, INT_MIN, INT_MIN + 1000, INT_MIN + 1000}, 30, 0},
      {{0, 40, 40, INT_MAX}, 30, 0},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0},  // the surface deep inside
      {{INT_MIN, 10, INT_MAX, INT_MAX}, 10, 1},      // the top crosses the surface
  };
  for (const Case& c : cases) {
    SurfaceDc s(40, 30);
    Selected red(s.get(), CreateSolidBrush(kRed));
    Ellipse(s.get(), c.box.left, c.box.top, c.box.right, c.box.bottom);
    const int fill = c.backRows + c.outlineRows;
    EXPECT_EQ(CountPixels(s.get(), 0, 0, 40, c.backRows, kBack), 40 * c.backRows) << c.box.top;
    EXPECT_EQ(CountPixels(s.get(), 0, c.backRows, 40, fill, kBlack), 40 * c.outlineRows);
    EXPECT_EQ(CountPixels(s.get(), 0, fill, 40, 30, kRed), 40 * (30 - fill)) << c.box.top;
  }
}

// An ellipse drawn again in the same place comes from the pixels remembered the first time it
// was drawn through cairo: later drawings must match the first pixel for pixel.
TEST_F(GdiDraw, RepeatedEllipsesDrawTheSamePixels) {
  struct Case {
    const char* name;
    RECT box;
    int penWidth;        // 0: PS_NULL
    bool brush;          // false: NULL_BRUSH
    bool wideLineFirst;  // a wide line sets round caps and joins on the DC's cairo state
  };
  const Case cases[] = {
      {"compass dial", {7, 3, 53, 49}, 1, true, false},
      {"hub after a wide needle", {24, 20, 37, 31}, 1, true, true},
      {"wide pen, no brush", {5, 6, 44, 41}, 4, false, false},
      {"pen wider than the box", {11, 12, 15, 15}, 6, true, false},
      {"no pen", {3, 2, 22, 13}, 0, true, false},
      {"across the top left corner", {-9, -7, 17, 13}, 2, true, false},
      {"across the bottom right edge", {40, 31, 71, 58}, 1, true, true},
  };
  for (const Case& c : cases) {
    std::string first;
    for (int round = 1; round <= 3; ++round) {
      SurfaceDc s(60, 50);
      if (c.wideLineFirst) Line(s.get(), {0, 49, 5, 49}, kWhite, 3);
      Selected pen(s.get(), CreatePen(c.penWidth > 0 ? PS_SOLID : PS_NULL, c.penWidth, kRed));
      Selected brush(s.get(), c.brush ? CreateSolidBrush(kGreen) : GetStockObject(NULL_BRUSH));
      Ellipse(s.get(), c.box.left, c.box.top, c.box.right, c.box.bottom);
      const std::string picture =
          Picture(s.get(), 0, 0, 60, 50, {{kBack, '.'}, {kRed, '#'}, {kGreen, 'o'}, {kWhite, 'w'}});
      if (round == 1) first = picture;
      EXPECT_EQ(picture, first) << c.name << ", drawing " << round;
    }
    EXPECT_NE(first.find_first_of("#o"), std::string::npos) << c.name << " draws nothing";
  }
}

TEST_F(GdiDraw, PushButtonFrameIsRaisedWithATwoPixelEdge) {
  SurfaceDc s(10, 8);
  RECT r{1, 1, 9, 7};
  EXPECT_TRUE(DrawFrameControl(s.get(), &r, DFC_BUTTON, DFCS_BUTTONPUSH));
  EXPECT_FALSE(DrawFrameControl(s.get(), &r, 1, 0)) << "only push buttons are drawn";
  EXPECT_EQ(Picture(s.get(), 0, 0, 10, 8,
                    {{kBack, '.'}, {kWhite, 'W'}, {RGB(223, 223, 223), 'l'},
                     {RGB(192, 192, 192), ' '}, {RGB(128, 128, 128), 'g'}, {kBlack, 'B'}}),
            "..........\n"
            ".WWWWWWWB.\n"
            ".WlllllgB.\n"
            ".Wl    gB.\n"
            ".Wl    gB.\n"
            ".WggggggB.\n"
            ".BBBBBBBB.\n"
            "..........\n");
}

// The box of what a drawing changed, as closing its DC on the surface reports it.
std::vector<LONG> ChangedBox(cairo_surface_t* surface, void (*draw)(HDC)) {
  HDC dc = platform::detail::OpenSurfaceDC(surface);
  draw(dc);
  RECT changed{1, 2, 3, 4};
  EXPECT_TRUE(platform::detail::CloseSurfaceDC(dc, &changed));
  return {changed.left, changed.top, changed.right, changed.bottom};
}

TEST_F(GdiDraw, ClosingASurfaceDcReportsTheBoxOfChangedPixels) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 50, 40);
  EXPECT_EQ(ChangedBox(surface, [](HDC dc) {
              const RECT clipped{INT_MIN, 30, 20, INT_MAX};
              FillRect(dc, &clipped, Black());
              MoveToEx(dc, 30, 20, nullptr);
              LineTo(dc, 40, 30);
            }),
            (std::vector<LONG>{0, 20, 40, 40}));
  EXPECT_EQ(ChangedBox(surface, [](HDC dc) { Ellipse(dc, 2, 3, 8, 9); }),
            (std::vector<LONG>{2, 3, 8, 9}));
  EXPECT_EQ(ChangedBox(surface, [](HDC dc) {
              MoveToEx(dc, -100, -100, nullptr);
              LineTo(dc, -10, INT_MAX);
              Ellipse(dc, 60, 0, 70, 10);
            }),
            (std::vector<LONG>{0, 0, 0, 0}))
      << "drawing off the surface changes nothing";
  cairo_surface_destroy(surface);
}

TEST_F(GdiDraw, DirectPixelsAndCairoDrawingMixInOrder) {
  // Fills and one-pixel lines take different ways to the pixels; each must see the one before.
  SurfaceDc s(10, 3);
  const RECT all{0, 0, 10, 3};
  const RECT right{5, 0, 10, 3};
  FillRect(s.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Line(s.get(), {0, 1, 10, 1}, kRed);
  FillRect(s.get(), &right, Black());
  Line(s.get(), {9, 0, 9, 3}, kGreen);
  EXPECT_EQ(Picture(s.get(), 0, 0, 10, 3, {{kWhite, ' '}, {kRed, 'r'}, {kBlack, '#'}, {kGreen, 'g'}}),
            "     ####g\n"
            "rrrrr####g\n"
            "     ####g\n");
}

}  // namespace
