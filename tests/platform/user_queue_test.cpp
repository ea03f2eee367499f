// The message queue and timers: posted order, the quit message, WM_PAINT and WM_TIMER made only
// when nothing else waits, missed timer periods coalesced; and the message box's nested loop.
#include <time.h>

#include "user/message_box_window.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using QueueTest = WindowTest;
using TimerTest = WindowTest;

// Busy for a while without looking at the queue, as a long tick would be.
void StayBusy(int milliseconds) {
  timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

// A hidden window is not painted; once shown, what was posted comes first, then WM_PAINT, then
// the timer that was due all along; the quit code ends the loop after what was posted before it.
TEST_F(QueueTest, MessagesComeInWindowsOrder) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CREATE) {
      SetTimer(window, 1, 10, nullptr);
      PostMessageW(window, WM_USER, 0, 0);
    } else if (message == WM_TIMER) {
      KillTimer(window, 1);
      PostMessageW(window, WM_USER + 1, 0, 0);
      PostQuitMessage(3);
    }
    return false;
  };
  HWND window = Create(0, 40, 40);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  StayBusy(30);
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));  // it was hidden
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(TheRecorder().Kinds(),
            (std::vector<UINT>{WM_CREATE, WM_USER, WM_PAINT, WM_TIMER, WM_USER + 1}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";
}

TEST_F(QueueTest, PeekTakesPostedMessagesInOrderByWindowAndRange) {
  HWND one = Create(0, 40, 40);
  HWND two = Create(0, 40, 40);
  const Received posted[] = {{one, WM_USER + 1, 1, 10}, {two, WM_USER + 2, 2, 20},
                             {one, WM_USER + 3, 3, 30}, {nullptr, WM_USER + 4, 4, 40}};
  for (const Received& m : posted) {
    ASSERT_TRUE(PostMessageW(m.window, m.message, m.wParam, m.lParam));
  }
  const struct { HWND filter; UINT low, high, flags; Received expected; } steps[] = {
      {nullptr, 0, 0, PM_NOREMOVE, posted[0]},  // looked at, left in place
      {two, 0, 0, PM_REMOVE, posted[1]},
      {nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE, posted[2]},
      {nullptr, 0, 0, PM_REMOVE, posted[0]},
      {nullptr, 0, 0, PM_REMOVE, posted[3]}};  // a thread message: no window
  MSG msg{};
  for (const auto& s : steps) {
    ASSERT_TRUE(PeekMessageW(&msg, s.filter, s.low, s.high, s.flags)) << s.expected;
    EXPECT_EQ((Received{msg.hwnd, msg.message, msg.wParam, msg.lParam}), s.expected);
  }
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, SendCallsTheProcedureAtOnceAndReturnsItsResult) {
  TheRecorder().handler = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    *result = static_cast<LRESULT>(wParam * 2);
    return message == WM_USER;
  };
  EXPECT_EQ(SendMessageW(Create(0, 40, 40), WM_USER, 21, 0), 42);
}

TEST_F(QueueTest, MouseMovesWaitingAtTheEndAreMergedIntoTheLatest) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  for (int i = 1; i <= 3; ++i) PushMouse(window, SDL_MOUSEMOTION, i, i);
  DispatchPending();
  EXPECT_EQ(TheRecorder().Only({WM_MOUSEMOVE}),
            (std::vector<Received>{{window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3)}}));
}

TEST_F(TimerTest, TicksAtItsPeriodAndSleepsInBetween) {
  int ticks = 0;
  TheRecorder().handler = [&ticks](HWND, UINT message, WPARAM id, LPARAM, LRESULT*) {
    if (message == WM_TIMER && id == 1) ++ticks;
    if (message == WM_TIMER && id == 99) PostQuitMessage(0);
    return false;
  };
  HWND window = Create(0, 40, 40);
  ASSERT_EQ(SetTimer(window, 1, 100, nullptr), 1u);
  SetTimer(window, 99, 1050, nullptr);
  const clock_t cpuBefore = clock();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  // Ten periods fit; a loaded machine may lose a few, never gain any.
  EXPECT_GE(ticks, 6);
  EXPECT_LE(ticks, 10);
  // A busy wait would have burnt most of the second in this process.
  EXPECT_LT(1000.0 * static_cast<double>(clock() - cpuBefore) / CLOCKS_PER_SEC, 300.0);
}

