// The kavro executable: sets the locale's character type (so program folders with non-ASCII
// names convert), registers the program's resources and hands over to WinMain.
#include <clocale>
#include <cstdint>

#include "app/start_up.h"
#include "res/resources.h"

int main() {
  std::setlocale(LC_CTYPE, "");
  RegisterProgramResources();
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
  return WinMain(instance, nullptr, nullptr, SW_SHOW);
}
