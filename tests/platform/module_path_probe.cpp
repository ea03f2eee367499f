// Prints the module path the platform reports for this process, for the module path test.
// With --remove-link it first removes the path it was started by.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "platform/kernel.h"

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  if (argc > 1 && std::strcmp(argv[1], "--remove-link") == 0 && unlink(argv[0]) != 0) return 2;
  wchar_t path[4096];
  if (GetModuleFileNameW(nullptr, path, 4096) == 0) return 1;
  char bytes[4 * 4096];
  if (std::wcstombs(bytes, path, sizeof bytes) == static_cast<std::size_t>(-1)) return 1;
  std::printf("%s", bytes);
  return 0;
}
