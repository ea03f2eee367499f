// Window classes and windows: registration, creation with WM_CREATE, destruction from anywhere,
// the default procedure, and the displayless surface windows.
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
      {"same name", RecordingProc, className_.c_str()},
      {"same name in capitals", RecordingProc, upper.c_str()},
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

TEST_F(CreateWindowTest, SendsCreateBeforeReturningAndSizesTheClientArea) {
  CREATESTRUCTW seen{};
  std::wstring seenName;
  TheRecorder().handler = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_CREATE) seen = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (message == WM_CREATE) seenName = seen.lpszName;
    return false;
  };
  // Without a size given, the client area is the device's 480 x 536.
  const struct { int width, height, clientWidth, clientHeight; } cases[] = {
      {CW_USEDEFAULT, CW_USEDEFAULT, 480, 536}, {200, 120, 200, 120}};
  for (const auto& c : cases) {
    TheRecorder().messages.clear();
    int marker = 7;
    HWND window = CreateWindowExW(0, className_.c_str(), L"Kavro", WS_VISIBLE, CW_USEDEFAULT, 0,
                                  c.width, c.height, nullptr, nullptr, nullptr, &marker);
    ASSERT_NE(window, nullptr);
    windows_.push_back(window);
    ASSERT_EQ(TheRecorder().Kinds(), std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(TheRecorder().messages[0].window, window);
    EXPECT_EQ(seen.lpCreateParams, &marker);
    EXPECT_EQ(seenName, L"Kavro");
    EXPECT_EQ(static_cast<DWORD>(seen.style), WS_VISIBLE);
    const std::array<int, 2> size{c.clientWidth, c.clientHeight};
    EXPECT_EQ((std::array<int, 2>{seen.cx, seen.cy}), size);
    EXPECT_EQ(SdlSizeOf(window), size);
    EXPECT_EQ(ClientOf(window), (Box{0, 0, size[0], size[1]}));
  }
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

// From its own procedure, again while it is being destroyed, with a timer and a message queued.
TEST_F(DestroyWindowTest, FromInsideTheProcedureEndsTheWindowSafely) {
  TheRecorder().handler = [](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_COMMAND) {
      EXPECT_TRUE(DestroyWindow(window));
    } else if (message == WM_DESTROY) {
      EXPECT_FALSE(DestroyWindow(window));
      PostQuitMessage(0);
    }
    return message == WM_COMMAND;
  };
  HWND window = Create(0, 50, 50);
  SetTimer(window, 1, 10, nullptr);
  PostMessageW(window, WM_COMMAND, 40001, 0);
  PostMessageW(window, WM_USER, 0, 0);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TheRecorder().Kinds(), (std::vector<UINT>{WM_CREATE, WM_COMMAND, WM_DESTROY}));
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
  }
}

TEST_F(DestroyWindowTest, CloseTakesTheDefaultPathToDestruction) {
  HWND window = Create(WS_VISIBLE, 50, 50);
  PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  DispatchPending();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TheRecorder().Kinds({WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
}

// What one DC of a surface window draws, the next one sees.
TEST(SurfaceWindowTest, DrawsOnItsOwnSurfaceWithoutADisplay) {
  const std::size_t before = platform::testing::CountLiveHandles();
  EXPECT_EQ(platform::testing::CreateSurfaceWindow(0, 10), nullptr);
  HWND window = platform::testing::CreateSurfaceWindow(64, 48);
  EXPECT_EQ(ClientOf(window), (Box{0, 0, 64, 48}));
  HDC dc = GetDC(window);
  const RECT area{10, 10, 20, 20};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc), 0);  // released once only
  dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
  ReleaseDC(window, dc);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(platform::testing::CountLiveHandles(), before);
}

}  // namespace
}  // namespace kavro_test
