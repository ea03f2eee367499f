// The main window procedure: set-up on creation, the timer tick, painting, stylus input and
// shut-down on the "Ok" command. Each message goes to one small handler.
#include "app/main_window.h"

#include <cstring>

#include "app/start_up.h"
#include "core/records.h"
#include "gps/gps_port.h"
#include "gps/settings.h"
#include "log/log_file.h"
#include "platform/shell.h"
#include "record/track_recorder.h"
#include "res/program_resources.h"
#include "track/tick.h"
#include "view/zoom_buttons.h"

HWND menuBarWindow = nullptr;

namespace {

constexpr COLORREF BackgroundColour = RGB(0, 50, 0);

void CreateMenuBar(HWND window) {
  SHMENUBARINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.hwndParent = window;
  info.nToolBarId = IDR_MENUBAR;
  info.hInstRes = programInstance;
  menuBarWindow = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

// Set-up, in this order: menu bar, log file, settings, port, timer. Every failure has shown its
// own message; the window is created whatever happened.
void OnCreate(HWND window) {
  CreateMenuBar(window);
  CreateLogFile(&trackState);
  ReadSettings(&trackState);
  wchar_t portName[PortNameSize];
  if (trackState.portSource[0] != L'\0') {
    FormatSourcePortName(trackState.portSource, portName, PortNameSize);
  } else {
    FormatPortName(trackState.portNumber, portName, PortNameSize);
  }
  OpenGpsPort(portName, trackState.baudRate);  // a failed port shows up on the first tick
  SetTimer(window, TickTimerId, TickPeriodMs, nullptr);
}

void OnDestroy() {
  FinishTrack();
  CloseHandle(portHandle);
  portHandle = nullptr;
  DestroyWindow(menuBarWindow);
  PostQuitMessage(0);
}

// The background and the zoom buttons; the plot, compass, panel and speed figure come back
// when the tick or the stylus next draws them.
void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC surface = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  HBRUSH background = CreateSolidBrush(BackgroundColour);
  FillRect(surface, &client, background);
  DeleteObject(background);
  DrawZoomButtons(window, surface);
  EndPaint(window, &paint);
}

// Stylus positions come as two unsigned 16-bit halves of the position parameter.
int StylusX(LPARAM lParam) { return LOWORD(static_cast<std::uintptr_t>(lParam)); }
int StylusY(LPARAM lParam) { return HIWORD(static_cast<std::uintptr_t>(lParam)); }

}  // namespace

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDM_OK) break;
      DestroyWindow(window);
      return 0;
    case WM_TIMER:
      HandleTick(window);
      return 0;
    case WM_MOUSEMOVE:
      OnStylusMove(window, StylusX(lParam), StylusY(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnStylusDown(window, StylusX(lParam), StylusY(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnStylusUp();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
