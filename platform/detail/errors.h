// Win32 error codes from errno values, and the one-line log of a failing system call.
#pragma once

#include "platform/kernel.h"

namespace platform::detail {

DWORD ErrorFromErrno(int error);

// Sets the last error from an errno value.
void SetLastErrorFromErrno(int error);

// Writes "kavro: <call>(<subject>): <strerror>" to standard error; subject may be null.
void LogSystemCallFailure(const char* call, const char* subject, int error);

}  // namespace platform::detail
