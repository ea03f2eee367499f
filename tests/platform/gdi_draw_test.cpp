// Pixels drawn on real cairo surfaces: fills, exact one-pixel lines, wide lines, ellipses,
// rectangles, the push-button frame, clipping of far-off coordinates and damage tracking.
#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/detail/surface_dc.h"
#include "platform/gdi.h"
#include "platform/gdi_test_util.h"
#include "platform/testing.h"

namespace {

using kavro_test::CountPixels;
using kavro_test::GdiTest;
using kavro_test::Picture;
using kavro_test::SurfaceDc;

constexpr COLORREF kBack = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

using PixelSet = std::set<std::pair<int, int>>;

PixelSet PixelsOf(HDC dc, int width, int height, COLORREF colour) {
  PixelSet lit;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (GetPixel(dc, x, y) == colour) lit.insert({x, y});
    }
  }
  return lit;
}

std::string Show(const PixelSet& pixels) {
  std::string out;
  for (const auto& [x, y] : pixels) out += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  return out;
}

// The ideal line rounded to the nearest pixel along its major axis, last pixel left out.
// The lines used have odd major deltas, so no pixel centre lies halfway.
PixelSet IdealLine(int x0, int y0, int x1, int y1, int width, int height) {
  PixelSet lit;
  const int dx = x1 - x0;
  const int dy = y1 - y0;
  const int steps = std::max(std::abs(dx), std::abs(dy));
  for (int t = 0; t < steps; ++t) {
    const double f = static_cast<double>(t) / steps;
    const int x = x0 + static_cast<int>(std::lround(f * dx));
    const int y = y0 + static_cast<int>(std::lround(f * dy));
    if (x >= 0 && y >= 0 && x < width && y < height) lit.insert({x, y});
  }
  return lit;
}

class GdiDraw : public GdiTest {
 protected:
  // Draws one line with a pen of the colour and width and returns the pen to the stock pen.
  static void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour, int width = 1) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
};

TEST_F(GdiDraw, FillRectFillsLeftToRightMinusOneAndTopToBottomMinusOne) {
  SurfaceDc s(8, 6);
  HBRUSH red = CreateSolidBrush(kRed);
  const RECT r{2, 1, 6, 4};
  EXPECT_EQ(FillRect(s.get(), &r, red), 1);
  EXPECT_EQ(Picture(s.get(), 0, 0, 8, 6, {{kBack, '.'}, {kRed, '#'}}),
            "........\n"
            "..####..\n"
            "..####..\n"
            "..####..\n"
            "........\n"
            "........\n");
  // Empty and inverted rectangles fill nothing; a huge one fills the surface, no more.
  const RECT nothing[] = {{5, 5, 5, 9}, {6, 1, 2, 4}, {2, 4, 6, 1}};
  HBRUSH green = CreateSolidBrush(kGreen);
  for (const RECT& e : nothing) FillRect(s.get(), &e, green);
  EXPECT_EQ(CountPixels(s.get(), 0, 0, 8, 6, kGreen), 0);
  const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  FillRect(s.get(), &huge, green);
  EXPECT_EQ(CountPixels(s.get(), 0, 0, 8, 6, kGreen), 48);
  DeleteObject(red);
  DeleteObject(green);
}

TEST_F(GdiDraw, LineToLeavesOutItsLastPixel) {
  SurfaceDc s(10, 3);
  Line(s.get(), 2, 1, 8, 1, kWhite);
  EXPECT_EQ(Picture(s.get(), 0, 0, 10, 3, {{kBack, '.'}, {kWhite, '#'}}),
            "..........\n"
            "..######..\n"
            "..........\n");
  // A zero-length line draws nothing; joined segments light each corner once.
  SurfaceDc t(6, 6);
  Line(t.get(), 3, 3, 3, 3, kWhite);
  EXPECT_EQ(CountPixels(t.get(), 0, 0, 6, 6, kWhite), 0);
  HGDIOBJ old = SelectObject(t.get(), GetStockObject(WHITE_PEN));
  MoveToEx(t.get(), 1, 1, nullptr);
  LineTo(t.get(), 4, 1);
  LineTo(t.get(), 4, 4);
  LineTo(t.get(), 1, 4);
  LineTo(t.get(), 1, 1);
  SelectObject(t.get(), old);
  EXPECT_EQ(Picture(t.get(), 0, 0, 6, 6, {{kBack, '.'}, {kWhite, '#'}}),
            "......\n"
            ".####.\n"
            ".#..#.\n"
            ".#..#.\n"
            ".####.\n"
            "......\n");
}

