// A port read that waits keeps the window alive: input is queued and no window procedure runs
// during the read; a close request or a command ends the wait, and nothing else does.
#include <atomic>

#include "user_test_support.h"

namespace kavro_test {
namespace {

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
