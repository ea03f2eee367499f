// DrawTextW on real surfaces: line height and line feeds, opaque cells, the alignment flags,
// the 56-pixel speed digits, clipping, and glyphs placed as cairo places them.
#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

#include "gdi/gdi_internal.h"
#include "platform/gdi.h"
#include "platform/gdi_test_util.h"

namespace {

using kavro_test::CountPixels;
using kavro_test::Selected;
using kavro_test::SurfaceDc;

constexpr COLORREF kBack = RGB(0, 0, 128);  // what SurfaceDc starts with
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Left, top, right and bottom of the pixels not of the background; kNothing when there are none.
using Box = std::array<int, 4>;
constexpr Box kNothing{INT_MAX, INT_MAX, INT_MIN, INT_MIN};

Box Drawn(HDC dc, int width, int height) {
  Box b = kNothing;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (GetPixel(dc, x, y) != kBack) {
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
      }
    }
  }
  return b;
}

LOGFONTW SwissFont(LONG height) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  return lf;
}

// DrawTextW on a fresh 300 x 200 surface in a Swiss font of the height (0: the DC's own font):
// the height it returned and the box of what it drew.
std::pair<int, Box> DrawIn(LONG fontHeight, const wchar_t* text, RECT rect, UINT format,
                           int count = -1) {
  SurfaceDc s(300, 200);
  const LOGFONTW lf = SwissFont(fontHeight);
  Selected font(s.get(), fontHeight != 0 ? CreateFontIndirectW(&lf) : GetStockObject(SYSTEM_FONT));
  const int height = DrawTextW(s.get(), text, count, &rect, format);
  return {height, Drawn(s.get(), 300, 200)};
}

class GdiText : public kavro_test::GdiTest {};

TEST_F(GdiText, EveryLineOfTheSystemFontIsThirteenPixelsHigh) {
  const wchar_t odd[] = {L'a', wchar_t(0xD800), wchar_t(0x110000), L'\t', wchar_t(-5), L'\u00e9',
                         wchar_t(0x1F600), 0};
  struct Case {
    const wchar_t* text;
    int count;
    int height;
    int top, bottom;  // of the cells painted in the background colour
  };
  const Case cases[] = {
      {L"Ag", -1, 13, 0, 13},      {L"A\nB\nC", -1, 39, 0, 39}, {L"A\r\nB", -1, 26, 0, 26},
      {L"A\rB", -1, 26, 0, 26},    {L"A\n\nB", -1, 39, 0, 39},  {L"A\n", -1, 26, 0, 13},
      {L"A\nB", 1, 13, 0, 13},     {L"\n\n 23.03.2094\n", -1, 52, 26, 39},
      {L"", -1, 0, INT_MAX, INT_MIN}, {L"abc", 0, 0, INT_MAX, INT_MIN}, {odd, -1, 13, 0, 13},
  };
  for (const Case& c : cases) {
    const auto [height, drawn] = DrawIn(0, c.text, {0, 0, 200, 100}, 0, c.count);
    const std::string what = ::testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(height, c.height) << what;
    EXPECT_EQ(drawn[1], c.top) << what;
    EXPECT_EQ(drawn[3], c.bottom) << what;
  }
}

TEST_F(GdiText, OpaqueTextPaintsItsCellInTwoColoursOnly) {
  SurfaceDc s(120, 40);
  SetBkColor(s.get(), RGB(0, 50, 0));
  SetTextColor(s.get(), kWhite);
  RECT r{10, 5, 120, 40};
  ASSERT_EQ(DrawTextW(s.get(), L"888", -1, &r, 0), 13);
  // The cell starts at the rectangle's corner and is one line high.
  const Box cell = Drawn(s.get(), 120, 40);
  EXPECT_EQ(cell, (Box{10, 5, cell[2], 18}));
  const int white = CountPixels(s.get(), 10, 5, cell[2], 18, kWhite);
  const int panel = CountPixels(s.get(), 10, 5, cell[2], 18, RGB(0, 50, 0));
  EXPECT_GT(white, 20);
  EXPECT_GT(panel, white);
  EXPECT_EQ(white + panel, (cell[2] - 10) * 13) << "a third colour: the glyphs are antialiased";
}

TEST_F(GdiText, AlignmentFlagsPlaceTheCellInTheRectangle) {
  const RECT box{3, 60, 99, 160};  // 96 x 100
  const Box left = DrawIn(0, L"41", box, 0).second;
  const int w = left[2] - left[0];
  ASSERT_EQ(left, (Box{3, 60, 3 + w, 73}));
  const int x = 3 + (96 - w) / 2;
  struct Case {
    UINT format;
    int height;
    Box cell;
  };
  const Case cases[] = {
      {DT_CENTER, 13, {x, 60, x + w, 73}},
      {DT_RIGHT, 13, {99 - w, 60, 99, 73}},
      // DT_VCENTER and DT_BOTTOM take effect on a single line only, which then also keeps line
      // feeds out; the height returned is the offset of the text's bottom from the top.
      {DT_CENTER | DT_VCENTER, 13, {x, 60, x + w, 73}},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, 56, {x, 103, x + w, 116}},
      {DT_BOTTOM | DT_SINGLELINE, 100, {3, 147, 3 + w, 160}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DrawIn(0, L"41", box, c.format), std::pair(c.height, c.cell)) << c.format;
  }
  EXPECT_EQ(DrawIn(0, L"4\n1", box, DT_SINGLELINE).second[3], 73) << "a line feed broke the line";
  // Each line is centred on its own.
  const Box wide = DrawIn(0, L"WWWW", {0, 0, 200, 100}, DT_CENTER).second;
  EXPECT_EQ(DrawIn(0, L"WWWW\ni", {0, 0, 200, 100}, DT_CENTER).second,
            (Box{wide[0], 0, wide[2], 26}));
}

