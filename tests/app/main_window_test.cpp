// Tests of the main window: start-up without settings or receiver, the first tick through the
// message loop, the "Ok" command and other commands, painting, timer and stylus messages. The
// window is the program's own under SDL's dummy video driver, with a class name of this test
// process: the single-instance rule holds for every process of the user, and a Kavro that
// happens to run must neither stop these tests nor be raised by them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/log_header.h"
#include "app/main_window.h"
#include "app/start_up.h"
#include "common/gdi_calls.h"
#include "common/program_folder.h"
#include "common/test_port.h"
#include "gps/gps_port.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "res/resources.h"
#include "track/tick.h"
#include "view/zoom_buttons.h"

namespace {

using kavro_test::ReadWholeFile;
using kavro_test::ShownBox;
using platform::testing::GdiRecord;

const ShownBox SettingsBox = {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK};
const ShownBox PortBox = {L"Error Opening ComPort.", L"", MB_OK};
const ShownBox ReadBox = {L"Error Reading comms port.", L"Error", MB_OK};

constexpr DWORD LoopLimitMs = 5000;

HINSTANCE TestInstance() { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000)); }

const std::wstring& TestClassName() {
  static const std::wstring name = L"KAVRO-test-" + std::to_wstring(getpid());
  return name;
}

// The program's resources, with the class name string made this process's own.
void RegisterTestResources() {
  static std::vector<ResourceString> strings;
  static ResourceTable table;
  const ResourceTable* program = ProgramResourceTable();
  strings.assign(program->strings, program->strings + program->stringCount);
  for (ResourceString& string : strings) {
    if (string.id == IDS_CLASS) string.text = TestClassName().c_str();
  }
  table = *program;
  table.strings = strings.data();
  RegisterResourceTable(&table);
}

HWND FindMainWindow() { return FindWindowW(TestClassName().c_str(), L"Kavro"); }

class MainWindowTest : public kavro_test::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    RegisterTestResources();
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
    UnregisterClassW(TestClassName().c_str(), TestInstance());
    port.Close();
    menuBarWindow = nullptr;
    zoomInHitRect = RECT{0, 0, 0, 0};
    zoomOutHitRect = RECT{0, 0, 0, 0};
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  // Starts as the program does, with no Tolm.ini and nothing at COM0:.
  void Start() {
    ASSERT_TRUE(StartInstance(TestInstance(), SW_SHOW));
    window = FindMainWindow();
    ASSERT_NE(window, nullptr);
  }

  // Runs the program's message loop until `done` holds for the messages dispatched so far, the
  // quit message comes or the limit passes; returns the messages it dispatched.
  std::vector<UINT> RunLoopUntil(const std::function<bool(const std::vector<UINT>&)>& done) {
    std::vector<UINT> dispatched;
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done(dispatched) && GetTickCount() - start < LoopLimitMs) {
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Sleep(5);
        continue;
      }
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      dispatching = msg.message;
      DispatchMessageW(&msg);
      dispatching = 0;
      dispatched.push_back(msg.message);
    }
    return dispatched;
  }

  // The quit message's exit code, or -1 when none is waiting.
  static int TakeQuitCode() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
    return static_cast<int>(msg.wParam);
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
  EXPECT_EQ(trackState.portNumber, 0);
  EXPECT_EQ(trackState.baudRate, 0);
  kavro_test::ExpectHeader(ReadWholeFile(folder + "/Tolm.txt"));

  RunLoopUntil([this](const std::vector<UINT>&) { return boxes.size() == 3; });
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2], ReadBox);
  EXPECT_EQ(boxMessages[2], WM_TIMER);
  EXPECT_EQ(tickBusy, TickStopped);

  // Later ticks neither read, nor draw, nor report.
  const auto ticks = [](const std::vector<UINT>& dispatched) {
    return std::count(dispatched.begin(), dispatched.end(), WM_TIMER);
  };
  platform::testing::StartGdiRecording();
  const std::vector<UINT> later = RunLoopUntil([&ticks](const std::vector<UINT>& dispatched) {
    return ticks(dispatched) == 3;
  });
  const std::vector<GdiRecord> drawn = platform::testing::StopGdiRecording();
  EXPECT_EQ(ticks(later), 3);
  EXPECT_EQ(drawn.size(), 0u) << "first call: " << (drawn.empty() ? "" : drawn[0].op);
  EXPECT_EQ(boxes.size(), 3u);
  EXPECT_TRUE(IsWindow(window));
}

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

TEST_F(MainWindowTest, OkCommandEndsWinMainWithZero) {
  HWND created = nullptr;
  onBox = [this, &created] {
    if (boxes.size() != 3) return;
    created = FindMainWindow();
    PostMessageW(created, WM_COMMAND, IDM_OK, 0);
  };
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  EXPECT_EQ(WinMain(TestInstance(), nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  EXPECT_EQ(boxes, (std::vector<ShownBox>{SettingsBox, PortBox, ReadBox}));
  ASSERT_NE(created, nullptr);
  EXPECT_FALSE(IsWindow(created));
  EXPECT_FALSE(IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, nullptr);
}

TEST_F(MainWindowTest, CommandsOtherThanOkGoToDefaultProcessing) {
  Start();
  const HWND bar = menuBarWindow;
  for (WPARAM command : {WPARAM{40002}, WPARAM{40000}, WPARAM{0}, WPARAM{IDS_OK}, MAKEWPARAM(40002, 1)}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, command, 0), DefWindowProcW(window, WM_COMMAND, command, 0));
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_EQ(TakeQuitCode(), -1);

  // The button's command with a notification code in the high word is still "Ok".
  EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OK, 1), 0), 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(portHandle, nullptr);
  EXPECT_EQ(TakeQuitCode(), 0);
}

