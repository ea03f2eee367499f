// Tests of the main window: start-up without settings or receiver, the first tick through the
// message loop, the commands, painting, timer and stylus messages. The window is the program's
// own under SDL's dummy video driver, with a class name of this test process: the
// single-instance rule holds for every process of the user, and a Kavro that happens to run
// must neither stop these tests nor be raised by them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/log_header.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/gdi_calls.h"
#include "common/program_folder.h"
#include "platform/resources.h"
#include "res/resources.h"
#include "track/tick.h"
#include "view/zoom_buttons.h"

namespace {

using kavro_test::ShownBox;
using platform::testing::GdiRecord;

const ShownBox SettingsBox = {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK};
const ShownBox PortBox = {L"Error Opening ComPort.", L"", MB_OK};
const ShownBox ReadBox = {L"Error Reading comms port.", L"Error", MB_OK};
const HINSTANCE TestInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
const std::wstring TestClassName = L"KAVRO-test-" + std::to_wstring(getpid());

class MainWindowTest : public kavro_test::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    // The program's resources, with the class name string made this process's own.
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
    port.Close();
    menuBarWindow = nullptr;
    zoomInHitRect = RECT{0, 0, 0, 0};
    zoomOutHitRect = RECT{0, 0, 0, 0};
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  // Starts as the program does, with no Tolm.ini and nothing at COM0:.
  void Start() {
    ASSERT_TRUE(StartInstance(TestInstance, SW_SHOW));
    window = FindWindowW(TestClassName.c_str(), L"Kavro");
    ASSERT_NE(window, nullptr);
  }

  // Runs the program's message loop until `count` timer messages have been dispatched, the
  // boxes number `boxCount`, the quit message comes or five seconds pass.
  void RunLoopUntil(int count, std::size_t boxCount) {
    int ticks = 0;
    const DWORD start = GetTickCount();
    MSG msg;
    while (ticks < count && boxes.size() < boxCount && GetTickCount() - start < 5000) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Sleep(5);
        continue;
      }
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      dispatching = msg.message;
      DispatchMessageW(&msg);
      dispatching = 0;
      ticks += msg.message == WM_TIMER;
    }
  }

  // The message closes the window and its menu bar and the port, and posts the quit message.
  void ExpectEndsWith(UINT message, WPARAM wParam) {
    const HWND bar = menuBarWindow;
    EXPECT_EQ(SendMessageW(window, message, wParam, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(portHandle, nullptr);
    EXPECT_EQ(TakeQuitCode(), 0);
  }

  // The quit message's exit code, or -1 when none is waiting.
  static int TakeQuitCode() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : -1;
  }

  HWND window = nullptr;
  kavro_test::TestPort port;
  UINT dispatching = 0;
  std::vector<UINT> boxMessages;
  std::function<void()> onBox;
};

TEST_F(MainWindowTest, StartsWithoutSettingsOrReceiverAndStopsTickingAfterTheFirstRead) {
  Start();
  EXPECT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox}));
  EXPECT_EQ(boxMessages, (std::vector<UINT>{0, 0})) << "both come while the window is created";
  EXPECT_TRUE(IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, INVALID_HANDLE_VALUE);
  kavro_test::ExpectHeader(kavro_test::ReadWholeFile(folder + "/Tolm.txt"));

  RunLoopUntil(1000, 3);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2], ReadBox);
  EXPECT_EQ(boxMessages[2], static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(tickBusy, TickStopped);

  // Later ticks neither read, nor draw, nor report.
  platform::testing::StartGdiRecording();
  RunLoopUntil(3, 1000);
  const std::vector<GdiRecord> drawn = platform::testing::StopGdiRecording();
  EXPECT_EQ(drawn.size(), 0u) << "first call: " << (drawn.empty() ? "" : drawn[0].op);
  EXPECT_EQ(boxes.size(), 3u);
  EXPECT_TRUE(IsWindow(window));
}

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST_F(MainWindowTest, OkCommandEndsWinMainWithZero) {
  HWND created = nullptr;
  onBox = [this, &created] {
    if (boxes.size() != 3) return;
    created = FindWindowW(TestClassName.c_str(), L"Kavro");
    PostMessageW(created, WM_COMMAND, IDM_OK, 0);
  };
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  EXPECT_EQ(WinMain(TestInstance, nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  EXPECT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox, ReadBox}));
  ASSERT_NE(created, nullptr);
  EXPECT_FALSE(IsWindow(created));
  EXPECT_FALSE(IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, nullptr);
}

