// The list of live windows.
#include "user/user_private.h"

#include <algorithm>

namespace platform::detail {
namespace {

std::vector<HWND>& TheList() {
  static std::vector<HWND>* list = new std::vector<HWND>;  // windows may die at exit
  return *list;
}

}  // namespace

const std::vector<HWND>& AllWindows() { return TheList(); }

void AddWindowToList(HWND window) { TheList().push_back(window); }

void RemoveWindowFromList(HWND window) {
  auto& list = TheList();
  list.erase(std::remove(list.begin(), list.end(), window), list.end());
}

Window* FindWindowBySdlId(unsigned sdlId) {
  if (sdlId == 0) return nullptr;
  for (HWND handle : TheList()) {
    Window* window = FindWindowObject(handle);
    if (window != nullptr && window->sdlId == sdlId) return window;
  }
  return nullptr;
}

}  // namespace platform::detail
