// Shared pieces of the window-system tests: a window procedure that records what it receives,
// a window class per test, and SDL events pushed as if the user made them.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/test_support.h"
#include "user/window.h"

namespace kavro_test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Received& o) const {
    return window == o.window && message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Received& r) {
  const auto at = static_cast<std::uintptr_t>(r.lParam);
  return out << "{msg 0x" << std::hex << r.message << std::dec << " w=" << r.wParam
             << " x=" << LOWORD(at) << " y=" << HIWORD(at) << "}";
}

// What the recording procedure saw, and a handler that runs before the default processing
// (true ends there with *result).
inline std::vector<Received> g_received;
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> g_handler;

// The messages received of the kinds given (all when none are), in order.
inline std::vector<Received> Only(std::initializer_list<UINT> kinds = {}) {
  std::vector<Received> out;
  for (const Received& r : g_received) {
    const bool wanted = std::find(kinds.begin(), kinds.end(), r.message) != kinds.end();
    if (wanted || kinds.size() == 0) out.push_back(r);
  }
  return out;
}

inline std::vector<UINT> Kinds(std::initializer_list<UINT> kinds = {}) {
  std::vector<UINT> out;
  for (const Received& r : Only(kinds)) out.push_back(r.message);
  return out;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back(Received{window, message, wParam, lParam});
  LRESULT result = 0;
  if (g_handler && g_handler(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Runs `action` in place of the default processing whenever `message` comes.
inline void Handle(UINT message, std::function<void(HWND)> action) {
  g_handler = [message, action](HWND window, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == message) action(window);
    return m == message;
  };
}

// A fixture with its own window class (named after the test) and a clean queue.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_received.clear();
    g_handler = nullptr;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    className_.assign(name.begin(), name.end());
    atom_ = RegisterStyled(className_, CS_HREDRAW | CS_VREDRAW);
    ASSERT_NE(atom_, 0);
  }

  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
    g_handler = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    for (const std::wstring& name : classes_) UnregisterClassW(name.c_str(), nullptr);
  }

  // A class of the recording procedure, painted white.
  ATOM RegisterStyled(const std::wstring& name, UINT style) {
    classes_.push_back(name);
    WNDCLASSW cls{};
    cls.style = style;
    cls.lpfnWndProc = RecordingProc;
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = name.c_str();
    return RegisterClassW(&cls);
  }

  HWND Create(DWORD style, int width, int height, LPCWSTR className = nullptr) {
    HWND window = CreateWindowExW(0, className != nullptr ? className : className_.c_str(), L"test",
                                  style, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    if (window != nullptr) windows_.push_back(window);
    return window;
  }

  // Dispatches what is waiting now, without waiting.
  static void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
      DispatchMessageW(&msg);
    }
  }

  std::wstring className_;
  ATOM atom_ = 0;
  std::vector<HWND> windows_;
  std::vector<std::wstring> classes_;
};

// The client rectangle, or -1s when there is none.
inline Box ClientOf(HWND window) {
  RECT client{-1, -1, -1, -1};
  GetClientRect(window, &client);
  return Edges(client);
}

inline SDL_Window* SdlWindowOf(HWND window) {
  const platform::detail::Window* object = platform::detail::FindWindowObject(window);
  return object != nullptr ? object->sdl : nullptr;
}

inline std::array<int, 2> SdlSizeOf(HWND window) {
  std::array<int, 2> size{};
  SDL_GetWindowSize(SdlWindowOf(window), &size[0], &size[1]);
  return size;
}

inline void PushEvent(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

// A left-button press or release, or a move with the button held.
inline void PushMouse(HWND window, Uint32 type, int x, int y, Uint32 which = 0) {
  SDL_Event e{};
  const Uint32 id = SDL_GetWindowID(SdlWindowOf(window));
  if (type == SDL_MOUSEMOTION) {
    e.motion = {type, 0, id, which, SDL_BUTTON_LMASK, x, y, 0, 0};
  } else {
    const auto state = static_cast<Uint8>(type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED);
    e.button = {type, 0, id, which, SDL_BUTTON_LEFT, state, 1, 0, x, y};
  }
  PushEvent(e);
}

inline void PushWindowEvent(HWND window, Uint8 kind, int data1 = 0, int data2 = 0) {
  SDL_Event e{};
  const Uint32 id = SDL_GetWindowID(SdlWindowOf(window));
  e.window = {SDL_WINDOWEVENT, 0, id, kind, 0, 0, 0, data1, data2};
  PushEvent(e);
}

}  // namespace kavro_test
