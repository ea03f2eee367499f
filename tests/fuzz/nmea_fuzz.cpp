// Fuzz target: whatever a receiver sends, through the timer tick as the viewer runs it. The
// port is a FIFO in the program folder, opened through CreateFileW like a port: the target
// writes the receiver's text into it and the tick's single read takes exactly those bytes. The
// tick parses them, draws the panel, stores and measures the track, projects and draws the
// plot, the compass and the speed figure on a window that needs no display.
//
// One input drives a short run of ticks: the first reads the whole input, each later one the
// text from just past the next "RMC", so an input holding several sentences becomes a drive
// that fills the (small) track store and keeps moving once it is full. The recorder writes the
// points the ticks store into memory, the decoder's way, and the document must stay valid GPX.
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>

#include "comm/comm_private.h"
#include "core/records.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "gps/nmea_reader.h"
#include "record/track_recorder.h"
#include "track/tick.h"
#include "view/info_panel.h"
#include "view/track_plot.h"

namespace {

using kavro_fuzz::Require;

constexpr int WindowWidth = 480;
constexpr int WindowHeight = 536;
// Twice the fuzz build's store and then some: enough to reach a full store and go on.
constexpr int MaxTicks = 3 * TrackCapacity;

struct Receiver {
  kavro_fuzz::ProgramFolder folder{"nmea"};
  std::string fifo = folder.Entry("COM1");
  HWND window = nullptr;
};

Receiver* receiver = nullptr;

// The receiver sends text and falls silent: the next read takes those bytes and then meets the
// end of the stream, as a read of a regular file would.
void Send(const std::uint8_t* data, std::size_t size) {
  const int writer = open(receiver->fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  Require(writer >= 0, "the receiver's end of the FIFO opens");
  Require(write(writer, data, size) == static_cast<ssize_t>(size), "the FIFO takes the text");
  Require(close(writer) == 0, "the receiver's end closes");
}

bool IsFiniteFix(const FixRecord& fix) {
  return std::isfinite(fix.latitude) && std::isfinite(fix.longitude) && std::isfinite(fix.altitude) &&
         std::isfinite(fix.course) && std::isfinite(fix.speed);
}

// What must hold after every tick, whatever the receiver sent.
void CheckAfterTick(const std::uint8_t* text, std::size_t size) {
  Require(tickBusy == TickIdle, "a tick that read its text ends idle");
  Require(trackState.pointCount >= 0 && trackState.pointCount <= TrackCapacity, "the store count stays in range");
  Require(IsFiniteFix(trackState.current), "the reader leaves only numbers in the fix");
  for (std::int32_t i = 0; i < trackState.pointCount; ++i) {
    Require(IsFiniteFix(trackState.points[i]), "only numbers are stored");
  }
  Require(std::isfinite(trackState.distance) && trackState.distance >= 0.0, "the distance is a length");
  Require(std::isfinite(trackState.topSpeed) && trackState.topSpeed >= 0.0, "the top speed is a speed");
  Require(trackState.shownSpeed == SpeedFigureOf(trackState.current.speed), "the speed figure follows the speed");

  // The reader alone, on the same text, fills the same fix the tick left.
  std::string copy(reinterpret_cast<const char*>(text), size);
  FixRecord parsed;
  ParseNmeaText(copy.c_str(), &parsed);
  Require(std::memcmp(&parsed, &trackState.current, sizeof parsed) == 0, "the tick's fix is the reader's");

  // The panel is always whole, however odd the fix.
  wchar_t panel[InfoPanelTextSize];
  Require(FormatInfoPanel(&trackState, panel, InfoPanelTextSize) == 1, "the panel formats");
  const std::size_t length = std::wcslen(panel);
  Require(std::wcsncmp(panel, L"\n\n ", 3) == 0 && length > 4 && std::wcscmp(panel + length - 4, L" km\n") == 0,
          "the panel text is whole");

  wchar_t figure[SpeedFigureTextSize];
  Require(FormatSpeedFigure(trackState.shownSpeed, figure, SpeedFigureTextSize) == 1 && std::wcslen(figure) >= 3,
          "the speed figure formats, in three places at least");
}

// The track's arithmetic, redone apart from the drawing: every step between stored points is
// a length, and every stored point lands on some pixel. While no fix had to take the place of
// the last one (at most a store's worth of moving ticks), the distance is exactly the sum of
// the steps between the stored points, in order, and the top speed the highest speed among
// them but the first.
void CheckStoredTrack(int movingTicks) {
  if (trackState.pointCount == 0) return;
  const PlotProjection projection = ProjectionOf(&trackState);
  double distance = 0.0;
  double topSpeed = 0.0;
  for (std::int32_t i = 0; i < trackState.pointCount; ++i) {
    ProjectWith(&projection, &trackState.points[i]);
    if (i > 0) {
      const double step = MeasureStep(&trackState.points[i - 1], &trackState.points[i]);
      Require(std::isfinite(step) && step >= 0.0, "a step between stored points is a length");
      distance = step + distance;
      if (trackState.points[i].speed > topSpeed) topSpeed = trackState.points[i].speed;
    }
  }
  if (movingTicks > TrackCapacity) return;
  Require(movingTicks == trackState.pointCount, "every moving tick stores its fix");
  Require(trackState.distance == distance, "the distance is the sum of the stored steps");
  Require(trackState.topSpeed == topSpeed, "the top speed is the fastest stored fix after the first");
}

// Any bytes, widened as the panel widens its text: the result always ends inside the buffer.
void CheckWidening(const std::uint8_t* data, std::size_t size) {
  for (std::size_t outSize : {std::size_t{1}, std::size_t{7}, InfoPanelTextSize}) {
    wchar_t out[InfoPanelTextSize];
    const std::size_t written = WidenText(reinterpret_cast<const char*>(data), size, out, outSize);
    Require(written < outSize && out[written] == L'\0', "widened text is terminated inside its buffer");
  }
}

// The same bytes from gpsd, cut into two reads where the first byte says: what comes through
// is the same wherever the cut falls, only ever less than what came, and no line of it is one
// of gpsd's JSON replies.
void CheckGpsdFilter(const std::uint8_t* data, std::size_t size) {
  const auto read = [](platform::detail::GpsdFilter* filter, const std::uint8_t* bytes, std::size_t count) {
    std::string text(reinterpret_cast<const char*>(bytes), count);
    text.resize(filter->Filter(reinterpret_cast<unsigned char*>(text.data()), text.size()));
    return text;
  };
  platform::detail::GpsdFilter oneRead, twoReads;
  const std::string whole = read(&oneRead, data, size);
  const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
  std::string cutOnce = read(&twoReads, data, cut);
  cutOnce += read(&twoReads, data + cut, size - cut);
  Require(cutOnce == whole, "gpsd's stream comes through the same wherever a read ends");
  Require(whole.size() <= size, "the filter only ever drops bytes");
  Require(("\n" + whole).find("\n{") == std::string::npos, "no reply line comes through");
}

// The recorder's text for one input.
std::string gpxText;

void TakeGpxText(const char* text, std::size_t length) { gpxText.append(text, length); }

bool IsCalendarTime(int year, int month, int day, int hour, int minute, double second) {
  constexpr int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > days[month - 1]) return false;
  if (month == 2 && day == 29 && year % 4 != 0) return false;
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0.0 && second < 60.0;
}

// The document is GPX 1.1 whatever the reads held: its start, then only points (each in the
// writer's strict form, on the globe, at a calendar time) and segment breaks, then the closing
// tags, with no more points than moving ticks.
void CheckGpxDocument(int movingTicks) {
  if (gpxText.empty()) return;  // nothing moved with a calendar time: no document at all
  static const std::regex point(
      "<trkpt lat=\"(-?[0-9]{1,2}\\.[0-9]{7})\" lon=\"(-?[0-9]{1,3}\\.[0-9]{7})\">"
      "(<ele>-?[0-9]+\\.[0-9]{2}</ele>)?"
      "<time>([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{3})?)Z</time>"
      "(<fix>(none|3d|dgps|pps)</fix>)?(<sat>[0-9]+</sat>)?<extensions><gpxtpx:TrackPointExtension>"
      "(<gpxtpx:speed>[0-9]+\\.[0-9]{3}</gpxtpx:speed>)?<gpxtpx:course>([0-9]{1,3}\\.[0-9]{2})</gpxtpx:course>"
      "</gpxtpx:TrackPointExtension></extensions></trkpt>");
  Require(gpxText.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\"", 0) == 0,
          "the document starts with the XML declaration and the gpx element");
  Require(gpxText.size() > GpxClosingSize && gpxText.compare(gpxText.size() - GpxClosingSize, GpxClosingSize,
                                                             GpxClosingTags) == 0,
          "the document ends with the closing tags");
  const std::size_t body = gpxText.find("<trkseg>\n");
  Require(body != std::string::npos, "the first segment opens");
  int points = 0;
  std::size_t at = body + 9;
  const std::size_t end = gpxText.size() - GpxClosingSize;
  while (at < end) {
    const std::size_t lineEnd = gpxText.find('\n', at);
    Require(lineEnd != std::string::npos && lineEnd < end, "every point ends its line");
    const std::string line = gpxText.substr(at, lineEnd - at);
    at = lineEnd + 1;
    if (line == "</trkseg><trkseg>") continue;
    std::smatch match;
    Require(std::regex_match(line, match, point), "a point is in the writer's form");
    const double latitude = std::strtod(match[1].str().c_str(), nullptr);
    const double longitude = std::strtod(match[2].str().c_str(), nullptr);
    Require(latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude < 180.0, "on the globe");
    Require(std::strtod(match[10].str().c_str(), nullptr) < 360.0, "a course below 360");
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
    Require(std::sscanf(match[4].str().c_str(), "%d-%d-%dT%d:%d:%lf", &year, &month, &day, &hour, &minute,
                        &second) == 6 && IsCalendarTime(year, month, day, hour, minute, second),
            "a calendar time");
    ++points;
  }
  Require(points >= 1 && points <= movingTicks, "no more points than moving ticks");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  static Receiver instance;  // its folder goes when the run ends
  receiver = &instance;
  Require(mkfifo(receiver->fifo.c_str(), 0600) == 0, "a FIFO for the receiver");
  portHandle = CreateFileW(kavro_fuzz::Widen(receiver->fifo).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  Require(portHandle != INVALID_HANDLE_VALUE, "the port opens");
  receiver->window = platform::testing::CreateSurfaceWindow(WindowWidth, WindowHeight);
  Require(receiver->window != nullptr, "a window without a display");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > NmeaReadSize) size = NmeaReadSize;  // one read takes no more
  CheckWidening(data, size);
  CheckGpsdFilter(data, size);

  const std::size_t liveHandles = platform::testing::CountLiveHandles();
  ResetTrackState(&trackState);
  tickBusy = TickIdle;
  receiver->folder.shownBoxes = 0;

  gpxText.clear();
  trackRecorder.sink = TakeGpxText;
  std::size_t start = 0;
  int movingTicks = 0;
  for (int tick = 0; tick < MaxTicks && start <= size; ++tick) {
    Send(data + start, size - start);
    HandleTick(receiver->window);
    if (trackState.current.speed > MovingThreshold) ++movingTicks;
    CheckAfterTick(data + start, size - start);
    // The next tick reads from just past the next "RMC".
    const void* next = size - start >= 3 ? memmem(data + start, size - start, "RMC", 3) : nullptr;
    if (next == nullptr) break;
    start = static_cast<std::size_t>(static_cast<const std::uint8_t*>(next) - data) + 1;
  }
  CheckStoredTrack(movingTicks);
  FinishTrack();
  CheckGpxDocument(movingTicks);

  Require(receiver->folder.shownBoxes == 0, "a read of any text shows no message");
  Require(platform::testing::CountLiveHandles() == liveHandles, "every tick gives back its surface and objects");
  return 0;
}
