// Pens, brushes and fonts behind their handles, and what a DC does with them.
#pragma once

#include <cairo.h>

#include <array>
#include <string>

#include "detail/handles.h"
#include "platform/gdi.h"

namespace platform::detail {

// Pens, brushes and fonts count the DCs that have them selected: Win32 refuses to delete a
// selected object, and so do we, so a DC never draws with a freed object.
struct GdiObject : Object {
  using Object::Object;
  int selections = 0;
};

struct Pen : GdiObject {
  static constexpr Kind kKind = Kind::Pen;
  Pen() : GdiObject(kKind) {}
  int style = PS_SOLID;
  int width = 1;        // as created (0 and 1 both mean one pixel)
  int drawWidth = 1;    // the width drawn, at least 1
  COLORREF colour = 0;
};

struct Brush : GdiObject {
  static constexpr Kind kKind = Kind::Brush;
  Brush() : GdiObject(kKind) {}
  COLORREF colour = 0;
  bool isNull = false;
};

struct Font : GdiObject {
  static constexpr Kind kKind = Kind::Font;
  Font() : GdiObject(kKind) {}
  ~Font() override;
  LOGFONTW logFont{};
  std::wstring face;                       // the requested face name
  cairo_scaled_font_t* scaled = nullptr;   // made on first use
  int ascent = 0;
  int lineHeight = 0;
  // The glyph and advance of each ASCII character, looked up once: lines of such text are
  // laid out by adding advances, as cairo does, without mapping characters every time.
  struct GlyphStep {
    unsigned long index = 0;
    double xAdvance = 0.0;
    double yAdvance = 0.0;
    bool known = false;
  };
  std::array<GlyphStep, 128> ascii{};
};

struct Dc;

// Selects the stock pen, brush and font into a fresh DC; releases a closing DC's selections.
void SelectDefaults(Dc& dc);
void ReleaseSelections(Dc& dc);
void LogFixmeOnce(const char* what);

}  // namespace platform::detail
