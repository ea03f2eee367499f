// The timer tick: one read from the receiver, then the info panel, the track, the compass and
// the speed figure, all on one drawing surface; each point stored also goes to the track file.
#include "track/tick.h"

#include <cmath>

#include "gps/nmea_reader.h"
#include "platform/user.h"
#include "record/track_recorder.h"
#include "view/compass.h"
#include "view/info_panel.h"
#include "view/track_plot.h"

std::uint8_t tickBusy = TickIdle;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double MinutesPerDegree = 60.0;
constexpr double MinutesAroundTheWorld = 360.0 * MinutesPerDegree;

// A fix is recorded on its speed alone. The reader takes no sentence whose numbers are not
// finite, so a recorded position is always a number.
int IsRecordable(const FixRecord* fix) { return fix->speed > MovingThreshold; }

}  // namespace

double MeasureStep(const FixRecord* from, const FixRecord* to) {
  const double fromLatitude = SignedMinutes(from->latitude, from->latHemisphere);
  const double toLatitude = SignedMinutes(to->latitude, to->latHemisphere);
  double longitudeStep = SignedMinutes(to->longitude, to->lonHemisphere) -
                         SignedMinutes(from->longitude, from->lonHemisphere);
  // The short way round across the 180th meridian.
  if (longitudeStep > MinutesAroundTheWorld / 2.0) longitudeStep -= MinutesAroundTheWorld;
  if (longitudeStep < -MinutesAroundTheWorld / 2.0) longitudeStep += MinutesAroundTheWorld;
  // A minute of longitude is a minute of arc only at the equator. A step due north keeps its
  // latitude difference exactly: the cosine multiplies a zero.
  const double meanLatitude = (fromLatitude + toLatitude) / 2.0 / MinutesPerDegree * (Pi / 180.0);
  const double latitudeStep = toLatitude - fromLatitude;
  const double eastStep = longitudeStep * std::cos(meanLatitude);
  return std::sqrt(std::pow(std::fabs(latitudeStep), 2.0) + std::pow(std::fabs(eastStep), 2.0));
}

void AddStep(TrackState* state, double step) {
  state->distance = step + state->distance;
  if (state->current.speed > state->topSpeed) state->topSpeed = state->current.speed;
}

void StoreCurrentFix(TrackState* state) {
  if (state->pointCount < TrackCapacity) {
    state->points[state->pointCount] = state->current;
    ++state->pointCount;
  } else {
    state->points[TrackCapacity - 1] = state->current;
  }
}

int HandleTick(HWND window) {
  // Every timer message, even one that finds the tick busy or stopped for good, lets written
  // track points reach the disk in time.
  KeepTrackOnDisk();
  if (tickBusy != TickIdle) return 0;
  tickBusy = TickRunning;
  // The reader has shown its message; with no port to read, later ticks have nothing to do.
  if (!PollNmea()) {
    tickBusy = TickStopped;
    return 0;
  }

  HDC surface = GetDC(window);
  RECT client = {0, 0, 0, 0};
  GetClientRect(window, &client);
  // The panel shows the top speed and distance as they stood before this tick.
  DrawInfoPanel(surface, &client);

  const FixRecord* current = &trackState.current;
  if (IsRecordable(current)) {
    // The first point has nothing to be measured from, and its speed never counts as top speed.
    if (trackState.pointCount == 0) {
      StoreCurrentFix(&trackState);
      RecordTrackFix(&trackState);
    } else {
      const double step = MeasureStep(&trackState.points[trackState.pointCount - 1], current);
      // The plot shows the points stored up to the previous moving tick.
      DrawTrack(&trackState, window, surface);
      AddStep(&trackState, step);
      StoreCurrentFix(&trackState);
      // The file goes on where the plot stops: once the store is full, the point stored in
      // place of the last one is recorded all the same.
      RecordTrackFix(&trackState);
    }
  }
  if (current->speed > CompassThreshold) DrawCompass(window, surface);
  const int figure = SpeedFigureOf(current->speed);
  if (figure != trackState.shownSpeed) DrawSpeedFigure(surface, &client, figure);

  ReleaseDC(window, surface);
  tickBusy = TickIdle;
  return 0;
}