// Other commands go to default processing; "Ok" with a notification code in the high word is
// still "Ok". A close request takes the default path to the same end.
TEST_F(MainWindowTest, CommandsOtherThanOkGoToDefaultProcessing) {
  Start();
  for (WPARAM command : {WPARAM{40002}, WPARAM{0}, WPARAM{IDS_OK}, MAKEWPARAM(40002, 1)}) {
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, command, 0), DefWindowProcW(window, WM_COMMAND, command, 0));
    EXPECT_TRUE(IsWindow(window)) << command;
  }
  EXPECT_EQ(TakeQuitCode(), -1);
  ExpectEndsWith(WM_COMMAND, MAKEWPARAM(IDM_OK, 1));
}

TEST_F(MainWindowTest, CloseRequestEndsTheProgram) {
  Start();
  ExpectEndsWith(WM_CLOSE, 0);
}

TEST_F(MainWindowTest, PaintFillsTheBackgroundAndDrawsTheZoomButtons) {
  Start();
  InvalidateRect(window, nullptr, FALSE);
  const std::size_t handlesBefore = platform::testing::CountLiveHandles();
  platform::testing::StartGdiRecording();
  UpdateWindow(window);
  const std::vector<GdiRecord> drawn = platform::testing::StopGdiRecording();
  EXPECT_EQ(platform::testing::CountLiveHandles(), handlesBefore) << "the brush is deleted again";
  EXPECT_EQ(kavro_test::FindCall(drawn, "CreateSolidBrush", {RGB(0, 50, 0)}), 0);
  EXPECT_EQ(kavro_test::FindCall(drawn, "FillRect", {0, 0, 480, 536}), 1);
  EXPECT_EQ(kavro_test::CallsNamed(drawn, "DrawFrameControl").size(), 2u);
  HDC surface = GetDC(window);
  EXPECT_EQ(GetPixel(surface, 479, 535), RGB(0, 50, 0));
  ReleaseDC(window, surface);
}

TEST_F(MainWindowTest, TimerMessagesTickWhateverTheirIdentifier) {
  Start();
  port.Open(folder, 5);
  int minute = 0;
  for (WPARAM id : {TickTimerId, UINT_PTR{0}, UINT_PTR{7}, UINT_PTR{0xFFFF}}) {
    port.Send("$GPRMC,120" + std::to_string(++minute) + "19.00,A,4807.038,N,01131.000,E,0.0,0.0,230394,,,A*00\r\n");
    EXPECT_EQ(SendMessageW(window, WM_TIMER, id, 0), 0);
    EXPECT_EQ(trackState.current.minute, minute) << "timer " << id;
  }
  EXPECT_EQ(boxes.size(), 2u) << "no read failed";
}

// What the stylus changes: zoom, dragging, drag start and pan.
std::string StylusState(double zoom, int dragging, int startX, int startY, int panX, int panY) {
  std::ostringstream out;
  out << "zoom " << zoom << " dragging " << dragging << " from " << startX << ',' << startY << " pan " << panX
      << ',' << panY;
  return out.str();
}

// Stylus positions: x in the low 16 bits, y in the high 16 bits, both unsigned.
TEST_F(MainWindowTest, StylusMessagesReachZoomAndPanWithUnsignedPositions) {
  Start();
  UpdateWindow(window);  // the paint sets the buttons' hit rectangles
  const struct {
    UINT message;
    int x, y;
    std::string after;
  } steps[] = {
      {WM_LBUTTONDOWN, 14, 15, StylusState(0.5, 0, 0, 0, 0, 0)},  // "Z+"
      {WM_LBUTTONUP, 14, 15, StylusState(0.5, 0, 0, 0, 0, 0)},
      {WM_LBUTTONDOWN, 300, 40000, StylusState(0.5, 1, 300, 40000, 0, 0)},
      {WM_MOUSEMOVE, 310, 40005, StylusState(0.5, 1, 300, 40000, 10, 5)},
      {WM_LBUTTONUP, 310, 40005, StylusState(0.5, 0, 300, 40000, 10, 5)},
      {WM_MOUSEMOVE, 500, 500, StylusState(0.5, 0, 300, 40000, 10, 5)},  // no drag: nothing moves
      // A new drag carries on from the offsets the last one left.
      {WM_LBUTTONDOWN, 65000, 10, StylusState(0.5, 1, 64990, 5, 10, 5)},
      {WM_MOUSEMOVE, 64990, 65535, StylusState(0.5, 1, 64990, 5, 0, 65530)},
      {WM_LBUTTONDOWN, 80, 15, StylusState(1.0, 1, 64990, 5, 0, 65530)},  // "Z-"
  };
  for (const auto& s : steps) {
    EXPECT_EQ(SendMessageW(window, s.message, 0, MAKELPARAM(s.x, s.y)), 0);
    EXPECT_EQ(StylusState(trackState.zoom, trackState.dragging, trackState.dragStart.x, trackState.dragStart.y,
                          trackState.panX, trackState.panY),
              s.after)
        << "message " << s.message << " at " << s.x << ", " << s.y;
  }
}

}  // namespace
