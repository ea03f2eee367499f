// The visible message box: caption, text and an OK button drawn with the GDI layer in a small
// window of its own, kept above the others, and a nested message loop meanwhile so that timer
// and pointer messages still reach the program's window (as on Windows, a box without owner
// does not disable it).
#include "user/user_private.h"

#include <SDL.h>

#include <algorithm>
#include <string>
#include <vector>


namespace platform::detail {
namespace {

constexpr LPCWSTR kClassName = L"#32770";  // the dialog class's name on Windows
constexpr WPARAM kVkReturn = 0x0D;
constexpr WPARAM kVkEscape = 0x1B;
constexpr int kMargin = 12;
constexpr int kCaptionHeight = 22;
constexpr int kLineHeight = 13;
constexpr int kCharWidth = 7;  // a little wider than the default font's average
constexpr int kWrapColumns = 60;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 240;
constexpr int kMaxWidth = 460;
constexpr COLORREF kCaptionColour = RGB(0, 60, 130);
constexpr COLORREF kFaceColour = RGB(236, 236, 236);

struct Box {
  HWND window = nullptr;
  std::wstring caption;
  std::vector<std::wstring> lines;
  PushButton ok;
  bool done = false;
};

std::vector<Box*> g_boxes;
bool g_forceWindowed = false;

Box* FindBox(HWND window) {
  for (Box* box : g_boxes) {
    if (box->window == window) return box;
  }
  return nullptr;
}

// Splits at line feeds and wraps long lines at spaces (or hard, for a word without one).
std::vector<std::wstring> WrapText(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    while (line.size() > static_cast<std::size_t>(kWrapColumns)) {
      std::size_t cut = line.rfind(L' ', kWrapColumns);
      if (cut == std::wstring::npos || cut == 0) cut = kWrapColumns;
      lines.push_back(line.substr(0, cut));
      line.erase(0, line[cut] == L' ' ? cut + 1 : cut);
    }
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void Paint(Box& box, HDC dc) {
  RECT client{};
  GetClientRect(box.window, &client);
  FillColour(dc, client, kFaceColour);
  // Drawn in the box itself: under a bare X server there is no title bar to show it.
  FillColour(dc, RECT{0, 0, client.right, kCaptionHeight}, kCaptionColour);
  // A one-pixel frame keeps the box apart from a window of the same colour behind it.
  FillColour(dc, RECT{0, client.bottom - 1, client.right, client.bottom}, RGB(90, 90, 90));
  FillColour(dc, RECT{0, 0, 1, client.bottom}, RGB(90, 90, 90));
  FillColour(dc, RECT{client.right - 1, 0, client.right, client.bottom}, RGB(90, 90, 90));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT caption{kMargin / 2, 4, client.right - kMargin / 2, kCaptionHeight};
  DrawTextW(dc, box.caption.c_str(), -1, &caption, DT_LEFT | DT_SINGLELINE);
  SetTextColor(dc, RGB(0, 0, 0));
  int y = kCaptionHeight + kMargin;
  for (const std::wstring& line : box.lines) {
    RECT row{kMargin, y, client.right - kMargin, y + kLineHeight};
    DrawTextW(dc, line.c_str(), -1, &row, DT_LEFT | DT_SINGLELINE);
    y += kLineHeight;
  }
  DrawPushButton(dc, box.ok, L"OK");
}

void Pointer(Box& box, PointerAction action, LPARAM lParam) {
  const auto at = static_cast<std::uintptr_t>(lParam);
  bool clicked = false;
  if (TrackPushButton(box.ok, action, LOWORD(at), HIWORD(at), &clicked)) InvalidateRect(box.window, &box.ok.rect, FALSE);
  if (clicked) box.done = true;
}

LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Box* box = FindBox(window);
  if (box == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (HDC dc = BeginPaint(window, &paint)) {
        Paint(*box, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      Pointer(*box, PointerAction::Down, lParam);
      return 0;
    case WM_MOUSEMOVE:
      Pointer(*box, PointerAction::Move, lParam);
      return 0;
    case WM_LBUTTONUP:
      Pointer(*box, PointerAction::Up, lParam);
      return 0;
    case WM_KEYDOWN:
      if (wParam == kVkReturn || wParam == kVkEscape) box->done = true;
      return 0;
    case WM_CLOSE:
      box->done = true;  // the window manager's close button answers like OK
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool RegisterBoxClass() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = BoxProc;
    cls.lpszClassName = kClassName;
    registered = RegisterInternalClass(&cls) != 0;
  }
  return registered;
}

HWND CreateBoxWindow(Box& box) {
  std::size_t columns = box.caption.size();
  for (const std::wstring& line : box.lines) columns = std::max(columns, line.size());
  const int width = std::clamp(static_cast<int>(columns) * kCharWidth + 2 * kMargin, kMinWidth, kMaxWidth);
  const int textHeight = static_cast<int>(box.lines.size()) * kLineHeight;
  const int height = kCaptionHeight + kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  box.ok.rect = RECT{(width - kButtonWidth) / 2, height - kMargin - kButtonHeight, (width + kButtonWidth) / 2,
                     height - kMargin};
  HWND window = CreateWindowExW(0, kClassName, box.caption.c_str(), WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                                CW_USEDEFAULT, width, height, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return nullptr;
  box.window = window;
  if (Window* object = FindWindowObject(window); object != nullptr && object->sdl != nullptr) {
    SDL_SetWindowResizable(object->sdl, SDL_FALSE);
    SDL_SetWindowPosition(object->sdl, static_cast<int>(SDL_WINDOWPOS_CENTERED), static_cast<int>(SDL_WINDOWPOS_CENTERED));
    SDL_SetWindowAlwaysOnTop(object->sdl, SDL_TRUE);
  }
  return window;
}

}  // namespace

bool MessageBoxIsHeadless() { return !g_forceWindowed && VideoIsHeadless(); }

int ShowMessageBoxWindow(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  (void)owner;  // a box is modal to nothing: the program's window keeps working under it
  (void)type;   // one OK button whatever the icon asked for
  Box box;
  box.caption = caption != nullptr ? caption : L"";
  box.lines = WrapText(text != nullptr ? text : L"");
  if (!RegisterBoxClass()) return 0;
  g_boxes.push_back(&box);
  if (CreateBoxWindow(box) == nullptr) {
    g_boxes.pop_back();
    return 0;
  }
  ShowWindow(box.window, SW_SHOW);
  UpdateWindow(box.window);
  SetForegroundWindow(box.window);

  bool quit = false;
  int quitCode = 0;
  MSG msg;
  while (!box.done && IsWindow(box.window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  g_boxes.erase(std::remove(g_boxes.begin(), g_boxes.end(), &box), g_boxes.end());
  DestroyWindow(box.window);
  if (quit) PostQuitMessage(quitCode);  // the loop that owns the quit message must still see it
  return IDOK;
}

HWND ActiveMessageBox() { return g_boxes.empty() ? nullptr : g_boxes.back()->window; }

void ForceWindowedMessageBox(bool force) { g_forceWindowed = force; }

}  // namespace platform::detail