TEST_F(GdiDraw, OnePixelLinesFollowTheIdealLinePixelByPixel) {
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {
      {0, 0, 7, 7},     // diagonal
      {30, 39, 3, 12},  // diagonal, backwards
      {10, 2, 13, 25},  // steep
      {13, 38, 10, 1},  // steep, upwards
      {1, 5, 38, 16},   // shallow
      {38, 30, 1, 17},  // shallow, leftwards
      {5, 30, 36, 29},  // nearly flat
  };
  for (const Case& c : cases) {
    SurfaceDc s(40, 40);
    Line(s.get(), c.x0, c.y0, c.x1, c.y1, kWhite);
    const PixelSet expected = IdealLine(c.x0, c.y0, c.x1, c.y1, 40, 40);
    const PixelSet actual = PixelsOf(s.get(), 40, 40, kWhite);
    EXPECT_EQ(actual, expected) << "line (" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1
                                << ")\nexpected " << Show(expected) << "\nactual   " << Show(actual);
  }
}

TEST_F(GdiDraw, ClippedLinesKeepThePixelsOfTheUnclippedLine) {
  // The same line on a small surface and, shifted, inside a big one.
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {{-50, -20, 300, 131}, {-7, 100, 120, -33}, {45, -200, 20, 251},
                        {150, 61, -90, 2},    {-1, -1, 100, 60},   {99, 70, 99, -10}};
  constexpr int kDx = 300;
  constexpr int kDy = 250;
  for (const Case& c : cases) {
    SurfaceDc small(100, 60);
    SurfaceDc big(700, 600);
    Line(small.get(), c.x0, c.y0, c.x1, c.y1, kWhite);
    Line(big.get(), c.x0 + kDx, c.y0 + kDy, c.x1 + kDx, c.y1 + kDy, kWhite);
    const std::map<COLORREF, char> legend{{kBack, '.'}, {kWhite, '#'}};
    EXPECT_EQ(Picture(small.get(), 0, 0, 100, 60, legend), Picture(big.get(), kDx, kDy, kDx + 100, kDy + 60, legend))
        << "line (" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
  }
}

TEST_F(GdiDraw, LinesFarOffTheSurfaceDrawNothing) {
  // Far enough that even the round ends of a 5-pixel pen stay off the 40 x 30 surface.
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {
      {INT_MIN, INT_MIN, INT_MAX, INT_MIN}, {INT_MAX, INT_MAX, INT_MAX, INT_MIN}, {INT_MIN, 0, -4, 0},
      {-1000000, 5, -999999, 5},            {INT_MIN, INT_MAX, INT_MAX, INT_MAX}, {43, 0, INT_MAX, 0},
      {INT_MIN, INT_MIN + 1, INT_MIN, INT_MIN}, {-5, -5, INT_MIN, INT_MAX},       {100, -3, -3, 100},
  };
  for (int width : {1, 5}) {
    for (const Case& c : cases) {
      SurfaceDc s(40, 30);
      Line(s.get(), c.x0, c.y0, c.x1, c.y1, kWhite, width);
      EXPECT_EQ(CountPixels(s.get(), 0, 0, 40, 30, kWhite), 0)
          << "width " << width << " line (" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
    }
  }
}

