// The timer tick as the viewer runs it, at 0, 1000 and 100000 stored points: HandleTick on a
// window the size of the viewer's, reading one epoch of NMEA (RMC, GGA and three GSV
// sentences, as a receiver sends each second) from a real pseudo-terminal opened as COM7.
//
// The whole tick is measured, read included: with the port set to hand over at once what has
// arrived, the read is one system call and the parse a few microseconds, so the figures are
// the drawing the tick orders (panel, plot, compass, speed figure). Presenting to the screen
// is not part of a tick; tools/perf/perf_compare.sh measures it with the rest of the process.
//
// Every iteration starts from the same store: the given number of points of a drive, with
// the epoch's fix one step further along it, so that each tick is a moving one that redraws
// the plot. Two epochs alternate (a second apart, 50 and 51 km/h), so the panel's time and
// the speed figure change on every tick as they do on the road. At 100000 points the store
// is full: the plot is still redrawn; the panel, compass and figure are not.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/sample_drive.h"
#include "core/records.h"
#include "gps/gps_port.h"
#include "platform/comm.h"
#include "platform/kernel.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "track/tick.h"

namespace {

constexpr int ScreenWidth = 480;
constexpr int ScreenHeight = 536;
constexpr int PortNumber = 7;

// A sentence with its checksum and line end.
std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

// ddmm.mmmm (or dddmm.mmmm) of a stored coordinate, which already is in that form.
std::string Coordinate(double nmea, int degreeDigits) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*.4f", degreeDigits + 5, nmea);
  return text;
}

// One second of a receiver: the fix, then the satellites in view.
std::string Epoch(const FixRecord& fix, int second, double knots) {
  char time[16];
  std::snprintf(time, sizeof time, "1200%02d.00", second);
  char speed[16];
  std::snprintf(speed, sizeof speed, "%.1f", knots);
  char course[16];
  std::snprintf(course, sizeof course, "%.1f", fix.course);
  const std::string latitude = Coordinate(fix.latitude, 2) + "," + fix.latHemisphere;
  const std::string longitude = Coordinate(fix.longitude, 3) + "," + fix.lonHemisphere;
  return Sentence("GPRMC," + std::string(time) + ",A," + latitude + "," + longitude + "," + speed + "," + course +
                  ",010524,,,A") +
         Sentence("GPGGA," + std::string(time) + "," + latitude + "," + longitude + ",1,09,1.2,520.7,M,47.0,M,,") +
         Sentence("GPGSV,3,1,12,02,38,086,25,03,50,341,35,04,09,210,20,05,49,047,34") +
         Sentence("GPGSV,3,2,12,07,50,201,32,12,50,067,39,14,50,222,36,17,67,167,40") +
         Sentence("GPGSV,3,3,12,18,24,064,24,19,29,178,28,26,53,026,34,27,32,335,33");
}

// The receiver's end of a pseudo-terminal linked as COM7 in a program folder of its own,
// opened as the viewer's GPS port.
class BenchPort {
 public:
  bool Open() {
    char folderTemplate[] = "/tmp/kavro-bench-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return false;
    folder_ = folderTemplate;
    const std::wstring program(folder_.begin(), folder_.end());
    platform::testing::SetModulePath((program + L"/kavro").c_str());
    int slave = -1;
    char name[128];
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return false;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    link_ = folder_ + "/COM" + std::to_string(PortNumber);
    if (symlink(name, link_.c_str()) != 0) return false;
    const std::wstring port = L"COM" + std::to_wstring(PortNumber) + L":";
    portHandle = CreateFileW(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    close(slave);
    if (portHandle == INVALID_HANDLE_VALUE) return false;
    // Hand over whatever has arrived, at once: the benchmark measures the tick, not the line.
    COMMTIMEOUTS timeouts = {0xFFFFFFFFu, 0, 0, 10, 1000};
    return SetCommTimeouts(portHandle, &timeouts) != FALSE;
  }

  bool Send(const std::string& text) {
    return write(master_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }

  ~BenchPort() {
    if (portHandle != nullptr && portHandle != INVALID_HANDLE_VALUE) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    if (master_ >= 0) close(master_);
    if (!link_.empty()) unlink(link_.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
    platform::testing::SetModulePath(nullptr);
  }

 private:
  int master_ = -1;
  std::string folder_;
  std::string link_;
};

// A drive of count + 1 fixes, one per 300 ms tick, starting near 48°07' N 11°31' E.
FixRecord* Drive(std::int32_t count) {
  static FixRecord* drive = new FixRecord[TrackCapacity + 1];
  sample_drive::FillDrive(drive, count + 1, 2887.038, 691.0, 0.3, 1);
  return drive;
}

void BM_Tick(benchmark::State& benchState) {
  const auto stored = static_cast<std::int32_t>(benchState.range(0));
  const FixRecord* drive = Drive(stored);
  const FixRecord& next = drive[stored];
  const std::string epochs[2] = {Epoch(next, 1, 50.0 / 1.852), Epoch(next, 2, 51.0 / 1.852)};

  BenchPort port;
  if (!port.Open()) {
    benchState.SkipWithError("no pseudo-terminal for the GPS port");
    return;
  }
  HWND window = platform::testing::CreateSurfaceWindow(ScreenWidth, ScreenHeight);
  ResetTrackState(&trackState);
  for (std::int32_t i = 0; i < stored; ++i) trackState.points[i] = drive[i];
  const FixRecord last = stored > 0 ? drive[stored - 1] : FixRecord{};
  tickBusy = TickIdle;

  std::size_t round = 0;
  for (auto _ : benchState) {
    benchState.PauseTiming();
    trackState.pointCount = stored;
    if (stored > 0) trackState.points[stored - 1] = last;  // a full store's last slot is replaced
    const bool sent = port.Send(epochs[round++ % 2]);
    benchState.ResumeTiming();
    if (!sent) {
      benchState.SkipWithError("the receiver's write failed");
      break;
    }
    HandleTick(window);
  }
  benchState.counters["points"] = static_cast<double>(stored);
  DestroyWindow(window);
}

BENCHMARK(BM_Tick)->Arg(0)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
