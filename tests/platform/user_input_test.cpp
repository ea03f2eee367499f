// Pointer and touch input: SDL events become WM_LBUTTONDOWN / WM_MOUSEMOVE / WM_LBUTTONUP with
// the client position packed as MAKELPARAM(x, y) and MK_LBUTTON while the stylus is down.
#include "user_test_support.h"

namespace kavro_test {
namespace {

using InputTest = WindowTest;

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
      {"tap inside",
       {{kDown, 10, 20}, {kUp, 10, 20}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 10, 20), Msg(WM_LBUTTONUP, 0, 10, 20)}},
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
      {"touch is the stylus",
       {{SDL_FINGERDOWN, 30, 40}, {SDL_FINGERMOTION, 60, 45}, {SDL_FINGERUP, 60, 45}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), Msg(WM_MOUSEMOVE, MK_LBUTTON, 60, 45),
        Msg(WM_LBUTTONUP, 0, 60, 45)}},
      {"mouse events made from touch are ignored",
       {{SDL_FINGERDOWN, 30, 40}, {kDown, 30, 40, SDL_TOUCH_MOUSEID}, {SDL_FINGERUP, 30, 40}},
       {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), Msg(WM_LBUTTONUP, 0, 30, 40)}},
  };
  HWND window = Create(WS_VISIBLE, kWidth, kHeight);
  for (const auto& c : cases) {
    TheRecorder().messages.clear();
    for (const Step& step : c.steps) {
      Perform(window, step);
      DispatchPending();  // one event at a time, so moves are not merged
    }
    std::vector<Received> expected = c.expected;
    for (Received& r : expected) r.window = window;
    EXPECT_EQ(TheRecorder().Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected) << c.name;
  }
}

}  // namespace
}  // namespace kavro_test
