// Tests of the main window: start-up without settings or receiver, the first tick through the
// message loop, the ending, and stylus messages. The window is the program's
// own under SDL's dummy video driver, with a class name of this test process: the
// single-instance rule holds for every process of the user, and a Kavro that happens to run
// must neither stop these tests nor be raised by them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "app/log_header.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/program_folder.h"
#include "platform/resources.h"
#include "res/resources.h"
#include "track/tick.h"
#include "view/zoom_buttons.h"

namespace {

using kavro_test::ShownBox;

const ShownBox SettingsBox = {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK};
const ShownBox PortBox = {L"Error Opening ComPort.", L"", MB_OK};
const ShownBox ReadBox = {L"Error Reading comms port.", L"Error", MB_OK};
const HINSTANCE TestInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
const std::wstring TestClassName = L"KAVRO-test-" + std::to_wstring(getpid());

class MainWindowTest : public kavro_test::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    static std::vector<ResourceString> strings;
    static ResourceTable table;
    table = *ProgramResourceTable();
    strings.assign(table.strings, table.strings + table.stringCount);
    for (ResourceString& string : strings) {
      if (string.id == IDS_CLASS) string.text = TestClassName.c_str();
    }
    table.strings = strings.data();
    RegisterResourceTable(&table);
    tickBusy = TickIdle;
    // Each box also notes which message was being handled when it came up.
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      boxes.push_back({text == nullptr ? L"" : text, caption == nullptr ? L"" : caption, type});
      boxMessages.push_back(dispatching);
      if (onBox) onBox();
      return IDOK;
    });
  }

  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassW(TestClassName.c_str(), TestInstance);
    menuBarWindow = nullptr;
    zoomInHitRect = zoomOutHitRect = RECT{0, 0, 0, 0};
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  // Starts as the program does, with no Tolm.ini and nothing at COM0:.
  void Start() {
    ASSERT_TRUE(StartInstance(TestInstance, SW_SHOW));
    window = FindWindowW(TestClassName.c_str(), L"Kavro");
    ASSERT_NE(window, nullptr);
  }

  // Runs the program's message loop until a third box comes up or five seconds have passed.
  void RunLoopToTheThirdBox() {
    const DWORD start = GetTickCount();
    MSG msg;
    while (boxes.size() < 3 && GetTickCount() - start < 5000) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Sleep(5);
        continue;
      }
      dispatching = msg.message;
      DispatchMessageW(&msg);
      dispatching = 0;
    }
  }

  HWND window = nullptr;
  UINT dispatching = 0;
  std::vector<UINT> boxMessages;
  std::function<void()> onBox;
};

TEST_F(MainWindowTest, StartsWithoutSettingsOrReceiverAndStopsTickingAtTheFirstRead) {
  Start();
  EXPECT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox}));
  EXPECT_EQ(boxMessages, (std::vector<UINT>{0, 0})) << "both come while the window is created";
  EXPECT_TRUE(IsWindow(menuBarWindow));
  kavro_test::ExpectHeader(kavro_test::ReadWholeFile(folder + "/Tolm.txt"));

  RunLoopToTheThirdBox();
  ASSERT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox, ReadBox}));
  EXPECT_EQ(boxMessages[2], static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(tickBusy, TickStopped);
  EXPECT_TRUE(IsWindow(window));
}

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST_F(MainWindowTest, OkCommandEndsWinMainWithZero) {
  onBox = [this] {
    if (boxes.size() != 3) return;
    window = FindWindowW(TestClassName.c_str(), L"Kavro");
    PostMessageW(window, WM_COMMAND, IDM_OK, 0);
  };
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  EXPECT_EQ(WinMain(TestInstance, nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  EXPECT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox, ReadBox}));
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindow(window) || IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, nullptr);
}

// A close request takes the default path to the same end as "Ok".
TEST_F(MainWindowTest, CloseRequestEndsTheProgram) {
  Start();
  const HWND bar = menuBarWindow;
  EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(window) || IsWindow(bar));
  EXPECT_EQ(portHandle, nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
}

// Stylus positions come as x in the low 16 bits and y in the high 16 bits, both unsigned.
TEST_F(MainWindowTest, StylusMessagesReachZoomAndPanWithUnsignedPositions) {
  Start();
  UpdateWindow(window);  // the paint sets the buttons' hit rectangles
  EXPECT_EQ(SendMessageW(window, WM_LBUTTONDOWN, 0, MAKELPARAM(14, 15)), 0);  // "Z+"
  EXPECT_EQ(SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(14, 15)), 0);
  EXPECT_EQ(trackState.zoom, 0.5);
  EXPECT_EQ(SendMessageW(window, WM_LBUTTONDOWN, 0, MAKELPARAM(65000, 40000)), 0);
  EXPECT_EQ(SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(64990, 65535)), 0);
  EXPECT_EQ(SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(64990, 65535)), 0);
  EXPECT_TRUE(trackState.panX == -10 && trackState.panY == 25535 && trackState.dragging == 0)
      << "pan " << trackState.panX << ", " << trackState.panY;
}

}  // namespace
