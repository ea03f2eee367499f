// What the window system looks up in the program's resource table.
#pragma once

#include "platform/resources.h"
#include "platform/user.h"

struct SDL_Window;

namespace platform::detail {

// The menu bar description with that identifier, or nullptr.
const ResourceMenuBar* FindMenuBarResource(UINT id);

// Shows the icon (from LoadIconW) as the SDL window's icon; nothing for other handles.
void ApplyWindowIcon(SDL_Window* window, HICON icon);

}  // namespace platform::detail
