// MessageBoxW: the test hook first, then the headless form when nothing can be seen (one line
// on standard error), else the real box with its nested message loop.
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "detail/utf8.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "user/user_private.h"

namespace platform::detail {
namespace {

struct HookSlot {
  std::mutex mutex;
  platform::testing::MessageBoxHook hook;
};

HookSlot& TheSlot() {
  static HookSlot* slot = new HookSlot;
  return *slot;
}

// When a hook is set, calls it, stores its answer in *result and returns true.
bool RunMessageBoxHook(LPCWSTR text, LPCWSTR caption, UINT type, int* result) {
  platform::testing::MessageBoxHook hook;
  {
    HookSlot& slot = TheSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    hook = slot.hook;
  }
  // Called outside the lock: a hook may show another box or replace itself.
  if (!hook) return false;
  *result = hook(text, caption, type);
  return true;
}

// Writes "caption: text" and a line feed to standard error and answers OK.
int HeadlessMessageBox(LPCWSTR text, LPCWSTR caption) {
  // UTF-8 whatever the locale, since the line is for a person reading a log or a terminal.
  // Win32 shows "Error" when there is no caption; an empty caption shows none.
  std::string line = ToUtf8(caption != nullptr ? caption : L"Error");
  if (!line.empty()) line += ": ";
  line += ToUtf8(text);
  line += '\n';
  // One write where possible, so that lines of several threads or processes do not mix.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // nowhere to write to: the box is still answered
    done += static_cast<std::size_t>(n);
  }
  return IDOK;
}

}  // namespace
}  // namespace platform::detail

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  int result = 0;
  if (platform::detail::RunMessageBoxHook(text, caption, type, &result)) return result;
  if (platform::detail::MessageBoxIsHeadless()) return platform::detail::HeadlessMessageBox(text, caption);
  result = platform::detail::ShowMessageBoxWindow(owner, text, caption, type);
  // A box that could not be made still tells its text somewhere.
  return result != 0 ? result : platform::detail::HeadlessMessageBox(text, caption);
}

namespace platform::testing {

void SetMessageBoxHook(MessageBoxHook hook) {
  detail::HookSlot& slot = detail::TheSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.hook = std::move(hook);
}

}  // namespace platform::testing
