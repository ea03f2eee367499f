// Pixel-exact geometry in integer arithmetic wide enough for any pair of 32-bit coordinates.
#include "gdi/gdi_private.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace platform::detail {
namespace {

// Products of two 33-bit deltas need more than 64 bits.
__extension__ using Int128 = __int128;

template <class T>
T FloorDiv(T a, T b) {  // b > 0
  T q = a / b;
  if (a % b != 0 && a < 0) --q;
  return q;
}

template <class T>
T CeilDiv(T a, T b) {  // b > 0
  T q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return q;
}

// The first and last step whose minor offset k(t) lies in [kLo, kHi], in T arithmetic; T must
// hold 2 * |dMajor| * |k|.
template <class T>
void NarrowSteps(long long aMajor, long long aMinor, long long kLo, long long kHi, Int128* tLo, Int128* tHi) {
  const T twoMajor = T{2} * aMajor;
  const T twoMinor = T{2} * aMinor;
  if (kLo > 0) *tLo = std::max<Int128>(*tLo, CeilDiv<T>(twoMajor * kLo - aMajor + 1, twoMinor));
  *tHi = std::min<Int128>(*tHi, FloorDiv<T>(twoMajor * (T{kHi} + 1) - aMajor, twoMinor));
}

}  // namespace

// The line steps along its major axis; at step t the minor offset is the ideal offset
// rounded to the nearest pixel, ties towards the start point:
//   k(t) = floor((2 t |dMinor| + |dMajor| - 1) / (2 |dMajor|)),
// which is Bresenham's error term. Steps run from 0 to |dMajor| - 1: GDI leaves out the last
// pixel. Clipping narrows the range of steps exactly, so a clipped line keeps the pixels of
// the unclipped one and never walks the off-surface part.
bool DrawThinLine(const PixelTarget& target, long long x0, long long y0, long long x1, long long y1,
                  std::uint32_t pixel, Box* drawn) {
  const long long dx = x1 - x0;
  const long long dy = y1 - y0;
  if (dx == 0 && dy == 0) return false;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const long long major0 = xMajor ? x0 : y0;
  const long long minor0 = xMajor ? y0 : x0;
  const long long dMajor = xMajor ? dx : dy;
  const long long dMinor = xMajor ? dy : dx;
  const long long sMajor = dMajor < 0 ? -1 : 1;
  const long long sMinor = dMinor < 0 ? -1 : 1;
  const long long aMajor = std::llabs(dMajor);
  const long long aMinor = std::llabs(dMinor);
  const long long majorLimit = xMajor ? target.width : target.height;
  const long long minorLimit = xMajor ? target.height : target.width;

  Int128 tLo = 0;
  Int128 tHi = aMajor - 1;
  const bool inside = x0 >= 0 && y0 >= 0 && x1 >= 0 && y1 >= 0 && x0 < target.width && x1 < target.width &&
                      y0 < target.height && y1 < target.height;
  if (!inside) {
    if (sMajor > 0) {
      tLo = std::max<Int128>(tLo, -major0);
      tHi = std::min<Int128>(tHi, majorLimit - 1 - major0);
    } else {
      tLo = std::max<Int128>(tLo, major0 - (majorLimit - 1));
      tHi = std::min<Int128>(tHi, major0);
    }
    if (tLo > tHi) return false;
    // Offsets k that keep the minor coordinate on the surface.
    const long long kLo = sMinor > 0 ? -minor0 : minor0 - (minorLimit - 1);
    const long long kHi = sMinor > 0 ? minorLimit - 1 - minor0 : minor0;
    if (aMinor == 0) {
      if (kLo > 0 || kHi < 0) return false;
    } else {
      // 128-bit division is slow; most lines near the surface need only 64 bits.
      constexpr long long kSmall = 1LL << 28;
      if (aMajor < kSmall && std::llabs(kLo) < kSmall && std::llabs(kHi) < kSmall) {
        NarrowSteps<long long>(aMajor, aMinor, kLo, kHi, &tLo, &tHi);
      } else {
        NarrowSteps<Int128>(aMajor, aMinor, kLo, kHi, &tLo, &tHi);
      }
      if (tLo > tHi) return false;
    }
  }

  const long long first = static_cast<long long>(tLo);
  const long long last = static_cast<long long>(tHi);
  const long long twoMajor = 2 * aMajor;
  const long long twoMinor = 2 * aMinor;
  long long k = 0;
  long long r = aMajor - 1;
  if (first > 0) {
    const Int128 num = Int128{2} * first * aMinor + aMajor - 1;
    k = static_cast<long long>(num / twoMajor);
    r = static_cast<long long>(num % twoMajor);
  }
  const long long majorFirst = major0 + sMajor * first;
  const long long minorFirst = minor0 + sMinor * k;
  const long long xFirst = xMajor ? majorFirst : minorFirst;
  const long long yFirst = xMajor ? minorFirst : majorFirst;

  const std::ptrdiff_t stride = target.stride;
  const std::ptrdiff_t stepMajor = xMajor ? sMajor : sMajor * stride;
  const std::ptrdiff_t stepMinor = xMajor ? sMinor * stride : sMinor;
  std::ptrdiff_t index = yFirst * stride + xFirst;
  long long minorSteps = 0;
  for (long long n = last - first + 1;;) {
    target.pixels[index] = pixel;
    if (--n == 0) break;
    r += twoMinor;
    if (r >= twoMajor) {
      r -= twoMajor;
      index += stepMinor;
      ++minorSteps;
    }
    index += stepMajor;
  }

  if (drawn != nullptr) {
    const long long majorLast = major0 + sMajor * last;
    const long long minorLast = minorFirst + sMinor * minorSteps;
    const long long xLast = xMajor ? majorLast : minorLast;
    const long long yLast = xMajor ? minorLast : majorLast;
    *drawn = {std::min(xFirst, xLast), std::min(yFirst, yLast), std::max(xFirst, xLast) + 1,
              std::max(yFirst, yLast) + 1};
  }
  return true;
}

bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin, double xmax,
                 double ymax) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
  double t0 = 0.0;
  double t1 = 1.0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double sx = x0;
  const double sy = y0;
  x0 = sx + t0 * dx;
  y0 = sy + t0 * dy;
  x1 = sx + t1 * dx;
  y1 = sy + t1 * dy;
  return true;
}

bool IntersectBox(const Box& a, const Box& b, Box* out) {
  const Box r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return false;
  *out = r;
  return true;
}

}  // namespace platform::detail
