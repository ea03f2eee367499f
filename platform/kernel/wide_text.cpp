// Wide strings to and from the locale's multibyte encoding, refusing rather than guessing.
#include "detail/wide_text.h"

#include <climits>
#include <cwchar>

namespace platform::detail {

bool WideToNarrow(LPCWSTR text, std::string* out) {
  out->clear();
  if (text == nullptr) return false;
  std::mbstate_t state{};
  char bytes[MB_LEN_MAX];
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    const std::size_t n = std::wcrtomb(bytes, *p, &state);
    if (n == static_cast<std::size_t>(-1)) return false;
    out->append(bytes, n);
  }
  const std::size_t n = std::wcrtomb(bytes, L'\0', &state);  // closes a shift sequence, if any
  if (n == static_cast<std::size_t>(-1)) return false;
  if (n > 1) out->append(bytes, n - 1);
  return true;
}

bool NarrowToWide(const char* text, std::wstring* out) {
  out->clear();
  if (text == nullptr) return false;
  std::mbstate_t state{};
  const char* p = text;
  std::size_t left = std::char_traits<char>::length(text);
  while (left > 0) {
    wchar_t wide = 0;
    const std::size_t n = std::mbrtowc(&wide, p, left, &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return false;
    if (n == 0) break;  // cannot happen before the end, as the length excludes the NUL
    out->push_back(wide);
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace platform::detail
