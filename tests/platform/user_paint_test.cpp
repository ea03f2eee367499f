// What the user sees and does: BeginPaint erases with the class brush and validates, what a
// handler draws reaches the SDL window surface when it returns, exposure and resizing
// invalidate; mouse and touch become stylus messages at clamped client positions; and a window
// shown at a whole-number scale on a high-density desktop shows each device pixel as a square.
#include <cstring>

#include "user_test_support.h"

namespace kavro_test {
namespace {

using PaintTest = WindowTest;
using InputTest = WindowTest;

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

// Presenting sends only the pixels that differ from what the window shows; redrawing large
// areas in the colours they already have, small changes inside them, and changes along tile
// edges must all leave the screen exactly equal to the backing store once a message returns.
TEST_F(PaintTest, TheScreenShowsTheBackingStoreAfterEveryMessage) {
  int step = 0;
  Handle(WM_USER, [&step](HWND window) {
    Fill(window, Box{0, 0, 200, 150}, RGB(0, 0, 0));  // the same black every time
    for (int i = 0; i <= step; ++i) {  // small changes inside it
      Fill(window, Box{10 + 7 * i, 131 - 9 * i, 17 + 7 * i, 132 - 9 * i}, kWhite);
    }
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

// After the first paint (the whole window, erased with the class brush, validated), what is
// invalidated is painted once as one rectangle; what lies outside keeps its pixels.
TEST_F(PaintTest, InvalidationExposureAndResizingRepaintAsTheClassAsks) {
  constexpr Uint8 kResized = SDL_WINDOWEVENT_SIZE_CHANGED;
  const struct { const char* name; UINT style; Uint8 event; LONG w, h; Box paint; } cases[] = {
      {"two rectangles invalidated", 0, 0, 100, 80, {10, 5, 40, 20}},
      {"exposed", 0, SDL_WINDOWEVENT_EXPOSED, 100, 80, {0, 0, 100, 80}},
      {"redraw both", CS_HREDRAW | CS_VREDRAW, kResized, 150, 120, {0, 0, 150, 120}},
      {"redraw on width only", CS_HREDRAW, kResized, 100, 120, {0, 80, 100, 120}},
      {"grown without redraw", 0, kResized, 150, 120, {0, 0, 150, 120}},
      {"wider only", 0, kResized, 130, 80, {100, 0, 130, 80}},
      {"shrunk", CS_HREDRAW | CS_VREDRAW, kResized, 60, 40, {0, 0, 60, 40}},
  };
  std::vector<PAINTSTRUCT> painted;
  Handle(WM_PAINT, [&painted](HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    painted.push_back(paint);
    EndPaint(window, &paint);
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = className_ + L"." + std::to_wstring(&c - cases);
    ASSERT_NE(RegisterStyled(name, c.style), 0);
    HWND window = Create(WS_VISIBLE, 100, 80, name.c_str());
    painted.clear();
    ASSERT_TRUE(UpdateWindow(window));
    ASSERT_TRUE(UpdateWindow(window));  // nothing is left to paint
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(Edges(painted[0].rcPaint), (Box{0, 0, 100, 80}));
    EXPECT_FALSE(painted[0].fErase);  // already erased for the procedure
    EXPECT_EQ(StoredPixel(window, 5, 5), kWhite);
    Fill(window, Box{0, 0, 10, 10}, kRed);
    painted.clear();
    g_received.clear();
    if (c.event != 0) {
      PushWindowEvent(window, c.event, c.w, c.h);
    } else {
      const RECT parts[] = {{10, 10, 20, 20}, {30, 5, 40, 15}};
      InvalidateRect(window, &parts[0], FALSE);
      InvalidateRect(window, &parts[1], TRUE);
    }
    DispatchPending();
    EXPECT_EQ(ClientOf(window), (Box{0, 0, c.w, c.h}));
    const std::vector<Received> sized{{window, WM_SIZE, 0, MAKELPARAM(c.w, c.h)}};
    EXPECT_EQ(Only({WM_SIZE}), c.event == kResized ? sized : std::vector<Received>{});
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(Edges(painted[0].rcPaint), c.paint);
    const bool erased = c.paint[0] <= 5 && c.paint[1] <= 5;
    EXPECT_EQ(StoredPixel(window, 5, 5), erased ? kWhite : kRed);
  }
}

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr Uint32 kDown = SDL_MOUSEBUTTONDOWN, kMove = SDL_MOUSEMOTION, kUp = SDL_MOUSEBUTTONUP;

// An SDL event: a mouse button or motion (made from touch when `which` says so), or a finger.
struct Step {
  Uint32 type;
  int x, y;
  Uint32 which = 0;
};

void Perform(HWND window, const Step& step) {
  if (step.type != SDL_FINGERDOWN && step.type != SDL_FINGERMOTION && step.type != SDL_FINGERUP) {
    return PushMouse(window, step.type, step.x, step.y, step.which);
  }
  SDL_Event event{};
  // The finger at the middle of the pixel, as a fraction of the window.
  const float x = (static_cast<float>(step.x) + 0.5f) / kWidth;
  const float y = (static_cast<float>(step.y) + 0.5f) / kHeight;
  event.tfinger = {step.type, 0, 1, 7, x, y, 0, 0, 1.0f, SDL_GetWindowID(SdlWindowOf(window))};
  PushEvent(event);
}

Received Msg(UINT message, WPARAM keys, int x, int y) {
  return Received{nullptr, message, keys, MAKELPARAM(x, y)};
}

TEST_F(InputTest, MouseAndTouchBecomeStylusMessages) {
  constexpr int kRight = kWidth - 1, kBottom = kHeight - 1;
  const struct {
    const char* name;
    std::vector<Step> steps;
    std::vector<Received> expected;  // the window filled in below
  } cases[] = {
      {"drag from the last pixel",
       {{kDown, kRight, kBottom}, {kMove, 130, 90}, {kUp, 130, 90}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, kRight, kBottom), Msg(WM_MOUSEMOVE, MK_LBUTTON, 130, 90),
        Msg(WM_LBUTTONUP, 0, 130, 90)}},
      {"held outside: clamped to the edges",
       {{kDown, 50, 50}, {kMove, -30, -5}, {kMove, 500, 400}, {kUp, -10, 300}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50), Msg(WM_MOUSEMOVE, MK_LBUTTON, 0, 0),
        Msg(WM_MOUSEMOVE, MK_LBUTTON, kRight, kBottom), Msg(WM_LBUTTONUP, 0, 0, kBottom)}},
      {"moves outside without a press are not sent",
       {{kMove, 300, 10}, {kMove, 5, 6}},
       {Msg(WM_MOUSEMOVE, 0, 5, 6)}},
      {"touch is the stylus; the mouse events made from it are ignored",
       {{SDL_FINGERDOWN, 30, 40}, {kDown, 30, 40, SDL_TOUCH_MOUSEID}, {SDL_FINGERMOTION, 60, 45},
        {SDL_FINGERUP, 60, 45}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), Msg(WM_MOUSEMOVE, MK_LBUTTON, 60, 45),
        Msg(WM_LBUTTONUP, 0, 60, 45)}},
  };
  HWND window = Create(WS_VISIBLE, kWidth, kHeight);
  for (const auto& c : cases) {
    g_received.clear();
    for (const Step& step : c.steps) {
      Perform(window, step);
      DispatchPending();  // one event at a time, so moves are not merged
    }
    std::vector<Received> expected = c.expected;
    for (Received& r : expected) r.window = window;
    EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected) << c.name;
  }
}

TEST_F(InputTest, MouseMovesWaitingAtTheEndAreMergedIntoTheLatest) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  for (int i = 1; i <= 3; ++i) PushMouse(window, SDL_MOUSEMOTION, i, i);
  DispatchPending();
  EXPECT_EQ(Only({WM_MOUSEMOVE}),
            (std::vector<Received>{{window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3)}}));
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
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected);
  const struct { int x, y; COLORREF colour; } shown[] = {
      {10, 12, kRed}, {11, 12, kRed}, {10, 13, kRed}, {11, 13, kRed},
      {9, 12, kWhite}, {12, 12, kWhite}, {10, 14, kWhite}};
  for (const auto& p : shown) {
    EXPECT_EQ(ScreenPixel(window, p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace kavro_test
