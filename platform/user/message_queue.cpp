// The message queue: posted messages in order, then the quit message, then WM_PAINT for an
// invalid window and WM_TIMER for a due timer, each made only when nothing comes before it.
#include "user/user_private.h"

#include <deque>

#include "platform/kernel.h"

namespace platform::detail {
namespace {

std::deque<MSG>& Queue() {
  static auto* queue = new std::deque<MSG>;
  return *queue;
}

bool g_quitPosted = false;
int g_quitCode = 0;

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0) return true;
  return message >= filterMin && message <= filterMax;
}

bool ForWindow(HWND messageWindow, HWND filter) { return filter == nullptr || messageWindow == filter; }

// One look at everything that can produce a message, without waiting.
bool TakeMessage(MSG* msg, HWND window, UINT filterMin, UINT filterMax, bool remove) {
  auto& queue = Queue();
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (ForWindow(it->hwnd, window) && InRange(it->message, filterMin, filterMax)) {
      *msg = *it;
      if (remove) queue.erase(it);
      return true;
    }
  }
  if (g_quitPosted && window == nullptr && InRange(WM_QUIT, filterMin, filterMax)) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, GetTickCount(), POINT{0, 0}};
    if (remove) g_quitPosted = false;
    return true;
  }
  if (InRange(WM_PAINT, filterMin, filterMax) && TakePaintMessage(window, msg)) return true;
  if (InRange(WM_TIMER, filterMin, filterMax) && TakeDueTimer(window, msg, remove)) return true;
  return false;
}

}  // namespace

void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& queue = Queue();
  if (message == WM_MOUSEMOVE && !queue.empty() && queue.back().hwnd == window && queue.back().message == WM_MOUSEMOVE) {
    queue.back().wParam = wParam;
    queue.back().lParam = lParam;
    queue.back().time = GetTickCount();
    return;
  }
  queue.push_back(MSG{window, message, wParam, lParam, GetTickCount(), POINT{LOWORD(static_cast<std::uintptr_t>(lParam)), HIWORD(static_cast<std::uintptr_t>(lParam))}});
}

bool CloseOrCommandQueued() {
  for (const MSG& msg : Queue()) {
    if (msg.message == WM_CLOSE || msg.message == WM_COMMAND) return true;
  }
  return false;
}

void RemoveWindowMessages(HWND window) {
  auto& queue = Queue();
  for (auto it = queue.begin(); it != queue.end();) {
    it = it->hwnd == window ? queue.erase(it) : it + 1;
  }
}

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->proc == nullptr) return 0;
  WNDPROC proc = object->proc;
  // The procedure may destroy the window; nothing here touches the object afterwards.
  return proc(window, message, wParam, lParam);
}

}  // namespace platform::detail

BOOL GetMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  for (;;) {
    platform::detail::PumpEvents();
    if (platform::detail::TakeMessage(msg, window, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    platform::detail::WaitForEvents(platform::detail::MillisecondsToNextTimer());
  }
}

BOOL PeekMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
  if (msg == nullptr) return FALSE;
  platform::detail::PumpEvents();
  return platform::detail::TakeMessage(msg, window, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
  // Character messages are not produced: nothing in this window system takes typed text.
  (void)msg;
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr) return 0;
  LRESULT result = 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // A timer with a callback runs the callback instead of the window procedure.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, static_cast<UINT_PTR>(msg->wParam), msg->time);
  } else if (msg->hwnd != nullptr) {
    result = platform::detail::CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  }
  // What the handler drew reaches the screen now, not at the next wait.
  platform::detail::PresentAllWindows();
  return result;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && platform::detail::FindWindowObject(window) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  platform::detail::PostToQueue(window, message, wParam, lParam);
  return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::detail::CallWindowProcedure(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  platform::detail::g_quitPosted = true;
  platform::detail::g_quitCode = exitCode;
}