TEST_F(GdiText, ThreeSwissDigitsOf56PixelsFitIn98Pixels) {
  SurfaceDc s(300, 200);
  SetTextColor(s.get(), RGB(0, 255, 0));
  const LOGFONTW lf = SwissFont(-56);
  Selected font(s.get(), CreateFontIndirectW(&lf));
  RECT r{0, 0, 300, 200};
  DrawTextW(s.get(), L"888", -1, &r, 0);
  const Box cell = Drawn(s.get(), 300, 200);
  EXPECT_LE(cell[2] - cell[0], 98);
  EXPECT_GE(cell[2] - cell[0], 80);
  int inkTop = INT_MAX;
  int inkBottom = INT_MIN;
  for (int y = 0; y < 200; ++y) {
    if (CountPixels(s.get(), 0, y, 300, y + 1, RGB(0, 255, 0)) == 0) continue;
    inkTop = std::min(inkTop, y);
    inkBottom = y + 1;
  }
  EXPECT_GT(inkBottom - inkTop, 36) << "digits of a 56-pixel em are about 40 pixels tall";
}

TEST_F(GdiText, TextIsClippedToItsRectangleAndFarOffTextDrawsNothing) {
  EXPECT_EQ(DrawIn(-56, L"888", {10, 10, 30, 20}, 0).second, (Box{10, 10, 30, 20}));
  const RECT far[] = {{INT_MIN, INT_MIN, INT_MIN + 100, INT_MIN + 100},
                      {INT_MAX - 50, 0, INT_MAX, 100},
                      {0, INT_MAX - 10, 300, INT_MAX},
                      {INT_MIN, INT_MIN, INT_MAX, INT_MIN + 10},
                      {5, 5, 5, 100}};
  for (const RECT& r : far) {
    EXPECT_EQ(DrawIn(-56, L"888\n888", r, DT_CENTER).second, kNothing) << r.left << "," << r.top;
  }
  // Centred far off to the left even without clipping: nothing on the surface.
  const RECT left{INT_MIN, 0, INT_MIN + 1000, 100};
  EXPECT_EQ(DrawIn(-56, L"888", left, DT_CENTER | DT_NOCLIP).second, kNothing);
  // Centred in the whole coordinate range, the text lands across x = 0.
  const Box mid = DrawIn(-56, L"8", {INT_MIN, 0, INT_MAX, 100}, DT_CENTER).second;
  EXPECT_LE(mid[0], 0);
  EXPECT_GT(mid[2], 0);
}

// Lines of plain ASCII are laid out from remembered glyph advances: every glyph must land on
// the pixels where cairo_show_text, in the same font, puts it.
TEST_F(GdiText, GlyphsLandWhereCairoPutsThem) {
  struct Case {
    LONG height;  // 0: the DC's own font
    const wchar_t* text;
    int x;
  };
  const Case cases[] = {
      {0, L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"
          L"qrstuvwxyz{|}~", 1},
      {-56, L" 87", 2},
      {-17, L"Wavy lines, 1.852 km/h", 13},
  };
  for (const Case& c : cases) {
    SurfaceDc ours(300, 80);
    SurfaceDc theirs(300, 80);
    const LOGFONTW lf = SwissFont(c.height);
    Selected font(ours.get(), c.height != 0 ? CreateFontIndirectW(&lf) : GetStockObject(SYSTEM_FONT));
    SetBkMode(ours.get(), TRANSPARENT);
    SetTextColor(ours.get(), kWhite);
    for (int round = 0; round < 2; ++round) {  // the second time from remembered advances
      RECT rect{c.x, 3, 300, 80};
      DrawTextW(ours.get(), c.text, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }
    const platform::detail::Dc* dc = platform::detail::LookupDc(ours.get());
    ASSERT_TRUE(platform::detail::PrepareFont(*dc->font));
    cairo_surface_t* target = platform::detail::LookupDc(theirs.get())->surface;
    cairo_t* cr = cairo_create(target);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_scaled_font(cr, dc->font->scaled);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_move_to(cr, c.x, 3 + dc->font->ascent);
    std::string ascii;
    for (const wchar_t* p = c.text; *p != 0; ++p) ascii.push_back(static_cast<char>(*p));
    cairo_show_text(cr, ascii.c_str());
    cairo_destroy(cr);
    cairo_surface_mark_dirty(target);
    const std::map<COLORREF, char> legend{{kBack, '.'}, {kWhite, '#'}};
    EXPECT_EQ(kavro_test::Picture(ours.get(), 0, 0, 300, 80, legend),
              kavro_test::Picture(theirs.get(), 0, 0, 300, 80, legend))
        << ascii;
  }
}

}  // namespace
