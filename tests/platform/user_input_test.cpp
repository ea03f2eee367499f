// Pointer and touch input: SDL events become WM_LBUTTONDOWN / WM_MOUSEMOVE / WM_LBUTTONUP with
// the client position packed as MAKELPARAM(x, y) and MK_LBUTTON while the stylus is down.
#include "user_test_support.h"

namespace kavro_test {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

enum class Act { Down, Move, Up, TouchDown, TouchMove, TouchUp, TouchMouseDown };

struct Step {
  Act act;
  int x;
  int y;
};

struct InputCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<Received> expected;  // window filled in by the test
};

class InputTest : public WindowTest, public ::testing::WithParamInterface<InputCase> {};

void PushFinger(HWND window, Uint32 type, int x, int y) {
  SDL_Event event{};
  event.type = type;
  event.tfinger.touchId = 1;
  event.tfinger.fingerId = 7;
  event.tfinger.windowID = SDL_GetWindowID(SdlWindowOf(window));
  // The middle of the pixel, as a fraction of the window.
  event.tfinger.x = (static_cast<float>(x) + 0.5f) / kWidth;
  event.tfinger.y = (static_cast<float>(y) + 0.5f) / kHeight;
  event.tfinger.pressure = 1.0f;
  PushEvent(event);
}

void Perform(HWND window, const Step& step) {
  switch (step.act) {
    case Act::Down: PushMouseButton(window, SDL_MOUSEBUTTONDOWN, step.x, step.y); break;
    case Act::Move: PushMouseMotion(window, step.x, step.y, true); break;
    case Act::Up: PushMouseButton(window, SDL_MOUSEBUTTONUP, step.x, step.y); break;
    case Act::TouchDown: PushFinger(window, SDL_FINGERDOWN, step.x, step.y); break;
    case Act::TouchMove: PushFinger(window, SDL_FINGERMOTION, step.x, step.y); break;
    case Act::TouchUp: PushFinger(window, SDL_FINGERUP, step.x, step.y); break;
    case Act::TouchMouseDown: PushMouseButton(window, SDL_MOUSEBUTTONDOWN, step.x, step.y, SDL_TOUCH_MOUSEID); break;
  }
}

TEST_P(InputTest, BecomesStylusMessages) {
  const InputCase& c = GetParam();
  HWND window = Create(WS_VISIBLE, kWidth, kHeight);
  ASSERT_NE(window, nullptr);
  UpdateWindow(window);
  TheRecorder().messages.clear();
  for (const Step& step : c.steps) {
    Perform(window, step);
    DispatchPending();  // one event at a time, so moves are not merged
  }
  std::vector<Received> expected = c.expected;
  for (Received& r : expected) r.window = window;
  std::vector<Received> got;
  for (const Received& r : TheRecorder().messages) {
    if (r.message == WM_LBUTTONDOWN || r.message == WM_MOUSEMOVE || r.message == WM_LBUTTONUP) got.push_back(r);
  }
  EXPECT_EQ(got, expected);
}

Received Msg(UINT message, WPARAM keys, int x, int y) { return Received{nullptr, message, keys, MAKELPARAM(x, y)}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, InputTest,
    ::testing::Values(
        InputCase{"TapInside",
                  {{Act::Down, 10, 20}, {Act::Up, 10, 20}},
                  {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 10, 20), Msg(WM_LBUTTONUP, 0, 10, 20)}},
        InputCase{"DragCarriesTheButton",
                  {{Act::Down, 200 - 1, 149}, {Act::Move, 230 - 100, 90}, {Act::Up, 130, 90}},
                  {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 199, 149), Msg(WM_MOUSEMOVE, MK_LBUTTON, 130, 90),
                   Msg(WM_LBUTTONUP, 0, 130, 90)}},
        InputCase{"HeldOutsideIsClampedToTheEdges",
                  {{Act::Down, 50, 50}, {Act::Move, -30, -5}, {Act::Move, 500, 400}, {Act::Up, -10, 300}},
                  {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50), Msg(WM_MOUSEMOVE, MK_LBUTTON, 0, 0),
                   Msg(WM_MOUSEMOVE, MK_LBUTTON, kWidth - 1, kHeight - 1), Msg(WM_LBUTTONUP, 0, 0, kHeight - 1)}},
        InputCase{"MovesOutsideWithoutPressAreNotSent",
                  {{Act::Move, 300, 10}, {Act::Move, 5, 6}},
                  {Msg(WM_MOUSEMOVE, 0, 5, 6)}},
        InputCase{"TouchIsTheStylus",
                  {{Act::TouchDown, 30, 40}, {Act::TouchMove, 60, 45}, {Act::TouchUp, 60, 45}},
                  {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), Msg(WM_MOUSEMOVE, MK_LBUTTON, 60, 45),
                   Msg(WM_LBUTTONUP, 0, 60, 45)}},
        InputCase{"MouseEventsMadeFromTouchAreIgnored",
                  {{Act::TouchDown, 30, 40}, {Act::TouchMouseDown, 30, 40}, {Act::TouchUp, 30, 40}},
                  {Msg(WM_LBUTTONDOWN, MK_LBUTTON, 30, 40), Msg(WM_LBUTTONUP, 0, 30, 40)}}),
    [](const ::testing::TestParamInfo<InputCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavro_test
