// High-density desktops: a window shown at a whole-number scale still takes and gives device
// pixels; the screen shows each as a square, and pointer positions are mapped back.
#include <cstring>

#include "user/window.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using ScaleTest = WindowTest;

COLORREF ScreenPixel(HWND window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(SdlWindowOf(window));
  if (surface == nullptr || x >= surface->w || y >= surface->h) return CLR_INVALID;
  Uint32 raw = 0;
  std::memcpy(&raw, static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * 4, 4);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return RGB(r, g, b);
}

// Shows the window at twice its size, as on a desktop that scales by 200 %.
void DoubleTheScale(HWND window) {
  platform::detail::Window* object = platform::detail::FindWindowObject(window);
  ASSERT_NE(object, nullptr);
  object->scale = 2;
  SDL_SetWindowSize(object->sdl, object->width * 2, object->height * 2);
  platform::detail::MarkAllDirty(*object);
}

TEST(ScaleRoundingTest, ScreenToDevicePixelsRoundsDown) {
  const struct {
    int screen, scale, device;
  } cases[] = {{0, 1, 0}, {7, 1, 7}, {-3, 1, -3}, {7, 2, 3}, {8, 2, 4}, {-1, 2, -1}, {-2, 2, -1}, {-3, 2, -2}, {5, 3, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(platform::detail::ToDevice(c.screen, c.scale), c.device) << c.screen << " at scale " << c.scale;
  }
}

TEST_F(ScaleTest, PointerIsMappedBackToDevicePixels) {
  HWND window = Create(WS_VISIBLE, 100, 80);
  ASSERT_NE(window, nullptr);
  DoubleTheScale(window);
  DispatchPending();
  TheRecorder().messages.clear();
  PushMouseButton(window, SDL_MOUSEBUTTONDOWN, 21, 41);
  PushMouseMotion(window, -1, 300, true);  // outside, held: clamped in device pixels
  PushMouseButton(window, SDL_MOUSEBUTTONUP, 199, 159);
  DispatchPending();
  const std::vector<Received> expected{{window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
                                       {window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 79)},
                                       {window, WM_LBUTTONUP, 0, MAKELPARAM(99, 79)}};
  std::vector<Received> got;
  for (const Received& r : TheRecorder().messages) {
    if (r.message == WM_LBUTTONDOWN || r.message == WM_MOUSEMOVE || r.message == WM_LBUTTONUP) got.push_back(r);
  }
  EXPECT_EQ(got, expected);
}

TEST_F(ScaleTest, EachDevicePixelIsShownAsASquare) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_USER) return false;
    HDC dc = GetDC(window);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT pixel{5, 6, 6, 7};
    FillRect(dc, &pixel, red);
    DeleteObject(red);
    ReleaseDC(window, dc);
    return true;
  };
  HWND window = Create(WS_VISIBLE, 100, 80);
  DoubleTheScale(window);
  UpdateWindow(window);
  PostMessageW(window, WM_USER, 0, 0);
  DispatchPending();
  for (int dy = 0; dy < 2; ++dy) {
    for (int dx = 0; dx < 2; ++dx) EXPECT_EQ(ScreenPixel(window, 10 + dx, 12 + dy), RGB(255, 0, 0)) << dx << "," << dy;
  }
  EXPECT_EQ(ScreenPixel(window, 9, 12), RGB(255, 255, 255));
  EXPECT_EQ(ScreenPixel(window, 12, 12), RGB(255, 255, 255));
  EXPECT_EQ(ScreenPixel(window, 10, 14), RGB(255, 255, 255));
}

}  // namespace
}  // namespace kavro_test
