// 8-bit text in the locale's encoding as wide characters, for the program's wide fields and
// the platform's wide calls.
#pragma once

#include <cstddef>

// Converts the length bytes at text to wide characters in the current locale, one character
// at a time. A byte that starts no character there (an invalid or cut-off sequence, or a NUL)
// becomes one '?' and the conversion goes on from the next byte: one bad byte costs one
// character, and a name keeps showing where it went wrong. Stops when out is full and always
// terminates out. Returns the number of wide characters written (0 when outSize is 0).
std::size_t WidenText(const char* text, std::size_t length, wchar_t* out, std::size_t outSize);
