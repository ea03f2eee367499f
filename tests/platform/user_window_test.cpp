// Windows and their messages: creation, one window of a name across processes, destruction
// from anywhere, the queue's order, timers, message boxes, headless or with their nested loop,
// and a port read that waits while input is queued and no window procedure runs; a close
// request or a command ends the wait, and nothing else does.
#include <signal.h>
#include <time.h>

#include <atomic>
#include <cstdio>

#include "user/user_private.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

// The close box: WM_CLOSE goes to DefWindowProcW, which destroys the window from inside its
// procedure; destroying it again there fails, and all it held goes with it: its device context,
// timer and queued message. Its handle, like a null or made-up one, then fails harmlessly.
TEST_F(WindowTest, CloseDestroysTheWindowFromInsideItsProcedure) {
  g_handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CLOSE) PostMessageW(window, WM_USER, 0, 0);
    if (message == WM_DESTROY) PostQuitMessage(DestroyWindow(window) ? 1 : 0);  // 1: destroyed twice
    return false;
  };
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND window = Create(WS_VISIBLE, 50, 50);
  HDC dc = GetDC(window);  // left open
  SetTimer(window, 1, 1000, nullptr);
  PushEvent(WindowEvent(window, SDL_WINDOWEVENT_CLOSE));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_EQ(msg.wParam, 0u) << "destroyed again from inside its WM_DESTROY";
  EXPECT_EQ(Kinds({WM_CLOSE, WM_DESTROY, WM_USER}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  for (HWND stale : {window, HWND{}, reinterpret_cast<HWND>(std::uintptr_t{0x1234560})}) {
    EXPECT_TRUE(!DestroyWindow(stale) && GetDC(stale) == nullptr);
    EXPECT_EQ(ReleaseDC(stale, dc) + SendMessageW(stale, WM_USER, 0, 0), 0);
    EXPECT_EQ(ClientOf(stale), (Box{-1, -1, -1, -1}));
  }
  EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));  // null would be the thread's own
  EXPECT_FALSE(SetTimer(window, 1, 10, nullptr) != 0 || KillTimer(window, 1));
}

// A hidden window is not painted; once shown, what was posted comes first in its order, then
// WM_PAINT, then the timer that was due all along; the quit code ends the loop after what was
// posted before it.
TEST_F(WindowTest, PostedFirstThenPaintThenTimer) {
  g_handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CREATE) {
      SetTimer(window, 1, 10, nullptr);
      PostMessageW(window, WM_USER, 0, 0);
      PostMessageW(window, WM_USER + 1, 0, 0);
    } else if (message == WM_TIMER) {
      KillTimer(window, 1);
      PostMessageW(window, WM_USER + 2, 0, 0);
      PostQuitMessage(3);
    }
    return false;
  };
  HWND window = Create(0, 40, 40);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // not looking at the queue
  ShowWindow(window, SW_SHOW);
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_CREATE, WM_USER, WM_USER + 1, WM_PAINT, WM_TIMER, WM_USER + 2}));
}

// A timer ticks on its grid: five periods missed make one WM_TIMER, then ten periods fit a
// second (a loaded machine may lose a few, never gain any), waited for asleep.
TEST_F(WindowTest, TimerTicksOnItsGridWithMissedPeriodsCoalesced) {
  g_handler = [](HWND, UINT message, WPARAM id, LPARAM, LRESULT*) {
    if (message == WM_TIMER && id == 99) PostQuitMessage(0);
    return false;
  };
  HWND window = Create(0, 40, 40);
  ASSERT_EQ(SetTimer(window, 1, 100, nullptr), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(550));  // a long tick
  DispatchPending();
  const Received tick{window, WM_TIMER, 1, 0};
  EXPECT_EQ(Only({WM_TIMER}), std::vector<Received>{tick});
  g_received.clear();
  SetTimer(window, 99, 1000, nullptr);
  const clock_t cpuBefore = clock();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_LT(1000.0 * static_cast<double>(clock() - cpuBefore) / CLOCKS_PER_SEC, 300.0);
  const std::vector<Received> timers = Only({WM_TIMER});
  const auto ticks = std::count(timers.begin(), timers.end(), tick);
  EXPECT_TRUE(ticks >= 6 && ticks <= 10) << ticks << " ticks";
  EXPECT_EQ(timers.size(), static_cast<std::size_t>(ticks) + 1) << "only the end timer besides";
}