TEST_F(MainWindowTest, CloseRequestTakesTheDefaultPathToTheSameEnd) {
  Start();
  const HWND bar = menuBarWindow;
  EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(portHandle, nullptr);
  EXPECT_EQ(TakeQuitCode(), 0);
}

TEST_F(MainWindowTest, PaintFillsTheBackgroundAndDrawsTheZoomButtons) {
  Start();
  InvalidateRect(window, nullptr, FALSE);
  const std::size_t handlesBefore = platform::testing::CountLiveHandles();
  platform::testing::StartGdiRecording();
  UpdateWindow(window);
  const std::vector<GdiRecord> drawn = platform::testing::StopGdiRecording();
  EXPECT_EQ(platform::testing::CountLiveHandles(), handlesBefore) << "the brush is deleted again";

  ASSERT_GE(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].op, "CreateSolidBrush");
  EXPECT_EQ(drawn[0].args, (std::vector<long long>{RGB(0, 50, 0)}));
  EXPECT_EQ(drawn[1].op, "FillRect");
  EXPECT_EQ(drawn[1].args, (std::vector<long long>{0, 0, 480, 536}));
  EXPECT_EQ(drawn[1].object, drawn[0].object);
  EXPECT_EQ(drawn[2].op, "DeleteObject");
  EXPECT_EQ(drawn[2].object, drawn[0].object);
  const std::vector<GdiRecord> frames = kavro_test::CallsNamed(drawn, "DrawFrameControl");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].args, (std::vector<long long>{3, 5, 25, 25, DFC_BUTTON, DFCS_BUTTONPUSH}));
  EXPECT_EQ(frames[1].args, (std::vector<long long>{73, 5, 95, 25, DFC_BUTTON, DFCS_BUTTONPUSH}));

  HDC surface = GetDC(window);
  EXPECT_EQ(GetPixel(surface, 50, 300), RGB(0, 50, 0));
  EXPECT_EQ(GetPixel(surface, 479, 535), RGB(0, 50, 0));
  ReleaseDC(window, surface);
}

TEST_F(MainWindowTest, TimerMessagesTickWhateverTheirIdentifier) {
  Start();
  port.Open(folder, 5);
  struct Case {
    WPARAM id;
    const char* time;
    int minute;
  };
  const Case cases[] = {{TickTimerId, "120119.00", 1}, {0, "120219.00", 2}, {7, "120319.00", 3},
                        {0xFFFF, "120419.00", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    port.Send(std::string("$GPRMC,") + c.time + ",A,4807.038,N,01131.000,E,0.0,0.0,230394,,,A*00\r\n");
    EXPECT_EQ(SendMessageW(window, WM_TIMER, c.id, 0), 0);
    EXPECT_EQ(trackState.current.minute, c.minute);
  }
  EXPECT_EQ(boxes.size(), 2u) << "no read failed";
}

// What the stylus changes.
struct StylusState {
  double zoom;
  int dragging;
  int dragStartX;
  int dragStartY;
  int panX;
  int panY;
  bool operator==(const StylusState& other) const {
    return zoom == other.zoom && dragging == other.dragging && dragStartX == other.dragStartX &&
           dragStartY == other.dragStartY && panX == other.panX && panY == other.panY;
  }
};

void PrintTo(const StylusState& s, std::ostream* out) {
  *out << "{zoom " << s.zoom << ", dragging " << s.dragging << ", drag start " << s.dragStartX << ", "
       << s.dragStartY << ", pan " << s.panX << ", " << s.panY << "}";
}

StylusState CurrentStylusState() {
  return {trackState.zoom,        trackState.dragging, trackState.dragStart.x, trackState.dragStart.y,
          trackState.panX,        trackState.panY};
}

// Stylus positions: x in the low 16 bits, y in the high 16 bits, both unsigned.
TEST_F(MainWindowTest, StylusMessagesReachZoomAndPanWithUnsignedPositions) {
  Start();
  UpdateWindow(window);  // the paint sets the buttons' hit rectangles
  struct Step {
    UINT message;
    int x;
    int y;
    StylusState after;
  };
  const Step steps[] = {
      {WM_LBUTTONDOWN, 14, 15, {0.5, 0, 0, 0, 0, 0}},  // "Z+"
      {WM_LBUTTONUP, 14, 15, {0.5, 0, 0, 0, 0, 0}},
      {WM_LBUTTONDOWN, 300, 40000, {0.5, 1, 300, 40000, 0, 0}},
      {WM_MOUSEMOVE, 310, 40005, {0.5, 1, 300, 40000, 10, 5}},
      {WM_LBUTTONUP, 310, 40005, {0.5, 0, 300, 40000, 10, 5}},
      {WM_MOUSEMOVE, 500, 500, {0.5, 0, 300, 40000, 10, 5}},  // no drag: nothing moves
      // A new drag carries on from the offsets the last one left.
      {WM_LBUTTONDOWN, 65000, 10, {0.5, 1, 64990, 5, 10, 5}},
      {WM_MOUSEMOVE, 64990, 65535, {0.5, 1, 64990, 5, 0, 65530}},
      {WM_LBUTTONDOWN, 80, 15, {1.0, 1, 64990, 5, 0, 65530}},  // "Z-"
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "message " << step.message << " at " << step.x << ", " << step.y);
    EXPECT_EQ(SendMessageW(window, step.message, 0, MAKELPARAM(step.x, step.y)), 0);
    EXPECT_EQ(CurrentStylusState(), step.after);
  }
}

}  // namespace
