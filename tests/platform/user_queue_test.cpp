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

TEST_F(QueueTest, PostedMessagesArriveInOrder) {
  HWND window = Create(0, 40, 40);
  ASSERT_NE(window, nullptr);
  for (UINT i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageW(window, WM_USER + i, i, static_cast<LPARAM>(10 * i)));
  PostMessageW(nullptr, WM_USER + 9, 0, 0);  // a thread message: no window
  std::vector<std::pair<UINT, WPARAM>> got;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) got.emplace_back(msg.message, msg.wParam);
  const std::vector<std::pair<UINT, WPARAM>> expected{{WM_USER, 0},     {WM_USER + 1, 1}, {WM_USER + 2, 2},
                                                      {WM_USER + 3, 3}, {WM_USER + 4, 4}, {WM_USER + 9, 0}};
  EXPECT_EQ(got, expected);
}

TEST_F(QueueTest, QuitEndsTheLoopWithItsCodeAfterWhatWasPostedBefore) {
  HWND window = Create(0, 40, 40);
  PostMessageW(window, WM_USER, 0, 0);
  PostQuitMessage(42);
  MSG msg;
  int dispatched = 0;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    DispatchMessageW(&msg);
    ++dispatched;
  }
  EXPECT_EQ(dispatched, 1);
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 42u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // taken once
}

TEST_F(QueueTest, PaintWaitsForPostedMessagesAndTimerWaitsForPaint) {
  HWND window = Create(WS_VISIBLE, 40, 40);
  ASSERT_NE(window, nullptr);
  SetTimer(window, 1, 10, nullptr);
  StayBusy(30);
  PostMessageW(window, WM_USER, 0, 0);
  DispatchPending();
  std::vector<UINT> kinds = TheRecorder().Kinds();
  ASSERT_GE(kinds.size(), 4u);
  EXPECT_EQ((std::vector<UINT>(kinds.begin() + 1, kinds.begin() + 4)), (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
}

TEST_F(QueueTest, PeekWithoutRemovingLeavesTheMessage) {
  HWND window = Create(0, 40, 40);
  PostMessageW(window, WM_USER + 1, 5, 6);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, FiltersByWindowAndRange) {
  HWND first = Create(0, 40, 40);
  HWND second = Create(0, 40, 40);
  PostMessageW(first, WM_USER + 1, 0, 0);
  PostMessageW(second, WM_USER + 2, 0, 0);
  PostMessageW(first, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, second, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
}

TEST_F(QueueTest, SendCallsTheProcedureAtOnceAndReturnsItsResult) {
  TheRecorder().handler = [](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_USER) return false;
    *result = static_cast<LRESULT>(wParam * 2);
    return true;
  };
  HWND window = Create(0, 40, 40);
  EXPECT_EQ(SendMessageW(window, WM_USER, 21, 0), 42);
  EXPECT_EQ(TheRecorder().Kinds().back(), WM_USER);
  EXPECT_EQ(SendMessageW(nullptr, WM_USER, 21, 0), 0);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x4440)), WM_USER, 0, 0));
}

TEST_F(QueueTest, MouseMovesWaitingAtTheEndAreMergedIntoTheLatest) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  DispatchPending();
  TheRecorder().messages.clear();
  PushMouseMotion(window, 1, 1, false);
  PushMouseMotion(window, 2, 2, false);
  PushMouseMotion(window, 3, 3, false);
  DispatchPending();
  ASSERT_EQ(TheRecorder().Only(WM_MOUSEMOVE).size(), 1u);
  EXPECT_EQ(TheRecorder().Only(WM_MOUSEMOVE)[0].lParam, MAKELPARAM(3, 3));
}

// Runs the message loop until the deadline (a quit ends it early).
void RunLoopFor(int milliseconds, HWND window) {
  SetTimer(window, 99, static_cast<UINT>(milliseconds), nullptr);
  TheRecorder().handler = [](HWND w, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_TIMER && wParam == 99) {
      KillTimer(w, 99);
      PostQuitMessage(0);
    }
    return false;
  };
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
}

TEST_F(TimerTest, TicksAtItsPeriod) {
  HWND window = Create(0, 40, 40);
  ASSERT_EQ(SetTimer(window, 1, 100, nullptr), 1u);
  RunLoopFor(1050, window);
  std::size_t ticks = 0;
  for (const Received& r : TheRecorder().Only(WM_TIMER)) ticks += r.wParam == 1 ? 1 : 0;
  // Ten periods fit; a loaded machine may lose a few, never gain any.
  EXPECT_GE(ticks, 6u);
  EXPECT_LE(ticks, 10u);
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

TEST_F(TimerTest, KilledTimerStopsAndSettingAgainRestartsIt) {
  HWND window = Create(0, 40, 40);
  SetTimer(window, 1, 10, nullptr);
  EXPECT_TRUE(KillTimer(window, 1));
  EXPECT_FALSE(KillTimer(window, 1));
  StayBusy(30);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  SetTimer(window, 2, 10, nullptr);
  SetTimer(window, 2, 100000, nullptr);  // the same timer again: new period, new start
  StayBusy(30);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, TimerOfAnInvalidWindowIsRefused) {
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x5550)), 1, 10, nullptr), 0u);
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
  EXPECT_TRUE(TheRecorder().Only(WM_TIMER).empty());
  const UINT_PTR threadTimer = SetTimer(nullptr, 0, 10, CountTick);
  EXPECT_NE(threadTimer, 0u);
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
}

TEST_F(TimerTest, WaitingForATimerSleepsUntilItIsDue) {
  HWND window = Create(0, 40, 40);
  SetTimer(window, 1, 200, nullptr);
  const clock_t cpuBefore = clock();
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_TIMER);
  // A busy wait would have burnt most of the 200 ms in this process.
  const double cpuMs = 1000.0 * static_cast<double>(clock() - cpuBefore) / CLOCKS_PER_SEC;
  EXPECT_LT(cpuMs, 100.0);
}

}  // namespace
}  // namespace kavro_test
