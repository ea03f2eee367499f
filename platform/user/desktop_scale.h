// The whole scale the desktop asks windows to be shown at.
#pragma once

struct SDL_Window;

namespace platform::detail {

// The Xft.dpi value in an X resource database text (the root window's RESOURCE_MANAGER, as
// xrdb loads it and GNOME, KDE and Xfce set it for their scaling); 0 when it holds none.
double XftDpiFromResources(const char* resources);

// The desktop's whole scale for the window: on X11 from Xft.dpi, falling back to the screen's
// size in millimetres; 1 elsewhere (a Wayland compositor scales a window to its output itself).
int DesktopScale(SDL_Window* window);

}  // namespace platform::detail
