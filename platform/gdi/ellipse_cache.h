// Ellipses drawn again and again at the same place (the compass dial and hub on every tick)
// are drawn from the pixels they covered the last time instead of through cairo.
#pragma once

#include <cairo.h>

#include "gdi/dc.h"
#include "gdi/raster.h"

namespace platform::detail {

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

}  // namespace platform::detail
