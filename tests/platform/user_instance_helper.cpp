// A second process for the single-instance test: it owns a window of the class and title
// given on its command line, says "ready", and exits 0 once it has been asked to raise it
// (1 when nobody asks within the time limit).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/windows.h"
#include "user/single_instance.h"

namespace {

constexpr int kGiveUpMs = 20000;

std::wstring Widen(const char* text) {
  std::string narrow = text;
  return std::wstring(narrow.begin(), narrow.end());
}

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    if (platform::detail::RaiseRequestsServed() > 0) {
      PostQuitMessage(0);
    } else if (wParam == 2) {
      PostQuitMessage(1);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::wstring className = Widen(argv[1]);
  const std::wstring title = Widen(argv[2]);
  WNDCLASSW cls{};
  cls.lpfnWndProc = HelperProc;
  cls.lpszClassName = className.c_str();
  if (RegisterClassW(&cls) == 0) return 3;
  HWND window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return 4;
  SetTimer(window, 1, 20, nullptr);
  SetTimer(window, 2, kGiveUpMs, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  return static_cast<int>(msg.wParam);
}
