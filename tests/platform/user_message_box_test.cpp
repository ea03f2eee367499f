// Message boxes as windows: the nested message loop still brings timer messages to the
// program's window, and Enter, Escape or the OK button dismiss the box; the hook comes first.
#include "user/message_box_window.h"
#include "user_test_support.h"

namespace kavro_test {
namespace {

class MessageBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    platform::detail::ForceWindowedMessageBox(true);
  }
  void TearDown() override {
    platform::detail::ForceWindowedMessageBox(false);
    platform::testing::SetMessageBoxHook(nullptr);
    WindowTest::TearDown();
  }
};

// On the third tick of the program's timer inside the box, the user answers the box.
TEST_F(MessageBoxTest, TimerMessagesReachTheWindowUntilTheUserAnswers) {
  const struct {
    const char* name;
    std::function<void(HWND box, HWND window)> answer;
  } cases[] = {
      {"Enter", [](HWND box, HWND) { PushKey(box, SDLK_RETURN); }},
      {"Escape", [](HWND box, HWND) { PushKey(box, SDLK_ESCAPE); }},
      {"Enter on the program's window", [](HWND, HWND window) { PushKey(window, SDLK_RETURN); }},
      {"the OK button, centred at the bottom", [](HWND box, HWND) {
         const Box client = ClientOf(box);
         PushMouse(box, SDL_MOUSEBUTTONDOWN, client[2] / 2, client[3] - 12 - 13);
         PushMouse(box, SDL_MOUSEBUTTONUP, client[2] / 2, client[3] - 12 - 13);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TheRecorder().messages.clear();
    HWND window = Create(WS_VISIBLE, 100, 100);
    ASSERT_NE(window, nullptr);
    SetTimer(window, 1, 20, nullptr);
    TheRecorder().handler = [&c](HWND w, UINT message, WPARAM, LPARAM, LRESULT*) {
      if (message != WM_TIMER || TheRecorder().Only({WM_TIMER}).size() != 3) return false;
      HWND box = platform::detail::ActiveMessageBox();
      EXPECT_NE(box, nullptr);
      if (box != nullptr) c.answer(box, w);
      return false;
    };
    EXPECT_EQ(MessageBoxW(nullptr, L"A longer text that the box wraps onto more than one line "
                                   L"because it goes on and on.\nAnd a second paragraph.",
                          L"Error", MB_OK),
              IDOK);
    EXPECT_EQ(TheRecorder().Only({WM_TIMER}).size(), 3u);
    EXPECT_TRUE(TheRecorder().Only({WM_KEYDOWN}).empty()) << "the key was the box's";
    EXPECT_EQ(platform::detail::ActiveMessageBox(), nullptr);
    DestroyWindow(window);
  }
}

TEST_F(MessageBoxTest, QuitInsideTheBoxEndsItAndStaysForTheOuterLoop) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  SetTimer(window, 1, 20, nullptr);
  Handle(WM_TIMER, [](HWND) { PostQuitMessage(9); });
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", MB_OK), IDOK);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(MessageBoxTest, HookWinsOverTheWindowAndSeesTheTexts) {
  std::wstring seen;
  platform::testing::SetMessageBoxHook([&seen](LPCWSTR text, LPCWSTR caption, UINT) {
    seen = std::wstring(caption) + L": " + text;
    return 7;
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"Could not open the port.", L"Error", MB_OK), 7);
  EXPECT_EQ(seen, L"Error: Could not open the port.");
}

}  // namespace
}  // namespace kavro_test
