// Writes the program icon, the very pixels the window shows, as a PNG for the desktop's icon
// theme: made at build time, so the packaged icon can never drift from the window's.
//   program_icon_png OUTPUT.png
#include <cstdint>
#include <cstdio>

#include <cairo.h>

#include "res/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, ProgramIconSize, ProgramIconSize);
  cairo_surface_flush(surface);
  unsigned char* rows = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < ProgramIconSize; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(rows + y * stride);
    for (int x = 0; x < ProgramIconSize; ++x) {
      // cairo wants its colours multiplied by alpha; the icon's pixels are opaque or fully
      // transparent, but a partly transparent one must not turn into an invalid pixel.
      const std::uint32_t argb = ProgramIcon.values[y * ProgramIconSize + x];
      const std::uint32_t alpha = argb >> 24;
      auto scaled = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
      row[x] = alpha << 24 | scaled(argb >> 16 & 0xFF) << 16 | scaled(argb >> 8 & 0xFF) << 8 | scaled(argb & 0xFF);
    }
  }
  cairo_surface_mark_dirty(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, argv[1]);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], argv[1], cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
