// Conversions from computed doubles to device pixels that can never leave the int32 range.
// Inline: the plot converts two of them for every stored point on every redraw.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace pixels_detail {

// Far beyond any sum of three int32 values, yet well inside the int64 range.
constexpr double FarLimit = 1099511627776.0;  // 2^40

inline std::int32_t ClampToInt32(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

// The double truncated toward zero and held to +-2^40; NaN counts as +2^40. The cast is a
// single instruction, unlike std::trunc without SSE4.1, and is defined inside the limits.
inline std::int64_t TruncateToFar(double value) {
  if (std::fabs(value) < FarLimit) return static_cast<std::int64_t>(value);
  return value < 0.0 ? -static_cast<std::int64_t>(FarLimit) : static_cast<std::int64_t>(FarLimit);
}

}  // namespace pixels_detail

// The double truncated toward zero, as a C cast would, but saturated to the int32 range:
// a value too large for 32 bits becomes INT32_MAX or INT32_MIN instead of undefined
// behaviour. NaN becomes nanValue.
inline std::int32_t TruncateToInt32(double value, std::int32_t nanValue) {
  if (std::isnan(value)) return nanValue;
  return pixels_detail::ClampToInt32(pixels_detail::TruncateToFar(value));
}

// origin + pan - trunc(offset), saturated to the int32 range. offset NaN counts as a value
// beyond every limit in the positive direction, so the result is INT32_MIN: far left or far
// up, off every surface.
inline std::int32_t OffsetPixel(std::int32_t origin, std::int32_t pan, double offset) {
  return pixels_detail::ClampToInt32(std::int64_t{origin} + std::int64_t{pan} -
                                     pixels_detail::TruncateToFar(offset));
}

// a + b saturated to the int32 range (box corners around a far-off point).
inline std::int32_t AddSaturated(std::int32_t a, std::int32_t b) {
  return pixels_detail::ClampToInt32(std::int64_t{a} + std::int64_t{b});
}
