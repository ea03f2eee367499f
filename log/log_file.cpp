// The log file: created at start-up, holding the program's banner and build numbers.
#include "log/log_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "core/program_path.h"
#include "platform/kernel.h"
#include "platform/user.h"

namespace {

constexpr char Banner[] =
    "Kavro 1.0\n"
    "Live GPS track viewer, (c) the Kavro developers\n"
    "https://kavro.example.org/\n"
    "Build: ";
constexpr char HeaderPattern[] = "%s%d-%d-%d-%d-%d\n\n";
constexpr std::size_t HeaderSize = 1000;
constexpr std::size_t LogPathSize = sizeof TrackState::logPath / sizeof(wchar_t);

// __DATE__ is "Mmm dd yyyy", the day padded with a blank.
constexpr int DigitAt(const char* text, int index) {
  return text[index] >= '0' && text[index] <= '9' ? text[index] - '0' : 0;
}
constexpr int BuildYear(const char* date) {
  return DigitAt(date, 7) * 1000 + DigitAt(date, 8) * 100 + DigitAt(date, 9) * 10 + DigitAt(date, 10);
}
constexpr int BuildMonth(const char* date) {
  constexpr char names[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  for (int month = 0; month < 12; ++month) {
    if (names[month * 3] == date[0] && names[month * 3 + 1] == date[1] && names[month * 3 + 2] == date[2]) {
      return month + 1;
    }
  }
  return 0;
}
constexpr int BuildDay(const char* date) { return DigitAt(date, 4) * 10 + DigitAt(date, 5); }

// The five numbers of the "Build:" line: the version (major, minor, patch) and the day this
// file was compiled, as the year and as month * 100 + day, so 1.0.0 built on 7 March 2025
// reads "1-0-0-2025-307".
constexpr std::uint16_t BuildNumbers[5] = {
    static_cast<std::uint16_t>(KAVRO_VERSION_MAJOR),
    static_cast<std::uint16_t>(KAVRO_VERSION_MINOR),
    static_cast<std::uint16_t>(KAVRO_VERSION_PATCH),
    static_cast<std::uint16_t>(BuildYear(__DATE__)),
    static_cast<std::uint16_t>(BuildMonth(__DATE__) * 100 + BuildDay(__DATE__)),
};

void ReportCreateFailure() {
  MessageBoxW(nullptr, L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK);
}

}  // namespace

void CreateLogFile(TrackState* state) {
  char bytes[LogPathSize];
  // A path the C library could not open is as good as a file that cannot be created: the
  // header could never reach it.
  if (!BuildProgramFilePath(state->logPath, LogPathSize, L"Tolm.txt") ||
      !ConvertPathToBytes(bytes, sizeof bytes, state->logPath)) {
    ReportCreateFailure();
    return;
  }
  const HANDLE file = CreateFileW(state->logPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ReportCreateFailure();
    return;
  }
  CloseHandle(file);
  WriteLogHeader(state);
}

void WriteLogHeader(TrackState* state) {
  char path[LogPathSize];
  if (!ConvertPathToBytes(path, sizeof path, state->logPath)) return;
  // The file was just created; if it cannot be opened now the log simply stays empty.
  std::FILE* stream = std::fopen(path, "a");
  if (stream == nullptr) return;

  char header[HeaderSize];
  std::snprintf(header, sizeof header, HeaderPattern, Banner, BuildNumbers[0], BuildNumbers[1], BuildNumbers[2],
                BuildNumbers[3], BuildNumbers[4]);
  wchar_t wideHeader[HeaderSize];
  const std::size_t length = std::mbstowcs(wideHeader, header, HeaderSize);
  if (length != static_cast<std::size_t>(-1) && length < HeaderSize) std::fputws(wideHeader, stream);
  std::fclose(stream);
}
