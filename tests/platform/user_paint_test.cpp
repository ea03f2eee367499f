// What the user sees and does: what a handler draws reaches the SDL window surface when it
// returns; mouse and touch become stylus messages at clamped client positions.
#include "user_test_support.h"

namespace kavro_test {
namespace {

using PaintTest = WindowTest;
using InputTest = WindowTest;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

void Fill(HWND window, RECT rect, COLORREF colour) {
  HDC dc = GetDC(window);
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  ReleaseDC(window, dc);
}

// Presenting sends only the pixels that differ from what the window shows; redrawing large
// areas in the colours they already have, small changes inside them, and changes along tile
// edges must all leave the screen exactly equal to the backing store once a message returns.
TEST_F(PaintTest, TheScreenShowsTheBackingStoreAfterEveryMessage) {
  int step = 0;
  g_handler = [&step](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_USER) return false;
    Fill(window, {0, 0, kWidth, kHeight}, RGB(0, 0, 0));  // the same black every time
    for (int i = 0; i <= step; ++i) {  // small changes inside it
      Fill(window, {10 + 7 * i, 131 - 9 * i, 17 + 7 * i, 132 - 9 * i}, RGB(255, 255, 255));
    }
    Fill(window, {63 + step, 15, 66 + step, 17}, RGB(0, 255, 0));  // across a tile edge
    Fill(window, {199 - step, 149 - step, kWidth, kHeight}, RGB(255, 0, 0));  // the corner
    return true;
  };
  HWND window = Create(WS_VISIBLE, kWidth, kHeight);
  UpdateWindow(window);
  SDL_Surface* screen = SDL_GetWindowSurface(SDL_GetWindowFromID(SdlIdOf(window)));
  ASSERT_NE(screen, nullptr);
  for (step = 0; step < 6; ++step) {
    PostMessageW(window, WM_USER, 0, 0);
    DispatchPending();
    HDC dc = GetDC(window);
    int offScreen = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        Uint32 raw = 0;
        std::memcpy(&raw, static_cast<const Uint8*>(screen->pixels) + y * screen->pitch + x * 4, 4);
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(raw, screen->format, &r, &g, &b);
        offScreen += RGB(r, g, b) != GetPixel(dc, x, y);
      }
    }
    ReleaseDC(window, dc);
    EXPECT_EQ(offScreen, 0) << "pixels the screen does not show after step " << step;
  }
}

// An SDL event: a mouse button or motion (made from touch when `which` says so), or a finger.
struct Step { Uint32 type; int x, y; Uint32 which = 0; };

void Perform(HWND window, const Step& step) {
  if (step.type != SDL_FINGERDOWN && step.type != SDL_FINGERMOTION && step.type != SDL_FINGERUP) {
    return PushMouse(window, step.type, step.x, step.y, step.which);
  }
  SDL_Event event{};
  // The finger at the middle of the pixel, as a fraction of the window.
  const float x = (static_cast<float>(step.x) + 0.5f) / kWidth;
  const float y = (static_cast<float>(step.y) + 0.5f) / kHeight;
  event.tfinger = {step.type, 0, 1, 7, x, y, 0, 0, 1.0f, SdlIdOf(window)};
  PushEvent(event);
}

TEST_F(InputTest, MouseAndTouchBecomeStylusMessagesInsideTheClientArea) {
  constexpr Uint32 kDown = SDL_MOUSEBUTTONDOWN, kMove = SDL_MOUSEMOTION, kUp = SDL_MOUSEBUTTONUP;
  constexpr int kRight = kWidth - 1, kBottom = kHeight - 1;
  HWND window = Create(WS_VISIBLE, kWidth, kHeight);
  const auto msg = [window](UINT message, WPARAM keys, int x, int y) {
    return Received{window, message, keys, MAKELPARAM(x, y)};
  };
  const struct { const char* name; std::vector<Step> steps; std::vector<Received> expected; } cases[] = {
      {"held outside: clamped to the edges",
       {{kDown, kRight, kBottom}, {kMove, -30, -5}, {kMove, 500, 400}, {kUp, -10, 300}},
       {msg(WM_LBUTTONDOWN, MK_LBUTTON, kRight, kBottom), msg(WM_MOUSEMOVE, MK_LBUTTON, 0, 0),
        msg(WM_MOUSEMOVE, MK_LBUTTON, kRight, kBottom), msg(WM_LBUTTONUP, 0, 0, kBottom)}},
      {"moves outside without a press are not sent", {{kMove, 300, 10}, {kMove, 5, 6}}, {msg(WM_MOUSEMOVE, 0, 5, 6)}},
      {"touch is the stylus; the mouse events made from it are ignored",
       {{SDL_FINGERDOWN, 30, 40}, {kDown, 30, 40, SDL_TOUCH_MOUSEID}, {SDL_FINGERMOTION, 60, 45},
        {SDL_FINGERUP, 60, 45}},
       {msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), msg(WM_MOUSEMOVE, MK_LBUTTON, 60, 45),
        msg(WM_LBUTTONUP, 0, 60, 45)}},
  };
  for (const auto& c : cases) {
    g_received.clear();
    for (const Step& step : c.steps) {
      Perform(window, step);
      DispatchPending();  // one event at a time, so moves are not merged
    }
    EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace kavro_test
