// 8-bit text to wide characters, bad bytes shown as '?'.
#include "core/text.h"

#include <cwchar>

std::size_t WidenText(const char* text, std::size_t length, wchar_t* out, std::size_t outSize) {
  if (outSize == 0) return 0;
  std::mbstate_t state{};
  std::size_t written = 0;
  while (length > 0 && written + 1 < outSize) {
    wchar_t wide = L'\0';
    std::size_t used = std::mbrtowc(&wide, text, length, &state);
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2) || used == 0) {
      // Start afresh after the one byte: the state after a failed sequence is undefined.
      wide = L'?';
      used = 1;
      state = std::mbstate_t{};
    }
    out[written++] = wide;
    text += used;
    length -= used;
  }
  out[written] = L'\0';
  return written;
}
