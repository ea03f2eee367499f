// Conversions between the program's wide strings and the locale's multibyte encoding (the
// process calls setlocale(LC_CTYPE, "") at start, so this is UTF-8 on a normal system).
#pragma once

#include <string>

#include "platform/types.h"

namespace platform::detail {

// False when some character has no multibyte form; a name is never passed on half-converted.
bool WideToNarrow(LPCWSTR text, std::string* out);
bool NarrowToWide(const char* text, std::wstring* out);

}  // namespace platform::detail
