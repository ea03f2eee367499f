// The window object behind an HWND, and what the user area's files share about windows.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/user.h"
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
  // Screen pixels per device pixel: a whole number, above 1 only on a high-density desktop.
  int scale = 1;
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

  // Backing stores replaced by a resize while a DC still drew on them; freed when the last
  // DC on the window is released.
  std::vector<cairo_surface_t*> retiredSurfaces;

  // The left button went down in the client area and is still held (stylus capture).
  bool captured = false;

  // A window of another process found by FindWindowW: the connection to its owner.
  int remoteFd = -1;
  // The single-instance announcement of this window (listening socket), or -1.
  int listenFd = -1;
};

// The window behind a handle, or nullptr (0, stale, not a window).
inline Window* FindWindowObject(HWND window) { return Lookup<Window>(window); }

// Live windows in creation order (surface windows and remote ones included).
const std::vector<HWND>& AllWindows();
void AddWindowToList(HWND window);
void RemoveWindowFromList(HWND window);

// Creates an RGB24 backing store of at least 1 x 1 pixels, filled black; null on failure.
cairo_surface_t* CreateBackingStore(int width, int height);

// Adds a changed rectangle of the client area to the window's pixels still to present.
void AddDirtyRect(Window& window, const RECT& rect);

// Closes every DC still open on the window (before its backing store goes away).
void CloseWindowDCs(Window& window);

// Fills msg with WM_PAINT for the first visible invalid window (of the filter, when given).
bool TakePaintMessage(HWND filter, MSG* msg);

// Adds a rectangle (the whole client area when null) to the window's update region.
void InvalidateWindow(Window& window, const RECT* rect, bool erase);

// Copies what changed in every window's backing store (and strip) to the screen.
void PresentAllWindows();
// The whole window must be shown again (newly visible, resized, exposed).
void MarkAllDirty(Window& window);

// The whole-number scale a window of that client size is shown at on the current desktop.
int ChooseWindowScale(int width, int height);

// Screen coordinates to device pixels, rounding down (also below zero).
inline int ToDevice(int screen, int scale) { return screen >= 0 ? screen / scale : -((-screen + scale - 1) / scale); }

// The window whose SDL window has this id, or nullptr.
Window* FindWindowBySdlId(unsigned sdlId);

// Calls the window procedure; the window may be destroyed when it returns.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::detail
