// The push button of the window system's own windows (the message box's OK, the menu bar's
// buttons): it follows a press, shows itself pushed while the pointer stays on it, and acts
// when the press ends over it.
#pragma once

#include "platform/user.h"
#include "user/input.h"

namespace platform::detail {

struct PushButton {
  RECT rect{0, 0, 0, 0};
  bool enabled = true;
  bool pressed = false;        // the pointer went down on it and is still held
  bool pointerInside = false;  // and is over it now: the face shows pushed
};

// Follows the pointer at (x, y). True when the face changed and must be drawn again; *clicked
// becomes true when a press on the button ends over it.
bool TrackPushButton(PushButton& button, PointerAction action, int x, int y, bool* clicked);

// Draws the raised or pushed face with the label centred on it, grey when disabled.
void DrawPushButton(HDC dc, const PushButton& button, LPCWSTR label);

}  // namespace platform::detail
