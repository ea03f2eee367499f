// The message box without a display: one line on standard error, answered with OK.
#include <cerrno>
#include <string>

#include <unistd.h>

#include "detail/message_box.h"
#include "detail/utf8.h"
#include "platform/user.h"

namespace platform::detail {

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

}  // namespace platform::detail
