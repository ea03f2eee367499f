// Shared pieces of the window-system tests: a window procedure that records what it receives,
// a per-test window class, and SDL events to push as if the user made them.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "platform/windows.h"

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
  return out << "{msg 0x" << std::hex << r.message << std::dec << " w=" << r.wParam << " x=" << LOWORD(static_cast<std::uintptr_t>(r.lParam))
             << " y=" << HIWORD(static_cast<std::uintptr_t>(r.lParam)) << "}";
}

// Everything the recording procedure saw, and an optional handler that runs before the
// default processing (return true to stop there with *result).
struct Recorder {
  std::vector<Received> messages;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;
  bool recordAll = false;  // otherwise only the messages the tests look at

  // The messages of one kind, in order.
  std::vector<Received> Only(UINT message) const {
    std::vector<Received> out;
    for (const Received& r : messages) {
      if (r.message == message) out.push_back(r);
    }
    return out;
  }
  std::vector<UINT> Kinds() const {
    std::vector<UINT> out;
    for (const Received& r : messages) out.push_back(r.message);
    return out;
  }
};

inline Recorder& TheRecorder() {
  static Recorder recorder;
  return recorder;
}

inline bool Interesting(UINT message) {
  switch (message) {
    case WM_CREATE: case WM_DESTROY: case WM_PAINT: case WM_TIMER: case WM_CLOSE: case WM_COMMAND:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_MOUSEMOVE: case WM_SIZE: case WM_KEYDOWN:
      return true;
    default:
      return message >= WM_USER;
  }
}

inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder& recorder = TheRecorder();
  if (recorder.recordAll || Interesting(message)) recorder.messages.push_back(Received{window, message, wParam, lParam});
  LRESULT result = 0;
  if (recorder.handler && recorder.handler(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcW(window, message, wParam, lParam);
}

// A fixture with its own window class (named after the test) and a clean queue.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheRecorder() = Recorder{};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    className_.assign(name.begin(), name.end());
    WNDCLASSW cls{};
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = RecordingProc;
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = className_.c_str();
    atom_ = RegisterClassW(&cls);
    ASSERT_NE(atom_, 0);
  }

  void TearDown() override {
    for (HWND window : windows_) {
      if (IsWindow(window)) DestroyWindow(window);
    }
    TheRecorder().handler = nullptr;
    DrainQueue();
    UnregisterClassW(className_.c_str(), nullptr);
  }

  HWND Create(DWORD style = WS_VISIBLE, int width = CW_USEDEFAULT, int height = CW_USEDEFAULT, LPCWSTR title = L"test") {
    HWND window = CreateWindowExW(0, className_.c_str(), title, style, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                                  nullptr, nullptr, nullptr, nullptr);
    if (window != nullptr) windows_.push_back(window);
    return window;
  }

  // Takes every message waiting now (a posted quit included) without dispatching.
  static void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Dispatches what is waiting now, without waiting.
  static void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  std::wstring className_;
  ATOM atom_ = 0;
  std::vector<HWND> windows_;
};

// The SDL window behind a window handle (from the window system's own records).
SDL_Window* SdlWindowOf(HWND window);

inline void PushEvent(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

inline void PushMouseButton(HWND window, Uint32 type, int x, int y, Uint32 which = 0) {
  SDL_Event event{};
  event.type = type;
  event.button.windowID = SDL_GetWindowID(SdlWindowOf(window));
  event.button.which = which;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = x;
  event.button.y = y;
  PushEvent(event);
}

inline void PushMouseMotion(HWND window, int x, int y, bool held, Uint32 which = 0) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = SDL_GetWindowID(SdlWindowOf(window));
  event.motion.which = which;
  event.motion.state = held ? SDL_BUTTON_LMASK : 0;
  event.motion.x = x;
  event.motion.y = y;
  PushEvent(event);
}

inline void PushWindowEvent(HWND window, Uint8 kind, int data1 = 0, int data2 = 0) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = SDL_GetWindowID(SdlWindowOf(window));
  event.window.event = kind;
  event.window.data1 = data1;
  event.window.data2 = data2;
  PushEvent(event);
}

inline void PushKey(HWND window, SDL_Keycode key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = window != nullptr ? SDL_GetWindowID(SdlWindowOf(window)) : 0;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = key;
  PushEvent(event);
}

}  // namespace kavro_test
