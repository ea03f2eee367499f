// Resources: LoadStringW with Windows' truncation, LoadIconW, MessageBeep, and the menu bar: a
// strip below the client area built from the nine-word description, with a handle of its own,
// whose enabled button posts WM_COMMAND to the parent.
#include <cstdlib>
#include <cwchar>

#include "platform/resources.h"
#include "platform/shell.h"
#include "user_test_support.h"

namespace platform::detail {
Uint32 QueuedBeepBytes();
}

namespace kavro_test {
namespace {

const ResourceString kStrings[] = {
    {1, L"Kavro"}, {2, L"KAVRO"}, {104, L"Ok"}, {105, L"Menu"}, {7, L""}};
const std::uint32_t kIconPixels[4] = {0xFF00FF00u, 0xFF000000u, 0x00000000u, 0xFFFF0000u};
const ResourceIcon kIcons[] = {{101, 2, 2, kIconPixels}};
constexpr WORD kNoImage = static_cast<WORD>(I_IMAGENONE);
// Menu id and count, then per button: image, command, state, style, string, 0, drop-down menu.
const WORD kOkAndMenu[] = {103, 2,  // "Ok" enabled, "Menu" not
                           kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU,
                           kNoImage, 40002, 0, TBSTYLE_AUTOSIZE, 105, 0, NOMENU};
const WORD kCutShort[] = {104, 2,  // two buttons said, one given
                          kNoImage, 40001, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{103, kOkAndMenu, 16}, {104, kCutShort, 9}};
const ResourceTable kTable{kStrings, 5, kIcons, 1, kMenuBars, 2, 0x0419, true};

class ResourceTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterResourceTable(&kTable);
  }
};
using MenuBarTest = ResourceTest;

TEST_F(ResourceTest, LoadStringTruncatesLikeWindows) {
  const struct { UINT id; int bufferMax; int expectedResult; std::wstring text; } cases[] = {
      {1, 100, 5, L"Kavro"},  // fits
      {1, 6, 5, L"Kavro"},    // exactly: five characters and the NUL
      {1, 5, 4, L"Kavr"},     // one short: cut, still terminated
      {1, 1, 0, L""},         // room for the NUL only
      {7, 100, 0, L""},       // an empty string
      {999, 100, 0, L""},     // no such string: empty buffer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "id " << c.id << " bufferMax " << c.bufferMax);
    wchar_t buffer[101];  // one more than the largest bufferMax, to see overruns
    std::wmemset(buffer, L'#', 101);
    EXPECT_EQ(LoadStringW(nullptr, c.id, buffer, c.bufferMax), c.expectedResult);
    EXPECT_EQ(std::wstring(buffer), c.text);
    EXPECT_EQ(buffer[c.bufferMax], L'#') << "wrote past the buffer";
  }
  // No room asks for a pointer to the string itself; no buffer or a negative size, nothing.
  const wchar_t* text = nullptr;
  EXPECT_EQ(LoadStringW(nullptr, 2, reinterpret_cast<LPWSTR>(&text), 0), 5);
  EXPECT_EQ(std::wstring(text != nullptr ? text : L"(none)"), L"KAVRO");
  EXPECT_EQ(LoadStringW(nullptr, 1, nullptr, 10), 0);
  wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_EQ(LoadStringW(nullptr, 1, buffer, -1), 0);
  EXPECT_EQ(buffer[0], L'#');
}

TEST_F(ResourceTest, LoadIconSharesOneHandlePerIcon) {
  HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(101));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(101)), icon);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(102)), nullptr);
  EXPECT_EQ(LoadIconW(nullptr, L"by name"), nullptr);
}

TEST(BeepTest, QueuesAToneWithoutWaitingForIt) {
  // Set here as well: CTest's discovered tests receive only the first of the suite's variables.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(MessageBeep(0));
  // The dummy audio driver plays in real time: the tone is still queued when the call returns.
  EXPECT_GT(platform::detail::QueuedBeepBytes(), 0u);
  EXPECT_TRUE(MessageBeep(MB_DEFAULT_BEEP));
}

HWND MakeBar(HWND parent, UINT id) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = parent;
  info.nToolBarId = id;
  return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

TEST_F(MenuBarTest, StripSitsBelowTheClientAreaUntilTheBarIsDestroyed) {
  HWND window = Create(WS_VISIBLE, 480, 536);
  EXPECT_TRUE(SHInitExtraControls());
  EXPECT_EQ(MakeBar(window, 555), nullptr);  // no such description
  EXPECT_EQ(MakeBar(window, 104), nullptr);
  EXPECT_EQ(MakeBar(nullptr, 103), nullptr);
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
  HWND bar = MakeBar(window, 103);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 480, 536}));
  EXPECT_EQ(ClientOf(bar), (Box{0, 0, 480, 26}));
  EXPECT_EQ(SdlSizeOf(window), (std::array<int, 2>{480, 536 + 26}));
  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(DestroyWindow(bar));
  EXPECT_EQ(SdlSizeOf(window), (std::array<int, 2>{480, 536}));
  // A bar also goes with its parent.
  const std::size_t before = platform::testing::CountLiveHandles();
  bar = MakeBar(window, 103);
  DestroyWindow(window);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before - 1);  // the parent went too
}

TEST_F(MenuBarTest, OnlyATapOnTheEnabledButtonSendsItsCommand) {
  HWND window = Create(WS_VISIBLE, 480, 536);
  HWND bar = MakeBar(window, 103);
  ASSERT_NE(bar, nullptr);
  const int y = 536 + 13;
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 20, y);  // pressed on "Ok", released away from it
  PushMouse(window, SDL_MOUSEMOTION, 400, y);
  PushMouse(window, SDL_MOUSEBUTTONUP, 400, y);
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 80, y);  // "Menu"
  PushMouse(window, SDL_MOUSEBUTTONUP, 80, y);
  PushMouse(window, SDL_MOUSEBUTTONDOWN, 20, y);  // a tap on "Ok"
  PushMouse(window, SDL_MOUSEBUTTONUP, 20, y);
  DispatchPending();
  // Nothing else reaches the parent: the strip is not the client area.
  const std::vector<Received> expected{
      {window, WM_COMMAND, MAKEWPARAM(40001, 0), reinterpret_cast<LPARAM>(bar)}};
  EXPECT_EQ(Only({WM_COMMAND, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}), expected);
}

}  // namespace
}  // namespace kavro_test
