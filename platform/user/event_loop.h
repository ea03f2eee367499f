// Where the message queue meets SDL: reading events and waiting for the next one.
#pragma once

union SDL_Event;

namespace platform::detail {

// Turns every SDL event already waiting into messages or window changes, and serves
// single-instance requests; never waits.
void PumpEvents();

// The same while a port read waits: windows are shown, exposed ones from their backing
// store, and input is queued, but no window procedure is called.
void PumpEventsWhileReading();

// The display connection's descriptor, once a window has found it; -1 before, and where SDL
// gives none (neither X11 nor Wayland).
int DisplayFd();

// Waits until an SDL event or a single-instance request may be waiting, or the timeout (in
// milliseconds, -1 for none) has passed. Shows pending drawing first.
void WaitForEvents(int timeoutMs);

// Ends the process, as a lost display does, when the poll result of the display's descriptor
// says the connection is gone.
void EndIfDisplayLost(short revents);

// Handles one SDL event: input becomes messages, window events change windows.
void HandleSdlEvent(const SDL_Event& event);

}  // namespace platform::detail
