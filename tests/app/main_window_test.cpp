// Tests of the main window, headless: the program's own window under SDL's dummy video driver,
// with a class name of this test process. The single-instance rule holds for every process of
// the user, and a Kavro that happens to run must neither stop these tests nor be raised by them.
#include <unistd.h>

#include <functional>

#include "app/log_header.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/program_folder.h"
#include "platform/resources.h"
#include "res/resources.h"
#include "track/tick.h"

namespace {

using kavro_test::ShownBox;

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
    // Each box also notes whether a tick was running when it came up.
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      boxes.push_back({text == nullptr ? L"" : text, caption == nullptr ? L"" : caption, type});
      ticking.push_back(tickBusy == TickRunning);
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
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  HWND window = nullptr;
  std::vector<bool> ticking;
  std::function<void()> onBox;
};

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// Without Tolm.ini the port is COM0:, which does not open: two boxes while the window is
// created, and the first tick's read fails with the third, which stops the ticks. "Ok" then
// closes everything and ends WinMain with 0.
TEST_F(MainWindowTest, StartsWithoutSettingsOrReceiverAndOkEndsWithZero) {
  onBox = [this] {
    if (boxes.size() != 3) return;
    window = FindWindowW(TestClassName.c_str(), L"Kavro");
    EXPECT_TRUE(IsWindow(menuBarWindow));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OK, 1), 0);  // with a notification code
  };
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  EXPECT_EQ(WinMain(TestInstance, nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  const std::vector<ShownBox> expected = {{L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK},
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
