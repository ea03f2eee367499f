// The message box without a display: one line on standard error, answered with OK.
#include <cerrno>
#include <string>

#include <unistd.h>

#include "detail/message_box.h"
#include "platform/user.h"

namespace platform::detail {
namespace {

// UTF-8 whatever the locale, since the line is for a person reading a log or a terminal.
// Characters that are no Unicode scalar value become U+FFFD.
void AppendUtf8(std::string* out, LPCWSTR text) {
  if (text == nullptr) return;
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    auto c = static_cast<std::uint32_t>(*p);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (c >> 6)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (c >> 12)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (c >> 18)));
      out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
}

}  // namespace

int HeadlessMessageBox(LPCWSTR text, LPCWSTR caption) {
  std::string line;
  // Win32 shows "Error" when there is no caption; an empty caption shows none.
  AppendUtf8(&line, caption != nullptr ? caption : L"Error");
  if (!line.empty()) line += ": ";
  AppendUtf8(&line, text);
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
