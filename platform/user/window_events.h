// What the window manager does to a window.
#pragma once

union SDL_Event;

namespace platform::detail {

// Exposure and resizing invalidate the window; the close button posts WM_CLOSE.
void HandleWindowEvent(const SDL_Event& event);

}  // namespace platform::detail
