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
using kavro_test::GdiTest;
using kavro_test::SurfaceDc;

constexpr COLORREF kBack = RGB(0, 0, 128);
constexpr COLORREF kPanel = RGB(0, 50, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

// The box of every pixel that is not the surface's background: [left, right) x [top, bottom).
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

Extent ExtentOf(HDC dc, int width, int height, COLORREF colour, bool matching) {
  Extent e;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((GetPixel(dc, x, y) == colour) != matching) continue;
      e.left = std::min(e.left, x);
      e.top = std::min(e.top, y);
      e.right = std::max(e.right, x + 1);
      e.bottom = std::max(e.bottom, y + 1);
    }
  }
  return e;
}

Extent Drawn(HDC dc, int width, int height) { return ExtentOf(dc, width, height, kBack, false); }

LOGFONTW FontRequest(LONG height, BYTE pitchAndFamily, const wchar_t* face = L"", LONG weight = FW_NORMAL) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = pitchAndFamily;
  for (int i = 0; face[i] != 0 && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

class GdiText : public GdiTest {
 protected:
  // Draws the text in the font on a fresh surface and returns the extent of what was drawn.
  static Extent DrawIn(const LOGFONTW& request, const wchar_t* text, RECT rect, UINT format, int* height = nullptr,
                       int* ink = nullptr) {
    SurfaceDc s(300, 200);
    HFONT font = CreateFontIndirectW(&request);
    HGDIOBJ old = SelectObject(s.get(), font);
    const int h = DrawTextW(s.get(), text, -1, &rect, format);
    if (height != nullptr) *height = h;
    if (ink != nullptr) *ink = CountPixels(s.get(), 0, 0, 300, 200, RGB(0, 0, 0));
    SelectObject(s.get(), old);
    DeleteObject(font);
    return Drawn(s.get(), 300, 200);
  }
};

TEST_F(GdiText, DefaultFontHasThirteenPixelLines) {
  SurfaceDc s(200, 100);
  RECT r{0, 0, 200, 100};
  EXPECT_EQ(DrawTextW(s.get(), L"Ag", -1, &r, 0), 13);
  EXPECT_EQ(DrawTextW(s.get(), L"A\nB\nC", -1, &r, 0), 39);
  EXPECT_EQ(DrawTextW(s.get(), L"\n\n 23.03.2094\n", -1, &r, 0), 52) << "empty lines count too";
  EXPECT_EQ(DrawTextW(s.get(), L"", -1, &r, 0), 0) << "no text, no height";
  EXPECT_EQ(DrawTextW(s.get(), L"abc", 0, &r, 0), 0);
}

TEST_F(GdiText, OpaqueTextPaintsItsCellInTheBackgroundColour) {
  SurfaceDc s(120, 40);
  SetBkColor(s.get(), kPanel);
  SetTextColor(s.get(), kWhite);
  RECT r{10, 5, 120, 40};
  ASSERT_EQ(DrawTextW(s.get(), L"888", -1, &r, 0), 13);
  // The cell starts at the rectangle's corner, is one line high, and holds only the two colours.
  const Extent cell = ExtentOf(s.get(), 120, 40, kBack, false);
  EXPECT_EQ(cell.left, 10);
  EXPECT_EQ(cell.top, 5);
  EXPECT_EQ(cell.bottom, 18);
  EXPECT_GT(cell.right, 25);
  const int area = (cell.right - cell.left) * 13;
  const int white = CountPixels(s.get(), cell.left, 5, cell.right, 18, kWhite);
  const int panel = CountPixels(s.get(), cell.left, 5, cell.right, 18, kPanel);
  EXPECT_GT(white, 20);
  EXPECT_GT(panel, white);
  EXPECT_EQ(white + panel, area) << "no third colour: the glyphs are not antialiased";
}

TEST_F(GdiText, TransparentTextLeavesTheBackgroundAlone) {
  SurfaceDc s(120, 40);
  SetBkMode(s.get(), TRANSPARENT);
  SetTextColor(s.get(), kGreen);
  RECT r{10, 5, 120, 40};
  DrawTextW(s.get(), L"888", -1, &r, 0);
  const int green = CountPixels(s.get(), 0, 0, 120, 40, kGreen);
  EXPECT_GT(green, 20);
  EXPECT_EQ(green + CountPixels(s.get(), 0, 0, 120, 40, kBack), 120 * 40);
}

TEST_F(GdiText, CentredLinesSitInTheMiddleOfTheRectangle) {
  const LOGFONTW system = FontRequest(-11, VARIABLE_PITCH | FF_SWISS, L"Liberation Sans");
  const Extent left = DrawIn(system, L"Z+", {3, 7, 25, 25}, 0);
  const int width = left.right - left.left;
  ASSERT_EQ(left.left, 3) << left;
  ASSERT_GT(width, 8);
  const Extent centred = DrawIn(system, L"Z+", {3, 7, 25, 25}, DT_CENTER);
  EXPECT_EQ(centred, (Extent{3 + (22 - width) / 2, 7, 3 + (22 - width) / 2 + width, 20}));
  const Extent right = DrawIn(system, L"Z+", {3, 7, 25, 25}, DT_RIGHT);
  EXPECT_EQ(right, (Extent{25 - width, 7, 25, 20}));
  // Each line is centred on its own.
  const Extent wide = DrawIn(system, L"WWWW", {0, 0, 200, 100}, DT_CENTER);
  const Extent both = DrawIn(system, L"WWWW\ni", {0, 0, 200, 100}, DT_CENTER);
  EXPECT_EQ(both.left, wide.left);
  EXPECT_EQ(both.right, wide.right);
  EXPECT_EQ(both.bottom, 26);
}

TEST_F(GdiText, LineFeedsStartNewLines) {
  const LOGFONTW system = FontRequest(-11, VARIABLE_PITCH | FF_SWISS, L"Liberation Sans");
  struct Case {
    const wchar_t* text;
    int height;
  };
  const Case cases[] = {{L"A\nB", 26}, {L"A\r\nB", 26}, {L"A\rB", 26}, {L"A\n\nB", 39}, {L"A\n", 26}};
  for (const Case& c : cases) {
    int height = 0;
    const Extent e = DrawIn(system, c.text, {0, 0, 200, 100}, 0, &height);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(e.top, 0);
    EXPECT_EQ(e.bottom, c.height - (c.text[std::wcslen(c.text) - 1] == L'\n' ? 13 : 0))
        << "the last line's cell ends at the text height";
  }
}

TEST_F(GdiText, VerticalCentringAppliesToSingleLinesOnly) {
  const LOGFONTW system = FontRequest(-11, VARIABLE_PITCH | FF_SWISS, L"Liberation Sans");
  int height = 0;
  // Without DT_SINGLELINE, DT_VCENTER does nothing: the figure's cell starts at the top.
  Extent e = DrawIn(system, L" 41", {1, 60, 99, 160}, DT_CENTER | DT_VCENTER, &height);
  EXPECT_EQ(e.top, 60);
  EXPECT_EQ(height, 13);
  e = DrawIn(system, L"41", {1, 60, 99, 160}, DT_CENTER | DT_VCENTER | DT_SINGLELINE, &height);
  EXPECT_EQ(e.top, 60 + (100 - 13) / 2);
  EXPECT_EQ(height, (100 - 13) / 2 + 13) << "offset from the top to the text's bottom";
  e = DrawIn(system, L"41", {1, 60, 99, 160}, DT_BOTTOM | DT_SINGLELINE, &height);
  EXPECT_EQ(e.bottom, 160);
  EXPECT_EQ(height, 100);
  e = DrawIn(system, L"4\n1", {1, 60, 99, 160}, DT_SINGLELINE, &height);
  EXPECT_EQ(e.bottom, 73) << "a single line keeps line feeds out";
}

TEST_F(GdiText, ThreeSwissDigitsOf56PixelsFitIn98Pixels) {
  const LOGFONTW figure = FontRequest(-56, VARIABLE_PITCH | FF_SWISS);
  for (const wchar_t* text : {L"888", L"100", L"  0", L" 41"}) {
    SurfaceDc s(300, 300);
    SetBkColor(s.get(), kPanel);
    SetTextColor(s.get(), kGreen);
    HFONT font = CreateFontIndirectW(&figure);
    HGDIOBJ old = SelectObject(s.get(), font);
    RECT r{1, 160, 99, 300};
    DrawTextW(s.get(), text, -1, &r, DT_CENTER | DT_VCENTER);
    SelectObject(s.get(), old);
    DeleteObject(font);
    const Extent cell = Drawn(s.get(), 300, 300);
    EXPECT_GE(cell.left, 1) << "\"" << std::string(text, text + 3) << "\" " << cell;
    EXPECT_LE(cell.right, 99) << "\"" << std::string(text, text + 3) << "\" " << cell;
    EXPECT_EQ(cell.top, 160);
    const Extent ink = ExtentOf(s.get(), 300, 300, kGreen, true);
    EXPECT_GT(ink.bottom - ink.top, 36) << "digits of a 56-pixel em are about 40 pixels tall";
  }
  // Unclipped, the cell of the three digits is at most 98 pixels wide.
  const Extent free = DrawIn(figure, L"888", {0, 0, 300, 200}, 0);
  EXPECT_LE(free.right - free.left, 98) << free;
  EXPECT_GE(free.right - free.left, 80) << free;
}

TEST_F(GdiText, ArialMetricFacesAreLiberationSans) {
  const Extent sans = DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_SWISS), L"888", {0, 0, 300, 200}, 0);
  for (const wchar_t* face : {L"Arial", L"Helvetica", L"Tahoma", L"Liberation Sans"}) {
    EXPECT_EQ(DrawIn(FontRequest(-56, 0, face), L"888", {0, 0, 300, 200}, 0), sans)
        << std::wstring(face).size();
  }
  EXPECT_EQ(DrawIn(FontRequest(-56, FF_DONTCARE), L"888", {0, 0, 300, 200}, 0), sans);
  EXPECT_EQ(DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_SWISS, L"No Such Face 123"), L"888", {0, 0, 300, 200}, 0),
            sans)
      << "an unknown face goes by the family";
  // The other families and the bold weight look different.
  const Extent mono = DrawIn(FontRequest(-56, FIXED_PITCH | FF_MODERN), L"iii", {0, 0, 300, 200}, 0);
  const Extent sansI = DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_SWISS), L"iii", {0, 0, 300, 200}, 0);
  EXPECT_GT(mono.right - mono.left, sansI.right - sansI.left) << "fixed pitch makes i as wide as m";
  int bold = 0;
  int normal = 0;
  DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_SWISS, L"", FW_BOLD), L"WWW", {0, 0, 300, 200}, 0, nullptr, &bold);
  DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_SWISS), L"WWW", {0, 0, 300, 200}, 0, nullptr, &normal);
  EXPECT_GT(bold, normal * 5 / 4) << "bold strokes are heavier";
  const Extent serif = DrawIn(FontRequest(-56, VARIABLE_PITCH | FF_ROMAN), L"888", {0, 0, 300, 200}, 0);
  EXPECT_NE(serif, sans);
}

