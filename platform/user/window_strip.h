// A strip below a window's client area, such as the shell's menu bar. The window system keeps
// the strip's pixels, gives it rows in the window's SDL window, presents it and hands it the
// pointer; what the strip shows and does belongs to whoever attached it, reached only through
// the operations it attached, the way a DC reaches its drawing through DcFuncs. A table of
// operations rather than a window class of its own: a window here is a whole SDL window, and
// the strip shares its parent's.
#pragma once

#include <cairo.h>

#include "platform/user.h"
#include "user/input.h"

namespace platform::detail {

struct Window;

struct StripFuncs {
  // Draws the whole strip; area is (0, 0, width, height).
  void (*paint)(HWND strip, HDC dc, const RECT& area);
  // Pointer input in strip coordinates; true when the strip must be drawn again.
  bool (*pointer)(HWND strip, PointerAction action, int x, int y);
  // True while a press that began on the strip is held: all pointer input goes to it then.
  bool (*holdsPointer)(HWND strip);
  // The window has let the strip go: the object behind the handle goes too.
  void (*destroy)(HWND strip);
};

struct WindowStrip {
  HWND handle = nullptr;  // null: the window has no strip
  const StripFuncs* funcs = nullptr;
  int height = 0;
  bool hidden = false;                 // attached, but takes no rows and shows nothing
  cairo_surface_t* surface = nullptr;  // its pixels, client width x height
  bool dirty = false;                  // its pixels must be presented again
};

// False when the window cannot take a strip: no window, one of another process, or one being
// destroyed.
bool CanTakeStrip(HWND window);

// Attaches the strip below the window's client area, in place of any strip it had, and draws
// it; false when it cannot (CanTakeStrip, or no memory for its pixels).
bool AttachStrip(HWND window, HWND strip, const StripFuncs* funcs, int height, bool hidden);

// The window whose strip the handle is, or nullptr.
Window* StripParent(HWND strip);

// Lets the strip go (its owner's destroy runs) and shrinks the window back to its client area.
void DetachStrip(Window& window);

// The rows the strip takes below the client area.
int StripRows(const Window& window);

// Pointer input at (x, y) from the strip's top left, and whether a press on it is held.
void StripPointer(Window& window, PointerAction action, int x, int y);
bool StripHoldsPointer(const Window& window);

}  // namespace platform::detail
