// Start-up: set the locale and the resources, refuse a second instance, register the class,
// create and show the main window, then run the message loop until the window procedure posts
// the quit message.
#include "app/start_up.h"

#include <clocale>
#include <cstdint>

#include "app/main_window.h"
#include "res/program_resources.h"

HINSTANCE programInstance = nullptr;

namespace {
constexpr int NameBufferLength = 100;
}  // namespace

ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className) {
  WNDCLASSW windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(static_cast<int>(IDI_KAVRO)));
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = className;
  return RegisterClassW(&windowClass);
}

bool StartInstance(HINSTANCE instance, int showCommand) {
  programInstance = instance;
  SHInitExtraControls();

  wchar_t title[NameBufferLength];
  wchar_t className[NameBufferLength];
  LoadStringW(instance, IDS_TITLE, title, NameBufferLength);
  LoadStringW(instance, IDS_CLASS, className, NameBufferLength);

  // Already running: bring that window (and its owned windows) to the front instead.
  HWND running = FindWindowW(className, title);
  if (running != nullptr) {
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(running) | 1u));
    return false;
  }

  if (RegisterMainClass(instance, className) == 0) return false;

  HWND window = CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;

  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}

int WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPWSTR /*commandLine*/, int showCommand) {
  if (!StartInstance(instance, showCommand)) return 0;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int RunProgram() {
  std::setlocale(LC_CTYPE, "");
  RegisterProgramResources();
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
  return WinMain(instance, nullptr, nullptr, SW_SHOW);
}
