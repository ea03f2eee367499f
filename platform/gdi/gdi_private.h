// What the drawing files share: DCs and their objects, cairo drawing, pixel routines, fonts.
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/gdi.h"

namespace platform::detail {

// Pens, brushes and fonts behind their handles, and what a DC does with them.

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

// Device contexts: what a DC holds, its drawing operations, and the surface it shares.

// The cairo DC fills the table of operations and the recorder observes it; cairo and our own
// pixel routines share one surface.

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

// The DC behind a handle, or nullptr.
inline Dc* LookupDc(HDC dc) { return Lookup<Dc>(dc); }
// Our own routines write pixels directly; cairo must be flushed before and told after.
std::uint32_t* BeginPixels(Dc& dc);
cairo_t* BeginCairo(Dc& dc);
void FinishDrawing(Dc& dc);
// Adds the half-open box [left, right) x [top, bottom), already inside the surface.
void AddDamage(Dc& dc, long long left, long long top, long long right, long long bottom);

// A colour as the 32-bit xRGB pixel of the surface, and back.
constexpr std::uint32_t PixelOf(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF ColourOfPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}
void SetSourceColour(cairo_t* cr, COLORREF colour);

// The drawing operations of the cairo DC.

extern const DcFuncs kCairoFuncs;

// Fills [left, right) x [top, bottom) clipped to the surface, through cairo; records damage.
void FillBox(Dc& dc, long long left, long long top, long long right, long long bottom, COLORREF colour);

// Pixel-exact geometry: GDI's one-pixel line and the clipping of lines and boxes.

// Coordinates may lie anywhere in (and beyond) the 32-bit range.

struct PixelTarget {
  std::uint32_t* pixels;
  int stride;  // in pixels
  int width;
  int height;
};

struct Box {  // half-open: [left, right) x [top, bottom)
  long long left;
  long long top;
  long long right;
  long long bottom;
};

// Draws the one-pixel line from (x0, y0) towards (x1, y1) without its last pixel, clipped to
// the target; exactly the pixels of the unclipped line that fall inside. Returns false when
// nothing was drawn, else the box of the drawn pixels.
bool DrawThinLine(const PixelTarget& target, long long x0, long long y0, long long x1, long long y1,
                  std::uint32_t pixel, Box* drawn);

// Liang-Barsky: clips the segment to [xmin, xmax] x [ymin, ymax]; false when nothing is left.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin, double xmax,
                 double ymax);

// Intersection of two half-open boxes; false when empty.
bool IntersectBox(const Box& a, const Box& b, Box* out);

// Ellipses drawn again and again at the same place, from the pixels they covered.

// The compass dial and hub come back on every tick; copying their pixels is cheaper than cairo.

// Everything that decides which pixels an ellipse covers. With antialiasing off each pixel is
// either covered or not, whatever the colours, so the colours are not part of it.
struct EllipseShape {
  Box box;             // as GDI takes it, right and bottom edges excluded
  Box reach;           // the pixels the drawing may touch: the box grown a little, on the surface
  double penWidth;     // 0: no outline
  bool filled;
  // The DC's cairo state, which a wide line may have changed (the arc is not a closed path,
  // so its ends meet with caps).
  cairo_line_cap_t cap;
  cairo_line_join_t join;
  double miterLimit;
  double tolerance;
};

// Draws the shape's inside (fill) or its outline (pen) with the current source on cr.
using EllipseRenderer = void (*)(cairo_t* cr, const EllipseShape& shape, bool outline);

// Draws the ellipse from the covered pixels remembered for this shape, with the brush for the
// inside and then the pen for the outline. False when the shape is not known yet: the caller
// draws it through cairo; seen a second time, its pixels are found (by rendering it on a
// scratch surface) and remembered.
bool DrawRememberedEllipse(Dc& dc, const EllipseShape& shape, COLORREF brush, COLORREF pen,
                           EllipseRenderer render);

// Fonts on fontconfig and cairo.

// Makes the font's scaled font and metrics on first use; false when no font could be had.
bool PrepareFont(Font& font);

// The recording of drawing calls that tests read back.

// True while recording is on; the recorder's table of drawing operations.
bool IsRecording();
const DcFuncs& RecordingFuncs();
// The table a public call goes through: the recorder while recording, else the DC's own.
inline const DcFuncs& FuncsOf(const Dc& dc) { return IsRecording() ? RecordingFuncs() : *dc.funcs; }
// Appends a record of a call on the DC (null for calls on no DC).
void RecordCall(const Dc* dc, const char* op, std::vector<long long> args, HGDIOBJ object = nullptr,
                HGDIOBJ result = nullptr, std::wstring text = {});

// DrawTextW on cairo.

// The cairo DC's drawText; returns what DrawTextW returns.
int CairoDrawText(Dc& dc, const wchar_t* text, int count, const RECT& rect, UINT format);

}  // namespace platform::detail
