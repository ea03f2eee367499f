// The program icon: 32 x 32 pixels, 32 bits per pixel.
#pragma once

#include <cstdint>

constexpr int ProgramIconSize = 32;

struct IconPixels {
  std::uint32_t values[ProgramIconSize * ProgramIconSize];  // ARGB, row by row from the top
};

extern const IconPixels ProgramIcon;
