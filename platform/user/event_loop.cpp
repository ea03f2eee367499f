// Reading SDL events and waiting for them, with the single-instance sockets, on one thread.
#include "user/user_private.h"

#include <SDL.h>
#include <poll.h>

#include <vector>


namespace platform::detail {
namespace {

// While a single-instance socket is open, a wait on SDL events (a display without a descriptor)
// wakes this often to look at
// it: SDL cannot wait on our descriptors too, and 20 looks a second cost nothing measurable.
constexpr int kSocketCheckMs = 50;
// Presenting can take in new events from the display; a wait during a read goes on only once
// a look finds none, or after this many rounds.
constexpr int kReadingRounds = 4;

}  // namespace

void PumpEvents() {
  if (VideoReady()) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) HandleSdlEvent(event);
  }
  ServeSingleInstance();
}

void PumpEventsWhileReading() {
  if (VideoReady()) {
    for (int round = 0; round < kReadingRounds; ++round) {
      SDL_PumpEvents();
      SDL_Event event;
      bool handled = false;
      while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        handled = true;
        HandleSdlEvent(event);  // none calls a window procedure: input is queued
      }
      PresentAllWindows();
      if (!handled) break;
    }
  }
  ServeSingleInstance();
}

int DisplayFd() {
  static int known = -2;  // -2: not found out yet
  if (known != -2) return known;
  for (HWND handle : AllWindows()) {
    const Window* window = FindWindowObject(handle);
    if (window == nullptr || window->sdl == nullptr) continue;
    known = DisplayConnectionFd(window->sdl);
    return known;
  }
  return -1;
}

void WaitForEvents(int timeoutMs) {
  PresentAllWindows();
  std::vector<pollfd> fds;
  CollectSingleInstanceFds(fds);
  if (VideoReady() && !VideoIsHeadless()) {
    const int display = DisplayFd();
    if (display >= 0) {
      // The display's descriptor is waited on beside our own, never through
      // SDL_WaitEventTimeout: during that wait SDL posts each event it takes in to the newest
      // window over a second connection, and a window destroyed as soon as the wait returns
      // (the message box on Enter, the main window on "Ok") can get that post after it is gone,
      // which Xlib answers by ending the process. Presenting may take in events the descriptor
      // no longer shows; those are fetched first.
      SDL_PumpEvents();
      if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) return;
      fds.push_back(pollfd{display, POLLIN, 0});
      if (poll(fds.data(), fds.size(), timeoutMs) > 0) EndIfDisplayLost(fds.back().revents);
      return;
    }
    if (!fds.empty() && (timeoutMs < 0 || timeoutMs > kSocketCheckMs)) timeoutMs = kSocketCheckMs;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs) != 0) HandleSdlEvent(event);
    return;
  }
  // Without a display nothing but our own sockets can wake us (SDL's dummy driver would only
  // poll every millisecond), so wait on them alone.
  poll(fds.data(), fds.size(), timeoutMs);
}

void EndIfDisplayLost(short revents) {
  if (DisplayHungUp(revents)) EndForLostDisplay();
}

void HandleSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      // With SDL's own signal handlers off and the last window's close left to the program,
      // SDL asks to quit only when its Wayland connection failed (the compositor ended, or
      // ended the connection over a protocol error).
      if (!VideoIsHeadless()) EndForLostDisplay();
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    default:
      HandleInputEvent(event);
      break;
  }
}

}  // namespace platform::detail
