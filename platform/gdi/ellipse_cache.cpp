// Ellipses drawn from remembered pixels: each shape seen twice is rendered once more on a
// scratch surface that covers the same device pixels, and the covered pixels are kept as runs.
#include "gdi/gdi_private.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace platform::detail {
namespace {

// The compass's dial and hub, with room for a few more.
constexpr std::size_t kRemembered = 8;

struct Run {
  long long y;
  long long x0;  // [x0, x1)
  long long x1;
};

struct Covered {
  std::vector<Run> runs;
  std::uint32_t unusedByte = 0;  // what cairo leaves in the RGB24 pixel's top byte
};

struct Remembered {
  EllipseShape shape{};
  bool used = false;
  bool measured = false;
  Covered inside;
  Covered outline;
};

std::array<Remembered, kRemembered>& Table() {
  static auto* table = new std::array<Remembered, kRemembered>;
  return *table;
}
std::size_t g_nextSlot = 0;

bool SameBox(const Box& a, const Box& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SameShape(const EllipseShape& a, const EllipseShape& b) {
  return SameBox(a.box, b.box) && SameBox(a.reach, b.reach) && a.penWidth == b.penWidth && a.filled == b.filled &&
         a.cap == b.cap && a.join == b.join && a.miterLimit == b.miterLimit && a.tolerance == b.tolerance;
}

// Renders one part of the shape in white on a black scratch surface whose device pixels are
// those of the shape's reach (user coordinates unchanged, shifted by whole pixels), and keeps
// the covered pixels.
bool Measure(const EllipseShape& shape, bool outline, EllipseRenderer render, Covered* covered) {
  const long long width = shape.reach.right - shape.reach.left;
  const long long height = shape.reach.bottom - shape.reach.top;
  cairo_surface_t* scratch =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(scratch) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(scratch);
    return false;
  }
  cairo_surface_set_device_offset(scratch, -static_cast<double>(shape.reach.left),
                                  -static_cast<double>(shape.reach.top));
  cairo_t* cr = cairo_create(scratch);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_cap(cr, shape.cap);
  cairo_set_line_join(cr, shape.join);
  cairo_set_miter_limit(cr, shape.miterLimit);
  cairo_set_tolerance(cr, shape.tolerance);
  cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
  render(cr, shape, outline);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(scratch);
  const unsigned char* data = cairo_image_surface_get_data(scratch);
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(scratch));
  covered->runs.clear();
  for (long long y = 0; drawn && y < height; ++y) {
    const auto* row =
        static_cast<const std::uint32_t*>(static_cast<const void*>(data + static_cast<std::size_t>(y) * stride));
    long long x = 0;
    while (x < width) {
      while (x < width && (row[x] & 0xFFFFFFu) == 0) ++x;
      const long long start = x;
      while (x < width && (row[x] & 0xFFFFFFu) != 0) ++x;
      if (start == x) continue;
      covered->unusedByte = row[start] & 0xFF000000u;
      covered->runs.push_back(Run{y + shape.reach.top, start + shape.reach.left, x + shape.reach.left});
    }
  }
  cairo_surface_destroy(scratch);
  return drawn;
}

void Paint(Dc& dc, const Covered& covered, COLORREF colour) {
  std::uint32_t* pixels = BeginPixels(dc);
  const std::uint32_t pixel = PixelOf(colour) | covered.unusedByte;
  for (const Run& run : covered.runs) {
    if (run.y < 0 || run.y >= dc.height) continue;
    const long long x0 = std::max(run.x0, 0LL);
    const long long x1 = std::min<long long>(run.x1, dc.width);
    if (x0 >= x1) continue;
    std::uint32_t* row = pixels + run.y * dc.stride;
    std::fill(row + x0, row + x1, pixel);
  }
}

}  // namespace

bool DrawRememberedEllipse(Dc& dc, const EllipseShape& shape, COLORREF brush, COLORREF pen,
                           EllipseRenderer render) {
  auto& table = Table();
  Remembered* known = nullptr;
  for (Remembered& entry : table) {
    if (entry.used && SameShape(entry.shape, shape)) {
      known = &entry;
      break;
    }
  }
  if (known == nullptr) {
    // First sight: note it. A shape drawn once (a moving marker) never costs a measurement.
    Remembered& slot = table[g_nextSlot];
    g_nextSlot = (g_nextSlot + 1) % kRemembered;
    slot.shape = shape;
    slot.used = true;
    slot.measured = false;
    return false;
  }
  if (!known->measured) {
    const bool inside = !shape.filled || Measure(shape, false, render, &known->inside);
    const bool outline = shape.penWidth <= 0.0 || Measure(shape, true, render, &known->outline);
    if (!inside || !outline) {
      known->used = false;
      return false;
    }
    known->measured = true;
  }
  if (shape.filled) Paint(dc, known->inside, brush);
  if (shape.penWidth > 0.0) Paint(dc, known->outline, pen);
  return true;
}

}  // namespace platform::detail
