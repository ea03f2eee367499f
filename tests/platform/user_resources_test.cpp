// The menu bar: a strip below the client area built from the nine-word description of the
// resources, whose enabled button posts WM_COMMAND to the parent.
#include "platform/resources.h"
#include "platform/shell.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

const ResourceString kStrings[] = {{104, L"Ok"}, {105, L"Menu"}};
constexpr WORD kNoImage = static_cast<WORD>(I_IMAGENONE);
// Menu id and count, then per button: image, command, state, style, string, 0, drop-down menu.
const WORD kOkAndMenu[] = {103, 2,  // "Ok" enabled, "Menu" not
                           kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU,
                           kNoImage, 40002, 0, TBSTYLE_AUTOSIZE, 105, 0, NOMENU};
const WORD kCutShort[] = {104, 2,  // two buttons said, one given
                          kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{103, kOkAndMenu, 16}, {104, kCutShort, 9}};
const ResourceTable kTable{kStrings, 2, nullptr, 0, kMenuBars, 2, 0x0419, true};

using MenuBarTest = WindowTest;

HWND MakeBar(HWND parent, UINT id) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = parent;
  info.nToolBarId = id;
  return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

// Bad descriptions make no bar; a tap on the enabled button sends its command, a press dragged
// off it or on the disabled one sends nothing, and nothing on the strip reaches the client.
TEST_F(MenuBarTest, SendsOnlyATapOnItsEnabledButton) {
  RegisterResourceTable(&kTable);
  HWND window = Create(WS_VISIBLE, 480, 536);
  EXPECT_EQ(MakeBar(window, 555), nullptr);  // no such description
  EXPECT_EQ(MakeBar(window, 104), nullptr);
  EXPECT_EQ(MakeBar(nullptr, 103), nullptr);
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
  HWND bar = MakeBar(window, 103);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 480, 536}));
  const int y = 536 + 13;
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 20, y);  // pressed on "Ok", released away from it
  PushMouse(window, SDL_MOUSEMOTION, 400, y);
  PushMouse(window, SDL_MOUSEBUTTONUP, 400, y);
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 80, y);  // "Menu"
  PushMouse(window, SDL_MOUSEBUTTONUP, 80, y);
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 20, y);  // a tap on "Ok"
  PushMouse(window, SDL_MOUSEBUTTONUP, 20, y);
  DispatchPending();
  const std::vector<Received> expected{
      {window, WM_COMMAND, MAKEWPARAM(40001, 0), reinterpret_cast<LPARAM>(bar)}};
  EXPECT_EQ(Only({WM_COMMAND, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected);
  DestroyWindow(window);
  EXPECT_FALSE(IsWindow(bar)) << "the bar goes with its parent";
}

}  // namespace
}  // namespace kavro_test
