// Painting: BeginPaint erases with the class brush and validates, what a handler draws reaches
// the SDL window surface when it returns, exposure and resizing invalidate, and a window shown
// at a whole-number scale on a high-density desktop shows each device pixel as a square.
#include <cstring>

#include "user_test_support.h"

namespace kavro_test {
namespace {

using PaintTest = WindowTest;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

void Fill(HWND window, Box area, COLORREF colour) {
  HDC dc = GetDC(window);
  HBRUSH brush = CreateSolidBrush(colour);
  const RECT rect{area[0], area[1], area[2], area[3]};
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  ReleaseDC(window, dc);
}

COLORREF StoredPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

// The colour the SDL window surface shows at a point (what the user sees).
COLORREF ScreenPixel(HWND window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(SdlWindowOf(window));
  if (surface == nullptr || x >= surface->w || y >= surface->h) return CLR_INVALID;
  Uint32 raw = 0;
  std::memcpy(&raw, static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * 4, 4);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return RGB(r, g, b);
}

// Answers WM_PAINT with BeginPaint and EndPaint, keeping what BeginPaint gave.
void RecordPaints(std::vector<PAINTSTRUCT>* painted) {
  Handle(WM_PAINT, [painted](HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    painted->push_back(paint);
    EndPaint(window, &paint);
  });
}

TEST_F(PaintTest, BeginPaintErasesAndValidatesAndInvalidationsAreJoined) {
  std::vector<PAINTSTRUCT> painted;
  RecordPaints(&painted);
  HWND window = Create(WS_VISIBLE, 120, 90);
  ASSERT_TRUE(UpdateWindow(window));
  ASSERT_TRUE(UpdateWindow(window));  // nothing is left to paint
  EXPECT_EQ(StoredPixel(window, 5, 5), kWhite);  // the class brush
  const RECT a{10, 10, 20, 20};
  const RECT b{30, 5, 40, 15};
  InvalidateRect(window, &a, FALSE);
  InvalidateRect(window, &b, TRUE);
  DispatchPending();
  ASSERT_EQ(painted.size(), 2u);
  EXPECT_EQ(Edges(painted[0].rcPaint), (Box{0, 0, 120, 90}));
  EXPECT_FALSE(painted[0].fErase);  // already erased for the procedure
  EXPECT_EQ(Edges(painted[1].rcPaint), (Box{10, 5, 40, 20}));
}

// Presenting sends only the pixels that differ from what the window shows; redrawing large
// areas in the colours they already have, small changes inside them, and changes along tile
// edges must all leave the screen exactly equal to the backing store once a message returns.
TEST_F(PaintTest, TheScreenShowsTheBackingStoreAfterEveryMessage) {
  int step = 0;
  Handle(WM_USER, [&step](HWND window) {
    Fill(window, Box{0, 0, 200, 150}, RGB(0, 0, 0));  // the same black every time
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, CreatePen(PS_SOLID, 1, kWhite));
    for (int i = 0; i <= step; ++i) {
      MoveToEx(dc, 10 + 7 * i, 140 - 9 * i, nullptr);
      LineTo(dc, 17 + 7 * i, 131 - 9 * i);
    }
    DeleteObject(SelectObject(dc, old));
    ReleaseDC(window, dc);
    Fill(window, Box{63 + step, 15, 66 + step, 17}, RGB(0, 255, 0));  // across a tile edge
    Fill(window, Box{199 - step, 149 - step, 200, 150}, kRed);       // the last corner
  });
  HWND window = Create(WS_VISIBLE, 200, 150);
  UpdateWindow(window);
  for (step = 0; step < 6; ++step) {
    PostMessageW(window, WM_USER, 0, 0);
    DispatchPending();
    HDC dc = GetDC(window);
    int offScreen = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 200; ++x) offScreen += ScreenPixel(window, x, y) != GetPixel(dc, x, y);
    }
    ReleaseDC(window, dc);
    EXPECT_EQ(offScreen, 0) << "pixels the screen does not show after step " << step;
  }
}

TEST_F(PaintTest, ExposureAndResizingInvalidateAsTheClassAsksAndKeepThePixels) {
  const struct { const char* name; UINT style; LONG width, height; Box paint; } cases[] = {
      {"exposed", 0, 100, 80, {0, 0, 100, 80}},
      {"redraw both", CS_HREDRAW | CS_VREDRAW, 150, 120, {0, 0, 150, 120}},
      {"redraw on width only", CS_HREDRAW, 100, 120, {0, 80, 100, 120}},
      {"grown without redraw", 0, 150, 120, {0, 0, 150, 120}},
      {"wider only", 0, 130, 80, {100, 0, 130, 80}},
      {"shrunk", CS_HREDRAW | CS_VREDRAW, 60, 40, {0, 0, 60, 40}},
  };
  std::vector<PAINTSTRUCT> painted;
  RecordPaints(&painted);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = className_ + L"." + std::to_wstring(&c - cases);
    ASSERT_NE(RegisterStyled(name, c.style), 0);
    HWND window = Create(WS_VISIBLE, 100, 80, name.c_str());
    UpdateWindow(window);
    Fill(window, Box{0, 0, 10, 10}, kRed);
    painted.clear();
    TheRecorder().messages.clear();
    const bool exposed = &c == cases;
    if (exposed) PushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
    if (!exposed) PushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, c.width, c.height);
    DispatchPending();
    EXPECT_EQ(ClientOf(window), (Box{0, 0, c.width, c.height}));
    const std::vector<Received> sized{{window, WM_SIZE, 0, MAKELPARAM(c.width, c.height)}};
    EXPECT_EQ(TheRecorder().Only({WM_SIZE}), exposed ? std::vector<Received>{} : sized);
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(Edges(painted[0].rcPaint), c.paint);
    const bool erased = c.paint[0] <= 5 && c.paint[1] <= 5;  // else the pixels were kept
    EXPECT_EQ(StoredPixel(window, 5, 5), erased ? kWhite : kRed);
  }
}

// Shown at twice its size, as on a desktop that scales by 200 %, the window still draws and
// hears the pointer in device pixels.
TEST_F(PaintTest, AtDoubleScaleDevicePixelsAreSquaresAndThePointerIsMappedBack) {
  Handle(WM_USER, [](HWND window) { Fill(window, Box{5, 6, 6, 7}, kRed); });
  HWND window = Create(WS_VISIBLE, 100, 80);
  platform::detail::Window* object = platform::detail::FindWindowObject(window);
  ASSERT_NE(object, nullptr);
  object->scale = 2;
  SDL_SetWindowSize(object->sdl, object->width * 2, object->height * 2);
  platform::detail::MarkAllDirty(*object);
  DispatchPending();
  PostMessageW(window, WM_USER, 0, 0);
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 21, 41);
  PushMouse(window, SDL_MOUSEMOTION, -1, 300);  // outside, held: clamped in device pixels
  PushMouse(window, SDL_MOUSEBUTTONUP, 199, 159);
  DispatchPending();
  const std::vector<Received> expected{{window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
                                       {window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 79)},
                                       {window, WM_LBUTTONUP, 0, MAKELPARAM(99, 79)}};
  EXPECT_EQ(TheRecorder().Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected);
  const struct { int x, y; COLORREF colour; } shown[] = {
      {10, 12, kRed}, {11, 12, kRed}, {10, 13, kRed}, {11, 13, kRed},
      {9, 12, kWhite}, {12, 12, kWhite}, {10, 14, kWhite}};
  for (const auto& p : shown) {
    EXPECT_EQ(ScreenPixel(window, p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace kavro_test
