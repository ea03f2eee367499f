// A second process for the single-instance test: it owns a window of the class and title
// given on its command line, says "ready", and exits 0 once it has been asked to raise it
// (1 when nobody asks within 20 seconds).
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/windows.h"
#include "user/single_instance.h"

namespace {

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER) return DefWindowProcW(window, message, wParam, lParam);
  const bool raised = platform::detail::RaiseRequestsServed() > 0;
  if (raised || wParam == 2) PostQuitMessage(raised ? 0 : 1);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::wstring className(argv[1], argv[1] + std::strlen(argv[1]));
  const std::wstring title(argv[2], argv[2] + std::strlen(argv[2]));
  WNDCLASSW cls{};
  cls.lpfnWndProc = HelperProc;
  cls.lpszClassName = className.c_str();
  if (RegisterClassW(&cls) == 0) return 3;
  HWND window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return 4;
  SetTimer(window, 1, 20, nullptr);
  SetTimer(window, 2, 20000, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  return static_cast<int>(msg.wParam);
}
