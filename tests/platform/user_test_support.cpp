// The window-system tests' view into the window records.
#include "user_test_support.h"

#include "user/window.h"

namespace kavro_test {

SDL_Window* SdlWindowOf(HWND window) {
  const platform::detail::Window* object = platform::detail::FindWindowObject(window);
  return object != nullptr ? object->sdl : nullptr;
}

}  // namespace kavro_test
