// The message queue and timers: posted order, the quit message, WM_PAINT and WM_TIMER made only
// when nothing else waits, timer periods on their grid and missed periods coalesced.
#include <time.h>

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
  HWND first = Create(0, 40, 40);
  HWND second = Create(0, 40, 40);
  ASSERT_TRUE(PostMessageW(first, WM_USER + 1, 1, 10));
  ASSERT_TRUE(PostMessageW(second, WM_USER + 2, 2, 20));
  ASSERT_TRUE(PostMessageW(first, WM_USER + 3, 3, 30));
  ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 4, 4, 40));  // a thread message: no window
  const struct { HWND filter; UINT low, high, flags; Received expected; } steps[] = {
      {nullptr, 0, 0, PM_NOREMOVE, {first, WM_USER + 1, 1, 10}},  // looked at, left in place
      {second, 0, 0, PM_REMOVE, {second, WM_USER + 2, 2, 20}},
      {nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE, {first, WM_USER + 3, 3, 30}},
      {nullptr, 0, 0, PM_REMOVE, {first, WM_USER + 1, 1, 10}},
      {nullptr, 0, 0, PM_REMOVE, {nullptr, WM_USER + 4, 4, 40}},
  };
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
  HWND window = Create(0, 40, 40);
  EXPECT_EQ(SendMessageW(window, WM_USER, 21, 0), 42);
  EXPECT_EQ(TheRecorder().Kinds().back(), WM_USER);
  EXPECT_EQ(SendMessageW(nullptr, WM_USER, 21, 0), 0);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(std::uintptr_t{0x4440}), WM_USER, 0, 0));
}

TEST_F(QueueTest, MouseMovesWaitingAtTheEndAreMergedIntoTheLatest) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  DispatchPending();
  for (int i = 1; i <= 3; ++i) PushMouse(window, SDL_MOUSEMOTION, i, i, false);
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
  HWND window = Create(0, 40, 40);
  SetTimer(window, 1, 100, nullptr);
  StayBusy(550);  // five periods go by unseen
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.wParam, 1u);
  // The next one is due on the timer's grid, in the future: nothing waits now.
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, KilledAndResetTimersWaitAndBadWindowsAreRefused) {
  HWND window = Create(0, 40, 40);
  SetTimer(window, 1, 10, nullptr);
  EXPECT_TRUE(KillTimer(window, 1));
  EXPECT_FALSE(KillTimer(window, 1));
  SetTimer(window, 2, 10, nullptr);
  SetTimer(window, 2, 100000, nullptr);  // the same timer again: new period, new start
  StayBusy(30);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(std::uintptr_t{0x5550}), 1, 10, nullptr), 0u);
}

int g_callbackTicks = 0;
void CALLBACK CountTick(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) ++g_callbackTicks;
}

TEST_F(TimerTest, CallbackRunsInsteadOfTheWindowProcedure) {
  HWND window = Create(0, 40, 40);
  g_callbackTicks = 0;
  SetTimer(window, 4, 10, CountTick);
  StayBusy(20);
  DispatchPending();
  EXPECT_GE(g_callbackTicks, 1);
  EXPECT_EQ(TheRecorder().Kinds({WM_TIMER}), std::vector<UINT>{});
  const UINT_PTR threadTimer = SetTimer(nullptr, 0, 10, CountTick);
  EXPECT_NE(threadTimer, 0u);
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
}

}  // namespace
}  // namespace kavro_test
