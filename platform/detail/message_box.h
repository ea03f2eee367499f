// The parts of MessageBoxW that any implementation of it shares: the test hook and the
// headless form.
#pragma once

#include "platform/types.h"

namespace platform::detail {

// When a hook is set, calls it, stores its answer in *result and returns true.
bool RunMessageBoxHook(LPCWSTR text, LPCWSTR caption, UINT type, int* result);

// Writes "caption: text" (UTF-8) and a line feed to standard error and returns IDOK.
int HeadlessMessageBox(LPCWSTR text, LPCWSTR caption);

}  // namespace platform::detail
