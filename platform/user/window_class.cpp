// Window classes: RegisterClassW, UnregisterClassW and the lookup CreateWindowExW uses.
#include "user/user_private.h"

#include <cwctype>
#include <memory>
#include <vector>

#include "platform/kernel.h"

namespace platform::detail {
namespace {

// Atoms of registered classes start where Windows starts string atoms.
constexpr ATOM kFirstAtom = 0xC000;

std::vector<std::unique_ptr<WindowClass>>& Classes() {
  static auto* classes = new std::vector<std::unique_ptr<WindowClass>>;
  return *classes;
}

bool IsAtom(LPCWSTR nameOrAtom) { return reinterpret_cast<std::uintptr_t>(nameOrAtom) <= 0xFFFF; }

}  // namespace

bool SameClassName(const std::wstring& a, LPCWSTR b) {
  if (b == nullptr) return false;
  std::size_t i = 0;
  for (; i < a.size() && b[i] != L'\0'; ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return i == a.size() && b[i] == L'\0';
}

const WindowClass* FindWindowClass(LPCWSTR nameOrAtom) {
  if (nameOrAtom == nullptr) return nullptr;
  for (const auto& cls : Classes()) {
    if (IsAtom(nameOrAtom) ? cls->atom == reinterpret_cast<std::uintptr_t>(nameOrAtom)
                           : SameClassName(cls->name, nameOrAtom)) {
      return cls.get();
    }
  }
  return nullptr;
}

}  // namespace platform::detail

using platform::detail::WindowClass;

namespace platform::detail {
namespace {

ATOM AddClass(const WNDCLASSW* wndClass, bool internal) {
  if (wndClass == nullptr || wndClass->lpfnWndProc == nullptr || wndClass->lpszClassName == nullptr ||
      reinterpret_cast<std::uintptr_t>(wndClass->lpszClassName) <= 0xFFFF || wndClass->lpszClassName[0] == L'\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindWindowClass(wndClass->lpszClassName) != nullptr) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto& classes = Classes();
  // Atoms are never reused, so a stale atom cannot name a newer class.
  static ATOM nextAtom = kFirstAtom;
  if (nextAtom == 0xFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  auto cls = std::make_unique<WindowClass>();
  cls->atom = nextAtom++;
  cls->name = wndClass->lpszClassName;
  cls->style = wndClass->style;
  cls->proc = wndClass->lpfnWndProc;
  cls->instance = wndClass->hInstance;
  cls->icon = wndClass->hIcon;
  cls->background = wndClass->hbrBackground;
  cls->internal = internal;
  classes.push_back(std::move(cls));
  return classes.back()->atom;
}

}  // namespace

ATOM RegisterInternalClass(const WNDCLASSW* wndClass) { return AddClass(wndClass, true); }

}  // namespace platform::detail

ATOM RegisterClassW(const WNDCLASSW* wndClass) { return platform::detail::AddClass(wndClass, false); }

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
  (void)instance;
  const WindowClass* cls = platform::detail::FindWindowClass(className);
  if (cls == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (HWND window : platform::detail::AllWindows()) {
    const auto* object = platform::detail::FindWindowObject(window);
    if (object != nullptr && platform::detail::SameClassName(object->className, cls->name.c_str())) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  }
  auto& classes = platform::detail::Classes();
  for (auto it = classes.begin(); it != classes.end(); ++it) {
    if (it->get() == cls) {
      classes.erase(it);
      break;
    }
  }
  return TRUE;
}
