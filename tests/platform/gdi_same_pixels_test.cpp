// What the drawing layer does to save work must not change a pixel: ellipses drawn again from
// the runs remembered the first time, text laid out from remembered glyph advances, and the box
// of changed pixels that decides what is sent to the screen.
#include <cairo.h>

#include "gdi/gdi_private.h"
#include "platform/detail/surface_dc.h"
#include "platform/test_support.h"

namespace {

using namespace kavro_test;

class GdiSamePixels : public GdiTest {};

TEST_F(GdiSamePixels, AnEllipseDrawnAgainInThePlaceLightsTheSamePixels) {
  // wideFirst: a wide line leaves round caps and joins on the DC's cairo state.
  const struct { const char* what; RECT box; int penStyle, penWidth; bool wideFirst; } cases[] = {
      {"compass dial", {7, 3, 53, 49}, PS_SOLID, 1, false},
      {"hub after a wide needle", {24, 20, 37, 31}, PS_SOLID, 1, true},
      {"across the top left corner", {-9, -7, 17, 13}, PS_NULL, 2, false},
  };
  for (const auto& c : cases) {
    std::string first;
    for (int round = 0; round < 3; ++round) {  // the first through cairo, then remembered
      SurfaceDc s(60, 50);
      HGDIOBJ old = SelectObject(s.dc, CreatePen(c.penStyle, c.penWidth, kWhite));
      if (c.wideFirst) Line(s.dc, {0, 49, 5, 49}, kWhite, 3);
      SelectObject(s.dc, BlackBrush());
      Ellipse(s.dc, c.box.left, c.box.top, c.box.right, c.box.bottom);
      DeleteObject(SelectObject(s.dc, old));
      const std::string picture = Picture(s.dc, 60, 50, kWhite);
      if (round == 0) first = picture;
      EXPECT_NE(first.find_first_not_of(".\n"), std::string::npos) << c.what << " drew nothing";
      EXPECT_EQ(picture, first) << c.what << ", drawing " << round + 1;
    }
  }
}

TEST_F(GdiSamePixels, TextLandsWhereCairoPutsTheGlyphs) {
  // The font's height (0: the DC's own font), the text, and where it starts.
  const struct { LONG height; const wchar_t* text; int x; } cases[] = {
      {0, L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"
          L"qrstuvwxyz{|}~", 0},
      {-56, L" 87", 2},
      {-17, L"Wavy lines, 1.852 km/h", 13},
  };
  for (const auto& c : cases) {
    SurfaceDc ours(300, 80), theirs(300, 80);
    LOGFONTW request{};
    request.lfHeight = c.height;
    request.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    HGDIOBJ old = c.height != 0 ? SelectObject(ours.dc, CreateFontIndirectW(&request)) : nullptr;
    SetBkMode(ours.dc, TRANSPARENT);
    SetTextColor(ours.dc, kWhite);
    for (int round = 0; round < 2; ++round) {  // the second time from remembered advances
      RECT rect{c.x, 3, 300, 80};
      DrawTextW(ours.dc, c.text, -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }

    platform::detail::Dc* dc = platform::detail::LookupDc(ours.dc);
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(platform::detail::PrepareFont(*dc->font));
    cairo_t* cr = cairo_create(platform::detail::LookupDc(theirs.dc)->surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_scaled_font(cr, dc->font->scaled);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    const std::string ascii(c.text, c.text + std::wcslen(c.text));
    cairo_move_to(cr, c.x, 3 + dc->font->ascent);
    cairo_show_text(cr, ascii.c_str());
    cairo_destroy(cr);
    cairo_surface_mark_dirty(platform::detail::LookupDc(theirs.dc)->surface);

    EXPECT_EQ(Picture(ours.dc, 300, 80, kWhite), Picture(theirs.dc, 300, 80, kWhite))
        << ::testing::PrintToString(std::wstring(c.text));
    if (old != nullptr) DeleteObject(SelectObject(ours.dc, old));
  }
}

TEST_F(GdiSamePixels, ClosingASurfaceDcReportsTheBoxOfChangedPixels) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 50, 40);
  static constexpr RECT kFill{10, 5, 20, 8};
  static constexpr RECT kClipped{INT_MIN, 30, INT_MAX, INT_MAX};
  // What is drawn, and the box of what changed (empty: nothing).
  const struct { const char* what; void (*draw)(HDC); RECT expected; } cases[] = {
      {"fill and line", [](HDC d) {
         FillRect(d, &kFill, BlackBrush());
         MoveToEx(d, 30, 20, nullptr);
         LineTo(d, 40, 30);
       }, {10, 5, 40, 30}},
      {"clipped fill", [](HDC d) { FillRect(d, &kClipped, BlackBrush()); }, {0, 30, 50, 40}},
      {"off the surface", [](HDC d) {
         MoveToEx(d, -100, -100, nullptr);
         LineTo(d, -10, INT_MAX);
         Ellipse(d, 60, 0, 70, 10);
       }, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    HDC dc = platform::detail::OpenSurfaceDC(surface);
    ASSERT_NE(dc, nullptr);
    c.draw(dc);
    RECT changed{1, 2, 3, 4};
    ASSERT_TRUE(platform::detail::CloseSurfaceDC(dc, &changed));
    const bool empty = changed.left >= changed.right || changed.top >= changed.bottom;
    EXPECT_EQ(empty ? Box{} : Edges(changed), Edges(c.expected)) << c.what;
  }
  cairo_surface_destroy(surface);
}

}  // namespace
