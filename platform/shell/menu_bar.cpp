// SHCreateMenuBar: a strip below the client area with one push button per entry of the
// menu-bar description; a tap on a button posts WM_COMMAND with its command to the parent.
#include "shell/menu_bar.h"

#include <SDL.h>

#include <algorithm>
#include <memory>

#include "detail/surface_dc.h"
#include "platform/kernel.h"
#include "user/resources.h"
#include "user/window.h"

namespace platform::detail {
namespace {

// The description: menu id, button count, then seven words per button.
constexpr int kHeaderWords = 2;
constexpr int kWordsPerButton = 7;
constexpr int kMinButtonWidth = 64;
constexpr int kCharWidth = 8;

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

void Paint(MenuBar& bar) {
  if (bar.surface == nullptr) return;
  HDC dc = OpenSurfaceDC(bar.surface);
  if (dc == nullptr) return;
  RECT strip{0, 0, cairo_image_surface_get_width(bar.surface), kMenuBarHeight};
  HBRUSH face = CreateSolidBrush(RGB(212, 208, 200));
  FillRect(dc, &strip, face);
  DeleteObject(face);
  for (const MenuBarButton& button : bar.buttons) DrawPushButton(dc, button.button, button.text.c_str());
  CloseSurfaceDC(dc, nullptr);
  if (Window* parent = FindWindowObject(bar.parent)) parent->barDirty = true;
}

void SetParentHeight(Window& parent, int barHeight) {
  parent.barHeight = barHeight;
  if (parent.sdl != nullptr) {
    SDL_SetWindowSize(parent.sdl, parent.width * parent.scale, (parent.height + barHeight) * parent.scale);
  }
}

}  // namespace

MenuBar::~MenuBar() {
  if (surface != nullptr) cairo_surface_destroy(surface);
}

BOOL DestroyMenuBar(HWND handle) {
  MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return FALSE;
  if (Window* parent = FindWindowObject(bar->parent); parent != nullptr && parent->menuBar == handle) {
    parent->menuBar = nullptr;
    parent->barDirty = false;
    SetParentHeight(*parent, 0);
  }
  RemoveHandle(handle, Kind::MenuBar);
  return TRUE;
}

bool MenuBarClientRect(HWND handle, RECT* rect) {
  const MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return false;
  const Window* parent = FindWindowObject(bar->parent);
  *rect = RECT{0, 0, parent != nullptr ? parent->width : 0, kMenuBarHeight};
  return true;
}

cairo_surface_t* MenuBarSurface(HWND handle) {
  const MenuBar* bar = Lookup<MenuBar>(handle);
  return bar != nullptr && !bar->hidden ? bar->surface : nullptr;
}

void ResizeMenuBar(HWND handle, int width) {
  MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return;
  cairo_surface_t* surface = CreateBackingStore(width, kMenuBarHeight);
  if (surface == nullptr) return;
  if (bar->surface != nullptr) cairo_surface_destroy(bar->surface);
  bar->surface = surface;
  Paint(*bar);
}

void MenuBarPointer(HWND handle, PointerAction action, int x, int y) {
  MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr || bar->hidden) return;
  bool changed = false;
  for (MenuBarButton& button : bar->buttons) {
    bool clicked = false;
    changed = TrackPushButton(button.button, action, x, y, &clicked) || changed;
    if (clicked) {
      PostMessageW(bar->parent, WM_COMMAND, MAKEWPARAM(button.command, 0), reinterpret_cast<LPARAM>(handle));
    }
  }
  if (changed) Paint(*bar);
}

bool MenuBarHoldsPointer(HWND handle) {
  const MenuBar* bar = Lookup<MenuBar>(handle);
  if (bar == nullptr) return false;
  for (const MenuBarButton& button : bar->buttons) {
    if (button.button.pressed) return true;
  }
  return false;
}

}  // namespace platform::detail

BOOL SHInitExtraControls() { return TRUE; }

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
  using namespace platform::detail;
  if (info == nullptr || info->cbSize < sizeof(SHMENUBARINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Window* parent = FindWindowObject(info->hwndParent);
  if (parent == nullptr || parent->remoteFd >= 0 || parent->destroying) {
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
  bar->hidden = (info->dwFlags & SHCMBF_HIDDEN) != 0;
  bar->surface = CreateBackingStore(parent->width, kMenuBarHeight);
  if (bar->surface == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  MenuBar* raw = bar.get();
  HWND handle = static_cast<HWND>(InsertHandle(std::move(bar)));
  if (handle == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  raw->handle = handle;
  if (parent->menuBar != nullptr) DestroyMenuBar(parent->menuBar);
  parent->menuBar = handle;
  SetParentHeight(*parent, raw->hidden ? 0 : kMenuBarHeight);
  Paint(*raw);
  info->hwndMB = handle;
  return TRUE;
}
