// Internals of the drawing area: pens, brushes, fonts, device contexts, and the table of
// drawing operations that the cairo DC fills and the recorder observes.
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/gdi.h"
#include "platform/testing.h"

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

struct DcFuncs;

struct Dc : Object {
  static constexpr Kind kKind = Kind::DC;
  Dc() : Object(kKind) {}
  ~Dc() override;

  cairo_surface_t* surface = nullptr;  // referenced by the DC
  cairo_t* cr = nullptr;
  std::uint32_t* pixels = nullptr;
  int stride = 0;  // in pixels
  int width = 0;
  int height = 0;
  bool ownsSurface = false;  // made by CreateSurfaceDC rather than opened on a window's surface
  const DcFuncs* funcs = nullptr;

  HGDIOBJ penHandle = nullptr;
  HGDIOBJ brushHandle = nullptr;
  HGDIOBJ fontHandle = nullptr;
  Pen* pen = nullptr;  // valid while selected: deletion is refused meanwhile
  Brush* brush = nullptr;
  Font* font = nullptr;

  POINT position{0, 0};
  COLORREF textColour = RGB(0, 0, 0);
  COLORREF bkColour = RGB(255, 255, 255);
  int bkMode = OPAQUE;

  RECT damage{0, 0, 0, 0};  // bounding box of the pixels changed so far
  bool cairoTouched = false;   // cairo drew since the last flush
  bool pixelsTouched = false;  // our own routines wrote pixels since cairo last looked
};

// The drawing operations of a DC, Wine-style: the cairo DC fills the table, the recorder
// wraps it. State (pen position, colours, selections) is kept by the public functions.
struct DcFuncs {
  void (*lineTo)(Dc& dc, int x, int y);  // from dc.position
  void (*fillRect)(Dc& dc, const RECT& rect, const Brush& brush, HBRUSH handle);
  void (*ellipse)(Dc& dc, int left, int top, int right, int bottom);
  void (*rectangle)(Dc& dc, int left, int top, int right, int bottom);
  int (*drawText)(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format);
  BOOL (*drawFrameControl)(Dc& dc, const RECT& rect, UINT type, UINT state);
};

extern const DcFuncs kCairoFuncs;

// --- recording ---
bool IsRecording();
const DcFuncs& RecordingFuncs();
// The table a public call goes through: the recorder while recording, else the DC's own.
inline const DcFuncs& FuncsOf(const Dc& dc) { return IsRecording() ? RecordingFuncs() : *dc.funcs; }
void RecordCall(const Dc* dc, const char* op, std::vector<long long> args, HGDIOBJ object = nullptr,
                HGDIOBJ result = nullptr, std::wstring text = {});

// --- pixels and cairo on one surface ---
inline Dc* LookupDc(HDC dc) { return Lookup<Dc>(dc); }
// Our own routines write pixels directly; cairo must be flushed before and told after.
std::uint32_t* BeginPixels(Dc& dc);
cairo_t* BeginCairo(Dc& dc);
void FinishDrawing(Dc& dc);
// Adds the half-open box [left, right) x [top, bottom), already inside the surface.
void AddDamage(Dc& dc, long long left, long long top, long long right, long long bottom);
constexpr std::uint32_t PixelOf(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF ColourOfPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}
void SetSourceColour(cairo_t* cr, COLORREF colour);
// Fills [left, right) x [top, bottom) clipped to the surface, through cairo; records damage.
void FillBox(Dc& dc, long long left, long long top, long long right, long long bottom, COLORREF colour);

// --- objects ---
// Selects the stock pen, brush and font into a fresh DC; releases a closing DC's selections.
void SelectDefaults(Dc& dc);
void ReleaseSelections(Dc& dc);
void LogFixmeOnce(const char* what);

// --- fonts ---
// Makes the font's scaled font and metrics on first use; false when no font could be had.
bool PrepareFont(Font& font);

// --- text ---
int CairoDrawText(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format);

}  // namespace platform::detail
