// The cairo DC's drawing operations: one-pixel lines straight into the pixels, everything
// else through cairo with antialiasing off, all clipped to the surface before drawing.
#include "gdi/gdi_private.h"

#include <algorithm>
#include <cmath>
#include <utility>


namespace platform::detail {
namespace {

// Beyond this, coordinates would overflow cairo's 24.8 fixed point (or make its arcs slow);
// larger shapes are clipped or drawn row by row first.
constexpr double kCairoSafe = 65536.0;
constexpr double kPi = 3.14159265358979323846;

Box SurfaceBox(const Dc& dc) { return {0, 0, dc.width, dc.height}; }

void LineToCairo(Dc& dc, int x, int y) {
  const Pen& pen = *dc.pen;
  if (pen.style == PS_NULL) return;
  const long long x0 = dc.position.x;
  const long long y0 = dc.position.y;
  if (x0 == x && y0 == y) return;  // like a one-pixel pen, an empty segment draws nothing
  if (pen.drawWidth <= 1) {
    Box drawn{};
    const PixelTarget target{BeginPixels(dc), dc.stride, dc.width, dc.height};
    if (DrawThinLine(target, x0, y0, x, y, PixelOf(pen.colour), &drawn)) {
      AddDamage(dc, drawn.left, drawn.top, drawn.right, drawn.bottom);
    }
    return;
  }
  // A wide pen: round ends and joins, centred on the line through the pixel centres. Clip to
  // the surface grown by more than half the width, so that cut ends stay out of sight.
  const double half = std::min(pen.drawWidth / 2.0, kCairoSafe);
  const double margin = half + 2.0;
  double ax = static_cast<double>(x0) + 0.5;
  double ay = static_cast<double>(y0) + 0.5;
  double bx = x + 0.5;
  double by = y + 0.5;
  if (!ClipSegment(ax, ay, bx, by, -margin, -margin, dc.width + margin, dc.height + margin)) return;
  cairo_t* cr = BeginCairo(dc);
  SetSourceColour(cr, pen.colour);
  cairo_set_line_width(cr, 2.0 * half);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, ax, ay);
  cairo_line_to(cr, bx, by);
  cairo_stroke(cr);
  Box box{};
  const Box reach{static_cast<long long>(std::floor(std::min(ax, bx) - half - 1.0)),
                  static_cast<long long>(std::floor(std::min(ay, by) - half - 1.0)),
                  static_cast<long long>(std::ceil(std::max(ax, bx) + half + 1.0)),
                  static_cast<long long>(std::ceil(std::max(ay, by) + half + 1.0))};
  if (IntersectBox(reach, SurfaceBox(dc), &box)) AddDamage(dc, box.left, box.top, box.right, box.bottom);
}

void FillRectCairo(Dc& dc, const RECT& rect, const Brush& brush, HBRUSH) {
  if (brush.isNull) return;
  FillBox(dc, rect.left, rect.top, rect.right, rect.bottom, brush.colour);
}

// GDI takes the box's corners in either order.
Box NormalBox(int left, int top, int right, int bottom) {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

// The pixels of row y whose centres lie inside the ellipse with centre (cx, cy) and radii
// (rx, ry), as [x0, x1); false when none.
bool EllipseRow(double cx, double cy, double rx, double ry, long long y, long long* x0, long long* x1) {
  if (rx <= 0.0 || ry <= 0.0) return false;
  const double v = (static_cast<double>(y) + 0.5 - cy) / ry;
  if (v < -1.0 || v > 1.0) return false;
  const double half = rx * std::sqrt(1.0 - v * v);
  const double first = std::ceil(cx - half - 0.5);
  const double last = std::floor(cx + half - 0.5);
  if (first > last) return false;
  *x0 = static_cast<long long>(first);
  *x1 = static_cast<long long>(last) + 1;
  return true;
}

// Huge ellipses, row by row over the visible rows only: the outline is the part of the box's
// ellipse outside the one shrunk by the pen width.
void EllipseByRows(Dc& dc, const Box& box, const Box& visible, const Pen& pen, const Brush& brush) {
  const double cx = (static_cast<double>(box.left) + static_cast<double>(box.right)) / 2.0;
  const double cy = (static_cast<double>(box.top) + static_cast<double>(box.bottom)) / 2.0;
  const double rx = (static_cast<double>(box.right) - static_cast<double>(box.left)) / 2.0;
  const double ry = (static_cast<double>(box.bottom) - static_cast<double>(box.top)) / 2.0;
  const bool outline = pen.style != PS_NULL;
  const double inset = outline ? pen.drawWidth : 0.0;
  for (long long y = visible.top; y < visible.bottom; ++y) {
    long long o0 = 0, o1 = 0, i0 = 0, i1 = 0;
    if (!EllipseRow(cx, cy, rx, ry, y, &o0, &o1)) continue;
    o0 = std::max(o0, visible.left);
    o1 = std::min(o1, visible.right);
    if (o0 >= o1) continue;
    if (!EllipseRow(cx, cy, rx - inset, ry - inset, y, &i0, &i1)) {
      i0 = i1 = o1;
    } else {
      i0 = std::clamp(i0, o0, o1);
      i1 = std::clamp(i1, o0, o1);
    }
    if (outline) {
      FillBox(dc, o0, y, i0, y + 1, pen.colour);
      FillBox(dc, i1, y, o1, y + 1, pen.colour);
    }
    if (!brush.isNull) FillBox(dc, i0, y, i1, y + 1, brush.colour);
  }
}

void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_new_path(cr);
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0.0, 0.0, 1.0, 0.0, 2.0 * kPi);
  cairo_restore(cr);
}

