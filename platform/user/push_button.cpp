// The push button's press tracking and its face.
#include "user/user_private.h"

namespace platform::detail {

bool TrackPushButton(PushButton& button, PointerAction action, int x, int y, bool* clicked) {
  const bool inside = PtInRect(&button.rect, POINT{x, y}) != FALSE;
  switch (action) {
    case PointerAction::Down:
      if (!inside || !button.enabled || (button.pressed && button.pointerInside)) return false;
      button.pressed = true;
      button.pointerInside = true;
      return true;
    case PointerAction::Move:
      if (!button.pressed || button.pointerInside == inside) return false;
      button.pointerInside = inside;
      return true;
    case PointerAction::Up:
      if (!button.pressed) return false;
      // Like any push button, it acts when released over itself.
      *clicked = inside;
      button.pressed = false;
      button.pointerInside = false;
      return true;
  }
  return false;
}

void DrawPushButton(HDC dc, const PushButton& button, LPCWSTR label) {
  const bool down = button.pressed && button.pointerInside;
  RECT face = button.rect;
  DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, button.enabled ? RGB(0, 0, 0) : RGB(128, 128, 128));
  RECT text = button.rect;
  if (down) {
    ++text.left;  // a pushed button's label moves with its face
    ++text.right;
    ++text.top;
    ++text.bottom;
  }
  DrawTextW(dc, label, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace platform::detail
