// Fuzz target: any content of the settings file "Tolm.ini", read at start-up as the viewer
// reads it from its program folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/records.h"
#include "fuzz/fuzz_support.h"
#include "gps/settings.h"

namespace {

using kavro_fuzz::Require;

struct Settings {
  kavro_fuzz::ProgramFolder folder{"settings"};
  std::string file = folder.Entry("Tolm.ini");
  int shownBoxes = 0;
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  static Settings instance;  // its folder goes when the run ends
  settings = &instance;
  kavro_fuzz::StartLikeTheProgram(&settings->shownBoxes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteSettingsFile(data, size);
  settings->shownBoxes = 0;
  ResetTrackState(&settings->state);
  settings->state.portNumber = -12345;
  settings->state.baudRate = -12345;

  ReadSettings(&settings->state);

  Require(settings->shownBoxes == 0, "a settings file that opens shows no message");
  if (!MentionsKey(data, size, "PORT")) Require(settings->state.portNumber == 7, "port 7 unless a line sets it");
  if (!MentionsKey(data, size, "RATE")) Require(settings->state.baudRate == 57600, "57600 unless a line sets it");

  // The file is read once and the record is all it changes.
  TrackState* expected = &settings->expected;
  ResetTrackState(expected);
  expected->portNumber = settings->state.portNumber;
  expected->baudRate = settings->state.baudRate;
  Require(std::memcmp(expected, &settings->state, sizeof *expected) == 0, "only the port and rate change");
  return 0;
}
