// A made-up but realistic drive for tools and benchmarks: fixes as the NMEA reader stores
// them, one per moving timer tick, through curves, straights and changes of speed.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/records.h"

namespace sample_drive {

// Deterministic, so that every run draws the same track.
class Random {
 public:
  explicit Random(std::uint64_t start) : state_(start) {}
  // Uniform in [0, 1).
  double Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
  }

 private:
  std::uint64_t state_;
};

inline double SinglePrecision(double value) {
  return static_cast<double>(static_cast<float>(value));
}

// ddmm.mmmm from signed minutes of arc, and the hemisphere letter.
inline double NmeaNumber(double minutes) {
  double magnitude = std::fabs(minutes);
  double degrees = std::floor(magnitude / 60.0);
  return SinglePrecision(degrees * 100.0 + (magnitude - degrees * 60.0));
}

// Fills points[0..count) with a drive starting at the given position (signed minutes of arc),
// one fix every secondsPerPoint seconds. Each variant number gives its own drive.
inline void FillDrive(FixRecord* points, std::int32_t count, double startLatitude,
                      double startLongitude, double secondsPerPoint, std::uint64_t variant) {
  const double pi = 3.14159265358979323846;
  const double metresPerMinute = 1852.0;
  Random random(variant);
  double latitude = startLatitude;
  double longitude = startLongitude;
  double heading = 60.0;     // degrees from north
  double turnRate = 0.0;     // degrees per second
  double speed = 14.0;       // metres per second
  double targetSpeed = 14.0;
  double seconds = 12 * 3600.0;
  for (std::int32_t i = 0; i < count; ++i) {
    // Now and then a new bend and a new cruising speed; in between, steady driving.
    if (random.Next() < 0.02 * secondsPerPoint) turnRate = (random.Next() - 0.5) * 12.0;
    if (random.Next() < 0.05 * secondsPerPoint) turnRate = 0.0;
    if (random.Next() < 0.01 * secondsPerPoint) targetSpeed = 3.0 + random.Next() * 30.0;
    speed += (targetSpeed - speed) * std::fmin(1.0, 0.1 * secondsPerPoint);
    heading = std::fmod(heading + turnRate * secondsPerPoint + 360.0, 360.0);
    double step = speed * secondsPerPoint;
    double radians = heading * pi / 180.0;
    latitude += step * std::cos(radians) / metresPerMinute;
    longitude += step * std::sin(radians) /
                 (metresPerMinute * std::cos(latitude / 60.0 * pi / 180.0));
    seconds += secondsPerPoint;

    FixRecord& fix = points[i];
    fix = FixRecord{};
    fix.satsUsed = 8;
    fix.satsInView = 11;
    fix.fixQuality = 1;
    fix.latitude = NmeaNumber(latitude);
    fix.longitude = NmeaNumber(longitude);
    fix.altitude = SinglePrecision(520.0 + 30.0 * std::sin(i / 500.0));
    fix.course = SinglePrecision(heading);
    fix.speed = SinglePrecision(speed / 1852.0 * 3600.0);
    fix.status = 'A';
    fix.latHemisphere = latitude < 0.0 ? 'S' : 'N';
    fix.lonHemisphere = longitude < 0.0 ? 'W' : 'E';
    auto whole = static_cast<std::int64_t>(seconds);
    fix.second = static_cast<std::int32_t>(whole % 60);
    fix.minute = static_cast<std::int32_t>(whole / 60 % 60);
    fix.hour = static_cast<std::int32_t>(whole / 3600 % 24);
    fix.day = 23;
    fix.month = 3;
    fix.year = 2094;
  }
}

}  // namespace sample_drive