// Without a display, a message box is one line on standard error, whatever the texts hold.
TEST(MessageBox, HeadlessBoxWritesOneLineToStandardErrorAndAnswersOk) {
  const wchar_t surrogate[] = {L'x', wchar_t(0xD800), 0};
  const struct { const wchar_t* caption; const wchar_t* text; std::string line; } cases[] = {
      {nullptr, L"no caption given", "Error: no caption given\n"},
      {L"Höhe", surrogate, "H\xC3\xB6he: x\xEF\xBF\xBD\n"},
      {L"Error", nullptr, "Error: \n"},
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, c.text, c.caption, MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
  }
}

// On the third tick of the program's timer inside the box, the user answers the box by key
// or button (neither reaches the window), or the program posts a quit, which ends the box and
// stays for the outer loop.
TEST_F(WindowTest, TimerMessagesReachTheWindowUntilTheBoxIsAnswered) {
  platform::detail::ForceWindowedMessageBox(true);  // even under the dummy video driver
  HWND window = Create(WS_VISIBLE, 100, 100);
  SetTimer(window, 1, 20, nullptr);
  // The answer, and the quit code left for the outer loop (0: none).
  const struct { const char* name; std::function<void(HWND box)> answer; WPARAM quit; } cases[] = {
      {"Escape, the focus left on the window", [window](HWND) {
         SDL_Event e{};
         e.key = {SDL_KEYDOWN, 0, SdlIdOf(window), SDL_PRESSED, 0, 0, 0, {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, 0}};
         PushEvent(e);
       }, 0},
      {"the OK button, centred at the bottom", [](HWND box) {
         const Box client = ClientOf(box);
         for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) PushMouse(box, type, client[2] / 2, client[3] - 25);
       }, 0},
      {"quit", [](HWND) { PostQuitMessage(9); }, 9}};
  for (const auto& c : cases) {
    g_received.clear();
    g_handler = [&c](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
      HWND box = platform::detail::ActiveMessageBox();
      if (message != WM_TIMER || box == nullptr) return false;
      if (Only({WM_TIMER}).size() == 3) c.answer(box);
      if (Only({WM_TIMER}).size() == 20) PostQuitMessage(99);  // a lost answer fails, not hangs
      return false;
    };
    const wchar_t* text = L"A text longer than the box is wide, which it wraps onto more lines."
                          L"\nAnd a second paragraph.";
    EXPECT_EQ(MessageBoxW(nullptr, text, L"Error", MB_OK), IDOK) << c.name;
    EXPECT_EQ(Kinds({WM_TIMER, WM_KEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP}), std::vector<UINT>(3, WM_TIMER)) << c.name;
    EXPECT_EQ(platform::detail::ActiveMessageBox(), nullptr) << c.name;
    MSG msg{};
    EXPECT_EQ(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE), c.quit != 0 ? TRUE : FALSE) << c.name;
    EXPECT_EQ(msg.wParam, c.quit) << c.name;
  }
  platform::detail::ForceWindowedMessageBox(false);
}

