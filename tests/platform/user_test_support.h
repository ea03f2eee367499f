// Shared pieces of the window-system tests: a window procedure that records what it receives,
// a window class per test, and SDL events pushed as if the user made them.
#pragma once

#include <SDL.h>

#include <functional>
#include <tuple>

#include "platform/test_support.h"
#include "user/user_private.h"

namespace kavro_test {

// A message as the procedure received it: window, message, wParam, lParam.
using Received = std::tuple<HWND, UINT, WPARAM, LPARAM>;

// What the recording procedure saw, and a handler that runs before the default processing
// (true ends there with *result).
inline std::vector<Received> g_received;
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> g_handler;

// The messages received of the kinds given (all when none are), in order.
inline std::vector<Received> Only(std::initializer_list<UINT> kinds = {}) {
  std::vector<Received> out;
  for (const Received& r : g_received) {
    if (kinds.size() == 0 || std::find(kinds.begin(), kinds.end(), std::get<1>(r)) != kinds.end()) out.push_back(r);
  }
  return out;
}

inline std::vector<UINT> Kinds(std::initializer_list<UINT> kinds = {}) {
  std::vector<UINT> out;
  for (const Received& r : Only(kinds)) out.push_back(std::get<1>(r));
  return out;
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back(Received{window, message, wParam, lParam});
  LRESULT result = 0;
  if (g_handler && g_handler(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Dispatches what is waiting now, without waiting.
inline void DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) DispatchMessageW(&msg);
}

// A fixture with a window class of the recording procedure and a clean queue. The class is
// named after the test: tests run side by side in separate processes, and only one process of
// the user may hold a window of a given class and title.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    className_.assign(name.begin(), name.end());
    g_received.clear();
    g_handler = nullptr;
    WNDCLASSW cls{};
    cls.lpfnWndProc = RecordingProc;
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = className_.c_str();
    ASSERT_NE(RegisterClassW(&cls), 0);
  }
  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
    g_handler = nullptr;
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) continue;
    UnregisterClassW(className_.c_str(), nullptr);
  }
  HWND Create(DWORD style, int width, int height) {
    windows_.push_back(CreateWindowExW(0, className_.c_str(), L"test", style, 0, 0, width, height, nullptr,
                                       nullptr, nullptr, nullptr));
    return windows_.back();
  }

  std::wstring className_;
  std::vector<HWND> windows_;
};

// The client rectangle, or -1s when there is none.
inline Box ClientOf(HWND window) {
  RECT client{-1, -1, -1, -1};
  GetClientRect(window, &client);
  return Edges(client);
}

inline Uint32 SdlIdOf(HWND window) {
  const platform::detail::Window* object = platform::detail::FindWindowObject(window);
  return object != nullptr ? object->sdlId : 0;
}

// A pixel of the SDL window's surface as COLORREF.
inline COLORREF ShownAt(SDL_Window* sdl, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return CLR_INVALID;
  Uint8 r = 0, g = 0, b = 0;
  const auto* row = static_cast<const Uint8*>(surface->pixels) + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->pitch);
  SDL_GetRGB(reinterpret_cast<const Uint32*>(row)[x], surface->format, &r, &g, &b);
  return RGB(r, g, b);
}

inline void PushEvent(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

inline SDL_Event WindowEvent(HWND window, Uint8 kind, int data1 = 0, int data2 = 0) {
  SDL_Event event{};
  event.window = {SDL_WINDOWEVENT, 0, SdlIdOf(window), kind, 0, 0, 0, data1, data2};
  return event;
}

// A left-button press or release, or a move with the button held.
inline void PushMouse(HWND window, Uint32 type, int x, int y, Uint32 which = 0) {
  SDL_Event e{};
  const auto state = static_cast<Uint8>(type == SDL_MOUSEBUTTONUP ? SDL_RELEASED : SDL_PRESSED);
  if (type == SDL_MOUSEMOTION) e.motion = {type, 0, SdlIdOf(window), which, SDL_BUTTON_LMASK, x, y, 0, 0};
  if (type != SDL_MOUSEMOTION) e.button = {type, 0, SdlIdOf(window), which, SDL_BUTTON_LEFT, state, 1, 0, x, y};
  PushEvent(e);
}

}  // namespace kavro_test
