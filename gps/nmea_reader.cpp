// The NMEA reader: finds the first RMC, GGA and GSV sentence in one buffer and scans their
// fields into the current fix. There is no framing and no checksum test; each read stands alone.
#include "gps/nmea_reader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "gps/gps_port.h"
#include "platform/kernel.h"
#include "platform/user.h"

namespace {

// Each pattern starts at the first field (four characters past the start of the sentence name)
// and ends with %n, which counts no conversion: it tells where the last field ended, so that a
// sentence whose text stops inside its last field is not taken for a whole one.

// $GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
// time hhmmss.ss, status, latitude, N/S, longitude, E/W, speed (knots), course, date ddmmyy
constexpr char RmcPattern[] = "%2d%2d%f,%c,%f,%c,%f,%c,%f,%f,%2d%2d%2d%n";
constexpr int RmcFieldCount = 13;

// $GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
// time, latitude, N/S, longitude, E/W, fix quality, satellites used, dilution, altitude (m)
constexpr char GgaPattern[] = "%2d%2d%f,%f,%c,%f,%c,%d,%d,%f,%f%n";
constexpr int GgaFieldCount = 11;

// $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74
// number of messages, message number, satellites in view
constexpr char GsvPattern[] = "%d,%d,%d%n";
constexpr int GsvFieldCount = 3;

// The first field of the first sentence with this name, or nullptr when the name is missing or
// the text ends on it or on the one character after it (any talker prefix matches).
const char* FindSentenceFields(const char* text, const char* name) {
  const char* match = std::strstr(text, name);
  if (match == nullptr || match[3] == '\0' || match[4] == '\0') return nullptr;
  return match + 4;
}

// A scan whose last conversion ran up to the end of the text may have met a cut-off field
// ("2303" + "9" reads as year 9): only a field followed by more text is known to be whole.
bool FollowedByMoreText(const char* fields, int end) { return fields[end] != '\0'; }

// Noise can spell "nan" or "inf" where a number belongs; such a sentence is no fix, and letting
// it through would poison the track, the distance and the plot for the rest of the run.
bool AllFinite(std::initializer_list<float> values) {
  for (float value : values) {
    if (!std::isfinite(value)) return false;
  }
  return true;
}

// Seconds truncated toward zero; absurd values saturate instead of overflowing, NaN gives 0.
std::int32_t TruncateSeconds(float seconds) {
  if (std::isnan(seconds)) return 0;
  if (seconds >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
  if (seconds <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(seconds);
}

// The thousandths below the whole second, rounded; 999 at most, so the second never changes.
std::int32_t MillisecondsOf(float seconds) {
  const double fraction = static_cast<double>(seconds) - std::trunc(static_cast<double>(seconds));
  if (!(fraction > 0.0)) return 0;
  const double thousandths = std::floor(fraction * 1000.0 + 0.5);
  return thousandths >= 999.0 ? 999 : static_cast<std::int32_t>(thousandths);
}

// Time, status, hemispheres and date go straight into the fix, so whatever was scanned before a
// failure stays; the numbers are kept only when the whole sentence was read.
void ParseRmc(const char* text, FixRecord* fix, FixExtras* extras) {
  const char* fields = FindSentenceFields(text, "RMC");
  if (fields == nullptr) return;
  float seconds = 0.0f;
  float latitude = 0.0f;
  float longitude = 0.0f;
  float speed = 0.0f;
  float course = 0.0f;
  int end = 0;
  const int count = std::sscanf(fields, RmcPattern, &fix->hour, &fix->minute, &seconds, &fix->status,
                                &latitude, &fix->latHemisphere, &longitude, &fix->lonHemisphere, &speed,
                                &course, &fix->day, &fix->month, &fix->year, &end);
  if (count != RmcFieldCount || !FollowedByMoreText(fields, end)) return;
  if (!AllFinite({latitude, longitude, speed, course})) return;
  fix->second = TruncateSeconds(seconds);
  extras->millisecond = MillisecondsOf(seconds);
  fix->latitude = static_cast<double>(latitude);
  fix->longitude = static_cast<double>(longitude);
  fix->speed = static_cast<double>(speed);
  fix->course = static_cast<double>(course);
  fix->year += 2000;
}

// Only the fix quality, the satellites used and the altitude are kept.
void ParseGga(const char* text, FixRecord* fix, FixExtras* extras) {
  const char* fields = FindSentenceFields(text, "GGA");
  if (fields == nullptr) return;
  int hour = 0;
  int minute = 0;
  float seconds = 0.0f;
  float latitude = 0.0f;
  char latHemisphere = 0;
  float longitude = 0.0f;
  char lonHemisphere = 0;
  int fixQuality = 0;
  int satsUsed = 0;
  float dilution = 0.0f;
  float altitude = 0.0f;
  int end = 0;
  const int count = std::sscanf(fields, GgaPattern, &hour, &minute, &seconds, &latitude, &latHemisphere,
                                &longitude, &lonHemisphere, &fixQuality, &satsUsed, &dilution, &altitude, &end);
  if (count != GgaFieldCount || !FollowedByMoreText(fields, end)) return;
  if (!AllFinite({altitude})) return;
  fix->fixQuality = fixQuality;
  fix->satsUsed = satsUsed;
  fix->altitude = static_cast<double>(altitude);
  extras->hasGga = 1;
}

// Only the first GSV of a cycle is read; every message of the cycle repeats the count.
void ParseGsv(const char* text, FixRecord* fix) {
  const char* fields = FindSentenceFields(text, "GSV");
  if (fields == nullptr) return;
  int messageCount = 0;
  int messageNumber = 0;
  int satsInView = 0;
  int end = 0;
  const int count = std::sscanf(fields, GsvPattern, &messageCount, &messageNumber, &satsInView, &end);
  if (count != GsvFieldCount || !FollowedByMoreText(fields, end)) return;
  fix->satsInView = satsInView;
}

}  // namespace

DWORD lastReadSize = 0;

void ParseNmeaText(const char* text, FixRecord* fix) {
  FixExtras extras;
  ParseNmeaTextWithExtras(text, fix, &extras);
}

void ParseNmeaTextWithExtras(const char* text, FixRecord* fix, FixExtras* extras) {
  std::memset(static_cast<void*>(fix), 0, sizeof *fix);
  std::memset(static_cast<void*>(extras), 0, sizeof *extras);
  ParseRmc(text, fix, extras);
  ParseGga(text, fix, extras);
  ParseGsv(text, fix);
}

int PollNmea() {
  // One byte more than a read can fill, for the NUL that ends the text at the bytes read.
  char buffer[NmeaReadSize + 1];
  DWORD bytesRead = 0;
  lastReadSize = 0;
  if (!ReadFile(portHandle, buffer, NmeaReadSize, &bytesRead, nullptr)) {
    MessageBoxW(nullptr, L"Error Reading comms port.", L"Error", MB_OK);
    return 0;
  }
  if (bytesRead > NmeaReadSize) bytesRead = NmeaReadSize;  // never index past the buffer
  lastReadSize = bytesRead;
  buffer[bytesRead] = '\0';
  ParseNmeaTextWithExtras(buffer, &trackState.current, &trackState.currentExtras);
  return 1;
}
