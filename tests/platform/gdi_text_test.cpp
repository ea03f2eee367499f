// DrawTextW and fonts on real surfaces: line height, opaque cells in the right colours,
// alignment, line feeds, the Swiss 56-pixel digits, face names and far-off text.
#include <cairo.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "gdi/gdi_internal.h"
#include "platform/gdi.h"
#include "platform/gdi_test_util.h"
#include "platform/testing.h"

namespace {

using kavro_test::CountPixels;
using kavro_test::Picture;
using kavro_test::Selected;
using kavro_test::SurfaceDc;

constexpr COLORREF kBack = RGB(0, 0, 128);
constexpr COLORREF kPanel = RGB(0, 50, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// The box of every pixel that is (or, with matching false, is not) of the colour:
// [left, right) x [top, bottom).
struct Extent {
  int left = INT_MAX;
  int top = INT_MAX;
  int right = INT_MIN;
  int bottom = INT_MIN;
  bool operator==(const Extent& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Extent& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& out, const Extent& e) {
  return out << "[" << e.left << ", " << e.right << ") x [" << e.top << ", " << e.bottom << ")";
}

Extent ExtentOf(HDC dc, int width, int height, COLORREF colour = kBack, bool matching = false) {
  Extent e;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((GetPixel(dc, x, y) == colour) != matching) continue;
      e = {std::min(e.left, x), std::min(e.top, y), std::max(e.right, x + 1), std::max(e.bottom, y + 1)};
    }
  }
  return e;
}

LOGFONTW FontRequest(LONG height, BYTE pitchAndFamily, const wchar_t* face = L"",
                     LONG weight = FW_NORMAL) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = pitchAndFamily;
  for (int i = 0; face[i] != 0 && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

const LOGFONTW kSwiss56 = FontRequest(-56, VARIABLE_PITCH | FF_SWISS);

// What DrawTextW does on a fresh 300 x 200 surface, in the font asked for (nullptr: the DC's
// own): the box of what it drew, the height it returned and the count of black glyph pixels.
struct Drawing {
  Extent drawn;
  int height;
  int ink;
};

Drawing DrawIn(const LOGFONTW* font, const wchar_t* text, RECT rect, UINT format, int count = -1) {
  SurfaceDc s(300, 200);
  Selected selected(s.get(), font != nullptr ? CreateFontIndirectW(font) : GetStockObject(SYSTEM_FONT));
  const int height = DrawTextW(s.get(), text, count, &rect, format);
  return {ExtentOf(s.get(), 300, 200), height, CountPixels(s.get(), 0, 0, 300, 200, RGB(0, 0, 0))};
}

class GdiText : public kavro_test::GdiTest {};

TEST_F(GdiText, EveryLineOfTheSystemFontIsThirteenPixelsHigh) {
  const wchar_t odd[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000),
                         L'\t', static_cast<wchar_t>(-5), L'\u00e9', static_cast<wchar_t>(0x1F600), 0};
  struct Case {
    const wchar_t* text;
    int count;
    int height;
    int top, bottom;  // of the painted cells
  };
  const Case cases[] = {
      {L"Ag", -1, 13, 0, 13},    {L"A\nB\nC", -1, 39, 0, 39}, {L"A\r\nB", -1, 26, 0, 26},
      {L"A\rB", -1, 26, 0, 26},  {L"A\n\nB", -1, 39, 0, 39},  {L"A\n", -1, 26, 0, 13},
      {L"A\nB", 1, 13, 0, 13},   {L"\n\n 23.03.2094\n", -1, 52, 26, 39},
      {L"", -1, 0, INT_MAX, INT_MIN}, {L"abc", 0, 0, INT_MAX, INT_MIN}, {odd, -1, 13, 0, 13},
  };
  for (const Case& c : cases) {
    const Drawing d = DrawIn(nullptr, c.text, {0, 0, 200, 100}, 0, c.count);
    const std::string what = ::testing::PrintToString(std::wstring(c.text));
    EXPECT_EQ(d.height, c.height) << what;
    EXPECT_EQ(d.drawn.top, c.top) << what;
    EXPECT_EQ(d.drawn.bottom, c.bottom) << what;
  }
}

TEST_F(GdiText, OpaqueTextPaintsItsCellTransparentTextOnlyItsGlyphs) {
  SurfaceDc s(120, 40);
  SetBkColor(s.get(), kPanel);
  SetTextColor(s.get(), kWhite);
  RECT r{10, 5, 120, 40};
  ASSERT_EQ(DrawTextW(s.get(), L"888", -1, &r, 0), 13);
  // The cell starts at the rectangle's corner, is one line high, and holds only the two colours.
  const Extent cell = ExtentOf(s.get(), 120, 40);
  EXPECT_EQ(cell, (Extent{10, 5, cell.right, 18}));
  const int white = CountPixels(s.get(), 10, 5, cell.right, 18, kWhite);
  const int panel = CountPixels(s.get(), 10, 5, cell.right, 18, kPanel);
  EXPECT_GT(white, 20);
  EXPECT_GT(panel, white);
  EXPECT_EQ(white + panel, (cell.right - 10) * 13) << "no third colour: no antialiasing";

  SurfaceDc t(120, 40);
  SetBkMode(t.get(), TRANSPARENT);
  SetTextColor(t.get(), kGreen);
  DrawTextW(t.get(), L"888", -1, &r, 0);
  const int green = CountPixels(t.get(), 0, 0, 120, 40, kGreen);
  EXPECT_EQ(green, white) << "the same glyphs";
  EXPECT_EQ(green + CountPixels(t.get(), 0, 0, 120, 40, kBack), 120 * 40);
}

TEST_F(GdiText, AlignmentFlagsPlaceTheCellInTheRectangle) {
  const RECT box{3, 60, 99, 160};  // 96 x 100
  const Extent left = DrawIn(nullptr, L"41", box, 0).drawn;
  const int w = left.right - left.left;
  ASSERT_EQ(left, (Extent{3, 60, 3 + w, 73}));
  ASSERT_GT(w, 8);
  const int x = 3 + (96 - w) / 2;
  struct Case {
    UINT format;
    Extent cell;
    int height;
  };
  const Case cases[] = {
      {DT_CENTER, {x, 60, x + w, 73}, 13},
      {DT_RIGHT, {99 - w, 60, 99, 73}, 13},
      // DT_VCENTER and DT_BOTTOM take effect on a single line only; the height returned is
      // then the offset of the text's bottom from the top.
      {DT_CENTER | DT_VCENTER, {x, 60, x + w, 73}, 13},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, {x, 103, x + w, 116}, 56},
      {DT_BOTTOM | DT_SINGLELINE, {3, 147, 3 + w, 160}, 100},
  };
  for (const Case& c : cases) {
    const Drawing d = DrawIn(nullptr, L"41", box, c.format);
    EXPECT_EQ(d.drawn, c.cell) << "format " << c.format;
    EXPECT_EQ(d.height, c.height) << "format " << c.format;
  }
  EXPECT_EQ(DrawIn(nullptr, L"4\n1", box, DT_SINGLELINE).drawn.bottom, 73) << "no line feeds";
  // Each line is centred on its own.
  const Extent wide = DrawIn(nullptr, L"WWWW", {0, 0, 200, 100}, DT_CENTER).drawn;
  EXPECT_EQ(DrawIn(nullptr, L"WWWW\ni", {0, 0, 200, 100}, DT_CENTER).drawn,
            (Extent{wide.left, 0, wide.right, 26}));
}

