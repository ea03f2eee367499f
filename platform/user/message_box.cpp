// MessageBoxW. Until windows can be shown, every box takes the headless form.
#include "detail/message_box.h"
#include "platform/user.h"

int MessageBoxW(HWND /*owner*/, LPCWSTR text, LPCWSTR caption, UINT type) {
  int result = 0;
  if (platform::detail::RunMessageBoxHook(text, caption, type, &result)) return result;
  return platform::detail::HeadlessMessageBox(text, caption);
}