// The inside of the shape, or its outline: a stroke inside the box, or where the pen is too
// wide for the box to hold an outline and an inside, the whole ellipse.
void RenderEllipse(cairo_t* cr, const EllipseShape& shape, bool outline) {
  const double w = static_cast<double>(shape.box.right - shape.box.left);
  const double h = static_cast<double>(shape.box.bottom - shape.box.top);
  const double cx = static_cast<double>(shape.box.left) + w / 2.0;
  const double cy = static_cast<double>(shape.box.top) + h / 2.0;
  const double rx = (w - shape.penWidth) / 2.0;
  const double ry = (h - shape.penWidth) / 2.0;
  if (!outline || rx <= 0.0 || ry <= 0.0) {
    EllipsePath(cr, cx, cy, w / 2.0, h / 2.0);
    cairo_fill(cr);
    return;
  }
  cairo_set_line_width(cr, shape.penWidth);
  EllipsePath(cr, cx, cy, rx, ry);
  cairo_stroke(cr);
}

// Filled with the brush and outlined with the pen inside the box, whose right and bottom
// edges are left out: a box (x-3, y-3, x+3, y+3) covers x-3 .. x+2.
void EllipseCairo(Dc& dc, int left, int top, int right, int bottom) {
  const Box box = NormalBox(left, top, right, bottom);
  const Pen& pen = *dc.pen;
  const Brush& brush = *dc.brush;
  Box visible{};
  if (!IntersectBox(box, SurfaceBox(dc), &visible)) return;
  if (pen.style == PS_NULL && brush.isNull) return;
  constexpr auto kSafe = static_cast<long long>(kCairoSafe);
  const bool small = box.left >= -kSafe && box.right <= kSafe && box.top >= -kSafe && box.bottom <= kSafe;
  if (!small) {
    EllipseByRows(dc, box, visible, pen, brush);
    return;
  }
  EllipseShape shape{};
  shape.box = box;
  shape.penWidth = pen.style == PS_NULL ? 0.0 : std::min<double>(pen.drawWidth, kCairoSafe);
  shape.filled = !brush.isNull;
  const auto margin = static_cast<long long>(shape.penWidth) + 2;
  IntersectBox({box.left - margin, box.top - margin, box.right + margin, box.bottom + margin}, SurfaceBox(dc),
               &shape.reach);
  shape.cap = cairo_get_line_cap(dc.cr);
  shape.join = cairo_get_line_join(dc.cr);
  shape.miterLimit = cairo_get_miter_limit(dc.cr);
  shape.tolerance = cairo_get_tolerance(dc.cr);
  if (!DrawRememberedEllipse(dc, shape, brush.colour, pen.colour, RenderEllipse)) {
    cairo_t* cr = BeginCairo(dc);
    if (shape.filled) {
      SetSourceColour(cr, brush.colour);
      RenderEllipse(cr, shape, false);
    }
    if (shape.penWidth > 0.0) {
      SetSourceColour(cr, pen.colour);
      RenderEllipse(cr, shape, true);
    }
  }
  AddDamage(dc, visible.left, visible.top, visible.right, visible.bottom);
}

