// Message boxes: the window with its nested message loop (timer messages still reach the
// program's window), dismissed by Enter, Escape or its OK button; the headless form; the hook.
#include "platform/testing.h"
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

// On the third tick inside the box, the handler presses a key (or clicks OK) on the box.
void AnswerOnThirdTick(std::function<void(HWND box)> answer) {
  TheRecorder().handler = [answer](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_TIMER && TheRecorder().Only(WM_TIMER).size() == 3) {
      HWND box = platform::detail::ActiveMessageBox();
      EXPECT_NE(box, nullptr);
      if (box != nullptr) answer(box);
    }
    return false;
  };
}

TEST_F(MessageBoxTest, TimerMessagesReachTheWindowWhileTheBoxIsOpen) {
  for (SDL_Keycode key : {SDLK_RETURN, SDLK_ESCAPE}) {
    TheRecorder().messages.clear();
    HWND window = Create(WS_VISIBLE, 100, 100);
    ASSERT_NE(window, nullptr);
    SetTimer(window, 1, 20, nullptr);
    AnswerOnThirdTick([key](HWND box) { PushKey(box, key); });
    EXPECT_EQ(MessageBoxW(nullptr, L"Error Reading comms port.", L"Error", MB_OK), IDOK);
    EXPECT_EQ(TheRecorder().Only(WM_TIMER).size(), 3u);
    EXPECT_EQ(platform::detail::ActiveMessageBox(), nullptr);
    DestroyWindow(window);
  }
}

TEST_F(MessageBoxTest, EnterAnswersTheBoxWhereverTheFocusIs) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  SetTimer(window, 1, 20, nullptr);
  AnswerOnThirdTick([window](HWND) { PushKey(window, SDLK_RETURN); });
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"", MB_OK), IDOK);
  EXPECT_TRUE(TheRecorder().Only(WM_KEYDOWN).empty()) << "the key was the box's";
}

TEST_F(MessageBoxTest, OkButtonDismissesTheBox) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  SetTimer(window, 1, 20, nullptr);
  AnswerOnThirdTick([](HWND box) {
    RECT client{};
    GetClientRect(box, &client);
    // The OK button sits centred at the bottom of the box.
    const int x = client.right / 2;
    const int y = client.bottom - 12 - 13;
    PushMouseButton(box, SDL_MOUSEBUTTONDOWN, x, y);
    PushMouseButton(box, SDL_MOUSEBUTTONUP, x, y);
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"A longer text that the box wraps onto more than one line because it goes on "
                                 L"and on.\nAnd a second paragraph.",
                        L"Error", MB_OK),
            IDOK);
  EXPECT_EQ(TheRecorder().Only(WM_TIMER).size(), 3u);
}

TEST_F(MessageBoxTest, QuitInsideTheBoxEndsItAndStaysForTheOuterLoop) {
  HWND window = Create(WS_VISIBLE, 100, 100);
  SetTimer(window, 1, 20, nullptr);
  TheRecorder().handler = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_TIMER) PostQuitMessage(9);
    return false;
  };
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", MB_OK), IDOK);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(MessageBoxTest, HookWinsAndSeesTheTexts) {
  std::wstring text, caption;
  platform::testing::SetMessageBoxHook([&](LPCWSTR t, LPCWSTR c, UINT) {
    text = t;
    caption = c;
    return IDOK;
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"Could not open the port.", L"Error", MB_OK), IDOK);
  EXPECT_EQ(text, L"Could not open the port.");
  EXPECT_EQ(caption, L"Error");
}

TEST(HeadlessMessageBoxTest, ReturnsAtOnceUnderTheDummyDriver) {
  ASSERT_TRUE(platform::detail::MessageBoxIsHeadless());
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxW(nullptr, L"No settings file.", L"Error", MB_OK), IDOK);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error: No settings file."), std::string::npos) << err;
}

}  // namespace
}  // namespace kavro_test
