// Painting: BeginPaint erases with the class brush and validates, what a handler draws reaches
// the SDL window surface when it returns, and exposure and resizing invalidate.
#include <cstring>

#include "user_test_support.h"

namespace kavro_test {
namespace {

using PaintTest = WindowTest;

// The colour the SDL window surface shows at a point (what the user sees).
COLORREF ScreenPixel(HWND window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(SdlWindowOf(window));
  if (surface == nullptr || x >= surface->w || y >= surface->h) return CLR_INVALID;
  Uint32 raw = 0;
  SDL_LockSurface(surface);
  std::memcpy(&raw, static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * 4, 4);
  SDL_UnlockSurface(surface);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return RGB(r, g, b);
}

void Fill(HDC dc, RECT area, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

TEST_F(PaintTest, BeginPaintErasesWithTheClassBrushAndValidates) {
  PAINTSTRUCT seen{};
  COLORREF erased = 0;
  TheRecorder().handler = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    seen = paint;
    erased = GetPixel(dc, 5, 5);
    EndPaint(window, &paint);
    return true;
  };
  HWND window = Create(WS_VISIBLE, 120, 90);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(UpdateWindow(window));
  ASSERT_EQ(TheRecorder().Only(WM_PAINT).size(), 1u);
  EXPECT_EQ(erased, RGB(255, 255, 255));  // the class brush is the white stock brush
  EXPECT_FALSE(seen.fErase);               // already erased for the procedure
  EXPECT_EQ(seen.rcPaint.right, 120);
  EXPECT_EQ(seen.rcPaint.bottom, 90);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));  // validated
  EXPECT_TRUE(UpdateWindow(window));                                        // nothing to paint now
  EXPECT_EQ(TheRecorder().Only(WM_PAINT).size(), 1u);
}

TEST_F(PaintTest, InvalidateRectMakesOnePaintForTheUnion) {
  std::vector<RECT> painted;
  TheRecorder().handler = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    painted.push_back(paint.rcPaint);
    EndPaint(window, &paint);
    return true;
  };
  HWND window = Create(WS_VISIBLE, 100, 100);
  UpdateWindow(window);
  painted.clear();
  const RECT a{10, 10, 20, 20};
  const RECT b{30, 5, 40, 15};
  InvalidateRect(window, &a, FALSE);
  InvalidateRect(window, &b, TRUE);
  DispatchPending();
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0].left, 10);
  EXPECT_EQ(painted[0].top, 5);
  EXPECT_EQ(painted[0].right, 40);
  EXPECT_EQ(painted[0].bottom, 20);
}

TEST_F(PaintTest, WhatAHandlerDrewIsOnScreenWhenItReturns) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_USER) return false;
    HDC dc = GetDC(window);
    Fill(dc, RECT{20, 30, 40, 50}, RGB(0, 255, 0));
    ReleaseDC(window, dc);
    return true;
  };
  HWND window = Create(WS_VISIBLE, 100, 100);
  UpdateWindow(window);
  EXPECT_EQ(ScreenPixel(window, 25, 35), RGB(255, 255, 255));
  PostMessageW(window, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageW(&msg);
  EXPECT_EQ(ScreenPixel(window, 25, 35), RGB(0, 255, 0));
  EXPECT_EQ(ScreenPixel(window, 19, 35), RGB(255, 255, 255));
}

// What the screen shows of the client area differs from the backing store at this many pixels.
int PixelsOffScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  int differ = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) differ += ScreenPixel(window, x, y) != GetPixel(dc, x, y) ? 1 : 0;
  }
  ReleaseDC(window, dc);
  return differ;
}

