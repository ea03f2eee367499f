// A small program in the shape of a Windows CE program: it registers its class, creates its
// window with a one-button menu bar, paints a known pattern and reports every stylus press and
// release ("down x y", "up x y") and command ("command n") on standard output, so that the
// end-to-end test can compare them. The "Ok" button ends it. Started with "--box", it first
// shows a message box from its WM_CREATE, as the viewer does when its port fails; started with
// "--class NAME", it is the other process that holds a window in the single-instance test.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/resources.h"
#include "platform/windows.h"

namespace {

constexpr WORD kOkCommand = 40001;
const ResourceString kStrings[] = {{104, L"Ok"}};
const WORD kMenuBarWords[] = {102, 1, static_cast<WORD>(I_IMAGENONE), kOkCommand, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE,
                              104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{102, kMenuBarWords, 9}};
const ResourceTable kResources{kStrings, 1, nullptr, 0, kMenuBars, 1, 0x0419, true};

bool g_showBox = false;

// Dark green all over, a red and a blue box, and a white corner at the client's far end.
void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT all;
  GetClientRect(window, &all);
  const struct { RECT box; COLORREF colour; } boxes[] = {
      {all, RGB(0, 50, 0)}, {{10, 10, 110, 60}, RGB(255, 0, 0)}, {{200, 300, 300, 400}, RGB(0, 0, 255)},
      {{all.right - 10, all.bottom - 10, all.right, all.bottom}, RGB(255, 255, 255)}};
  for (const auto& b : boxes) {
    HBRUSH brush = CreateSolidBrush(b.colour);
    FillRect(dc, &b.box, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &ps);
  std::printf("painted %ld %ld\n", static_cast<long>(all.right), static_cast<long>(all.bottom));
}

LRESULT CALLBACK DemoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto at = static_cast<std::uintptr_t>(lParam);
  switch (message) {
    case WM_CREATE: {
      SHMENUBARINFO mbi{};
      mbi.cbSize = sizeof mbi;
      mbi.hwndParent = window;
      mbi.nToolBarId = 102;
      SHCreateMenuBar(&mbi);  // the bar goes with the window
      if (g_showBox) std::printf("box closed: %d\n", MessageBoxW(nullptr, L"Error Opening ComPort.", L"Error", MB_OK));
      return 0;
    }
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      std::printf("%s %u %u\n", message == WM_LBUTTONDOWN ? "down" : "up", LOWORD(at), HIWORD(at));
      return 0;
    case WM_COMMAND:
      std::printf("command %u\n", static_cast<unsigned>(LOWORD(wParam)));
      if (LOWORD(wParam) == kOkCommand) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line reaches the test as it is written
  g_showBox = argc > 1 && std::strcmp(argv[1], "--box") == 0;
  const std::string name = argc > 2 && std::strcmp(argv[1], "--class") == 0 ? argv[2] : "KAVRO-E2E";
  const std::wstring className(name.begin(), name.end());
  RegisterResourceTable(&kResources);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DemoWndProc;
  wc.lpszClassName = className.c_str();
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, className.c_str(), L"Kavro e2e", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  return static_cast<int>(msg.wParam);
}
