// The menu bar strip below a window's client area, as the window system drives it.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/shell.h"
#include "platform/user.h"
#include "user/push_button.h"

namespace platform::detail {

constexpr int kMenuBarHeight = 26;

struct MenuBarButton {
  WORD command = 0;
  std::wstring text;
  PushButton button;  // in strip coordinates
};

struct MenuBar : Object {
  static constexpr Kind kKind = Kind::MenuBar;
  MenuBar() : Object(Kind::MenuBar) {}
  ~MenuBar() override;
  HWND handle = nullptr;
  HWND parent = nullptr;
  bool hidden = false;
  std::vector<MenuBarButton> buttons;
  cairo_surface_t* surface = nullptr;  // the strip's pixels, parent width x kMenuBarHeight
};

// DestroyWindow on a menu bar: the strip goes and the window shrinks back to its client area.
BOOL DestroyMenuBar(HWND bar);
// (0, 0, width, strip height) for a menu bar handle; false for anything else.
bool MenuBarClientRect(HWND bar, RECT* rect);
// The strip's pixels, or null (no bar, or a hidden one).
cairo_surface_t* MenuBarSurface(HWND bar);
// The parent's client width changed.
void ResizeMenuBar(HWND bar, int width);
// Pointer input inside the strip (y from the strip's top) or, while a button is held,
// anywhere; a release on the pressed button posts WM_COMMAND to the parent.
void MenuBarPointer(HWND bar, PointerAction action, int x, int y);
bool MenuBarHoldsPointer(HWND bar);

}  // namespace platform::detail
