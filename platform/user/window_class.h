// Registered window classes, looked up by name or atom when a window is created.
#pragma once

#include <string>

#include "platform/user.h"

namespace platform::detail {

struct WindowClass {
  ATOM atom = 0;
  std::wstring name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HBRUSH background = nullptr;
  bool internal = false;  // the window system's own (message boxes): never announced
};

// The class named by a string or by an atom (MAKEINTATOM), or nullptr.
const WindowClass* FindWindowClass(LPCWSTR nameOrAtom);

// Registers one of the window system's own classes.
ATOM RegisterInternalClass(const WNDCLASSW* wndClass);
inline bool IsInternalClass(const WindowClass& cls) { return cls.internal; }

// Class names compare without regard to ASCII case, as on Windows.
bool SameClassName(const std::wstring& a, LPCWSTR b);

}  // namespace platform::detail