TEST_F(GdiText, PositiveHeightsAskForTheCell) {
  int cell = 0;
  DrawIn(FontRequest(40, VARIABLE_PITCH | FF_SWISS), L"8", {0, 0, 300, 200}, 0, &cell);
  EXPECT_GE(cell, 39);
  EXPECT_LE(cell, 41);
  int em = 0;
  DrawIn(FontRequest(-40, VARIABLE_PITCH | FF_SWISS), L"8", {0, 0, 300, 200}, 0, &em);
  EXPECT_GT(em, cell) << "a 40-pixel em makes a taller cell than a 40-pixel cell";
}

TEST_F(GdiText, CountLimitsTheText) {
  SurfaceDc a(100, 30);
  SurfaceDc b(100, 30);
  RECT r{0, 0, 100, 30};
  DrawTextW(a.get(), L"A\0B", 1, &r, 0);
  DrawTextW(b.get(), L"A", -1, &r, 0);
  EXPECT_EQ(Drawn(a.get(), 100, 30), Drawn(b.get(), 100, 30));
}

TEST_F(GdiText, TextIsClippedToItsRectangleAndFarOffTextDrawsNothing) {
  const LOGFONTW figure = FontRequest(-56, VARIABLE_PITCH | FF_SWISS);
  EXPECT_EQ(DrawIn(figure, L"888", {10, 10, 30, 20}, 0), (Extent{10, 10, 30, 20}));
  const RECT far[] = {{INT_MIN, INT_MIN, INT_MIN + 100, INT_MIN + 100},
                      {INT_MAX - 50, 0, INT_MAX, 100},
                      {0, INT_MAX - 10, 300, INT_MAX},
                      {INT_MIN, INT_MIN, INT_MAX, INT_MIN + 10},
                      {5, 5, 5, 100}};
  for (const RECT& r : far) {
    EXPECT_EQ(DrawIn(figure, L"888\n888", r, DT_CENTER), Extent{}) << r.left << "," << r.top;
  }
  // A huge rectangle with the text centred far away horizontally: nothing on the surface.
  EXPECT_EQ(DrawIn(figure, L"888", {INT_MIN, 0, INT_MIN + 1000, 100}, DT_CENTER | DT_NOCLIP), Extent{});
  // Centred in the whole coordinate range, the text lands near x = 0.
  const Extent mid = DrawIn(figure, L"8", {INT_MIN, 0, INT_MAX, 100}, DT_CENTER);
  EXPECT_LE(mid.left, 0);
  EXPECT_GT(mid.right, 0);
}

