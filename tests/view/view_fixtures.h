// Helpers shared by the view tests: fixes as the NMEA reader stores them, and coordinates
// built from signed minutes of arc.
#pragma once

#include <cmath>

#include "app/records.h"

namespace view_test {

// A coordinate as the reader stores it: read in single precision, kept as a double.
inline double Nmea(double value) { return static_cast<double>(static_cast<float>(value)); }

// The ddmm.mmmm number of a count of minutes of arc (not negative).
inline double NmeaFromMinutes(double minutes) {
  double degrees = std::floor(minutes / 60.0);
  return degrees * 100.0 + (minutes - degrees * 60.0);
}

inline FixRecord FixAt(double longitude, double latitude, char lonHemisphere = 'E',
                       char latHemisphere = 'N') {
  FixRecord fix{};
  fix.longitude = Nmea(longitude);
  fix.latitude = Nmea(latitude);
  fix.lonHemisphere = lonHemisphere;
  fix.latHemisphere = latHemisphere;
  fix.status = 'A';
  fix.speed = Nmea(10.0);
  return fix;
}

// Clears the state and gives it a reference point taken from the fix, stored as point 0.
inline void StartTrackAt(TrackState* state, const FixRecord& first) {
  ResetTrackState(state);
  state->points[0] = first;
  state->pointCount = 1;
  state->refLongitude = first.longitude;
  state->refLatitude = first.latitude;
}

}  // namespace view_test
