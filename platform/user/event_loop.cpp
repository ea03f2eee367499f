// Reading SDL events and waiting for them, with the single-instance sockets, on one thread.
#include "user/event_loop.h"

#include <SDL.h>
#include <poll.h>

#include <vector>

#include "user/single_instance.h"
#include "user/video.h"
#include "user/window.h"

namespace platform::detail {
namespace {

// While a single-instance socket is open, a wait on SDL events wakes this often to look at
// it: SDL cannot wait on our descriptors too, and 20 looks a second cost nothing measurable.
constexpr int kSocketCheckMs = 50;

}  // namespace

void PumpEvents() {
  if (VideoReady()) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) HandleSdlEvent(event);
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
