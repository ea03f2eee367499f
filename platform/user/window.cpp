// Windows: creation, showing, destruction, the default procedure, the client rectangle, and
// the window object's clean-up.
#include "user/user_private.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "detail/utf8.h"
#include "platform/kernel.h"
#include "platform/testing.h"

namespace platform::detail {
namespace {

// A handheld's screen in portrait, the size the program was laid out for.
constexpr int kDefaultClientWidth = 480;
constexpr int kDefaultClientHeight = 536;

int ClientSize(int requested, int fallback) {
  if (requested == CW_USEDEFAULT) return fallback;
  return std::max(requested, 1);
}

// Builds the window object with its backing store and SDL window; null on failure.
std::unique_ptr<Window> MakeWindow(const WindowClass& cls, LPCWSTR title, DWORD style, int x, int y, int width,
                                   int height) {
  auto object = std::make_unique<Window>();
  object->proc = cls.proc;
  object->classStyle = cls.style;
  object->background = cls.background;
  object->icon = cls.icon;
  object->className = cls.name;
  object->title = title != nullptr ? title : L"";
  object->style = style;
  object->width = ClientSize(width, kDefaultClientWidth);
  object->height = ClientSize(height, kDefaultClientHeight);
  object->surface = CreateBackingStore(object->width, object->height);
  if (object->surface == nullptr) return nullptr;
  object->placedByProgram = x == CW_USEDEFAULT || y == CW_USEDEFAULT;
  const int sdlX = object->placedByProgram ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
  const int sdlY = object->placedByProgram ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
  object->sdl = SDL_CreateWindow(ToUtf8(object->title.c_str()).c_str(), sdlX, sdlY, object->width, object->height,
                                 SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (object->sdl == nullptr) {
    std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
    return nullptr;
  }
  object->sdlId = SDL_GetWindowID(object->sdl);
  object->desktopScale = DesktopScale(object->sdl);
  SizeToScreen(*object);
  ApplyWindowIcon(object->sdl, object->icon);
  return object;
}

void SetVisible(Window& window, bool visible) {
  if (window.visible == visible) return;
  window.visible = visible;
  if (window.sdl != nullptr) {
    if (visible) {
      SDL_ShowWindow(window.sdl);
    } else {
      SDL_HideWindow(window.sdl);
    }
  }
  if (visible) {
    // A window that appears needs painting, as on Windows.
    InvalidateWindow(window, nullptr, true);
    MarkAllDirty(window);
  }
}

// Windows destroys a window in this order: hidden, WM_DESTROY while it is still whole, then its
// strip, timers, queued messages, DCs and the handle itself.
BOOL DestroyWindowObject(HWND window) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  object->destroying = true;
  if (object->remoteFd < 0) {
    SetVisible(*object, false);
    CallWindowProcedure(window, WM_DESTROY, 0, 0);
    object = FindWindowObject(window);
    if (object == nullptr) return TRUE;
    DetachStrip(*object);
    KillWindowTimers(window);
    RemoveWindowMessages(window);
    CloseWindowDCs(*object);
    RemoveWindowFromList(window);
  }
  RemoveHandle(window, Kind::Window);  // the object, its SDL window and sockets go here
  return TRUE;
}

bool Matches(const Window& window, LPCWSTR className, LPCWSTR title) {
  if (className != nullptr && !SameClassName(window.className, className)) return false;
  return title == nullptr || window.title == title;
}

}  // namespace

void SizeToScreen(Window& window) {
  if (window.sdl == nullptr) return;
  const int width = window.width;
  const int height = window.height + StripRows(window);
  SDL_Rect usable{0, 0, width * window.desktopScale, height * window.desktopScale};
  const int display = SDL_GetWindowDisplayIndex(window.sdl);
  const bool known = SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &usable) == 0 && usable.w > 0 && usable.h > 0;
  window.scale = ScaleThatFits(window.desktopScale, width, height, usable.w, usable.h);
  // A screen smaller than the picture at 1 (an 800 x 480 panel) gets a window of its size: the
  // picture is then drawn from the top left with the strip kept in view.
  const int shownWidth = known ? std::min(width * window.scale, usable.w) : width * window.scale;
  const int shownHeight = known ? std::min(height * window.scale, usable.h) : height * window.scale;
  SDL_SetWindowSize(window.sdl, shownWidth, shownHeight);
  if (window.placedByProgram && !window.visible && known) {
    // Centred, never with its top left corner off the screen: with no window manager to place
    // it, a window taller than the screen would otherwise open with its top out of reach.
    int x = 0;
    int y = 0;
    PlaceOnScreen(shownWidth, shownHeight, usable.x, usable.y, usable.w, usable.h, &x, &y);
    SDL_SetWindowPosition(window.sdl, x, y);
  }
  UpdateLayout(window);
}

bool UpdateLayout(Window& window) {
  if (window.sdl == nullptr) return false;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window.sdl, &width, &height);
  const PictureLayout layout = LayOutPicture(width, height, window.width, window.height, StripRows(window));
  const PictureLayout& old = window.layout;
  const bool changed = layout.scale != old.scale || layout.left != old.left || layout.top != old.top ||
                       layout.stripTop != old.stripTop || layout.clientRows != old.clientRows;
  window.layout = layout;
  return changed;
}

Window::~Window() {
  if (sdl != nullptr) SDL_DestroyWindow(sdl);
  if (surface != nullptr) cairo_surface_destroy(surface);
  if (strip.surface != nullptr) cairo_surface_destroy(strip.surface);
  if (remoteFd >= 0) close(remoteFd);
  if (listenFd >= 0) close(listenFd);
}

}  // namespace platform::detail

