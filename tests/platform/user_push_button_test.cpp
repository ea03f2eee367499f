// The push button of the window system's own windows, and the menu bar as a strip below a
// window's client area: a press that leaves a button and comes back, a release elsewhere, a
// disabled button, what the face looks like, and the strip's rows in the SDL window.
#include <vector>

#include "platform/resources.h"
#include "user/push_button.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using platform::detail::PointerAction;
using platform::detail::PushButton;
constexpr PointerAction kDown = PointerAction::Down;
constexpr PointerAction kMove = PointerAction::Move;
constexpr PointerAction kUp = PointerAction::Up;

// Each step on a button at (10, 10)-(50, 30): the pointer's action, and then whether the face
// changed, whether the button acted and whether it shows pushed.
TEST(PushButton, ActsOnlyWhenAPressOnItEndsOverIt) {
  struct Step {
    PointerAction action;
    int x, y;
    bool changed, clicked, pushed;
  };
  const struct {
    const char* name;
    bool enabled;
    std::vector<Step> steps;
  } cases[] = {
      {"a tap", true, {{kDown, 20, 20, true, false, true}, {kUp, 20, 20, true, true, false}}},
      {"off and back on",
       true,
       {{kDown, 10, 10, true, false, true},
        {kMove, 50, 20, true, false, false},
        {kMove, 60, 20, false, false, false},
        {kMove, 49, 29, true, false, true},
        {kUp, 49, 29, true, true, false}}},
      {"released elsewhere",
       true,
       {{kDown, 20, 20, true, false, true}, {kMove, 20, 30, true, false, false}, {kUp, 20, 30, true, false, false}}},
      {"pressed elsewhere",
       true,
       {{kDown, 9, 20, false, false, false}, {kMove, 20, 20, false, false, false}, {kUp, 20, 20, false, false, false}}},
      {"disabled", false, {{kDown, 20, 20, false, false, false}, {kUp, 20, 20, false, false, false}}},
  };
  for (const auto& c : cases) {
    PushButton button;
    button.rect = RECT{10, 10, 50, 30};
    button.enabled = c.enabled;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      bool clicked = false;
      const bool changed = platform::detail::TrackPushButton(button, s.action, s.x, s.y, &clicked);
      const bool pushed = button.pressed && button.pointerInside;
      EXPECT_EQ((std::vector<bool>{changed, clicked, pushed}), (std::vector<bool>{s.changed, s.clicked, s.pushed}))
          << c.name << ", step " << i;
    }
  }
}

// A pushed face is drawn pushed with its label one pixel down and right; a disabled label is
// grey.
TEST(PushButton, PushedLabelMovesWithItsFaceAndDisabledIsGrey) {
  const struct {
    bool enabled, pushed;
    long long state;
    Box label;
    COLORREF colour;
  } cases[] = {
      {true, false, DFCS_BUTTONPUSH, {10, 10, 50, 30}, RGB(0, 0, 0)},
      {true, true, DFCS_BUTTONPUSH | DFCS_PUSHED, {11, 11, 51, 31}, RGB(0, 0, 0)},
      {false, false, DFCS_BUTTONPUSH, {10, 10, 50, 30}, RGB(128, 128, 128)},
  };
  for (const auto& c : cases) {
    PushButton button;
    button.rect = RECT{10, 10, 50, 30};
    button.enabled = c.enabled;
    button.pressed = c.pushed;
    button.pointerInside = c.pushed;
    SurfaceDc dc(60, 40);
    platform::testing::StartGdiRecording();
    platform::detail::DrawPushButton(dc.get(), button, L"OK");
    std::vector<platform::testing::GdiRecord> records = platform::testing::StopGdiRecording();
    const platform::testing::GdiRecord* face = nullptr;
    const platform::testing::GdiRecord* label = nullptr;
    for (const auto& r : records) {
      if (r.op == "DrawFrameControl") face = &r;
      if (r.op == "DrawTextW") label = &r;
    }
    ASSERT_TRUE(face != nullptr && label != nullptr);
    EXPECT_EQ(face->args, (std::vector<long long>{10, 10, 50, 30, DFC_BUTTON, c.state}));
    EXPECT_EQ((Box{static_cast<LONG>(label->args[1]), static_cast<LONG>(label->args[2]),
                   static_cast<LONG>(label->args[3]), static_cast<LONG>(label->args[4])}),
              c.label);
    EXPECT_EQ(label->textColour, c.colour);
  }
}

using MenuBarStripTest = WindowTest;

constexpr WORD kFirst = 101;
constexpr WORD kSecond = 102;
const ResourceString kStrings[] = {{1, L"One"}, {2, L"Two"}};
// Two buttons, the second disabled: 64 pixels wide each, side by side.
const WORD kBarWords[] = {7,          2, static_cast<WORD>(I_IMAGENONE), kFirst, TBSTATE_ENABLED, 0, 1, 0,
                          NOMENU,    static_cast<WORD>(I_IMAGENONE), kSecond, 0, 0, 2, 0, NOMENU};
const ResourceMenuBar kBars[] = {{7, kBarWords, 16}};
const ResourceTable kTable{kStrings, 2, nullptr, 0, kBars, 1, 0x0409, false};

int SdlHeightOf(HWND window) {
  int width = 0;
  int height = 0;
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
  ASSERT_NE(window, nullptr);
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = window;
  info.nToolBarId = 7;
  ASSERT_TRUE(SHCreateMenuBar(&info));
  HWND bar = info.hwndMB;
  EXPECT_TRUE(IsWindow(bar));
  EXPECT_EQ(ClientOf(bar), (Box{0, 0, 200, 26}));
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 200, 80}));
  EXPECT_EQ(SdlHeightOf(window), 80 + 26);
  DispatchPending();
  g_received.clear();

  PushMouse(window, SDL_MOUSEBUTTONDOWN, 10, 85);
  PushMouse(window, SDL_MOUSEMOTION, 10, 40);
  PushMouse(window, SDL_MOUSEBUTTONUP, 10, 40);  // off the button: nothing
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 70, 90);
  PushMouse(window, SDL_MOUSEBUTTONUP, 70, 90);  // the disabled one: nothing
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 63, 105);
  PushMouse(window, SDL_MOUSEMOTION, 120, 90);
  PushMouse(window, SDL_MOUSEMOTION, 5, 81);
  PushMouse(window, SDL_MOUSEBUTTONUP, 5, 81);  // back on it: the command
  DispatchPending();
  const auto barParam = static_cast<LPARAM>(reinterpret_cast<std::uintptr_t>(bar));
  EXPECT_EQ(Only({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_COMMAND}),
            (std::vector<Received>{{window, WM_COMMAND, kFirst, barParam}}));

  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_FALSE(DestroyWindow(bar));
  EXPECT_EQ(SdlHeightOf(window), 80);
  RegisterResourceTable(nullptr);
}

}  // namespace
}  // namespace kavro_test
