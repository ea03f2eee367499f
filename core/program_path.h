// Paths of the files that live beside the program file, and their 8-bit form for the C library.
#pragma once

#include <cstddef>

// Writes "<program folder>/<fileName>" into path (size wide characters). The folder is the
// program file's path cut at its last '/', so a program without one gives "/<fileName>".
// Returns 1, or 0 with path empty when the program path cannot be had or the result does not
// fit: a cut-off path would name some other file.
int BuildProgramFilePath(wchar_t* path, std::size_t size, const wchar_t* fileName);

// Converts a wide path to the locale's multibyte form for fopen. Returns 1, or 0 when a
// character has no multibyte form or the result does not fit; such a path is never opened
// half-converted.
int ConvertPathToBytes(char* bytes, std::size_t size, const wchar_t* path);
