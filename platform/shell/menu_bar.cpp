// SHCreateMenuBar: a strip below the client area with one push button per entry of the
// menu-bar description; a tap on a button posts WM_COMMAND with its command to the parent.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "detail/handles.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "user/user_private.h"

namespace platform::detail {
namespace {

constexpr int kMenuBarHeight = 26;
// The description: menu id, button count, then seven words per button.
constexpr int kHeaderWords = 2;
constexpr int kWordsPerButton = 7;
constexpr int kMinButtonWidth = 64;
constexpr int kCharWidth = 8;

struct MenuBarButton {
  WORD command = 0;
  std::wstring text;
  PushButton button;  // in strip coordinates
};

struct MenuBar : Object {
  static constexpr Kind kKind = Kind::MenuBar;
  MenuBar() : Object(Kind::MenuBar) {}
  HWND parent = nullptr;
  std::vector<MenuBarButton> buttons;
};

bool ReadButtons(const ResourceMenuBar& resource, std::vector<MenuBarButton>& buttons) {
  if (resource.words == nullptr || resource.wordCount < kHeaderWords) return false;
  const int count = resource.words[1];
  if (resource.wordCount < kHeaderWords + count * kWordsPerButton) return false;
  for (int i = 0; i < count; ++i) {
    const WORD* entry = resource.words + kHeaderWords + i * kWordsPerButton;
    MenuBarButton button;
    button.command = entry[1];
    button.button.enabled = (entry[2] & TBSTATE_ENABLED) != 0;
    WCHAR text[100] = {};
    if (LoadStringW(nullptr, entry[4], text, 100) > 0) button.text = text;
    buttons.push_back(button);
  }
  return true;
}

void LayOut(MenuBar& bar) {
  int x = 0;
  for (MenuBarButton& button : bar.buttons) {
    const int width = std::max(kMinButtonWidth, 16 + kCharWidth * static_cast<int>(button.text.size()));
    button.button.rect = RECT{x, 0, x + width, kMenuBarHeight};
    x += width;
  }
}

void Paint(HWND handle, HDC dc, const RECT& area) {
  const MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return;
  HBRUSH face = CreateSolidBrush(RGB(212, 208, 200));
  FillRect(dc, &area, face);
  DeleteObject(face);
  for (const MenuBarButton& button : bar->buttons) DrawPushButton(dc, button.button, button.text.c_str());
}

bool Pointer(HWND handle, PointerAction action, int x, int y) {
  MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return false;
  bool changed = false;
  for (MenuBarButton& button : bar->buttons) {
    bool clicked = false;
    changed = TrackPushButton(button.button, action, x, y, &clicked) || changed;
    if (clicked) {
      PostMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(button.command, 0), reinterpret_cast<LPARAM>(handle));
    }
  }
  return changed;
}

bool HoldsPointer(HWND handle) {
  const MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return false;
  for (const MenuBarButton& button : bar->buttons) {
    if (button.button.pressed) return true;
  }
  return false;
}

void Destroy(HWND handle) { RemoveHandle(handle, Kind::MenuBar); }

const StripFuncs kMenuBarFuncs = {Paint, Pointer, HoldsPointer, Destroy};

}  // namespace
}  // namespace platform::detail

BOOL SHInitExtraControls() { return TRUE; }

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  using namespace platform::detail;
  if (info == nullptr || info->cbSize < sizeof(SHMENUBARINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!CanTakeStrip(info->hwndParent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto bar = std::make_unique<MenuBar>();
  if ((info->dwFlags & SHCMBF_EMPTYBAR) == 0) {
    const ResourceMenuBar* resource = FindMenuBarResource(info->nToolBarId);
    if (resource == nullptr) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return FALSE;
    }
    if (!ReadButtons(*resource, bar->buttons)) {
      SetLastError(ERROR_INVALID_DATA);
      return FALSE;
    }
  }
  LayOut(*bar);
  bar->parent = info->hwndParent;
  HWND handle = static_cast<HWND>(InsertHandle(std::move(bar)));
  if (handle == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const bool hidden = (info->dwFlags & SHCMBF_HIDDEN) != 0;
  if (!AttachStrip(info->hwndParent, handle, &kMenuBarFuncs, kMenuBarHeight, hidden)) {
    RemoveHandle(handle, Kind::MenuBar);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  info->hwndMB = handle;
  return TRUE;
}
