// The push button of the window system's own windows, and the menu bar as a strip below a
// window's client area: a press that leaves a button and comes back, a release elsewhere, a
// disabled button, what the face looks like, and the strip's rows in the SDL window.
#include "platform/resources.h"
#include "user/user_private.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using platform::detail::PointerAction;
using platform::detail::PushButton;

// Each step on a button at (10, 10)-(50, 30): the pointer's action and place, and what came of
// it: 'c' the face changed, 'k' the button acted, 'p' it shows pushed ('-' for each that did not).
TEST(PushButton, ActsOnlyWhenAPressOnItEndsOverIt) {
  constexpr PointerAction kDown = PointerAction::Down, kMove = PointerAction::Move, kUp = PointerAction::Up;
  struct Step { PointerAction action; int x, y; const char* outcome; };
  const struct { const char* name; bool enabled; std::vector<Step> steps; } cases[] = {
      {"off and back on", true,
       {{kDown, 10, 10, "c-p"}, {kMove, 50, 20, "c--"}, {kMove, 60, 20, "---"}, {kMove, 49, 29, "c-p"},
        {kUp, 49, 29, "ck-"}}},
      {"released elsewhere", true, {{kDown, 20, 20, "c-p"}, {kMove, 20, 30, "c--"}, {kUp, 20, 30, "c--"}}},
      {"pressed elsewhere", true, {{kDown, 9, 20, "---"}, {kMove, 20, 20, "---"}, {kUp, 20, 20, "---"}}},
      {"disabled", false, {{kDown, 20, 20, "---"}, {kUp, 20, 20, "---"}}},
  };
  for (const auto& c : cases) {
    PushButton button{{10, 10, 50, 30}, c.enabled};
    for (const Step& s : c.steps) {
      bool clicked = false;
      const bool changed = platform::detail::TrackPushButton(button, s.action, s.x, s.y, &clicked);
      const bool pushed = button.pressed && button.pointerInside;
      EXPECT_EQ(std::string({changed ? 'c' : '-', clicked ? 'k' : '-', pushed ? 'p' : '-'}), s.outcome)
          << c.name << " at " << s.x << "," << s.y;
    }
  }
}

// A pushed face is drawn pushed with its label one pixel down and right; a disabled label is
// grey.
TEST(PushButton, PushedLabelMovesWithItsFaceAndDisabledIsGrey) {
  const struct { bool enabled, pushed; long long state, shift, colour; } cases[] = {
      {true, false, DFCS_BUTTONPUSH, 0, RGB(0, 0, 0)},
      {true, true, DFCS_BUTTONPUSH | DFCS_PUSHED, 1, RGB(0, 0, 0)},
      {false, false, DFCS_BUTTONPUSH, 0, RGB(128, 128, 128)},
  };
  for (const auto& c : cases) {
    const PushButton button{{10, 10, 50, 30}, c.enabled, c.pushed, c.pushed};
    SurfaceDc dc(60, 40);
    platform::testing::StartGdiRecording();
    platform::detail::DrawPushButton(dc.dc, button, L"OK");
    std::vector<long long> drawn;  // the face's box and state, then the label's box and colour
    for (const auto& r : platform::testing::StopGdiRecording()) {
      if (r.op == "DrawFrameControl") drawn.insert(drawn.end(), r.args.begin(), r.args.end());
      if (r.op == "DrawTextW") drawn.insert(drawn.end(), {r.args.at(1), r.args[2], r.args[3], r.args[4], r.textColour});
    }
    const long long s = c.shift;
    EXPECT_EQ(drawn, (std::vector<long long>{10, 10, 50, 30, DFC_BUTTON, c.state, 10 + s, 10 + s, 50 + s, 30 + s,
                                             c.colour}));
  }
}

using MenuBarStripTest = WindowTest;

constexpr WORD kFirst = 101;
const ResourceString kStrings[] = {{1, L"One"}, {2, L"Two"}};
// Two buttons, the second disabled: 64 pixels wide each, side by side.
const WORD kBarWords[] = {7, 2, static_cast<WORD>(I_IMAGENONE), kFirst, TBSTATE_ENABLED, 0, 1, 0, NOMENU,
                          static_cast<WORD>(I_IMAGENONE), 102, 0, 0, 2, 0, NOMENU};
const ResourceMenuBar kBars[] = {{7, kBarWords, 16}};
const ResourceTable kTable{kStrings, 2, nullptr, 0, kBars, 1, 0x0409, false};

int SdlHeightOf(HWND window) {
  int width = 0, height = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(SdlIdOf(window)), &width, &height);
  return height;
}

// The bar adds its rows below the client area and takes them back when destroyed. A press
// on it stays with it wherever the pointer goes: released in the client area it does nothing,
// released on the button it posts the command; the disabled button never does, and the
// client area sees none of it.
TEST_F(MenuBarStripTest, ButtonsActOnReleaseOverThemAndTheClientSeesNothing) {
  RegisterResourceTable(&kTable);
  HWND window = Create(WS_VISIBLE, 200, 80);
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = window;
  info.nToolBarId = 7;
  ASSERT_TRUE(SHCreateMenuBar(&info));
  HWND bar = info.hwndMB;
  EXPECT_TRUE(IsWindow(bar));
  EXPECT_EQ(std::tuple(ClientOf(bar), ClientOf(window), SdlHeightOf(window)),
            std::tuple(Box{0, 0, 200, 26}, Box{0, 0, 200, 80}, 80 + 26));
  DispatchPending();
  g_received.clear();
  const struct { Uint32 type; int x, y; } steps[] = {
      {SDL_MOUSEBUTTONDOWN, 10, 85}, {SDL_MOUSEMOTION, 10, 40}, {SDL_MOUSEBUTTONUP, 10, 40},  // off it: nothing
      {SDL_MOUSEBUTTONDOWN, 70, 90}, {SDL_MOUSEBUTTONUP, 70, 90},  // the disabled one: nothing
      {SDL_MOUSEBUTTONDOWN, 63, 105}, {SDL_MOUSEMOTION, 120, 90}, {SDL_MOUSEMOTION, 5, 81},
      {SDL_MOUSEBUTTONUP, 5, 81},  // back on it: the command
  };
  for (const auto& s : steps) PushMouse(window, s.type, s.x, s.y);
  DispatchPending();
  const auto barParam = static_cast<LPARAM>(reinterpret_cast<std::uintptr_t>(bar));
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_COMMAND}),
            (std::vector<Received>{{window, WM_COMMAND, kFirst, barParam}}));
  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(IsWindow(bar) || DestroyWindow(bar));
  EXPECT_EQ(SdlHeightOf(window), 80);
  RegisterResourceTable(nullptr);
}

}  // namespace
}  // namespace kavro_test
