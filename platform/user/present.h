// Showing what was drawn.
#pragma once

namespace platform::detail {

// Copies what changed in every window's backing store (and strip) to the screen.
void PresentAllWindows();

}  // namespace platform::detail
