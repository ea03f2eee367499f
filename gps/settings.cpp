// The settings file "Tolm.ini": one setting per line, read with the C library's formatted input.
#include "gps/settings.h"

#include <cstdio>

#include "gps/program_path.h"
#include "platform/user.h"

namespace {

// PORT = COM3
// A blank matches any run of white space, none included; letters must match in upper case;
// whatever follows the number is ignored.
constexpr char PortLinePattern[] = "PORT = COM%d";
// RATE = 4800
constexpr char RateLinePattern[] = "RATE = %d";

constexpr int DefaultPortNumber = 7;
constexpr int DefaultBaudRate = 57600;

// Longer lines are read in pieces of one byte less, each matched as a line of its own.
constexpr int LineBufferSize = 260;
constexpr std::size_t PathSize = 260;

}  // namespace

void ReadSettings(TrackState* state) {
  wchar_t path[PathSize];
  char bytes[PathSize];
  std::FILE* file = nullptr;
  if (BuildProgramFilePath(path, PathSize, L"Tolm.ini") && ConvertPathToBytes(bytes, PathSize, path)) {
    file = std::fopen(bytes, "r");
  }
  if (file == nullptr) {
    MessageBoxW(nullptr, L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK);
    return;
  }

  state->portNumber = DefaultPortNumber;
  state->baudRate = DefaultBaudRate;
  char line[LineBufferSize];
  while (std::fgets(line, LineBufferSize, file) != nullptr) {
    int value = 0;
    if (std::sscanf(line, PortLinePattern, &value) == 1) state->portNumber = value;
    if (std::sscanf(line, RateLinePattern, &value) == 1) state->baudRate = value;
  }
  std::fclose(file);
}
