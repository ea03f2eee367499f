// The settings file "Tolm.ini": one setting per line, read with the C library's formatted input.
#include "gps/settings.h"

#include <cstdio>
#include <cstring>

#include "core/program_path.h"
#include "core/text.h"
#include "platform/user.h"

namespace {

// PORT = COM3
// A blank matches any run of white space, none included; letters must match in upper case;
// whatever follows the number is ignored.
constexpr char PortLinePattern[] = "PORT = COM%d";
// PORT = /dev/ttyACM0, PORT = gpsd, PORT = tcp://10.0.0.5:10110
// Any PORT line that does not begin "PORT = COM" (with the same blanks as above); its value
// runs from after the '=' and its blanks to the end of the line.
constexpr char PortValuePattern[] = "PORT = %n";
constexpr char ComPortPattern[] = "PORT = COM%n";
// RATE = 4800
constexpr char RateLinePattern[] = "RATE = %d";
// TRACKS = off, TRACKS = /media/card/tracks, TRACKS = drives
// Blanks as for PORT; the value runs to the end of the line, trailing blanks cut.
constexpr char TracksValuePattern[] = "TRACKS = %n";

constexpr int DefaultPortNumber = 7;
constexpr int DefaultBaudRate = 57600;

// Longer lines are read in pieces of one byte less, each matched as a line of its own.
constexpr int LineBufferSize = 260;
constexpr std::size_t PathSize = 260;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A source is a path, gpsd, or scheme://... (a letter, then letters, digits, '+', '-' or '.');
// any other value is no setting, and the line is ignored like any line no pattern matches.
bool LooksLikeSource(const char* value) {
  if (value[0] == '/' || std::strcmp(value, "gpsd") == 0) return true;
  if (!IsAsciiLetter(value[0])) return false;
  const char* c = value + 1;
  while (IsAsciiLetter(*c) || (*c >= '0' && *c <= '9') || *c == '+' || *c == '-' || *c == '.') ++c;
  return std::strncmp(c, "://", 3) == 0;
}

// A PORT line: "PORT = COM..." under the COM pattern's rules, else a source, else nothing.
void ReadPortLine(const char* line, TrackState* state) {
  // %n stores where the pattern left off; it stays -1 when the line does not match.
  int comEnd = -1;
  int valueStart = -1;
  int number = 0;
  std::sscanf(line, ComPortPattern, &comEnd);
  if (comEnd >= 0) {
    if (std::sscanf(line, PortLinePattern, &number) == 1) {
      state->portNumber = number;
      state->portSource[0] = L'\0';
    }
    return;
  }
  std::sscanf(line, PortValuePattern, &valueStart);
  if (valueStart < 0) return;
  char value[LineBufferSize];
  std::size_t length = std::strlen(line + valueStart);
  while (length > 0 && IsBlank(line[valueStart + static_cast<int>(length) - 1])) --length;
  std::memcpy(value, line + valueStart, length);
  value[length] = '\0';
  // A byte that is no character becomes '?', so the open fails on a name that shows where it
  // went wrong instead of on some other name.
  if (LooksLikeSource(value)) WidenText(value, length, state->portSource, PortSourceSize);
}

// A TRACKS line: "off", a folder, or nothing (back to tracks/ beside the program). A value the
// line buffer cut off would name another folder, so it records nothing rather than go there.
void ReadTracksLine(const char* line, bool wholeLine, TrackState* state) {
  int valueStart = -1;
  std::sscanf(line, TracksValuePattern, &valueStart);
  if (valueStart < 0) return;
  if (!wholeLine) {
    state->tracksMode = TracksFolderTooLong;
    state->tracksFolder[0] = L'\0';
    return;
  }
  const char* value = line + valueStart;
  std::size_t length = std::strlen(value);
  while (length > 0 && IsBlank(value[length - 1])) --length;
  if (length == 0) {
    state->tracksMode = TracksInProgramFolder;
    state->tracksFolder[0] = L'\0';
  } else if (length == 3 && std::strncmp(value, "off", 3) == 0) {
    state->tracksMode = TracksOff;
    state->tracksFolder[0] = L'\0';
  } else {
    state->tracksMode = TracksInNamedFolder;
    WidenText(value, length, state->tracksFolder, TracksFolderSize);
  }
}

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
  state->portSource[0] = L'\0';
  state->baudRate = DefaultBaudRate;
  state->tracksMode = TracksInProgramFolder;
  state->tracksFolder[0] = L'\0';
  char line[LineBufferSize];
  bool lineStart = true;  // this piece begins a line of the file
  while (std::fgets(line, LineBufferSize, file) != nullptr) {
    const std::size_t pieceLength = std::strlen(line);
    const bool lineEnds = (pieceLength > 0 && line[pieceLength - 1] == '\n') || std::feof(file) != 0;
    // A piece that continues a long line is matched as a line of its own for PORT and RATE;
    // TRACKS reads only whole lines' beginnings.
    if (lineStart) ReadTracksLine(line, lineEnds, state);
    lineStart = lineEnds;
    ReadPortLine(line, state);
    int value = 0;
    if (std::sscanf(line, RateLinePattern, &value) == 1) state->baudRate = value;
  }
  std::fclose(file);
}
