// A small program in the shape of a Windows CE program: it registers its class, creates its
// window, paints a known pattern and reports every stylus press and release on standard
// output ("down x y", "up x y"), so that the end-to-end test can compare both.
#include <cstdio>

#include "platform/windows.h"

namespace {

const WCHAR kClassName[] = L"KAVRO-E2E";
const WCHAR kTitle[] = L"Kavro e2e";

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
    case WM_DESTROY:
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
  if (!InitInstance(instance, showCommand)) return 0;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int main() { return DemoWinMain(nullptr, nullptr, nullptr, SW_SHOW); }
