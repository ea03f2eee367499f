// Saturating conversions to device pixels.
#include "view/pixels.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double Int32Min = static_cast<double>(std::numeric_limits<std::int32_t>::min());
constexpr double Int32Max = static_cast<double>(std::numeric_limits<std::int32_t>::max());
// Far beyond any sum of three int32 values, yet every integer up to it is exact in a double.
constexpr double FarLimit = 1099511627776.0;  // 2^40

std::int32_t ClampToInt32(double value) {
  if (value <= Int32Min) return std::numeric_limits<std::int32_t>::min();
  if (value >= Int32Max) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t TruncateToInt32(double value, std::int32_t nanValue) {
  if (std::isnan(value)) return nanValue;
  return ClampToInt32(std::trunc(value));
}

std::int32_t OffsetPixel(std::int32_t origin, std::int32_t pan, double offset) {
  double whole = std::isnan(offset) ? FarLimit : std::trunc(offset);
  if (whole > FarLimit) whole = FarLimit;
  if (whole < -FarLimit) whole = -FarLimit;
  // Every term is a whole number well inside 2^53, so the sum is exact.
  return ClampToInt32(static_cast<double>(origin) + static_cast<double>(pan) - whole);
}

std::int32_t AddSaturated(std::int32_t a, std::int32_t b) {
  return ClampToInt32(static_cast<double>(a) + static_cast<double>(b));
}
