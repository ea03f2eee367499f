// Pointer, touch and key input: SDL events become WM_LBUTTONDOWN / WM_MOUSEMOVE /
// WM_LBUTTONUP in client coordinates, with the stylus rules of a handheld's touchscreen.
#include "user/user_private.h"

#include <SDL.h>

#include <algorithm>


namespace platform::detail {
namespace {

constexpr WPARAM kVkReturn = 0x0D;
constexpr WPARAM kVkEscape = 0x1B;

// The one finger that acts as the stylus, while it touches.
struct Stylus {
  bool down = false;
  SDL_FingerID finger = 0;
  unsigned windowId = 0;
};
Stylus g_stylus;

void PostPointer(Window& window, UINT message, WPARAM keys, int x, int y) {
  PostToQueue(window.handle, message, keys, MAKELPARAM(x, y));
}

bool InClient(const Window& window, int x, int y) { return x >= 0 && y >= 0 && x < window.width && y < window.height; }

// While the stylus is held, positions outside the client area stick to its edge: a program
// unpacking them as unsigned words would see huge numbers for negative ones.
void Clamp(const Window& window, int& x, int& y) {
  x = std::clamp(x, 0, std::max(window.width - 1, 0));
  y = std::clamp(y, 0, std::max(window.height - 1, 0));
}

void Pointer(Window& window, PointerAction action, int screenX, int screenY) {
  int x = 0;
  int y = 0;
  WindowToPicture(window.layout, window.height, screenX, screenY, &x, &y);
  if (StripHoldsPointer(window)) {
    StripPointer(window, action, x, y - window.height);
    return;
  }
  switch (action) {
    case PointerAction::Down:
      if (InClient(window, x, y)) {
        window.captured = true;
        PostPointer(window, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
      } else if (y >= window.height) {
        StripPointer(window, action, x, y - window.height);
      }
      break;
    case PointerAction::Move:
      if (window.captured) {
        Clamp(window, x, y);
        PostPointer(window, WM_MOUSEMOVE, MK_LBUTTON, x, y);
      } else if (InClient(window, x, y)) {
        PostPointer(window, WM_MOUSEMOVE, 0, x, y);
      }
      break;
    case PointerAction::Up:
      // The release reaches the window that saw the press, wherever it happens.
      if (window.captured || InClient(window, x, y)) {
        window.captured = false;
        Clamp(window, x, y);
        PostPointer(window, WM_LBUTTONUP, 0, x, y);
      }
      break;
  }
}

// The window a touch belongs to: the one SDL names, else the one with the focus.
Window* TouchWindow(unsigned windowId) {
  if (Window* window = FindWindowBySdlId(windowId)) return window;
  if (SDL_Window* focus = SDL_GetKeyboardFocus()) return FindWindowBySdlId(SDL_GetWindowID(focus));
  return nullptr;
}

void Touch(const SDL_TouchFingerEvent& event, PointerAction action) {
  if (action == PointerAction::Down) {
    if (g_stylus.down) return;  // a second finger is not a second stylus
    g_stylus = Stylus{true, event.fingerId, event.windowID};
  } else if (!g_stylus.down || event.fingerId != g_stylus.finger) {
    return;
  }
  Window* window = TouchWindow(g_stylus.windowId);
  if (action == PointerAction::Up) g_stylus.down = false;
  if (window == nullptr || window->sdl == nullptr) return;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window->sdl, &width, &height);
  // Finger positions are fractions of the window; truncation gives the pixel touched.
  Pointer(*window, action, static_cast<int>(event.x * static_cast<float>(width)),
          static_cast<int>(event.y * static_cast<float>(height)));
}

void Key(const SDL_KeyboardEvent& event, UINT message) {
  const SDL_Keycode key = event.keysym.sym;
  WPARAM vk = 0;
  if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
    vk = kVkReturn;
  } else if (key == SDLK_ESCAPE) {
    vk = kVkEscape;
  } else if ((key >= SDLK_a && key <= SDLK_z) || (key >= SDLK_0 && key <= SDLK_9) || key == SDLK_SPACE) {
    vk = static_cast<WPARAM>(key >= SDLK_a && key <= SDLK_z ? key - SDLK_a + 'A' : key);
  } else {
    return;
  }
  // Enter and Escape answer the open message box even when the focus stayed elsewhere.
  HWND box = ActiveMessageBox();
  if (box != nullptr && (vk == kVkReturn || vk == kVkEscape)) {
    PostToQueue(box, message, vk, 1);
    return;
  }
  if (Window* window = FindWindowBySdlId(event.windowID)) PostToQueue(window->handle, message, vk, 1);
}

}  // namespace

void HandleInputEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      // Touch arrives as finger events; mouse events SDL made from it would double each tap.
      if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT) return;
      if (Window* window = FindWindowBySdlId(event.button.windowID)) {
        Pointer(*window, event.type == SDL_MOUSEBUTTONDOWN ? PointerAction::Down : PointerAction::Up, event.button.x,
                event.button.y);
      }
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.which == SDL_TOUCH_MOUSEID) return;
      if (Window* window = FindWindowBySdlId(event.motion.windowID)) {
        Pointer(*window, PointerAction::Move, event.motion.x, event.motion.y);
      }
      break;
    case SDL_FINGERDOWN:
      Touch(event.tfinger, PointerAction::Down);
      break;
    case SDL_FINGERMOTION:
      Touch(event.tfinger, PointerAction::Move);
      break;
    case SDL_FINGERUP:
      Touch(event.tfinger, PointerAction::Up);
      break;
    case SDL_KEYDOWN:
      Key(event.key, WM_KEYDOWN);
      break;
    case SDL_KEYUP:
      Key(event.key, WM_KEYUP);
      break;
    default:
      break;
  }
}

}  // namespace platform::detail
