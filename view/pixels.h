// Conversions from computed doubles to device pixels that can never leave the int range.
#pragma once

#include <cstdint>

// The double truncated toward zero, as a C cast would, but saturated to the int32 range:
// a value too large for 32 bits becomes INT32_MAX or INT32_MIN instead of undefined
// behaviour. NaN becomes nanValue.
std::int32_t TruncateToInt32(double value, std::int32_t nanValue);

// origin + pan - trunc(offset), saturated to the int32 range. offset NaN counts as a value
// beyond every limit in the positive direction, so the result is INT32_MIN: far left or far
// up, off every surface.
std::int32_t OffsetPixel(std::int32_t origin, std::int32_t pan, double offset);

// a + b saturated to the int32 range (box corners around a far-off point).
std::int32_t AddSaturated(std::int32_t a, std::int32_t b);
