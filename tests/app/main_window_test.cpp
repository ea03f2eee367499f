// The main window under SDL's dummy video driver, with a class name of this test process: a
// Kavro that runs for this user must neither stop the test nor be raised by it.
#include <unistd.h>

#include "app/log_header.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/program_folder.h"
#include "platform/resources.h"
#include "res/resources.h"
#include "track/tick.h"

namespace {

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
  }

  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassW(TestClassName.c_str(), TestInstance);
    menuBarWindow = nullptr;
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  HWND window = nullptr;
};

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// Without Tolm.ini the port is COM0:: two boxes while the window is created, the first tick's
// failed read gives the third and stops the ticks, and "Ok" closes everything with exit code 0.
TEST_F(MainWindowTest, StartsWithoutSettingsOrReceiverAndOkEndsWithZero) {
  std::vector<bool> ticking;  // whether a tick was running as each box came up
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back({text, caption, type});
    ticking.push_back(tickBusy == TickRunning);
    if (boxes.size() == 3) {
      window = FindWindowW(TestClassName.c_str(), L"Kavro");
      EXPECT_TRUE(IsWindow(menuBarWindow));
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OK, 1), 0);  // with a notification code
    }
    return IDOK;
  });
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  EXPECT_EQ(WinMain(TestInstance, nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  const std::vector<kavro_test::ShownBox> expected = {
      {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK},
      {L"Error Opening ComPort.", L"", MB_OK},
      {L"Error Reading comms port.", L"Error", MB_OK}};
  EXPECT_EQ(boxes, expected);
  EXPECT_EQ(ticking, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(tickBusy, TickStopped);
  kavro_test::ExpectHeader(kavro_test::ReadWholeFile(folder + "/Tolm.txt"));
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindow(window) || IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, nullptr);
}

}  // namespace