using platform::detail::FindWindowObject;
using platform::detail::Window;

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  const platform::detail::WindowClass* cls = platform::detail::FindWindowClass(className);
  if (cls == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (!platform::detail::EnsureVideo()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  std::unique_ptr<Window> made = platform::detail::MakeWindow(*cls, windowName, style, x, y, width, height);
  if (made == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // A top-level window of this class and title in another process of the user is what
  // FindWindowW finds there. Two starts that both looked before either had its window meet
  // here, and only the first gets one: the other is told the window exists already.
  if (!platform::detail::IsInternalClass(*cls) && !platform::detail::AnnounceWindow(*made)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return nullptr;
  }
  Window* object = made.get();
  HWND window = static_cast<HWND>(platform::detail::InsertHandle(std::move(made)));
  if (window == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  object->handle = window;
  platform::detail::AddWindowToList(window);

  CREATESTRUCTW create{param, instance, menu, parent, object->height, object->width, y, x,
                       static_cast<LONG>(style), windowName, cls->name.c_str(), exStyle};
  const LRESULT created = platform::detail::CallWindowProcedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
  if (created == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  object = FindWindowObject(window);
  if (object == nullptr || object->destroying) return nullptr;  // destroyed from WM_CREATE
  if ((style & WS_VISIBLE) != 0) platform::detail::SetVisible(*object, true);
  return window;
}

BOOL ShowWindow(HWND window, int showCommand) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->remoteFd >= 0) return FALSE;
  const BOOL wasVisible = object->visible ? TRUE : FALSE;
  platform::detail::SetVisible(*object, showCommand != SW_HIDE);
  return wasVisible;
}

BOOL UpdateWindow(HWND window) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->remoteFd >= 0) return FALSE;
  if (object->visible && object->invalid) {
    platform::detail::CallWindowProcedure(window, WM_PAINT, 0, 0);
    platform::detail::PresentAllWindows();
  }
  return TRUE;
}

BOOL DestroyWindow(HWND window) {
  if (Window* parent = platform::detail::StripParent(window)) {
    platform::detail::DetachStrip(*parent);
    return TRUE;
  }
  return platform::detail::DestroyWindowObject(window);
}

BOOL IsWindow(HWND handle) {
  const bool window = platform::detail::KindOfHandle(handle) == platform::detail::Kind::Window;
  return window || platform::detail::StripParent(handle) != nullptr ? TRUE : FALSE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (rect == nullptr) return FALSE;
  if (const Window* parent = platform::detail::StripParent(window)) {
    *rect = RECT{0, 0, parent->width, parent->strip.height};
    return TRUE;
  }
  const Window* object = FindWindowObject(window);
  if (object == nullptr || object->remoteFd >= 0) return FALSE;
  *rect = RECT{0, 0, object->width, object->height};
  return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  (void)lParam;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      break;
    case WM_PAINT: {
      // Validating here keeps a procedure that ignores WM_PAINT from being sent it forever.
      PAINTSTRUCT paint;
      if (BeginPaint(window, &paint) != nullptr) EndPaint(window, &paint);
      break;
    }
    default:
      break;
  }
  return 0;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  for (HWND window : platform::detail::AllWindows()) {
    const Window* object = FindWindowObject(window);
    if (object != nullptr && !object->destroying && object->sdl != nullptr &&
        platform::detail::Matches(*object, className, windowName)) {
      return window;
    }
  }
  // Another process of this user may own it; one connection is kept per window found.
  static std::vector<HWND> remotes;
  for (HWND remote : remotes) {
    const Window* object = FindWindowObject(remote);
    if (object != nullptr && platform::detail::RemoteIsAlive(*object) &&
        platform::detail::Matches(*object, className, windowName) && className != nullptr && windowName != nullptr) {
      return remote;
    }
  }
  // Handles of windows whose process has gone stay valid for whoever holds them, but are not
  // found again.
  remotes.erase(std::remove_if(remotes.begin(), remotes.end(),
                               [](HWND h) {
                                 const Window* object = FindWindowObject(h);
                                 return object == nullptr || !platform::detail::RemoteIsAlive(*object);
                               }),
                remotes.end());
  HWND remote = platform::detail::ConnectToRemoteWindow(className, windowName);
  if (remote != nullptr) remotes.push_back(remote);
  return remote;
}

BOOL SetForegroundWindow(HWND window) {
  // The lowest bit asks for the window's owned windows too; each of ours stands alone.
  window = reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(window) & ~std::uintptr_t{1});
  Window* object = FindWindowObject(window);
  if (object == nullptr) return FALSE;
  if (object->remoteFd >= 0) return platform::detail::RaiseRemoteWindow(*object);
  if (object->sdl != nullptr) SDL_RaiseWindow(object->sdl);
  return TRUE;
}

namespace platform::testing {

HWND CreateSurfaceWindow(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  auto object = std::make_unique<detail::Window>();
  object->proc = DefWindowProcW;
  object->width = width;
  object->height = height;
  object->surface = detail::CreateBackingStore(width, height);
  if (object->surface == nullptr) return nullptr;
  detail::Window* raw = object.get();
  HWND window = static_cast<HWND>(detail::InsertHandle(std::move(object)));
  if (window == nullptr) return nullptr;
  raw->handle = window;
  detail::AddWindowToList(window);
  return window;
}

}  // namespace platform::testing
