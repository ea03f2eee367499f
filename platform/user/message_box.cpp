// MessageBoxW: the test hook first, then the headless form when nothing can be seen, else the
// real box with its nested message loop.
#include "detail/message_box.h"
#include "platform/user.h"
#include "user/message_box_window.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  int result = 0;
  if (platform::detail::RunMessageBoxHook(text, caption, type, &result)) return result;
  if (platform::detail::MessageBoxIsHeadless()) return platform::detail::HeadlessMessageBox(text, caption);
  result = platform::detail::ShowMessageBoxWindow(owner, text, caption, type);
  // A box that could not be made still tells its text somewhere.
  return result != 0 ? result : platform::detail::HeadlessMessageBox(text, caption);
}
