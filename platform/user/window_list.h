// The list of live windows, in creation order.
#pragma once

#include <vector>

#include "user/window.h"

namespace platform::detail {

// Live windows (surface windows and remote ones included).
const std::vector<HWND>& AllWindows();
void AddWindowToList(HWND window);
void RemoveWindowFromList(HWND window);

// The window whose SDL window has this id, or nullptr.
Window* FindWindowBySdlId(unsigned sdlId);

}  // namespace platform::detail
