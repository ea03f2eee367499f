// The menu bar: a strip below the client area built from the nine-word description, whose
// button posts WM_COMMAND to the parent, with a handle of its own.
#include "platform/resources.h"
#include "platform/shell.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

const ResourceString kStrings[] = {{104, L"Ok"}, {105, L"Menu"}};
// menu id, count, then image, command, state, style, string, 0, drop-down menu per button.
const WORD kOneButton[] = {102, 1, static_cast<WORD>(I_IMAGENONE), 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const WORD kTwoButtons[] = {103, 2, static_cast<WORD>(I_IMAGENONE), 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU,
                            static_cast<WORD>(I_IMAGENONE), 40002, 0, TBSTYLE_AUTOSIZE, 105, 0, NOMENU};
const WORD kCutShort[] = {104, 2, static_cast<WORD>(I_IMAGENONE), 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{102, kOneButton, 9}, {103, kTwoButtons, 16}, {104, kCutShort, 9}};
const ResourceTable kTable{kStrings, 2, nullptr, 0, kMenuBars, 3, 0x0419, true};

class MenuBarTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterResourceTable(&kTable);
    window_ = Create(WS_VISIBLE, 480, 536);
    ASSERT_NE(window_, nullptr);
  }

  HWND MakeBar(UINT id, DWORD flags = 0) {
    SHMENUBARINFO info{};
    info.cbSize = sizeof info;
    info.hwndParent = window_;
    info.nToolBarId = id;
    info.dwFlags = flags;
    if (!SHCreateMenuBar(&info)) return nullptr;
    return info.hwndMB;
  }

  int SdlHeight() {
    int w = 0, h = 0;
    SDL_GetWindowSize(SdlWindowOf(window_), &w, &h);
    return h;
  }

  HWND window_ = nullptr;
};

TEST_F(MenuBarTest, StripSitsBelowTheClientArea) {
  EXPECT_TRUE(SHInitExtraControls());
  HWND bar = MakeBar(102);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(IsWindow(bar));
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.bottom, 536);
  EXPECT_EQ(SdlHeight(), 536 + 26);
  RECT strip{};
  ASSERT_TRUE(GetClientRect(bar, &strip));
  EXPECT_EQ(strip.right, 480);
  EXPECT_EQ(strip.bottom, 26);
}

TEST_F(MenuBarTest, TappingTheButtonSendsItsCommandToTheParent) {
  HWND bar = MakeBar(102);
  ASSERT_NE(bar, nullptr);
  TheRecorder().messages.clear();
  PushMouseButton(window_, SDL_MOUSEBUTTONDOWN, 20, 536 + 13);
  PushMouseButton(window_, SDL_MOUSEBUTTONUP, 20, 536 + 13);
  DispatchPending();
  const auto commands = TheRecorder().Only(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(40001, 0));
  EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(bar));
  EXPECT_TRUE(TheRecorder().Only(WM_LBUTTONDOWN).empty()) << "the strip is not the client area";
}

TEST_F(MenuBarTest, ReleaseAwayFromTheButtonOrOnADisabledOneSendsNothing) {
  ASSERT_NE(MakeBar(103), nullptr);
  TheRecorder().messages.clear();
  PushMouseButton(window_, SDL_MOUSEBUTTONDOWN, 20, 536 + 13);
  PushMouseMotion(window_, 400, 536 + 13, true);
  PushMouseButton(window_, SDL_MOUSEBUTTONUP, 400, 536 + 13);
  PushMouseButton(window_, SDL_MOUSEBUTTONDOWN, 80, 536 + 13);  // "Menu": not enabled
  PushMouseButton(window_, SDL_MOUSEBUTTONUP, 80, 536 + 13);
  DispatchPending();
  EXPECT_TRUE(TheRecorder().Only(WM_COMMAND).empty());
  EXPECT_TRUE(TheRecorder().Only(WM_MOUSEMOVE).empty());
  EXPECT_TRUE(TheRecorder().Only(WM_LBUTTONUP).empty());
}

TEST_F(MenuBarTest, DestroyingTheBarRemovesTheStrip) {
  HWND bar = MakeBar(102);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_FALSE(DestroyWindow(bar));
  EXPECT_EQ(SdlHeight(), 536);
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(MenuBarTest, GoesWithItsParent) {
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND bar = MakeBar(102);
  ASSERT_NE(bar, nullptr);
  DestroyWindow(window_);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before - 1);  // the parent went too
}

TEST_F(MenuBarTest, BadRequestsFail) {
  EXPECT_EQ(MakeBar(555), nullptr);  // no such description
  EXPECT_EQ(MakeBar(104), nullptr);  // says two buttons, holds one
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = nullptr;
  info.nToolBarId = 102;
  EXPECT_FALSE(SHCreateMenuBar(&info));
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
  EXPECT_EQ(SdlHeight(), 536);
}

}  // namespace
}  // namespace kavro_test
