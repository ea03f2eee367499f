// DrawTextW on cairo: lines split at line feeds, each aligned in the rectangle and, in opaque
// mode, drawn on a cell (text extent by line height) of the background colour.
#include "gdi/gdi_private.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "detail/utf8.h"

namespace platform::detail {
namespace {

// Lines wider or further out than this are not drawn: cairo's fixed point ends near 2^23.
constexpr long long kTextReach = 1LL << 22;

struct Line {
  std::size_t start;
  std::size_t length;
};

// Line feeds, carriage returns and CR LF pairs end lines; a single line keeps them out.
std::vector<Line> SplitLines(const wchar_t* text, std::size_t length, bool single) {
  std::vector<Line> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (single || (text[i] != L'\n' && text[i] != L'\r')) continue;
    lines.push_back({start, i - start});
    if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  lines.push_back({start, length - start});
  return lines;
}

std::string LineText(const wchar_t* text, const Line& line, bool single) {
  if (!single) return ToUtf8(text + line.start, line.length);
  std::wstring kept;
  for (std::size_t i = 0; i < line.length; ++i) {
    const wchar_t c = text[line.start + i];
    if (c != L'\n' && c != L'\r') kept.push_back(c);
  }
  return ToUtf8(kept.data(), kept.size());
}

// The glyphs of a line of ASCII text placed from (x, y) exactly as
// cairo_scaled_font_text_to_glyphs places them (each glyph at the sum of the advances before
// it), up to a NUL as cairo stops there. False for other text, which cairo lays out itself.
bool LayOutAscii(Font& font, const std::string& utf8, double x, double y, std::vector<cairo_glyph_t>* glyphs) {
  glyphs->clear();
  for (const char c : utf8) {
    const auto code = static_cast<unsigned char>(c);
    if (code == 0) break;
    if (code >= font.ascii.size()) return false;
    Font::GlyphStep& step = font.ascii[code];
    if (!step.known) {
      cairo_glyph_t* one = nullptr;
      int count = 0;
      if (cairo_scaled_font_text_to_glyphs(font.scaled, 0.0, 0.0, &c, 1, &one, &count, nullptr, nullptr, nullptr) !=
              CAIRO_STATUS_SUCCESS ||
          count != 1) {
        cairo_glyph_free(one);
        return false;
      }
      // One glyph at 0: its extents' advance is the glyph's own advance, exactly.
      cairo_text_extents_t extents;
      cairo_scaled_font_glyph_extents(font.scaled, one, 1, &extents);
      step.index = one[0].index;
      step.xAdvance = extents.x_advance;
      step.yAdvance = extents.y_advance;
      step.known = true;
      cairo_glyph_free(one);
    }
    glyphs->push_back(cairo_glyph_t{step.index, x, y});
    x += step.xAdvance;
    y += step.yAdvance;
  }
  return true;
}

}  // namespace

// Returns the height of the text, or with DT_VCENTER / DT_BOTTOM on a single line the offset
// from the rectangle's top to the bottom of the text, as Win32 does.
int CairoDrawText(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format) {
  Font& font = *dc.font;
  if (!PrepareFont(font)) return 0;
  const std::size_t length = count < 0 ? std::wcslen(text) : static_cast<std::size_t>(count);
  if (length == 0) return 0;  // as on Win32: no text, no height
  const bool single = (format & DT_SINGLELINE) != 0;
  if ((format & DT_WORDBREAK) != 0) LogFixmeOnce("DrawTextW does not break words");
  const std::vector<Line> lines = SplitLines(text, length, single);
  const long long lineHeight = font.lineHeight;
  const long long total = static_cast<long long>(lines.size()) * lineHeight;

  // DT_VCENTER and DT_BOTTOM apply to single lines only.
  long long top = rect.top;
  if (single && (format & DT_VCENTER) != 0) {
    top = rect.top + (static_cast<long long>(rect.bottom) - rect.top - lineHeight) / 2;
  } else if (single && (format & DT_BOTTOM) != 0) {
    top = static_cast<long long>(rect.bottom) - lineHeight;
  }
  const int result = static_cast<int>(std::clamp<long long>(
      single && (format & (DT_VCENTER | DT_BOTTOM)) != 0 ? top + total - rect.top : total, INT32_MIN,
      INT32_MAX));

  Box clip{0, 0, dc.width, dc.height};
  if ((format & DT_NOCLIP) == 0 && !IntersectBox({rect.left, rect.top, rect.right, rect.bottom}, clip, &clip)) {
    return result;
  }
  cairo_t* cr = nullptr;
  std::vector<cairo_glyph_t> glyphs;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const long long y = top + static_cast<long long>(i) * lineHeight;
    if (y >= clip.bottom) break;
    if (y + lineHeight <= clip.top || lines[i].length == 0) continue;
    const std::string utf8 = LineText(text, lines[i], single);
    // Measured as cairo_scaled_font_text_extents measures: the glyphs placed from 0.
    const bool ascii = LayOutAscii(font, utf8, 0.0, 0.0, &glyphs);
    cairo_text_extents_t extents;
    if (ascii) {
      cairo_scaled_font_glyph_extents(font.scaled, glyphs.data(), static_cast<int>(glyphs.size()), &extents);
    } else {
      cairo_scaled_font_text_extents(font.scaled, utf8.c_str(), &extents);
    }
    const long long width = std::llround(extents.x_advance);
    long long x = rect.left;
    if ((format & DT_CENTER) != 0) {
      x = rect.left + (static_cast<long long>(rect.right) - rect.left - width) / 2;
    } else if ((format & DT_RIGHT) != 0) {
      x = static_cast<long long>(rect.right) - width;
    }
    // The cell, and the ink, which may overhang it.
    const Box cell{x, y, x + width, y + lineHeight};
    const Box ink{x + static_cast<long long>(std::floor(extents.x_bearing)) - 1,
                  y + font.ascent + static_cast<long long>(std::floor(extents.y_bearing)) - 1,
                  x + static_cast<long long>(std::ceil(extents.x_bearing + extents.width)) + 1,
                  y + font.ascent + static_cast<long long>(std::ceil(extents.y_bearing + extents.height)) + 1};
    const Box reach{std::min(cell.left, ink.left), std::min(cell.top, ink.top), std::max(cell.right, ink.right),
                    std::max(cell.bottom, ink.bottom)};
    Box visible{};
    if (!IntersectBox(reach, clip, &visible)) continue;
    if (width > kTextReach || x < -kTextReach || x > kTextReach) {
      LogFixmeOnce("DrawTextW leaves out lines wider than cairo can place");
      continue;
    }
    if (dc.bkMode == OPAQUE) {
      Box paint{};
      if (IntersectBox(cell, clip, &paint)) FillBox(dc, paint.left, paint.top, paint.right, paint.bottom, dc.bkColour);
    }
    if (cr == nullptr) {
      cr = BeginCairo(dc);
      cairo_save(cr);
      cairo_new_path(cr);
      cairo_rectangle(cr, static_cast<double>(clip.left), static_cast<double>(clip.top),
                      static_cast<double>(clip.right - clip.left), static_cast<double>(clip.bottom - clip.top));
      cairo_clip(cr);
      cairo_set_scaled_font(cr, font.scaled);
    }
    BeginCairo(dc);
    SetSourceColour(cr, dc.textColour);
    cairo_move_to(cr, static_cast<double>(x), static_cast<double>(y + font.ascent));
    if (ascii) {
      LayOutAscii(font, utf8, static_cast<double>(x), static_cast<double>(y + font.ascent), &glyphs);
      cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    } else {
      cairo_show_text(cr, utf8.c_str());
    }
    AddDamage(dc, visible.left, visible.top, visible.right, visible.bottom);
  }
  if (cr != nullptr) cairo_restore(cr);
  return result;
}

}  // namespace platform::detail
