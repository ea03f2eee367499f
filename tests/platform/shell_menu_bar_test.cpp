// The menu bar: a strip below the client area built from the nine-word description, whose
// enabled button posts WM_COMMAND to the parent, with a handle of its own.
#include "platform/resources.h"
#include "platform/shell.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

constexpr WORD kNoImage = static_cast<WORD>(I_IMAGENONE);
const ResourceString kStrings[] = {{104, L"Ok"}, {105, L"Menu"}};
// Menu id and count, then per button: image, command, state, style, string, 0, drop-down menu.
const WORD kOkAndMenu[] = {103, 2,  // "Ok" enabled, "Menu" not
                           kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU,
                           kNoImage, 40002, 0, TBSTYLE_AUTOSIZE, 105, 0, NOMENU};
const WORD kCutShort[] = {104, 2,  // two buttons said, one given
                          kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{103, kOkAndMenu, 16}, {104, kCutShort, 9}};
const ResourceTable kTable{kStrings, 2, nullptr, 0, kMenuBars, 2, 0x0419, true};

HWND MakeBar(HWND parent, UINT id) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = parent;
  info.nToolBarId = id;
  return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

class MenuBarTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterResourceTable(&kTable);
    window_ = Create(WS_VISIBLE, 480, 536);
    ASSERT_NE(window_, nullptr);
  }
  HWND window_ = nullptr;
};

TEST_F(MenuBarTest, StripSitsBelowTheClientAreaUntilTheBarIsDestroyed) {
  EXPECT_TRUE(SHInitExtraControls());
  HWND bar = MakeBar(window_, 103);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClientOf(window_), (Box{0, 0, 480, 536}));
  EXPECT_EQ(ClientOf(bar), (Box{0, 0, 480, 26}));
  EXPECT_EQ(SdlSizeOf(window_), (std::array<int, 2>{480, 536 + 26}));
  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_FALSE(DestroyWindow(bar));
  EXPECT_EQ(SdlSizeOf(window_), (std::array<int, 2>{480, 536}));
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MenuBarTest, OnlyATapOnTheEnabledButtonSendsItsCommand) {
  HWND bar = MakeBar(window_, 103);
  ASSERT_NE(bar, nullptr);
  const int y = 536 + 13;
  PushMouse(window_, SDL_MOUSEBUTTONDOWN, 20, y);  // pressed on "Ok", released away from it
  PushMouse(window_, SDL_MOUSEMOTION, 400, y);
  PushMouse(window_, SDL_MOUSEBUTTONUP, 400, y);
  PushMouse(window_, SDL_MOUSEBUTTONDOWN, 80, y);  // "Menu"
  PushMouse(window_, SDL_MOUSEBUTTONUP, 80, y);
  PushMouse(window_, SDL_MOUSEBUTTONDOWN, 20, y);  // a tap on "Ok"
  PushMouse(window_, SDL_MOUSEBUTTONUP, 20, y);
  DispatchPending();
  // Nothing else reaches the parent: the strip is not the client area.
  const std::vector<Received> expected{
      {window_, WM_COMMAND, MAKEWPARAM(40001, 0), reinterpret_cast<LPARAM>(bar)}};
  EXPECT_EQ(TheRecorder().Only({WM_COMMAND, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected);
}

TEST_F(MenuBarTest, GoesWithItsParent) {
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND bar = MakeBar(window_, 103);
  ASSERT_NE(bar, nullptr);
  DestroyWindow(window_);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before - 1);  // the parent went too
}

TEST_F(MenuBarTest, BadRequestsFail) {
  EXPECT_EQ(MakeBar(window_, 555), nullptr);  // no such description
  EXPECT_EQ(MakeBar(window_, 104), nullptr);
  EXPECT_EQ(MakeBar(nullptr, 103), nullptr);
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
  EXPECT_EQ(SdlSizeOf(window_), (std::array<int, 2>{480, 536}));
}

}  // namespace
}  // namespace kavro_test