struct SameAsCairoCase {
  const char* name;
  LONG height;  // 0: the surface's own font
  const wchar_t* text;
  int x;
};

class TextLikeCairo : public GdiText, public ::testing::WithParamInterface<SameAsCairoCase> {};

// Lines of plain ASCII are laid out from remembered glyph advances: every glyph must land on
// the pixels where cairo_show_text, in the same font, puts it.
TEST_P(TextLikeCairo, GlyphsLandWhereCairoPutsThem) {
  const SameAsCairoCase& c = GetParam();
  SurfaceDc ours(300, 80);
  SurfaceDc theirs(300, 80);
  const LOGFONTW request = FontRequest(c.height, VARIABLE_PITCH | FF_SWISS);
  HFONT font = c.height != 0 ? CreateFontIndirectW(&request) : nullptr;
  HGDIOBJ old = font != nullptr ? SelectObject(ours.get(), font) : nullptr;
  SetBkMode(ours.get(), TRANSPARENT);
  SetTextColor(ours.get(), kWhite);
  for (int round = 0; round < 2; ++round) {  // the second time from remembered advances
    RECT rect{c.x, 3, 300, 80};
    DrawTextW(ours.get(), c.text, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
  }

  platform::detail::Dc* dc = platform::detail::LookupDc(ours.get());
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(platform::detail::PrepareFont(*dc->font));
  platform::detail::Dc* target = platform::detail::LookupDc(theirs.get());
  cairo_t* cr = cairo_create(target->surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_scaled_font(cr, dc->font->scaled);
  cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
  std::string utf8;
  for (const wchar_t* p = c.text; *p != 0; ++p) utf8.push_back(static_cast<char>(*p));
  cairo_move_to(cr, c.x, 3 + dc->font->ascent);
  cairo_show_text(cr, utf8.c_str());
  cairo_destroy(cr);
  cairo_surface_mark_dirty(target->surface);

  const std::map<COLORREF, char> legend{{kBack, '.'}, {kWhite, '#'}};
  EXPECT_EQ(kavro_test::Picture(ours.get(), 0, 0, 300, 80, legend),
            kavro_test::Picture(theirs.get(), 0, 0, 300, 80, legend));
  if (font != nullptr) {
    SelectObject(ours.get(), old);
    DeleteObject(font);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextLikeCairo,
    ::testing::Values(SameAsCairoCase{"PanelTime", 0, L" 12:34:56", 0},
                      SameAsCairoCase{"PanelPosition", 0, L" 4807.0380 N", 1},
                      SameAsCairoCase{"PanelDistance", 0, L" S =     123.4 km", 7},
                      SameAsCairoCase{"AllPrintable", 0,
                                      L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"
                                      L"qrstuvwxyz{|}~",
                                      0},
                      SameAsCairoCase{"SpeedFigure", -56, L" 87", 2},
                      SameAsCairoCase{"OddSizeOffsetStart", -17, L"Wavy lines, 1.852 km/h", 13}),
    [](const ::testing::TestParamInfo<SameAsCairoCase>& param) { return std::string(param.param.name); });

TEST_F(GdiText, OddCharactersDrawWithoutHarm) {
  const LOGFONTW system = FontRequest(-11, VARIABLE_PITCH | FF_SWISS, L"Liberation Sans");
  const wchar_t odd[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), L'\t',
                         static_cast<wchar_t>(-5),  L'\u00e9', static_cast<wchar_t>(0x1F600), 0};
  int height = 0;
  DrawIn(system, odd, {0, 0, 200, 100}, 0, &height);
  EXPECT_EQ(height, 13);
}

}  // namespace