// Presenting sends only the pixels that differ from what the window shows; redrawing large
// areas in the colours they already have, small changes inside them, and changes along tile
// edges must all leave the screen exactly equal to the backing store.
TEST_F(PaintTest, TheScreenShowsTheBackingStoreAfterEveryMessage) {
  int step = 0;
  TheRecorder().handler = [&step](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_USER) return false;
    HDC dc = GetDC(window);
    Fill(dc, RECT{0, 0, 200, 150}, RGB(0, 0, 0));  // the same black every time
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int i = 0; i <= step; ++i) {
      MoveToEx(dc, 10 + 7 * i, 140 - 9 * i, nullptr);
      LineTo(dc, 17 + 7 * i, 131 - 9 * i);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
    Fill(dc, RECT{63 + step, 15, 66 + step, 17}, RGB(0, 255, 0));  // across a tile edge
    Fill(dc, RECT{199 - step, 149 - step, 200, 150}, RGB(255, 0, 0));  // the last corner
    ReleaseDC(window, dc);
    return true;
  };
  HWND window = Create(WS_VISIBLE, 200, 150);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  for (step = 0; step < 6; ++step) {
    PostMessageW(window, WM_USER, 0, 0);
    DispatchPending();
    EXPECT_EQ(PixelsOffScreen(window), 0) << "after step " << step;
  }
}

TEST_F(PaintTest, ExposureRepaintsTheWholeWindow) {
  HWND window = Create(WS_VISIBLE, 100, 80);
  UpdateWindow(window);
  TheRecorder().messages.clear();
  PushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
  DispatchPending();
  EXPECT_EQ(TheRecorder().Kinds(), std::vector<UINT>{WM_PAINT});
}

struct ResizeCase {
  const char* name;
  UINT classStyle;
  int newWidth;
  int newHeight;
  RECT expectedPaint;
};

class ResizeTest : public WindowTest, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(ResizeTest, ResizingKeepsPixelsAndInvalidatesAsTheClassAsks) {
  const ResizeCase& c = GetParam();
  WNDCLASSW cls{};
  cls.style = c.classStyle;
  cls.lpfnWndProc = RecordingProc;
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const std::wstring name = className_ + L".resize";
  cls.lpszClassName = name.c_str();
  ASSERT_NE(RegisterClassW(&cls), 0);
  std::vector<RECT> painted;
  TheRecorder().handler = [&](HWND w, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT paint;
    BeginPaint(w, &paint);
    painted.push_back(paint.rcPaint);
    EndPaint(w, &paint);
    return true;
  };
  HWND window = CreateWindowExW(0, name.c_str(), L"r", WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  HDC dc = GetDC(window);
  Fill(dc, RECT{0, 0, 10, 10}, RGB(255, 0, 0));
  ReleaseDC(window, dc);
  painted.clear();
  TheRecorder().messages.clear();
  PushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, c.newWidth, c.newHeight);
  DispatchPending();
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, std::max(c.newWidth, 1));
  EXPECT_EQ(client.bottom, std::max(c.newHeight, 1));
  const auto sizes = TheRecorder().Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(client.right, client.bottom));
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0].left, c.expectedPaint.left);
  EXPECT_EQ(painted[0].top, c.expectedPaint.top);
  EXPECT_EQ(painted[0].right, c.expectedPaint.right);
  EXPECT_EQ(painted[0].bottom, c.expectedPaint.bottom);
  if (c.expectedPaint.left > 5) {
    dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 0, 0)) << "the backing store kept its pixels";
    ReleaseDC(window, dc);
  }
  DestroyWindow(window);
  UnregisterClassW(name.c_str(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, ResizeTest,
    ::testing::Values(ResizeCase{"RedrawBoth", CS_HREDRAW | CS_VREDRAW, 150, 120, RECT{0, 0, 150, 120}},
                      ResizeCase{"RedrawOnWidthOnly", CS_HREDRAW, 100, 120, RECT{0, 80, 100, 120}},
                      ResizeCase{"GrowWithoutRedraw", 0, 150, 120, RECT{0, 0, 150, 120}},
                      ResizeCase{"WiderOnly", 0, 130, 80, RECT{100, 0, 130, 80}},
                      ResizeCase{"Shrunk", CS_HREDRAW | CS_VREDRAW, 60, 40, RECT{0, 0, 60, 40}}),
    [](const ::testing::TestParamInfo<ResizeCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavro_test
