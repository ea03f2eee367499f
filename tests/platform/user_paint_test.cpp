// What the user sees and does: what a handler draws reaches the SDL window surface when it
// returns; mouse and touch become stylus messages at clamped client positions; a window given
// another size than its own keeps its client area and shows the picture whole at the largest
// whole scale that fits, centred on black, and the pointer lands on the picture's pixels. Under
// SDL's dummy video driver, whose window surface is plain memory to read back.
#include "user/user_private.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using PaintTest = WindowTest;
using InputTest = WindowTest;
using WindowSizeTest = WindowTest;

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr COLORREF kRed = RGB(255, 0, 0);

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
  SDL_Window* sdl = SDL_GetWindowFromID(SdlIdOf(window));
  for (step = 0; step < 6; ++step) {
    PostMessageW(window, WM_USER, 0, 0);
    DispatchPending();
    HDC dc = GetDC(window);
    int offScreen = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        offScreen += ShownAt(sdl, x, y) != GetPixel(dc, x, y);
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