HWND CreateNamed(LPCWSTR className, LPCWSTR title) {
  return CreateWindowExW(0, className, title, 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

// The other process is the small CE-style program, which says its process id and, once its
// window is painted, "painted 480 536".
TEST(SingleInstanceTest, SecondProcessFindsTheFirstButMakesNoSecondWindow) {
  const std::string className = "KAVRO-TEST-" + std::to_string(getpid());
  const std::wstring wideClass(className.begin(), className.end());
  FILE* other = popen(("echo $$; exec '" KAVRO_WINDOW_DEMO "' --class " + className).c_str(), "r");
  ASSERT_NE(other, nullptr);
  char pid[32] = {}, painted[32] = {};
  ASSERT_NE(std::fgets(pid, sizeof pid, other), nullptr);
  // From here on nothing ends the test early: the other process must be killed at the end.
  EXPECT_NE(std::fgets(painted, sizeof painted, other), nullptr);
  EXPECT_STREQ(painted, "painted 480 536\n");
  HWND found = FindWindowW(wideClass.c_str(), L"Kavro e2e");
  EXPECT_NE(found, nullptr);
  // A start that looked before the first had its window gets none (three simultaneous starts
  // once made three windows); another title is another window.
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.lpszClassName = wideClass.c_str();
  EXPECT_NE(RegisterClassW(&cls), 0);
  SetLastError(0);
  EXPECT_EQ(CreateNamed(wideClass.c_str(), L"Kavro e2e"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Other title")));
  // The lowest bit of the handle asks for the owned windows too, as a second start does.
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(found) | 1)));
  // Once its owner is killed, the name is free and the found handle fails harmlessly.
  kill(static_cast<pid_t>(std::atoi(pid)), SIGKILL);
  pclose(other);
  EXPECT_EQ(FindWindowW(wideClass.c_str(), L"Kavro e2e"), nullptr);
  EXPECT_FALSE(SetForegroundWindow(found));
  EXPECT_TRUE(DestroyWindow(found));
  EXPECT_TRUE(DestroyWindow(CreateNamed(wideClass.c_str(), L"Kavro e2e")));
  UnregisterClassW(wideClass.c_str(), nullptr);
}

using ReadingTest = WindowTest;

TEST_F(ReadingTest, OnlyACloseRequestOrACommandEndsAWaitingRead) {
  PtyPort receiver(1);  // a receiver that says nothing
  HANDLE port = OpenExisting(receiver.name);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  HWND window = Create(WS_VISIBLE, 100, 100);
  DispatchPending();
  // Should a read not end, this byte ends it after 5 s and the checks below fail.
  std::atomic<bool> done{false};
  std::thread rescue([&receiver, &done] {
    for (int i = 0; i < 50 && !done; ++i) std::this_thread::sleep_for(milliseconds(100));
    if (!done) receiver.Send("!");
  });
  // The viewer's wait for its first byte, without limit; or 400 ms.
  const COMMTIMEOUTS viewer{1000, 0, 0, 10, 1000}, total{0, 0, 400, 0, 0};
  const struct { const char* name; COMMTIMEOUTS timeouts; std::function<void()> user; bool endsAtOnce;
                 std::vector<UINT> queued; } cases[] = {
      {"the close box", viewer, [&] { PushEvent(WindowEvent(window, SDL_WINDOWEVENT_CLOSE)); }, true, {WM_CLOSE}},
      {"a command from the menu bar", viewer, [&] { PostMessageW(window, WM_COMMAND, 40001, 0); }, true, {WM_COMMAND}},
      {"the stylus and a new window size", total,
       [&] {
         PushMouse(window, SDL_MOUSEBUTTONDOWN, 10, 10);
         PushMouse(window, SDL_MOUSEBUTTONUP, 10, 10);
         PushEvent(WindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 120, 100));
       },
       false, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
  };
  for (const auto& c : cases) {
    SetTimeouts(port, c.timeouts);
    c.user();
    g_received.clear();
    const ReadResult r = ReadPort(port, 1000);
    EXPECT_EQ(std::pair(r.ok, r.bytes), std::pair(TRUE, std::string())) << c.name;
    EXPECT_TRUE(g_received.empty()) << c.name << ": a window procedure ran inside the read";
    EXPECT_TRUE(c.endsAtOnce ? r.elapsed < milliseconds(1000) : r.elapsed >= milliseconds(390))
        << c.name << ": ended after " << std::chrono::duration_cast<milliseconds>(r.elapsed).count() << " ms";
    g_handler = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) { return message == WM_CLOSE; };
    DispatchPending();
    EXPECT_EQ(Kinds({WM_CLOSE, WM_COMMAND, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SIZE}), c.queued) << c.name;
  }
  done = true;
  rescue.join();
  CloseHandle(port);
}

}  // namespace
}  // namespace kavro_test
