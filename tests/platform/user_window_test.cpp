// Window classes and windows: registration, creation with WM_CREATE, destruction from anywhere,
// and the default procedure.
#include "user_test_support.h"

namespace kavro_test {
namespace {

using WindowClassTest = WindowTest;
using CreateWindowTest = WindowTest;
using DestroyWindowTest = WindowTest;

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

// WM_CREATE comes with the creation record before CreateWindowExW returns; without a size
// given, the client area is the device's 480 x 536.
TEST_F(CreateWindowTest, SendsCreateBeforeReturningAndMakesTheDeviceSize) {
  CREATESTRUCTW seen{};
  std::wstring seenName;
  TheRecorder().handler = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_CREATE) seen = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (message == WM_CREATE) seenName = seen.lpszName;
    return false;
  };
  int marker = 7;
  HWND window = CreateWindowExW(0, className_.c_str(), L"Kavro", WS_VISIBLE, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(window, nullptr);
  windows_.push_back(window);
  ASSERT_EQ(TheRecorder().Kinds(), std::vector<UINT>{WM_CREATE});
  EXPECT_EQ(TheRecorder().messages[0].window, window);
  EXPECT_EQ(seen.lpCreateParams, &marker);
  EXPECT_EQ(seenName, L"Kavro");
  EXPECT_EQ(static_cast<DWORD>(seen.style), WS_VISIBLE);
  EXPECT_EQ((std::array<int, 2>{seen.cx, seen.cy}), (std::array<int, 2>{480, 536}));
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 480, 536}));
}

TEST_F(CreateWindowTest, CreateAnsweredWithMinusOneFailsAndDestroysTheWindow) {
  HWND created = nullptr;
  TheRecorder().handler = [&created](HWND window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    created = window;
    *result = -1;
    return message == WM_CREATE;
  };
  const std::size_t before = platform::testing::CountLiveHandles();
  EXPECT_EQ(Create(WS_VISIBLE, 50, 50), nullptr);
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(created));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
}

// The close box: WM_CLOSE goes to DefWindowProcW, which destroys the window from inside its
// procedure; destroying it again there fails, and its timer and queued message go with it.
TEST_F(DestroyWindowTest, CloseDestroysTheWindowFromInsideItsProcedure) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
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
  EXPECT_EQ(TheRecorder().Kinds({WM_CLOSE, WM_DESTROY, WM_USER}),
            (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
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
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
  for (HWND stale : {window, HWND{}, reinterpret_cast<HWND>(std::uintptr_t{0x1234560})}) {
    EXPECT_FALSE(DestroyWindow(stale));
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(ClientOf(stale), (Box{-1, -1, -1, -1}));
    EXPECT_EQ(GetDC(stale), nullptr);
    EXPECT_EQ(ReleaseDC(stale, dc), 0);
    EXPECT_EQ(SendMessageW(stale, WM_USER, 0, 0), 0);
  }
  EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
  EXPECT_EQ(platform::testing::CreateSurfaceWindow(0, 10), nullptr);
}

}  // namespace
}  // namespace kavro_test
