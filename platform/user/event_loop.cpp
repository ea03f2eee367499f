// Reading SDL events and waiting for them, with the single-instance sockets, on one thread.
#include "user/event_loop.h"

#include <SDL.h>
#include <poll.h>

#include <vector>

#include "user/input.h"
#include "user/present.h"
#include "user/single_instance.h"
#include "user/video.h"
#include "user/window_events.h"

namespace platform::detail {
namespace {

// While a single-instance socket is open, a wait on SDL events wakes this often to look at
// it: SDL cannot wait on our descriptors too, and 20 looks a second cost nothing measurable.
constexpr int kSocketCheckMs = 50;
// Presenting can take in new events from the display; a wait during a read goes on only once
// a look finds none, or after this many rounds.
constexpr int kReadingRounds = 4;

// Events that would call a window procedure, held back while a read waits.
std::vector<SDL_Event>& HeldBack() {
  static auto* events = new std::vector<SDL_Event>;
  return *events;
}

bool CallsWindowProcedure(const SDL_Event& event) {
  return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;  // WM_SIZE
}

}  // namespace

void PumpEvents() {
  if (VideoReady()) {
    std::vector<SDL_Event> held;
    held.swap(HeldBack());
    for (const SDL_Event& event : held) HandleSdlEvent(event);
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
        if (CallsWindowProcedure(event)) {
          HeldBack().push_back(event);
        } else {
          HandleSdlEvent(event);
        }
      }
      PresentAllWindows();
      if (!handled) break;
    }
  }
  ServeSingleInstance();
}

void WaitForEvents(int timeoutMs) {
  PresentAllWindows();
  std::vector<pollfd> fds;
  CollectSingleInstanceFds(fds);
  if (VideoReady() && !VideoIsHeadless()) {
    if (!fds.empty() && (timeoutMs < 0 || timeoutMs > kSocketCheckMs)) timeoutMs = kSocketCheckMs;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs) != 0) HandleSdlEvent(event);
    return;
  }
  // Without a display nothing but our own sockets can wake us (SDL's dummy driver would only
  // poll every millisecond), so wait on them alone.
  poll(fds.data(), fds.size(), timeoutMs);
}

void HandleSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event);
      break;
    default:
      HandleInputEvent(event);
      break;
  }
}

}  // namespace platform::detail
