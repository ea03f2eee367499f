// A window given another size than its own keeps its client area and shows the picture whole at
// the largest whole scale that fits, centred on black; the pointer lands on the picture's pixels.
// Under SDL's dummy video driver, whose window surface is plain memory to read back.
#include "user/user_private.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using WindowSizeTest = WindowTest;

constexpr COLORREF kRed = RGB(255, 0, 0);

// A pixel of the SDL window's surface as COLORREF.
COLORREF ShownAt(SDL_Window* sdl, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return CLR_INVALID;
  Uint8 r = 0, g = 0, b = 0;
  const auto* row = static_cast<const Uint8*>(surface->pixels) + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch);
  SDL_GetRGB(reinterpret_cast<const Uint32*>(row)[x], surface->format, &r, &g, &b);
  return RGB(r, g, b);
}

TEST_F(WindowSizeTest, ThePictureIsShownWholeAtTheLargestScaleCentredAndTheStylusLandsOnIt) {
  HWND window = Create(WS_VISIBLE, 100, 60);
  // A picture to recognise: red with one white pixel at (99, 59), the client's last.
  g_handler = [](HWND w, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(w, &paint);
    RECT all{0, 0, 100, 60}, corner{99, 59, 100, 60};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(dc, &all, red);
    FillRect(dc, &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DeleteObject(red);
    EndPaint(w, &paint);
    *result = 0;
    return true;
  };
  DispatchPending();
  SDL_Window* sdl = platform::detail::FindWindowObject(window)->sdl;
  const struct { int width, height, scale, left, top; } sizes[] = {
      {100, 60, 1, 0, 0}, {250, 200, 2, 25, 40}, {330, 181, 3, 15, 0}, {150, 70, 1, 25, 5}};
  for (const auto& s : sizes) {
    SDL_SetWindowSize(sdl, s.width, s.height);
    PushEvent(WindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, s.width, s.height));
    g_received.clear();
    DispatchPending();
    platform::detail::PresentAllWindows();
    EXPECT_EQ(ClientOf(window), (Box{0, 0, 100, 60})) << s.width << "x" << s.height;
    EXPECT_TRUE(Only({WM_SIZE}).empty()) << s.width << "x" << s.height;
    const int right = s.left + 100 * s.scale, bottom = s.top + 60 * s.scale;
    const struct { const char* what; int x, y; COLORREF colour; } looks[] = {
        {"first pixel", s.left, s.top, kRed},
        {"white corner block", right - s.scale, bottom - s.scale, RGB(255, 255, 255)},
        {"left of the corner block", right - s.scale - 1, bottom - 1, kRed},
        {"margin left", s.left - 1, s.top, s.left > 0 ? RGB(0, 0, 0) : CLR_INVALID},
        {"margin right", right, bottom - 1, right < s.width ? RGB(0, 0, 0) : CLR_INVALID},
        {"margin below", s.left, bottom, bottom < s.height ? RGB(0, 0, 0) : CLR_INVALID},
    };
    for (const auto& l : looks) {
      EXPECT_EQ(l.colour, ShownAt(sdl, l.x, l.y)) << l.what << " in " << s.width << "x" << s.height;
    }
    // A tap on the white block reaches the procedure at (99, 59); one in the margin, nothing.
    g_received.clear();
    PushMouse(window, SDL_MOUSEBUTTONDOWN, right - 1, bottom - 1);
    PushMouse(window, SDL_MOUSEBUTTONUP, right - 1, bottom - 1);
    if (s.left > 0) {
      PushMouse(window, SDL_MOUSEBUTTONDOWN, s.left - 1, s.top);
      PushMouse(window, SDL_MOUSEBUTTONUP, s.left - 1, s.top);
    }
    DispatchPending();
    const auto taps = Only({WM_LBUTTONDOWN, WM_LBUTTONUP});
    ASSERT_EQ(taps.size(), 2u) << s.width << "x" << s.height;
    for (const Received& r : taps) EXPECT_EQ(std::get<3>(r), MAKELPARAM(99, 59)) << s.width << "x" << s.height;
  }
  g_handler = nullptr;
}

}  // namespace
}  // namespace kavro_test