TEST_F(GdiText, ThreeSwissDigitsOf56PixelsFitIn98Pixels) {
  for (const wchar_t* text : {L"888", L"100", L"  0", L" 41"}) {
    SurfaceDc s(300, 300);
    SetBkColor(s.get(), kPanel);
    SetTextColor(s.get(), kGreen);
    Selected font(s.get(), CreateFontIndirectW(&kSwiss56));
    RECT r{1, 160, 99, 300};
    DrawTextW(s.get(), text, -1, &r, DT_CENTER | DT_VCENTER);
    const Extent cell = ExtentOf(s.get(), 300, 300);
    const std::string what = ::testing::PrintToString(std::wstring(text));
    EXPECT_GE(cell.left, 1) << what << " " << cell;
    EXPECT_LE(cell.right, 99) << what << " " << cell;
    EXPECT_EQ(cell.top, 160) << what;
    const Extent ink = ExtentOf(s.get(), 300, 300, kGreen, true);
    EXPECT_GT(ink.bottom - ink.top, 36) << "digits of a 56-pixel em are about 40 pixels tall";
  }
  // Unclipped, the cell of the three digits is at most 98 pixels wide.
  const Extent free = DrawIn(&kSwiss56, L"888", {0, 0, 300, 200}, 0).drawn;
  EXPECT_LE(free.right - free.left, 98) << free;
  EXPECT_GE(free.right - free.left, 80) << free;
}

