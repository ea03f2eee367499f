// Pixels drawn on real cairo surfaces: the exact one-pixel line, ellipses with a selected brush
// that cannot be deleted, and text (line feeds and the alignment flags), with far-off or huge
// coordinates clipped without harm.
#include <cmath>
#include <cstdlib>

#include "platform/test_support.h"

namespace {

using namespace kavro_test;

constexpr COLORREF kRed = RGB(255, 0, 0);

class GdiDraw : public GdiTest {};

// The ideal line's pixels on a 40 x 30 surface: one per step along the major axis, the minor
// offset rounded to the nearest pixel (ties towards the start), the last pixel left out. Worked
// out for the whole line, so a clipped line must keep the pixels of the unclipped one.
std::string IdealLine(const std::array<int, 4>& l) {
  const std::size_t a = std::llabs(1LL * l[2] - l[0]) >= std::llabs(1LL * l[3] - l[1]) ? 0 : 1;  // major axis
  const long long dMajor = 1LL * l[a + 2] - l[a], dMinor = 1LL * l[3 - a] - l[1 - a];
  std::string picture;
  for (int y = 0; y < 30; ++y) picture += std::string(40, '.') + '\n';
  for (long long m = 0; m < (a == 0 ? 40 : 30); ++m) {
    const long long t = dMajor < 0 ? l[a] - m : m - l[a];  // steps from the start
    if (t < 0 || t >= std::llabs(dMajor)) continue;
    const long double exact = static_cast<long double>(t) * std::llabs(dMinor) / std::llabs(dMajor);
    const auto offset = static_cast<long long>(std::ceil(exact - 0.5L));
    const long long n = l[1 - a] + (dMinor < 0 ? -offset : offset);
    const long long x = a == 0 ? m : n, y = a == 0 ? n : m;
    if (x >= 0 && x < 40 && y >= 0 && y < 30) picture[static_cast<std::size_t>(y * 41 + x)] = '#';
  }
  return picture;
}

TEST_F(GdiDraw, OnePixelLinesLightTheIdealPixels) {
  // On the surface: every octant, level and upright, and no length at all; partly off it, some
  // with pixel centres halfway, then billions of pixels long; wholly off it.
  const std::array<int, 4> lines[] = {
      {0, 0, 7, 7}, {30, 28, 3, 1}, {10, 2, 13, 25}, {13, 28, 10, 1}, {1, 5, 38, 16}, {38, 27, 1, 14}, {2, 1, 8, 1},
      {20, 25, 20, 3}, {3, 3, 3, 3}, {-50, -20, 300, 131}, {-7, 60, 50, -40}, {150, 21, -90, 2}, {39, 40, 39, -10},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {-1000000001, -300000000, 1000000000, 300000011},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN + 20}, {INT_MIN, INT_MIN, INT_MAX, INT_MIN}, {INT_MIN, 0, -4, 0},
      {-5, -5, INT_MIN, INT_MAX}};
  for (const auto& l : lines) {
    SurfaceDc s(40, 30);
    Line(s.dc, l, kWhite, 1);
    EXPECT_EQ(Picture(s.dc, 40, 30, kWhite), IdealLine(l)) << ::testing::PrintToString(l);
  }
}

// The brush, refused deletion while selected, fills the visible part of huge and far-off ellipses.
TEST_F(GdiDraw, HugeAndFarOffEllipsesDrawOnlyTheirVisiblePart) {
  // The box; rows of the 40 x 30 surface untouched, then rows of the black outline ('?'),
  // then brush to the bottom.
  const struct { RECT box; int backRows, outlineRows; } cases[] = {
      {{INT_MIN, INT_MIN, INT_MIN + 1000, INT_MIN + 1000}, 30, 0},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0},  // the surface deep inside
      {{INT_MIN, 10, INT_MAX, INT_MAX}, 10, 1},      // the top crosses the surface
  };
  for (const auto& c : cases) {
    SurfaceDc s(40, 30);
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ old = SelectObject(s.dc, red);
    EXPECT_FALSE(DeleteObject(red));
    Ellipse(s.dc, c.box.left, c.box.top, c.box.right, c.box.bottom);
    EXPECT_TRUE(SelectObject(s.dc, old) == red && DeleteObject(red));
    std::string rows;
    for (int y = 0; y < 30; ++y) {
      rows += std::string(40, y < c.backRows ? '.' : y < c.backRows + c.outlineRows ? '?' : '#') + '\n';
    }
    EXPECT_EQ(Picture(s.dc, 40, 30, kRed), rows) << c.box.top;
  }
}

// DrawTextW on a fresh 300 x 200 surface in the DC's own font: the height it returned and the
// box of the pixels not of the background ({INT_MAX, INT_MAX, INT_MIN, INT_MIN}: none).
std::pair<int, Box> DrawIn(const wchar_t* text, RECT rect, UINT format) {
  SurfaceDc s(300, 200);
  const int height = DrawTextW(s.dc, text, -1, &rect, format);
  Box b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      if (GetPixel(s.dc, x, y) == kSurfaceBack) continue;
      b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
    }
  }
  return {height, b};
}

// Every line of the DC's own font is 13 pixels high, whatever the text holds; DT_VCENTER takes
// effect on a single line only (the height returned is then the offset of the text's bottom
// from the top); each line is centred on its own; text is clipped to its rectangle.
TEST_F(GdiDraw, TextLinesAreThirteenPixelsHighAndPlacedByTheFlags) {
  const RECT box{3, 60, 99, 160}, big{0, 0, 200, 100};  // box: 96 x 100
  const Box left = DrawIn(L"41", box, 0).second, wide = DrawIn(L"WWWW", big, DT_CENTER).second;
  const int w = left[2] - left[0], x = 3 + (96 - w) / 2;
  ASSERT_EQ(left, (Box{3, 60, 3 + w, 73}));
  const wchar_t odd[] = {L'a', wchar_t(0xD800), wchar_t(0x110000), wchar_t(-5), 0};
  // The height returned and the box of the pixels drawn (a side of INT_MIN: wherever the font puts it).
  const struct { const wchar_t* text; RECT rect; UINT format; int height; Box drawn; } cases[] = {
      {L"\n\n 23.03.2094\n", big, 0, 52, {INT_MIN, 26, INT_MIN, 39}},
      {L"A\r\nB", big, 0, 26, {INT_MIN, 0, INT_MIN, 26}},
      {L"", big, 0, 0, {INT_MAX, INT_MAX, INT_MIN, INT_MIN}},
      {odd, big, 0, 13, {INT_MIN, 0, INT_MIN, 13}},
      {L"41", box, DT_CENTER, 13, {x, 60, x + w, 73}},
      {L"41", box, DT_CENTER | DT_VCENTER, 13, {x, 60, x + w, 73}},
      {L"41", box, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 56, {x, 103, x + w, 116}},
      {L"WWWW\ni", big, DT_CENTER, 26, {wide[0], 0, wide[2], 26}},
      {L"88888888", {10, 10, 30, 20}, 0, 13, {10, 10, 30, 20}},
  };
  for (const auto& c : cases) {
    auto [height, drawn] = DrawIn(c.text, c.rect, c.format);
    for (std::size_t side : {0u, 2u}) drawn[side] = c.drawn[side] == INT_MIN ? INT_MIN : drawn[side];
    EXPECT_EQ(std::pair(height, drawn), std::pair(c.height, c.drawn)) << ::testing::PrintToString(std::wstring(c.text));
  }
}

}  // namespace
