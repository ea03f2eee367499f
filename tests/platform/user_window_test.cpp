// Window classes and windows: registration, creation with WM_CREATE, the order of the first
// messages, destruction from anywhere, and the default procedure.
#include "user_test_support.h"

namespace kavro_test {
namespace {

using WindowClassTest = WindowTest;
using CreateWindowTest = WindowTest;
using DestroyWindowTest = WindowTest;

TEST_F(WindowClassTest, RefusesASecondClassOfTheSameNameWhateverItsCase) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = RecordingProc;
  std::wstring upper = className_;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
  cls.lpszClassName = upper.c_str();
  EXPECT_EQ(RegisterClassW(&cls), 0);
  cls.lpszClassName = className_.c_str();
  EXPECT_EQ(RegisterClassW(&cls), 0);
}

TEST_F(WindowClassTest, RefusesAClassWithoutProcedureOrName) {
  WNDCLASSW cls{};
  cls.lpszClassName = L"no procedure";
  EXPECT_EQ(RegisterClassW(&cls), 0);
  cls.lpfnWndProc = RecordingProc;
  cls.lpszClassName = nullptr;
  EXPECT_EQ(RegisterClassW(&cls), 0);
  EXPECT_EQ(RegisterClassW(nullptr), 0);
}

TEST_F(WindowClassTest, AtomNamesTheClassForCreation) {
  HWND window = CreateWindowExW(0, MAKEINTRESOURCEW(atom_), L"by atom", 0, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  windows_.push_back(window);
  EXPECT_EQ(CreateWindowExW(0, L"no such class", L"x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(CreateWindowTest, SendsCreateWithTheCreationRecordBeforeReturning) {
  CREATESTRUCTW seen{};
  std::wstring seenName;
  TheRecorder().handler = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_CREATE) {
      seen = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
      seenName = seen.lpszName;
    }
    return false;
  };
  int marker = 7;
  HWND window = CreateWindowExW(0, className_.c_str(), L"Kavro", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(window, nullptr);
  windows_.push_back(window);
  ASSERT_EQ(TheRecorder().Kinds(), std::vector<UINT>{WM_CREATE});
  EXPECT_EQ(TheRecorder().messages[0].window, window);
  EXPECT_EQ(seen.lpCreateParams, &marker);
  EXPECT_EQ(seenName, L"Kavro");
  EXPECT_EQ(seen.cx, 480);
  EXPECT_EQ(seen.cy, 536);
  EXPECT_EQ(static_cast<DWORD>(seen.style), WS_VISIBLE);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  const RECT expected{0, 0, 480, 536};
  EXPECT_TRUE(client.left == expected.left && client.top == expected.top && client.right == expected.right &&
              client.bottom == expected.bottom)
      << "client " << client.right << "x" << client.bottom;
  int w = 0, h = 0;
  SDL_GetWindowSize(SdlWindowOf(window), &w, &h);
  EXPECT_EQ(w, 480);
  EXPECT_EQ(h, 536);
}

TEST_F(CreateWindowTest, CreateAnsweredWithMinusOneFailsAndDestroysTheWindow) {
  HWND created = nullptr;
  TheRecorder().handler = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_CREATE) return false;
    created = window;
    *result = -1;
    return true;
  };
  const std::size_t before = platform::testing::CountLiveHandles();
  EXPECT_EQ(Create(), nullptr);
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(created));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
}

TEST_F(CreateWindowTest, FirstMessagesComeInWindowsOrder) {
  // WM_CREATE during creation, WM_PAINT once shown, WM_TIMER only when nothing else waits,
  // then WM_DESTROY, and the quit code ends the loop.
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_CREATE) SetTimer(window, 1, 10, nullptr);
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(3);
    return false;
  };
  HWND window = Create(0);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG msg;
  int loops = 0;
  while (GetMessageW(&msg, nullptr, 0, 0) && ++loops < 1000) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_PAINT, WM_TIMER, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(CreateWindowTest, GivenSizeIsTheClientSize) {
  HWND window = Create(0, 200, 120);
  ASSERT_NE(window, nullptr);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 120);
}

