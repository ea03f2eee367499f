// Pixel-exact geometry: the one-pixel line with GDI's end-point rule, and clipping of lines
// and boxes that may lie anywhere in (and beyond) the 32-bit coordinate range.
#pragma once

#include <cstdint>

namespace platform::detail {

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

}  // namespace platform::detail
