// Windows and their messages: classes, creation with WM_CREATE, destruction from anywhere, the
// default procedure, the queue's order, timers, and the message box's nested loop.
#include <time.h>

#include <chrono>
#include <thread>

#include "user/message_box_window.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

using WindowClassTest = WindowTest;
using CreateWindowTest = WindowTest;
using DestroyWindowTest = WindowTest;
using QueueTest = WindowTest;
using TimerTest = WindowTest;
using MessageBoxTest = WindowTest;

TEST_F(WindowClassTest, RefusesTakenAndIncompleteClassesAndAnswersToItsAtom) {
  std::wstring upper = className_;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
  const struct { const char* what; WNDPROC proc; LPCWSTR name; } cases[] = {
      {"the name taken, whatever its case", RecordingProc, upper.c_str()},
      {"no procedure", nullptr, L"no procedure"},
      {"no name", RecordingProc, nullptr}};
  for (const auto& c : cases) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = c.proc;
    cls.lpszClassName = c.name;
    EXPECT_EQ(RegisterClassW(&cls), 0) << c.what;
  }
  EXPECT_EQ(RegisterClassW(nullptr), 0);
  EXPECT_NE(Create(0, 100, 80, MAKEINTRESOURCEW(atom_)), nullptr);
  EXPECT_EQ(Create(0, 10, 10, L"no such class"), nullptr);
}

// WM_CREATE comes with the creation record before CreateWindowExW returns, as SendMessageW
// calls the procedure at once and returns its result; without a size given, the client area
// is the device's 480 x 536.
TEST_F(CreateWindowTest, CreateAndSendCallTheProcedureAtOnce) {
  CREATESTRUCTW seen{};
  std::wstring seenName;
  g_handler = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_CREATE) seen = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (message == WM_CREATE) seenName = seen.lpszName;
    *result = static_cast<LRESULT>(wParam * 2);
    return message == WM_USER;
  };
  int marker = 7;
  HWND window = CreateWindowExW(0, className_.c_str(), L"Kavro", WS_VISIBLE, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(window, nullptr);
  windows_.push_back(window);
  ASSERT_EQ(Kinds(), std::vector<UINT>{WM_CREATE});
  EXPECT_EQ(g_received[0].window, window);
  EXPECT_EQ(seen.lpCreateParams, &marker);
  EXPECT_EQ(seenName, L"Kavro");
  EXPECT_EQ(static_cast<DWORD>(seen.style), WS_VISIBLE);
  EXPECT_EQ((std::array<int, 2>{seen.cx, seen.cy}), (std::array<int, 2>{480, 536}));
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 480, 536}));
  EXPECT_EQ(SendMessageW(window, WM_USER, 21, 0), 42);
}

TEST_F(CreateWindowTest, CreateAnsweredWithMinusOneFailsAndDestroysTheWindow) {
  HWND created = nullptr;
  g_handler = [&created](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    created = window;
    *result = -1;
    return message == WM_CREATE;
  };
  const std::size_t before = platform::testing::CountLiveHandles();
  EXPECT_EQ(Create(WS_VISIBLE, 50, 50), nullptr);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(created));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
}