TEST_F(GdiDraw, LinesAcrossTheWholeCoordinateRangeDrawExactlyTheirVisiblePart) {
  SurfaceDc s(40, 30);
  Line(s.get(), INT_MIN, 5, INT_MAX, 5, kWhite);  // row 5, all of it
  EXPECT_EQ(CountPixels(s.get(), 0, 5, 40, 6, kWhite), 40);
  EXPECT_EQ(CountPixels(s.get(), 0, 0, 40, 30, kWhite), 40);
  SurfaceDc d(40, 30);
  Line(d.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, kWhite);  // slope exactly 1: the diagonal
  const PixelSet diagonal = PixelsOf(d.get(), 40, 30, kWhite);
  PixelSet expected;
  for (int i = 0; i < 30; ++i) expected.insert({i, i});
  EXPECT_EQ(diagonal, expected) << Show(diagonal);
  SurfaceDc w(40, 30);
  Line(w.get(), 20, INT_MIN, 20, INT_MAX, kWhite, 5);  // wide and vertical: columns 18..22
  EXPECT_EQ(CountPixels(w.get(), 18, 0, 23, 30, kWhite), 150);
  EXPECT_EQ(CountPixels(w.get(), 0, 0, 40, 30, kWhite), 150);
}

TEST_F(GdiDraw, LongLinesThroughTheSurfaceHitTheIdealPixels) {
  // Billions of pixels long, with odd major deltas (no ties); the visible part is checked
  // against the ideal line computed in long double.
  struct Case {
    long long x0, y0, x1, y1;
  };
  const Case cases[] = {{-1000000001, -300000000, 1000000000, 300000011},
                        {7, -1500000000, 31, 2147483647},
                        {2147483647, 2147483647, -2147483648LL, -2147483628LL}};
  for (const Case& c : cases) {
    SurfaceDc s(40, 30);
    Line(s.get(), static_cast<int>(c.x0), static_cast<int>(c.y0), static_cast<int>(c.x1), static_cast<int>(c.y1),
         kWhite);
    const long long dx = c.x1 - c.x0;
    const long long dy = c.y1 - c.y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    PixelSet expected;
    for (long long m = 0; m < (xMajor ? 40 : 30); ++m) {
      const long long t = xMajor ? (m - c.x0) * (dx < 0 ? -1 : 1) : (m - c.y0) * (dy < 0 ? -1 : 1);
      const long long steps = xMajor ? std::llabs(dx) : std::llabs(dy);
      if (t < 0 || t >= steps) continue;
      const long double f = static_cast<long double>(t) / static_cast<long double>(steps);
      const long long n = xMajor ? c.y0 + std::llroundl(f * static_cast<long double>(dy))
                                 : c.x0 + std::llroundl(f * static_cast<long double>(dx));
      const long long x = xMajor ? m : n;
      const long long y = xMajor ? n : m;
      if (x >= 0 && x < 40 && y >= 0 && y < 30) expected.insert({static_cast<int>(x), static_cast<int>(y)});
    }
    const PixelSet actual = PixelsOf(s.get(), 40, 30, kWhite);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(actual, expected) << "line (" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1
                                << ")\nexpected " << Show(expected) << "\nactual   " << Show(actual);
  }
}

TEST_F(GdiDraw, WidePenDrawsAFiveWideLineWithRoundEnds) {
  SurfaceDc s(30, 15);
  Line(s.get(), 5, 7, 24, 7, kRed, 5);
  // Pixel centres within 2.5 of the segment from (5.5, 7.5) to (24.5, 7.5).
  EXPECT_EQ(Picture(s.get(), 0, 3, 30, 12, {{kBack, '.'}, {kRed, '#'}}),
            "..............................\n"
            "..............................\n"
            "....######################....\n"
            "...########################...\n"
            "...########################...\n"
            "...########################...\n"
            "....######################....\n"
            "..............................\n"
            "..............................\n");
}

