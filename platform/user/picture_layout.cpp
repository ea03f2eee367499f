// Where a window's picture sits in a window of any size, and the way back from window pixels.
#include "user/user_private.h"

#include <algorithm>
#include <cmath>

namespace platform::detail {
namespace {

constexpr int kLargestScale = 8;

// Rounding down, also below zero.
int DivideDown(int value, int by) { return value >= 0 ? value / by : -((-value + by - 1) / by); }

}  // namespace

int ScaleForDpi(double dpi) {
  constexpr double kBaseDpi = 96.0;
  if (!(dpi > 0.0) || !std::isfinite(dpi)) return 1;
  const double scale = std::floor(dpi / kBaseDpi + 0.25);
  return static_cast<int>(std::clamp(scale, 1.0, static_cast<double>(kLargestScale)));
}

int ScaleThatFits(int wanted, int width, int height, int usableWidth, int usableHeight) {
  int scale = std::clamp(wanted, 1, kLargestScale);
  while (scale > 1 && (width * scale > usableWidth || height * scale > usableHeight)) --scale;
  return scale;
}

PictureLayout LayOutPicture(int windowWidth, int windowHeight, int clientWidth, int clientHeight, int stripRows) {
  PictureLayout layout;
  const int width = std::max(clientWidth, 1);
  const int height = std::max(clientHeight + stripRows, 1);
  const int fits = std::min(windowWidth / width, windowHeight / height);
  if (fits >= 1) {
    layout.scale = std::min(fits, kLargestScale);
    layout.left = (windowWidth - width * layout.scale) / 2;
    layout.top = (windowHeight - height * layout.scale) / 2;
    layout.stripTop = layout.top + clientHeight * layout.scale;
    layout.clientRows = clientHeight;
    return layout;
  }
  // Too small even at 1: the client from the top left, the strip kept in view.
  layout.stripTop = std::clamp(windowHeight - stripRows, 0, clientHeight);
  layout.clientRows = layout.stripTop;
  return layout;
}

void WindowToPicture(const PictureLayout& layout, int clientHeight, int windowX, int windowY, int* x, int* y) {
  *x = DivideDown(windowX - layout.left, layout.scale);
  if (windowY >= layout.stripTop) {
    *y = clientHeight + DivideDown(windowY - layout.stripTop, layout.scale);
  } else {
    *y = DivideDown(windowY - layout.top, layout.scale);
  }
}

void PlaceOnScreen(int width, int height, int usableX, int usableY, int usableWidth, int usableHeight, int* x, int* y) {
  *x = usableX + std::max((usableWidth - width) / 2, 0);
  *y = usableY + std::max((usableHeight - height) / 2, 0);
}

}  // namespace platform::detail
