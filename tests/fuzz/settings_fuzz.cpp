// Fuzz target: any content of the settings file "Tolm.ini", read at start-up as the viewer
// reads it from its program folder, and the source a PORT line names, read as the platform
// reads it when the port opens.
#include <cstdio>

#include "comm/comm_private.h"
#include "core/records.h"
#include "detail/wide_text.h"
#include "fuzz/fuzz_support.h"
#include "gps/settings.h"

namespace {

using kavro_fuzz::Require;

struct Settings {
  kavro_fuzz::ProgramFolder folder{"settings"};
  std::string file = folder.Entry("Tolm.ini");
  TrackState state;
  TrackState expected;
};

Settings* settings = nullptr;

void WriteSettingsFile(const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(settings->file.c_str(), "wb");
  Require(out != nullptr, "the settings file can be written");
  Require(std::fwrite(data, 1, size, out) == size, "the settings file takes the input");
  Require(std::fclose(out) == 0, "the settings file closes");
}

// Whether some line could have set the key at all: a line that sets it starts with its name.
bool MentionsKey(const std::uint8_t* data, std::size_t size, const char* key) {
  return size >= 4 && memmem(data, size, key, 4) != nullptr;
}

// The source, if any, is text that ends inside its field, makes a whole port name, and reads as
// a source or is refused with a reason; what it names has the parts its kind needs.
void CheckSource(const TrackState& state) {
  Require(wmemchr(state.portSource, L'\0', PortSourceSize) != nullptr, "the source ends inside its field");
  if (state.portSource[0] == L'\0') return;
  wchar_t name[PortNameSize];
  Require(FormatSourcePortName(state.portSource, name, PortNameSize) == 1, "every source has a whole port name");
  std::string text;
  if (!platform::detail::WideToNarrow(state.portSource, &text)) return;
  platform::detail::SourceName source;
  std::string problem;
  if (!platform::detail::ParseSourceName(text, &source, &problem)) {
    Require(!problem.empty(), "a refused source says why");
    return;
  }
  using Kind = platform::detail::SourceName::Kind;
  if (source.kind == Kind::Device) {
    Require(source.path.size() > 1 && source.path[0] == '/', "a device is a path below /");
    return;
  }
  Require(!source.port.empty() && source.port.size() <= 5, "a network source has its port number");
  const long port = std::strtol(source.port.c_str(), nullptr, 10);
  Require(port >= 1 && port <= 65535, "the port number is in range");
  Require(source.kind == Kind::Udp || !source.host.empty(), "a connection has a host");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  static Settings instance;  // its folder goes when the run ends
  settings = &instance;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteSettingsFile(data, size);
  settings->folder.shownBoxes = 0;
  TrackState& state = settings->state;
  ResetTrackState(&state);
  state.portNumber = state.baudRate = -12345;

  ReadSettings(&state);

  Require(settings->folder.shownBoxes == 0, "a settings file that opens shows no message");
  Require(MentionsKey(data, size, "PORT") || (state.portNumber == 7 && state.portSource[0] == L'\0'), "port 7 and no source unless a line sets it");
  Require(MentionsKey(data, size, "RATE") || state.baudRate == 57600, "57600 unless a line sets it");
  Require(MentionsKey(data, size, "TRACKS") ||
              (state.tracksMode == TracksInProgramFolder && state.tracksFolder[0] == L'\0'),
          "tracks beside the program unless a line says otherwise");
  Require(state.tracksMode <= TracksFolderTooLong, "a known tracks mode");
  Require((state.tracksMode == TracksInNamedFolder) == (state.tracksFolder[0] != L'\0'),
          "a folder exactly when one is named");
  Require(std::wmemchr(state.tracksFolder, L'\0', TracksFolderSize) != nullptr, "the folder is terminated");

  // The file is read once and the record is all it changes.
  TrackState* expected = &settings->expected;
  ResetTrackState(expected);
  expected->portNumber = state.portNumber;
  expected->baudRate = state.baudRate;
  std::wmemcpy(expected->portSource, state.portSource, PortSourceSize);
  expected->tracksMode = state.tracksMode;
  std::wmemcpy(expected->tracksFolder, state.tracksFolder, TracksFolderSize);
  Require(std::memcmp(expected, &state, sizeof *expected) == 0, "only the port, rate and tracks change");
  CheckSource(state);
  return 0;
}