TEST_F(GdiDraw, EndDotFillsItsBoxWithoutTheRightAndBottomEdges) {
  SurfaceDc s(12, 12);
  HPEN pen = CreatePen(PS_SOLID, 1, kGreen);
  HBRUSH brush = CreateSolidBrush(kGreen);
  HGDIOBJ oldPen = SelectObject(s.get(), pen);
  HGDIOBJ oldBrush = SelectObject(s.get(), brush);
  const int x = 5;
  const int y = 6;
  EXPECT_TRUE(Ellipse(s.get(), x - 3, y - 3, x + 3, y + 3));
  SelectObject(s.get(), oldPen);
  SelectObject(s.get(), oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
  EXPECT_EQ(Picture(s.get(), 0, 0, 12, 12, {{kBack, '.'}, {kGreen, '#'}}),
            "............\n"
            "............\n"
            "............\n"
            "...####.....\n"
            "..######....\n"
            "..######....\n"
            "..######....\n"
            "..######....\n"
            "...####.....\n"
            "............\n"
            "............\n"
            "............\n");
}

TEST_F(GdiDraw, EllipseIsOutlinedWithThePenAndFilledWithTheBrush) {
  SurfaceDc s(16, 12);
  EXPECT_TRUE(Ellipse(s.get(), 1, 1, 15, 11));  // the fresh DC: black pen, white brush
  EXPECT_EQ(Picture(s.get(), 0, 0, 16, 12, {{kBack, '.'}, {kWhite, ' '}, {kBlack, '#'}}),
            "................\n"
            ".....######.....\n"
            "...##      ##...\n"
            "..#          #..\n"
            ".#            #.\n"
            ".#            #.\n"
            ".#            #.\n"
            ".#            #.\n"
            "..#          #..\n"
            "...##      ##...\n"
            ".....######.....\n"
            "................\n");
}

TEST_F(GdiDraw, HugeAndFarOffEllipsesDrawOnlyTheirVisiblePart) {
  HBRUSH red = CreateSolidBrush(kRed);
  SurfaceDc far(40, 30);
  HGDIOBJ old = SelectObject(far.get(), red);
  Ellipse(far.get(), INT_MAX - 10, 0, INT_MAX, 10);
  Ellipse(far.get(), INT_MIN, INT_MIN, INT_MIN + 1000, INT_MIN + 1000);
  Ellipse(far.get(), 0, 40, 40, INT_MAX);
  EXPECT_EQ(CountPixels(far.get(), 0, 0, 40, 30, kBack), 1200);
  SelectObject(far.get(), old);

  // Covering everything: the surface is deep inside, all brush.
  SurfaceDc all(40, 30);
  old = SelectObject(all.get(), red);
  Ellipse(all.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(CountPixels(all.get(), 0, 0, 40, 30, kRed), 1200);

  // The top of a huge ellipse crosses the surface at row 10: outline there, fill below.
  SurfaceDc top(40, 30);
  SelectObject(all.get(), old);
  old = SelectObject(top.get(), red);
  Ellipse(top.get(), INT_MIN, 10, INT_MAX, INT_MAX);
  EXPECT_EQ(CountPixels(top.get(), 0, 0, 40, 10, kBack), 400);
  EXPECT_EQ(CountPixels(top.get(), 0, 10, 40, 11, kBlack), 40);
  EXPECT_EQ(CountPixels(top.get(), 0, 11, 40, 30, kRed), 760);
  SelectObject(top.get(), old);
  DeleteObject(red);
}

struct RepeatedEllipseCase {
  const char* name;
  RECT box;
  int penStyle;
  int penWidth;
  bool nullBrush;
  bool wideLineFirst;  // a wide line sets round caps and joins on the DC's cairo state
};

class RepeatedEllipse : public GdiDraw, public ::testing::WithParamInterface<RepeatedEllipseCase> {
 protected:
  // One ellipse on a fresh 60 x 50 surface, as the case says; the picture of the surface.
  static std::string DrawOnce(const RepeatedEllipseCase& c) {
    SurfaceDc s(60, 50);
    if (c.wideLineFirst) Line(s.get(), 0, 49, 5, 49, kWhite, 3);
    HPEN pen = CreatePen(c.penStyle, c.penWidth, kRed);
    HBRUSH brush = c.nullBrush ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : CreateSolidBrush(kGreen);
    HGDIOBJ oldPen = SelectObject(s.get(), pen);
    HGDIOBJ oldBrush = SelectObject(s.get(), brush);
    Ellipse(s.get(), c.box.left, c.box.top, c.box.right, c.box.bottom);
    SelectObject(s.get(), oldPen);
    SelectObject(s.get(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    return Picture(s.get(), 0, 0, 60, 50, {{kBack, '.'}, {kRed, '#'}, {kGreen, 'o'}, {kWhite, 'w'}});
  }
};

// An ellipse drawn again in the same place comes from the pixels remembered the first time it
// was drawn through cairo: the second and third drawings must match the first pixel for pixel.
TEST_P(RepeatedEllipse, DrawsTheSamePixelsEveryTime) {
  const RepeatedEllipseCase& c = GetParam();
  const std::string first = DrawOnce(c);
  EXPECT_NE(first.find_first_of("#o"), std::string::npos) << "the case draws nothing:\n" << first;
  EXPECT_EQ(DrawOnce(c), first);
  EXPECT_EQ(DrawOnce(c), first);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RepeatedEllipse,
    ::testing::Values(RepeatedEllipseCase{"CompassDial", {7, 3, 53, 49}, PS_SOLID, 1, false, false},
                      RepeatedEllipseCase{"HubAfterWideNeedle", {24, 20, 37, 31}, PS_SOLID, 1, false, true},
                      RepeatedEllipseCase{"WidePenNoBrush", {5, 6, 44, 41}, PS_SOLID, 4, true, false},
                      RepeatedEllipseCase{"PenWiderThanTheBox", {11, 12, 15, 15}, PS_SOLID, 6, false, false},
                      RepeatedEllipseCase{"NoPen", {3, 2, 22, 13}, PS_NULL, 1, false, false},
                      RepeatedEllipseCase{"EndDot", {41, 35, 47, 41}, PS_SOLID, 1, false, false},
                      RepeatedEllipseCase{"AcrossTheTopLeftCorner", {-9, -7, 17, 13}, PS_SOLID, 2, false, false},
                      RepeatedEllipseCase{"AcrossTheBottomRightEdge", {40, 31, 71, 58}, PS_SOLID, 1, false, true}),
    [](const ::testing::TestParamInfo<RepeatedEllipseCase>& param) { return std::string(param.param.name); });

TEST_F(GdiDraw, RectangleIsOutlinedWithThePenAndFilledWithTheBrush) {
  SurfaceDc s(8, 7);
  EXPECT_TRUE(Rectangle(s.get(), 6, 5, 1, 1));  // corners in either order
  EXPECT_EQ(Picture(s.get(), 0, 0, 8, 7, {{kBack, '.'}, {kWhite, ' '}, {kBlack, '#'}}),
            "........\n"
            ".#####..\n"
            ".#   #..\n"
            ".#   #..\n"
            ".#####..\n"
            "........\n"
            "........\n");
  SurfaceDc n(8, 7);
  HGDIOBJ oldPen = SelectObject(n.get(), GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(n.get(), GetStockObject(NULL_BRUSH));
  Rectangle(n.get(), 1, 1, 6, 5);
  Ellipse(n.get(), 1, 1, 6, 5);
  MoveToEx(n.get(), 0, 0, nullptr);
  LineTo(n.get(), 7, 6);
  EXPECT_EQ(CountPixels(n.get(), 0, 0, 8, 7, kBack), 56) << "null pen and brush draw nothing";
  SelectObject(n.get(), oldPen);
  SelectObject(n.get(), oldBrush);
}

TEST_F(GdiDraw, PushButtonFrameIsRaisedWithATwoPixelEdge) {
  SurfaceDc s(10, 8);
  RECT r{1, 1, 9, 7};
  EXPECT_TRUE(DrawFrameControl(s.get(), &r, DFC_BUTTON, DFCS_BUTTONPUSH));
  const std::map<COLORREF, char> legend{{kBack, '.'},
                                        {RGB(255, 255, 255), 'W'},
                                        {RGB(223, 223, 223), 'l'},
                                        {RGB(192, 192, 192), ' '},
                                        {RGB(128, 128, 128), 'g'},
                                        {RGB(0, 0, 0), 'B'}};
  EXPECT_EQ(Picture(s.get(), 0, 0, 10, 8, legend),
            "..........\n"
            ".WWWWWWWB.\n"
            ".WlllllgB.\n"
            ".Wl    gB.\n"
            ".Wl    gB.\n"
            ".WggggggB.\n"
            ".BBBBBBBB.\n"
            "..........\n");
  RECT none{1, 1, 9, 7};
  EXPECT_FALSE(DrawFrameControl(s.get(), &none, 1, 0)) << "only push buttons are drawn";
}

TEST_F(GdiDraw, CloseSurfaceDcReportsTheBoxOfChangedPixels) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 50, 40);
  HDC dc = platform::detail::OpenSurfaceDC(surface);
  ASSERT_NE(dc, nullptr);
  RECT changed{1, 2, 3, 4};
  ASSERT_TRUE(platform::detail::CloseSurfaceDC(dc, &changed));
  EXPECT_TRUE(changed.left >= changed.right || changed.top >= changed.bottom) << "nothing drawn, nothing changed";

  struct Case {
    const char* what;
    void (*draw)(HDC);
    RECT expected;
  };
  const Case cases[] = {
      {"fill", [](HDC d) {
         const RECT r{10, 5, 20, 8};
         FillRect(d, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
       }, {10, 5, 20, 8}},
      {"line and fill", [](HDC d) {
         const RECT r{10, 5, 20, 8};
         FillRect(d, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
         MoveToEx(d, 30, 20, nullptr);
         LineTo(d, 40, 30);
       }, {10, 5, 40, 30}},
      {"clipped fill", [](HDC d) {
         const RECT r{INT_MIN, 30, INT_MAX, INT_MAX};
         FillRect(d, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
       }, {0, 30, 50, 40}},
      {"end dot", [](HDC d) { Ellipse(d, 2, 3, 8, 9); }, {2, 3, 8, 9}},
      {"off the surface", [](HDC d) {
         MoveToEx(d, -100, -100, nullptr);
         LineTo(d, -10, INT_MAX);
         Ellipse(d, 60, 0, 70, 10);
       }, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    dc = platform::detail::OpenSurfaceDC(surface);
    c.draw(dc);
    ASSERT_TRUE(platform::detail::CloseSurfaceDC(dc, &changed));
    EXPECT_EQ((std::vector<LONG>{changed.left, changed.top, changed.right, changed.bottom}),
              (std::vector<LONG>{c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}))
        << c.what;
  }
  cairo_surface_destroy(surface);
}

TEST_F(GdiDraw, DirectPixelsAndCairoDrawingMixInOrder) {
  // A fill over a line over a fill: each must see the pixels of the one before.
  SurfaceDc s(10, 3);
  const RECT all{0, 0, 10, 3};
  const RECT right{5, 0, 10, 3};
  FillRect(s.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Line(s.get(), 0, 1, 10, 1, kRed);
  FillRect(s.get(), &right, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  Line(s.get(), 9, 0, 9, 3, kGreen);
  EXPECT_EQ(Picture(s.get(), 0, 0, 10, 3, {{kWhite, ' '}, {kRed, 'r'}, {kBlack, '#'}, {kGreen, 'g'}}),
            "     ####g\n"
            "rrrrr####g\n"
            "     ####g\n");
}

TEST_F(GdiDraw, WritesThePixelsToAPng) {
  SurfaceDc s(5, 5);
  const std::string path = ::testing::TempDir() + "gdi_draw_test.png";
  ASSERT_TRUE(platform::testing::WriteSurfacePng(s.get(), path.c_str()));
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  EXPECT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 5);
  cairo_surface_destroy(png);
  std::remove(path.c_str());
  EXPECT_FALSE(platform::testing::WriteSurfacePng(nullptr, path.c_str()));
}

}  // namespace
