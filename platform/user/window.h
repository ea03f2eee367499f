// The window object behind an HWND.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/user.h"
#include "user/picture_layout.h"
#include "user/window_strip.h"

struct SDL_Window;

namespace platform::detail {

struct Window : Object {
  static constexpr Kind kKind = Kind::Window;
  Window() : Object(Kind::Window) {}
  ~Window() override;  // releases the backing store, the SDL window and any socket

  HWND handle = nullptr;
  WNDPROC proc = nullptr;
  UINT classStyle = 0;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
  std::wstring className;
  std::wstring title;
  DWORD style = 0;

  // Client area and its backing store (CAIRO_FORMAT_RGB24, client size).
  int width = 0;
  int height = 0;
  cairo_surface_t* surface = nullptr;

  // The SDL window (client area plus the strip below it); null for surface windows.
  SDL_Window* sdl = nullptr;
  unsigned sdlId = 0;
  // Screen pixels per device pixel the window asks for: a whole number, above 1 only on a
  // high-density desktop.
  int scale = 1;
  // The scale the desktop asks for, and whether the program left the window's place to us.
  int desktopScale = 1;
  bool placedByProgram = false;
  // Where the picture sits in the SDL window as the window system sized it.
  PictureLayout layout;
  bool visible = false;
  bool destroying = false;

  // Update region (a bounding rectangle, as the program repaints whole areas anyway).
  bool invalid = false;
  bool erase = false;
  RECT invalidRect{0, 0, 0, 0};

  // Pixels drawn since the last present, and DCs handed out by GetDC that are still open.
  std::vector<RECT> dirty;
  std::vector<HDC> openDCs;

  // A strip below the client area, if one is attached.
  WindowStrip strip;

  // The screen may not show what the SDL window surface holds (newly shown, exposed, resized):
  // the next present copies the dirty rectangles whole instead of only the pixels that differ.
  bool presentWhole = true;

  // The left button went down in the client area and is still held (stylus capture).
  bool captured = false;

  // A window of another process found by FindWindowW: the connection to its owner.
  int remoteFd = -1;
  // The single-instance announcement of this window (listening socket), or -1.
  int listenFd = -1;
};

// The window behind a handle, or nullptr (0, stale, not a window).
inline Window* FindWindowObject(HWND window) { return Lookup<Window>(window); }

// Gives the SDL window the size of the picture (client area and strip) at the desktop's scale, as
// far as the screen allows, and while it is not shown yet, its place on the screen.
void SizeToScreen(Window& window);

// Lays the picture out anew in the SDL window's present size; true when the layout changed.
bool UpdateLayout(Window& window);

}  // namespace platform::detail
