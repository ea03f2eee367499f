// Wide text (UTF-32 on Linux) as UTF-8 whatever the locale, for what SDL, cairo, socket names
// and a person reading standard error take; the locale's own conversion is in wide_text.h.
#pragma once

#include <cstddef>
#include <string>

namespace platform::detail {

// Each value that is no Unicode scalar value (a surrogate, beyond U+10FFFF) becomes U+FFFD.
std::string ToUtf8(const wchar_t* text, std::size_t length);
// The same up to the terminating NUL; null gives the empty string.
std::string ToUtf8(const wchar_t* text);

}  // namespace platform::detail
