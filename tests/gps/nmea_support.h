// For the GPS tests: whole FixRecords printed, compared and built, and the example sentences.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/records.h"
#include "gps/nmea_reader.h"

// A letter field as 'A', or as its code when a cut sentence left a line end or a NUL there.
inline std::string Letter(char c) {
  if (c > 0x20 && c < 0x7F) return std::string{'\'', c, '\''};
  return std::to_string(static_cast<unsigned char>(c));
}

// Every field, doubles at full precision, so that a failure shows both whole records.
inline void PrintTo(const FixRecord& f, std::ostream* os) {
  os->precision(17);
  *os << "{time " << f.hour << ':' << f.minute << ':' << f.second << " date " << f.day << '/'
      << f.month << '/' << f.year << " status " << Letter(f.status) << " lat " << f.latitude << ' '
      << Letter(f.latHemisphere) << " lon " << f.longitude << ' ' << Letter(f.lonHemisphere)
      << " speed " << f.speed << " course " << f.course << " alt " << f.altitude << " quality "
      << f.fixQuality << " used " << f.satsUsed << " inView " << f.satsInView << '}';
}

// Records are equal when they print the same (so a stored NaN compares like any other value).
inline bool operator==(const FixRecord& a, const FixRecord& b) {
  return ::testing::PrintToString(a) == ::testing::PrintToString(b);
}

// The fields the example RMC scans straight into the record, which stay when it is rejected:
// status, hemispheres, minute, hour, day, month, year.
inline FixRecord Scanned(int year) { return FixRecord{0, 0, 0, 0, 0, 0, 0, 0, 'A', 'N', 'E', 0, 35, 12, 23, 3, year}; }

// The example RMC taken whole (its numbers read in single precision), with these seconds.
inline FixRecord RmcFixAt(int second) {
  return FixRecord{0, 0, 0, 4807.038f, 1131.0f, 0, 84.4f, 22.4f, 'A', 'N', 'E', second, 35, 12, 23, 3, 2094};
}

// The numbers of a GGA and a GSV.
inline FixRecord Counted(FixRecord fix, int fixQuality, int satsUsed, float altitude, int inView) {
  fix.fixQuality = fixQuality;
  fix.satsUsed = satsUsed;
  fix.altitude = static_cast<double>(altitude);
  fix.satsInView = inView;
  return fix;
}

const std::string RmcExample =
    "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string GgaExample =
    "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string GsvExample =
    "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74";
const std::string AllExamples = GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n";
const FixRecord RmcFix = RmcFixAt(19);
const FixRecord AllFix = Counted(RmcFix, 1, 8, 545.4f, 11);