TEST_F(CreateWindowTest, HiddenWindowIsNotPaintedUntilShown) {
  HWND window = Create(0, 100, 100);
  ASSERT_NE(window, nullptr);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));  // it was hidden
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_PAINT);
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));  // now it was visible
}

TEST_F(DestroyWindowTest, FromInsideTheProcedureEndsTheWindowSafely) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_COMMAND && LOWORD(wParam) == 40001) {
      EXPECT_TRUE(DestroyWindow(window));
      return true;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return false;
  };
  HWND window = Create(0, 50, 50);
  ASSERT_NE(window, nullptr);
  SetTimer(window, 1, 10, nullptr);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(40001, 0), 0);
  PostMessageW(window, WM_USER, 0, 0);  // queued for a window that will be gone
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_COMMAND, WM_DESTROY}));
  // Its timer and its queued message went with it.
  EXPECT_FALSE(KillTimer(window, 1));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(DestroyWindowTest, ZeroStaleAndRepeatedHandlesFailHarmlessly) {
  HWND window = Create(0, 50, 50);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_FALSE(DestroyWindow(nullptr));
  EXPECT_FALSE(DestroyWindow(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234560))));
  EXPECT_FALSE(IsWindow(window));
  RECT client{};
  EXPECT_FALSE(GetClientRect(window, &client));
  EXPECT_EQ(GetDC(window), nullptr);
  EXPECT_EQ(TheRecorder().Only(WM_DESTROY).size(), 1u);
}

TEST_F(DestroyWindowTest, DestroyingAgainInsideDestroyIsRefused) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_DESTROY) {
      EXPECT_FALSE(DestroyWindow(window));
    }
    return false;
  };
  HWND window = Create(0, 50, 50);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(TheRecorder().Only(WM_DESTROY).size(), 1u);
}

TEST_F(DestroyWindowTest, CloseTakesTheDefaultPathToDestruction) {
  HWND window = Create(WS_VISIBLE, 50, 50);
  ASSERT_NE(window, nullptr);
  PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  DispatchPending();
  EXPECT_FALSE(IsWindow(window));
  const auto kinds = TheRecorder().Kinds();
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds[kinds.size() - 2], WM_CLOSE);
  EXPECT_EQ(kinds.back(), WM_DESTROY);
}

TEST_F(DestroyWindowTest, ReleasesEveryHandleItHeld) {
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND window = Create(WS_VISIBLE, 60, 40);
  ASSERT_NE(window, nullptr);
  HDC dc = GetDC(window);  // left open: destruction closes it
  ASSERT_NE(dc, nullptr);
  SetTimer(window, 5, 1000, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
  EXPECT_EQ(ReleaseDC(window, dc), 0);
}

TEST_F(CreateWindowTest, FindWindowMatchesClassAndTitle) {
  HWND window = Create(0, 50, 50, L"Kavro test title");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"Kavro test title"), window);
  EXPECT_EQ(FindWindowW(className_.c_str(), nullptr), window);
  EXPECT_EQ(FindWindowW(nullptr, L"Kavro test title"), window);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"another title"), nullptr);
  // The lowest bit asks for owned windows too; the window is still found and raised.
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(window) | 1)));
  DestroyWindow(window);
  EXPECT_EQ(FindWindowW(className_.c_str(), L"Kavro test title"), nullptr);
}

TEST(SurfaceWindowTest, DrawsOnItsOwnSurfaceWithoutADisplay) {
  const std::size_t before = platform::testing::CountLiveHandles();
  HWND window = platform::testing::CreateSurfaceWindow(64, 48);
  ASSERT_NE(window, nullptr);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 64);
  EXPECT_EQ(client.bottom, 48);
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  RECT area{10, 10, 20, 20};
  FillRect(dc, &area, green);
  DeleteObject(green);
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 255, 0));
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc), 0);  // released once only
  // A second DC sees what the first drew.
  dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
  ReleaseDC(window, dc);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
  EXPECT_EQ(platform::testing::CreateSurfaceWindow(0, 10), nullptr);
}

}  // namespace
}  // namespace kavro_test
