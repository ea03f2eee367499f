// Where the message queue meets SDL: reading events and waiting for the next one.
#pragma once

union SDL_Event;

namespace platform::detail {

// Turns every SDL event already waiting into messages or window changes, and serves
// single-instance requests; never waits.
void PumpEvents();

// The same while a port read waits: windows are shown, exposed ones from their backing
// store, and input is queued, but no window procedure is called (events that would call one
// wait for the next PumpEvents).
void PumpEventsWhileReading();

// The display connection's descriptor, once a window has found it; -1 before, and where SDL
// gives none (not X11).
int DisplayFd();

// Waits until an SDL event or a single-instance request may be waiting, or the timeout (in
// milliseconds, -1 for none) has passed. Shows pending drawing first.
void WaitForEvents(int timeoutMs);

// Handles one SDL event: input becomes messages, window events change windows.
void HandleSdlEvent(const SDL_Event& event);

}  // namespace platform::detail
