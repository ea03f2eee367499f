// The records every part of the program shares: one GPS fix, and the program-wide track state.
#pragma once

#include <cstdint>

#ifndef KAVRO_TRACK_CAPACITY
#define KAVRO_TRACK_CAPACITY 100000
#endif

// Number of slots in the track store, fixed when the program is built.
constexpr std::int32_t TrackCapacity = KAVRO_TRACK_CAPACITY;

// One GPS fix as the NMEA reader builds it. Latitude and longitude are the NMEA numbers
// degrees * 100 + minutes (ddmm.mmmm / dddmm.mmmm), unsigned, with the hemisphere letters
// kept apart.
struct FixRecord {
  std::int32_t satsUsed;
  std::int32_t satsInView;
  std::int32_t fixQuality;
  double latitude;
  double longitude;
  double altitude;   // metres above mean sea level
  double course;     // degrees from true north
  double speed;      // knots
  char status;       // 'A' valid, 'V' warning
  char latHemisphere;
  char lonHemisphere;
  std::int32_t second;
  std::int32_t minute;
  std::int32_t hour;
  std::int32_t day;
  std::int32_t month;
  std::int32_t year;  // 2000 + two-digit year
};

// What a read held beside the fix record, for the track file: the thousandths of a second of
// the RMC time (the record keeps the whole second) and whether a GGA was taken.
struct FixExtras {
  std::int32_t millisecond;  // 0 to 999
  std::uint8_t hasGga;
};

// Where tracks go, from the TRACKS line of Tolm.ini.
constexpr std::uint8_t TracksInProgramFolder = 0;  // tracks/ beside the program (no TRACKS line)
constexpr std::uint8_t TracksInNamedFolder = 1;    // the folder in tracksFolder
constexpr std::uint8_t TracksOff = 2;              // TRACKS = off
constexpr std::uint8_t TracksFolderTooLong = 3;    // a value cut by the line length: nothing is recorded
constexpr int TracksFolderSize = 260;

// Room for the source a PORT line names, its terminator included.
constexpr int PortSourceSize = 260;

struct PixelPoint {
  std::int32_t x;
  std::int32_t y;
};

// Everything the program knows: the track store, the plot's view, the running top speed and
// distance, the stylus drag, the serial settings and the current fix. One fixed block, never
// allocated on the heap.
struct TrackState {
  std::int32_t pointCount;
  wchar_t logPath[260];
  std::uint8_t dragging;
  std::int32_t shownSpeed;
  std::int32_t panX;
  std::int32_t panY;
  std::int32_t portNumber;
  std::int32_t baudRate;
  // The source a PORT line names when it is no COM port ("/dev/ttyACM0", "gpsd",
  // "tcp://10.0.0.5:10110", ...); empty when the port is COM<portNumber>.
  wchar_t portSource[PortSourceSize];
  double refLongitude;
  double refLatitude;  // 0.0: not yet set
  double zoom;         // larger shows more ground
  double topSpeed;     // knots
  double distance;     // minutes of arc; shown * 1.852 as kilometres
  PixelPoint dragStart;
  FixRecord current;
  FixRecord points[TrackCapacity];
  FixExtras currentExtras;
  std::uint8_t tracksMode;
  wchar_t tracksFolder[TracksFolderSize];  // absolute, or relative to the program folder
};

// The one program-wide state, set up before the entry function runs.
extern TrackState trackState;

// Puts a state back to its start-up values: all zero, zoom 1.0.
void ResetTrackState(TrackState* state);