TEST_F(GdiText, FacesAndFamiliesPickTheFont) {
  const RECT all{0, 0, 300, 200};
  const Extent sans = DrawIn(&kSwiss56, L"888", all, 0).drawn;
  // Arial's metric twin stands in for the usual sans faces; an unknown face goes by the family.
  for (const wchar_t* face : {L"Arial", L"Helvetica", L"Tahoma", L"Liberation Sans", L""}) {
    const LOGFONTW named = FontRequest(-56, 0, face);
    EXPECT_EQ(DrawIn(&named, L"888", all, 0).drawn, sans) << ::testing::PrintToString(face);
  }
  const LOGFONTW unknown = FontRequest(-56, VARIABLE_PITCH | FF_SWISS, L"No Such Face 123");
  EXPECT_EQ(DrawIn(&unknown, L"888", all, 0).drawn, sans);
  // The other families and the bold weight look different.
  const LOGFONTW mono = FontRequest(-56, FIXED_PITCH | FF_MODERN);
  const Extent monoI = DrawIn(&mono, L"iii", all, 0).drawn;
  const Extent sansI = DrawIn(&kSwiss56, L"iii", all, 0).drawn;
  EXPECT_GT(monoI.right - monoI.left, sansI.right - sansI.left) << "fixed pitch: i as wide as m";
  const LOGFONTW bold = FontRequest(-56, VARIABLE_PITCH | FF_SWISS, L"", FW_BOLD);
  EXPECT_GT(DrawIn(&bold, L"WWW", all, 0).ink, DrawIn(&kSwiss56, L"WWW", all, 0).ink * 5 / 4);
  const LOGFONTW serif = FontRequest(-56, VARIABLE_PITCH | FF_ROMAN);
  EXPECT_NE(DrawIn(&serif, L"888", all, 0).drawn, sans);
  // A positive height asks for the cell, a negative one for the em.
  const LOGFONTW cell40 = FontRequest(40, VARIABLE_PITCH | FF_SWISS);
  const LOGFONTW em40 = FontRequest(-40, VARIABLE_PITCH | FF_SWISS);
  const int cell = DrawIn(&cell40, L"8", all, 0).height;
  EXPECT_GE(cell, 39);
  EXPECT_LE(cell, 41);
  EXPECT_GT(DrawIn(&em40, L"8", all, 0).height, cell);
}

TEST_F(GdiText, TextIsClippedToItsRectangleAndFarOffTextDrawsNothing) {
  EXPECT_EQ(DrawIn(&kSwiss56, L"888", {10, 10, 30, 20}, 0).drawn, (Extent{10, 10, 30, 20}));
  const RECT far[] = {{INT_MIN, INT_MIN, INT_MIN + 100, INT_MIN + 100},
                      {INT_MAX - 50, 0, INT_MAX, 100},
                      {0, INT_MAX - 10, 300, INT_MAX},
                      {INT_MIN, INT_MIN, INT_MAX, INT_MIN + 10},
                      {5, 5, 5, 100}};
  for (const RECT& r : far) {
    EXPECT_EQ(DrawIn(&kSwiss56, L"888\n888", r, DT_CENTER).drawn, Extent{}) << r.left << "," << r.top;
  }
  // Centred far off to the left even without clipping: nothing on the surface.
  const RECT left{INT_MIN, 0, INT_MIN + 1000, 100};
  EXPECT_EQ(DrawIn(&kSwiss56, L"888", left, DT_CENTER | DT_NOCLIP).drawn, Extent{});
  // Centred in the whole coordinate range, the text lands near x = 0.
  const Extent mid = DrawIn(&kSwiss56, L"8", {INT_MIN, 0, INT_MAX, 100}, DT_CENTER).drawn;
  EXPECT_LE(mid.left, 0);
  EXPECT_GT(mid.right, 0);
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
      {0, L" 12:34:56", 0},
      {0, L" 4807.0380 N", 1},
      {0, L" S =     123.4 km", 7},
      {0, L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"
          L"qrstuvwxyz{|}~", 0},
      {-56, L" 87", 2},
      {-17, L"Wavy lines, 1.852 km/h", 13},
  };
  for (const Case& c : cases) {
    SurfaceDc ours(300, 80);
    SurfaceDc theirs(300, 80);
    const LOGFONTW request = FontRequest(c.height, VARIABLE_PITCH | FF_SWISS);
    Selected font(ours.get(), c.height != 0 ? CreateFontIndirectW(&request)
                                            : GetStockObject(SYSTEM_FONT));
    SetBkMode(ours.get(), TRANSPARENT);
    SetTextColor(ours.get(), kWhite);
    for (int round = 0; round < 2; ++round) {  // the second time from remembered advances
      RECT rect{c.x, 3, 300, 80};
      DrawTextW(ours.get(), c.text, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }

    platform::detail::Dc* dc = platform::detail::LookupDc(ours.get());
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(platform::detail::PrepareFont(*dc->font));
    cairo_surface_t* target = platform::detail::LookupDc(theirs.get())->surface;
    cairo_t* cr = cairo_create(target);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_scaled_font(cr, dc->font->scaled);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    const std::string ascii(c.text, c.text + std::wcslen(c.text));
    cairo_move_to(cr, c.x, 3 + dc->font->ascent);
    cairo_show_text(cr, ascii.c_str());
    cairo_destroy(cr);
    cairo_surface_mark_dirty(target);

    const std::map<COLORREF, char> legend{{kBack, '.'}, {kWhite, '#'}};
    EXPECT_EQ(Picture(ours.get(), 0, 0, 300, 80, legend), Picture(theirs.get(), 0, 0, 300, 80, legend))
        << ::testing::PrintToString(std::wstring(c.text));
  }
}

}  // namespace
