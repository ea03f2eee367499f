// A small program in the shape of a Windows CE program: it registers its class, creates its
// window with a one-button menu bar, paints a known pattern and reports every stylus press and
// release ("down x y", "up x y") and command ("command n") on standard output, so that the
// end-to-end test can compare them. The "Ok" button ends it. Started with "--box", it first
// shows a message box from its WM_CREATE, as the viewer does when its port fails.
#include <cstdio>
#include <cstring>

#include "platform/resources.h"
#include "platform/windows.h"

namespace {

const WCHAR kClassName[] = L"KAVRO-E2E";
const WCHAR kTitle[] = L"Kavro e2e";
constexpr WORD kOkCommand = 40001;

const ResourceString kStrings[] = {{104, L"Ok"}};
const WORD kMenuBarWords[] = {102, 1, static_cast<WORD>(I_IMAGENONE), kOkCommand, TBSTATE_ENABLED, TBSTYLE_AUTOSIZE, 104, 0, NOMENU};
const ResourceMenuBar kMenuBars[] = {{102, kMenuBarWords, 9}};
const ResourceTable kResources{kStrings, 1, nullptr, 0, kMenuBars, 1, 0x0419, true};

HWND g_menuBar = nullptr;
bool g_showBox = false;

void OnCreate(HWND window) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = window;
  mbi.nToolBarId = 102;
  if (SHCreateMenuBar(&mbi)) g_menuBar = mbi.hwndMB;
  if (g_showBox) {
    MessageBoxW(nullptr, L"Error Opening ComPort.", L"Error", MB_OK);
    std::printf("box closed\n");
    std::fflush(stdout);
  }
}

void PaintBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT box{left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &box, brush);
  DeleteObject(brush);
}

// Dark green all over, a red and a blue box, and a white corner at the client's far end.
void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  PaintBox(dc, 0, 0, client.right, client.bottom, RGB(0, 50, 0));
  PaintBox(dc, 10, 10, 110, 60, RGB(255, 0, 0));
  PaintBox(dc, 200, 300, 300, 400, RGB(0, 0, 255));
  PaintBox(dc, client.right - 10, client.bottom - 10, client.right, client.bottom, RGB(255, 255, 255));
  EndPaint(window, &ps);
  std::printf("painted %ld %ld\n", static_cast<long>(client.right), static_cast<long>(client.bottom));
  std::fflush(stdout);
}

void OnStylus(const char* what, LPARAM lParam) {
  std::printf("%s %u %u\n", what, static_cast<unsigned>(LOWORD(static_cast<WPARAM>(lParam))),
              static_cast<unsigned>(HIWORD(static_cast<WPARAM>(lParam))));
  std::fflush(stdout);
}

LRESULT CALLBACK DemoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_LBUTTONDOWN:
      OnStylus("down", lParam);
      return 0;
    case WM_LBUTTONUP:
      OnStylus("up", lParam);
      return 0;
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_COMMAND:
      std::printf("command %u\n", static_cast<unsigned>(LOWORD(wParam)));
      std::fflush(stdout);
      if (LOWORD(wParam) == kOkCommand) {
        DestroyWindow(window);
        return 0;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_DESTROY:
      DestroyWindow(g_menuBar);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

BOOL InitInstance(HINSTANCE instance, int showCommand) {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DemoWndProc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kClassName;
  if (RegisterClassW(&wc) == 0) return FALSE;
  HWND window = CreateWindowExW(0, kClassName, kTitle, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return FALSE;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return TRUE;
}

int WINAPI DemoWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
  RegisterResourceTable(&kResources);
  SHInitExtraControls();
  if (!InitInstance(instance, showCommand)) return 0;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int main(int argc, char** argv) {
  g_showBox = argc > 1 && std::strcmp(argv[1], "--box") == 0;
  return DemoWinMain(nullptr, nullptr, nullptr, SW_SHOW);
}
