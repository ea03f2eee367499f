// Keeping the windows alive while a port read waits.
#pragma once

namespace platform::detail {

// From now on a port read that waits serves the windows (called once video runs).
void KeepWindowsAliveDuringReads();

}  // namespace platform::detail
