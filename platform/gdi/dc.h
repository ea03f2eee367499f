// Device contexts: what a DC holds, the table of drawing operations that the cairo DC fills
// and the recorder observes, and the sharing of one surface between cairo and our own pixel
// routines.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "detail/handles.h"
#include "gdi/objects.h"
#include "platform/gdi.h"

namespace platform::detail {

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

}  // namespace platform::detail