// The close box: WM_CLOSE goes to DefWindowProcW, which destroys the window from inside its
// procedure; destroying it again there fails, and its timer and queued message go with it.
TEST_F(DestroyWindowTest, CloseDestroysTheWindowFromInsideItsProcedure) {
  g_handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CLOSE) PostMessageW(window, WM_USER, 0, 0);
    if (message == WM_DESTROY) {
      EXPECT_FALSE(DestroyWindow(window));
      PostQuitMessage(0);
    }
    return false;
  };
  HWND window = Create(WS_VISIBLE, 50, 50);
  SetTimer(window, 1, 1000, nullptr);
  PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Kinds({WM_CLOSE, WM_DESTROY, WM_USER}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(KillTimer(window, 1));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(DestroyWindowTest, ReleasesWhatItHeldAndStaleHandlesFailHarmlessly) {
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND window = Create(WS_VISIBLE, 60, 40);
  HDC dc = GetDC(window);  // left open: destruction closes it
  ASSERT_NE(dc, nullptr);
  SetTimer(window, 5, 1000, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
  for (HWND stale : {window, HWND{}, reinterpret_cast<HWND>(std::uintptr_t{0x1234560})}) {
    EXPECT_FALSE(DestroyWindow(stale));
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(ClientOf(stale), (Box{-1, -1, -1, -1}));
    EXPECT_EQ(GetDC(stale), nullptr);
    EXPECT_EQ(ReleaseDC(stale, dc), 0);
    EXPECT_EQ(SendMessageW(stale, WM_USER, 0, 0), 0);
  }
  EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
  EXPECT_EQ(SetTimer(window, 1, 10, nullptr), 0u);
  EXPECT_EQ(platform::testing::CreateSurfaceWindow(0, 10), nullptr);
}

// A hidden window is not painted; once shown, what was posted comes first in its order, then
// WM_PAINT, then the timer that was due all along; the quit code ends the loop after what was
// posted before it.
TEST_F(QueueTest, MessagesComeInWindowsOrder) {
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
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));  // it was hidden
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(Kinds(),
            (std::vector<UINT>{WM_CREATE, WM_USER, WM_USER + 1, WM_PAINT, WM_TIMER, WM_USER + 2}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";
}

// A timer ticks on its grid: five periods missed make one WM_TIMER, then ten periods fit a
// second (a loaded machine may lose a few, never gain any), waited for asleep. A killed timer
// and one set again to a long period do not tick.
TEST_F(TimerTest, TicksOnItsGridWithMissedPeriodsCoalesced) {
  g_handler = [](HWND, UINT message, WPARAM id, LPARAM, LRESULT*) {
    if (message == WM_TIMER && id == 99) PostQuitMessage(0);
    return false;
  };
  HWND window = Create(0, 40, 40);
  ASSERT_EQ(SetTimer(window, 1, 100, nullptr), 1u);
  SetTimer(window, 2, 10, nullptr);
  SetTimer(window, 2, 100000, nullptr);
  SetTimer(window, 3, 10, nullptr);
  EXPECT_TRUE(KillTimer(window, 3));
  EXPECT_FALSE(KillTimer(window, 3));
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
  EXPECT_GE(ticks, 6);
  EXPECT_LE(ticks, 10);
  EXPECT_EQ(timers.size(), static_cast<std::size_t>(ticks) + 1) << "only the end timer besides";
}

void PushKey(HWND window, SDL_Keycode key) {
  SDL_Event e{};
  e.key.type = SDL_KEYDOWN;
  e.key.windowID = SDL_GetWindowID(SdlWindowOf(window));
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  PushEvent(e);
}

// On the third tick of the program's timer inside the box, the user answers the box, or the
// program posts a quit, which ends the box and stays for the outer loop.
TEST_F(MessageBoxTest, TimerMessagesReachTheWindowUntilTheBoxIsAnswered) {
  platform::detail::ForceWindowedMessageBox(true);  // even under the dummy video driver
  SetTimer(Create(WS_VISIBLE, 100, 100), 1, 20, nullptr);
  const struct { const char* name; std::function<void(HWND box, HWND window)> answer; } cases[] = {
      {"Enter", [](HWND box, HWND) { PushKey(box, SDLK_RETURN); }},
      {"Escape", [](HWND box, HWND) { PushKey(box, SDLK_ESCAPE); }},
      {"Enter on the program's window", [](HWND, HWND window) { PushKey(window, SDLK_RETURN); }},
      {"the OK button, centred at the bottom", [](HWND box, HWND) {
         const Box client = ClientOf(box);
         PushMouse(box, SDL_MOUSEBUTTONDOWN, client[2] / 2, client[3] - 12 - 13);
         PushMouse(box, SDL_MOUSEBUTTONUP, client[2] / 2, client[3] - 12 - 13);
       }},
      {"quit", [](HWND, HWND) { PostQuitMessage(9); }}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_received.clear();
    g_handler = [&c](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message != WM_TIMER || Only({WM_TIMER}).size() != 3) return false;
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
    EXPECT_EQ(Kinds({WM_TIMER, WM_KEYDOWN}), std::vector<UINT>(3, WM_TIMER));
    EXPECT_EQ(platform::detail::ActiveMessageBox(), nullptr);
    MSG msg{};
    const bool quitting = c.name == std::string("quit");
    EXPECT_EQ(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE), quitting ? TRUE : FALSE);
    EXPECT_EQ(msg.wParam, quitting ? 9u : 0u);
  }
  // A hook set by a test comes before the box.
  platform::testing::SetMessageBoxHook([](LPCWSTR, LPCWSTR, UINT) { return 7; });
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", MB_OK), 7);
  platform::testing::SetMessageBoxHook(nullptr);
  platform::detail::ForceWindowedMessageBox(false);
}

}  // namespace
}  // namespace kavro_test