TEST_F(TimerTest, MissedPeriodsBecomeOneMessage) {
  SetTimer(Create(0, 40, 40), 1, 100, nullptr);
  StayBusy(550);  // five periods go by unseen
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
  // The next one is due on the timer's grid, in the future: nothing waits now.
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

int g_callbackTicks = 0;
void CALLBACK CountTick(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) ++g_callbackTicks;
}

// Killed timers and timers set again to a long period do not tick; a callback takes the ticks
// of its timer from the window procedure; a window that is none gets no timer.
TEST_F(TimerTest, KilledResetAndCallbackTimers) {
  HWND window = Create(0, 40, 40);
  g_callbackTicks = 0;
  SetTimer(window, 1, 10, nullptr);
  EXPECT_TRUE(KillTimer(window, 1));
  EXPECT_FALSE(KillTimer(window, 1));
  SetTimer(window, 2, 10, nullptr);
  SetTimer(window, 2, 100000, nullptr);
  SetTimer(window, 3, 10, CountTick);
  StayBusy(30);
  DispatchPending();
  EXPECT_GE(g_callbackTicks, 1);
  EXPECT_EQ(TheRecorder().Kinds({WM_TIMER}), std::vector<UINT>{});
  const UINT_PTR threadTimer = SetTimer(nullptr, 0, 10, CountTick);
  EXPECT_NE(threadTimer, 0u);
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(std::uintptr_t{0x5550}), 1, 10, nullptr), 0u);
}

class MessageBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    platform::detail::ForceWindowedMessageBox(true);
    window_ = Create(WS_VISIBLE, 100, 100);
    SetTimer(window_, 1, 20, nullptr);
  }
  void TearDown() override {
    platform::detail::ForceWindowedMessageBox(false);
    WindowTest::TearDown();
  }
  HWND window_ = nullptr;
};

void PushKey(HWND window, SDL_Keycode key) {
  SDL_Event e{};
  e.key.type = SDL_KEYDOWN;
  e.key.windowID = SDL_GetWindowID(SdlWindowOf(window));
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  PushEvent(e);
}

// On the third tick of the program's timer inside the box, the user answers the box.
TEST_F(MessageBoxTest, TimerMessagesReachTheWindowUntilTheUserAnswers) {
  const struct { const char* name; std::function<void(HWND box, HWND window)> answer; } cases[] = {
      {"Enter", [](HWND box, HWND) { PushKey(box, SDLK_RETURN); }},
      {"Escape", [](HWND box, HWND) { PushKey(box, SDLK_ESCAPE); }},
      {"Enter on the program's window", [](HWND, HWND window) { PushKey(window, SDLK_RETURN); }},
      {"the OK button, centred at the bottom", [](HWND box, HWND) {
         const Box client = ClientOf(box);
         PushMouse(box, SDL_MOUSEBUTTONDOWN, client[2] / 2, client[3] - 12 - 13);
         PushMouse(box, SDL_MOUSEBUTTONUP, client[2] / 2, client[3] - 12 - 13);
       }}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TheRecorder().messages.clear();
    TheRecorder().handler = [&c](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message != WM_TIMER || TheRecorder().Only({WM_TIMER}).size() != 3) return false;
      HWND box = platform::detail::ActiveMessageBox();
      EXPECT_NE(box, nullptr);
      if (box != nullptr) c.answer(box, window);
      return false;
    };
    EXPECT_EQ(MessageBoxW(nullptr, L"A longer text that the box wraps onto more than one line "
                                   L"because it goes on and on.\nAnd a second paragraph.",
                          L"Error", MB_OK),
              IDOK);
    // Three ticks, and no key: the key was the box's.
    EXPECT_EQ(TheRecorder().Kinds({WM_TIMER, WM_KEYDOWN}), std::vector<UINT>(3, WM_TIMER));
    EXPECT_EQ(platform::detail::ActiveMessageBox(), nullptr);
  }
  // A hook set by a test comes before the box.
  platform::testing::SetMessageBoxHook([](LPCWSTR, LPCWSTR, UINT) { return 7; });
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", MB_OK), 7);
  platform::testing::SetMessageBoxHook(nullptr);
}

TEST_F(MessageBoxTest, QuitInsideTheBoxEndsItAndStaysForTheOuterLoop) {
  Handle(WM_TIMER, [](HWND) { PostQuitMessage(9); });
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", MB_OK), IDOK);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 9u);
}

}  // namespace
}  // namespace kavro_test
