// Pointer, touch and key input: SDL events become messages, and the pointer's actions that
// input hands to whatever follows a press (a window's strip, a push button).
#pragma once

union SDL_Event;

namespace platform::detail {

enum class PointerAction { Down, Move, Up };

// Turns a pointer, touch or key event into messages for the window it belongs to.
void HandleInputEvent(const SDL_Event& event);

}  // namespace platform::detail
