// kavro-decode: reads an NMEA log in the viewer's 1000-byte reads, runs the viewer's own reader
// and timer tick on each, and prints what the viewer holds after every read as JSON lines.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gps/gps_port.h"
#include "platform/windows.h"
#include "res/program_resources.h"
#include "tools/decoder/decode_log.h"

namespace {

const char Usage[] = "usage: kavro-decode [--summary-only | --no-summary | --gpx] LOG\n";

const char Help[] =
    "\n"
    "Reads an NMEA 0183 log the way the Kavro viewer reads its receiver: in reads of at most\n"
    "1000 bytes, each parsed by itself, each followed by the viewer's timer tick, which\n"
    "records the track and adds up the distance and the top speed. It runs the viewer's own\n"
    "code, and prints one JSON line per read with what the viewer then holds:\n"
    "\n"
    "  offset, length      where the read lay in the log (bytes)\n"
    "  satsUsed ... year   the current fix, under the viewer's field names; letters\n"
    "                      (status, latHemisphere, lonHemisphere) as strings, \"\" for none;\n"
    "                      latitude and longitude as ddmm.mmmm, speed in knots\n"
    "  pointCount          track points recorded so far\n"
    "  distance            {\"units\": minutes of arc, \"km\": the same x 1.852}\n"
    "  topSpeed            {\"knots\": ..., \"kmh\": the same x 1.852}\n"
    "\n"
    "A last line {\"summary\": {...}} gives the number of reads and bytes, pointCount,\n"
    "distance and topSpeed at the end, validFixes (reads whose first RMC sentence was whole\n"
    "and had status A) and the UTC times of the first and the last of them (firstFix,\n"
    "lastFix; null when there is none).\n"
    "\n"
    "LOG is a file, or - for standard input. Reads from a pipe may be shorter than 1000\n"
    "bytes, as reads from a live port are.\n"
    "\n"
    "options:\n"
    "  -h, --help        show this help and exit\n"
    "  --summary-only    print the summary line alone\n"
    "  --no-summary      leave the summary line out\n"
    "  --gpx             print the track the viewer would record, as a GPX 1.1 document,\n"
    "                    instead of JSON: the same points, the same times and segments\n"
    "\n"
    "examples:\n"
    "  kavro-decode tests/data/nmea/bt451.log\n"
    "  kavro-decode --gpx drive.nmea > drive.gpx\n"
    "  python3 tools/nmea_sim --stdout --no-pace --duration 600 | kavro-decode --summary-only -\n"
    "\n"
    "exit status: 0 when the log was read to its end; 1 when a read failed part way (the\n"
    "summary then covers the reads before it); 2 for bad arguments or a log that cannot be\n"
    "opened.\n";

int BadArguments(const char* problem, const char* what) {
  std::fprintf(stderr, "kavro-decode: %s%s\n%s", problem, what, Usage);
  return DecodeBadRequest;
}

}  // namespace

int main(int argc, char** argv) {
  int print = PrintReads | PrintSummary;
  const char* path = nullptr;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const bool isOption = !optionsEnded && argument[0] == '-' && argument[1] != '\0';
    if (isOption && std::strcmp(argument, "--") == 0) {
      optionsEnded = true;
    } else if (isOption && (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0)) {
      std::printf("%s%s", Usage, Help);
      return DecodeDone;
    } else if (isOption && std::strcmp(argument, "--summary-only") == 0) {
      print = PrintSummary;
    } else if (isOption && std::strcmp(argument, "--no-summary") == 0) {
      print = PrintReads;
    } else if (isOption && std::strcmp(argument, "--gpx") == 0) {
      print = PrintGpx;
    } else if (isOption) {
      return BadArguments("unknown option ", argument);
    } else if (path != nullptr) {
      return BadArguments("one log at a time; extra argument ", argument);
    } else {
      path = argument;
    }
  }
  if (path == nullptr) return BadArguments("no log given", "");

  std::setlocale(LC_CTYPE, "");
  // The tick draws on a real window; without a display it needs SDL's dummy video driver.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  RegisterProgramResources();

  std::string error;
  if (!OpenLogAsPort(path, &error)) {
    std::fprintf(stderr, "kavro-decode: %s\n", error.c_str());
    return DecodeBadRequest;
  }
  HWND window = CreateDecoderWindow(&error);
  if (window == nullptr) {
    std::fprintf(stderr, "kavro-decode: %s\n", error.c_str());
    CloseHandle(portHandle);
    return DecodeFailed;
  }
  int status = DecodeLog(window, print, stdout);
  if (status == DecodeFailed) std::fprintf(stderr, "kavro-decode: reading %s failed part way\n", path);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kavro-decode: cannot write the output: %s\n", std::strerror(errno));
    status = DecodeFailed;
  }
  DestroyWindow(window);
  CloseHandle(portHandle);
  return status;
}