// Filled with the brush and outlined with the pen inside the box (right and bottom excluded).
void RectangleCairo(Dc& dc, int left, int top, int right, int bottom) {
  const Box b = NormalBox(left, top, right, bottom);
  const Pen& pen = *dc.pen;
  const long long pw = pen.style == PS_NULL ? 0 : pen.drawWidth;
  if (!dc.brush->isNull) FillBox(dc, b.left + pw, b.top + pw, b.right - pw, b.bottom - pw, dc.brush->colour);
  if (pw == 0) return;
  const long long inner = std::min(pw, std::max(b.right - b.left, b.bottom - b.top));
  FillBox(dc, b.left, b.top, b.right, b.top + inner, pen.colour);
  FillBox(dc, b.left, b.bottom - inner, b.right, b.bottom, pen.colour);
  FillBox(dc, b.left, b.top, b.left + inner, b.bottom, pen.colour);
  FillBox(dc, b.right - inner, b.top, b.right, b.bottom, pen.colour);
}

// Windows CE's raised push button: a two-pixel edge, white and light outside and in at the
// top and left, black and grey at the bottom and right, around a light grey face. Pushed,
// the edge is sunk: the dark colours go to the top and left.
BOOL DrawFrameControlCairo(Dc& dc, const RECT& rect, UINT type, UINT state) {
  if (type != DFC_BUTTON || (state & DFCS_BUTTONPUSH) == 0) {
    LogFixmeOnce("DrawFrameControl draws push buttons only");
    return FALSE;
  }
  const COLORREF face = RGB(192, 192, 192);
  const COLORREF highlight = RGB(255, 255, 255);
  const COLORREF light = RGB(223, 223, 223);
  const COLORREF shadow = RGB(128, 128, 128);
  const COLORREF darkShadow = RGB(0, 0, 0);
  const bool pushed = (state & DFCS_PUSHED) != 0;
  const COLORREF outerTopLeft = pushed ? darkShadow : highlight;
  const COLORREF innerTopLeft = pushed ? shadow : light;
  const COLORREF outerBottomRight = pushed ? highlight : darkShadow;
  const COLORREF innerBottomRight = pushed ? light : shadow;
  const long long l = std::min(rect.left, rect.right);
  const long long r = std::max(rect.left, rect.right);
  const long long t = std::min(rect.top, rect.bottom);
  const long long b = std::max(rect.top, rect.bottom);
  FillBox(dc, l + 2, t + 2, r - 2, b - 2, face);
  // Bottom and right first, so that the corners they share with the top and left edges go to
  // the top-left colours as on Windows.
  FillBox(dc, l, b - 1, r, b, outerBottomRight);
  FillBox(dc, r - 1, t, r, b, outerBottomRight);
  FillBox(dc, l + 1, b - 2, r - 1, b - 1, innerBottomRight);
  FillBox(dc, r - 2, t + 1, r - 1, b - 1, innerBottomRight);
  FillBox(dc, l, t, r - 1, t + 1, outerTopLeft);
  FillBox(dc, l, t, l + 1, b - 1, outerTopLeft);
  FillBox(dc, l + 1, t + 1, r - 2, t + 2, innerTopLeft);
  FillBox(dc, l + 1, t + 1, l + 2, b - 2, innerTopLeft);
  return TRUE;
}

}  // namespace

void FillBox(Dc& dc, long long left, long long top, long long right, long long bottom, COLORREF colour) {
  Box box{};
  if (!IntersectBox({left, top, right, bottom}, SurfaceBox(dc), &box)) return;
  cairo_t* cr = BeginCairo(dc);
  SetSourceColour(cr, colour);
  cairo_new_path(cr);
  cairo_rectangle(cr, static_cast<double>(box.left), static_cast<double>(box.top),
                  static_cast<double>(box.right - box.left), static_cast<double>(box.bottom - box.top));
  cairo_fill(cr);
  AddDamage(dc, box.left, box.top, box.right, box.bottom);
}

const DcFuncs kCairoFuncs = {LineToCairo,     FillRectCairo, EllipseCairo, RectangleCairo,
                             CairoDrawText,   DrawFrameControlCairo};

}  // namespace platform::detail
