// For the GPS tests: whole-record comparison, printing and building of FixRecords, the example
// sentences, and the real receiver captures in the folder the build names.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "app/records.h"
#include "common/program_folder.h"
#include "gps/nmea_reader.h"

// A letter field as 'A', or as its code when a cut sentence left a line end or a NUL there.
inline std::string Letter(char c) {
  if (c > 0x20 && c < 0x7F) return std::string{'\'', c, '\''};
  return std::to_string(static_cast<unsigned char>(c));
}

// GoogleTest prints whole records with this, so a failure shows every field of both sides.
inline void PrintTo(const FixRecord& f, std::ostream* os) {
  os->precision(17);
  *os << "{time " << f.hour << ':' << f.minute << ':' << f.second << " date " << f.day << '/' << f.month << '/'
      << f.year << " status " << Letter(f.status) << " lat " << f.latitude << ' ' << Letter(f.latHemisphere) << " lon "
      << f.longitude << ' ' << Letter(f.lonHemisphere) << " speed " << f.speed << " course " << f.course << " alt "
      << f.altitude << " quality " << f.fixQuality << " used " << f.satsUsed << " inView " << f.satsInView << '}';
}

// Records are equal when they print the same: every field, doubles at full precision (so a
// stored NaN compares like any other value).
inline bool operator==(const FixRecord& a, const FixRecord& b) {
  return ::testing::PrintToString(a) == ::testing::PrintToString(b);
}

// Builds expected records. Numbers the reader reads in single precision are given as floats,
// so each expectation states the precision it expects.
struct Fix {
  FixRecord record{};
  Fix() = default;
  explicit Fix(const FixRecord& start) : record(start) {}
  operator FixRecord() const { return record; }  // NOLINT: builders convert implicitly

  // The fields an RMC scans straight into the record, which stay even when it is rejected.
  Fix& Scanned(int hour, int minute, char status, char latHemisphere = 0, char lonHemisphere = 0) {
    record.hour = hour;
    record.minute = minute;
    record.status = status;
    record.latHemisphere = latHemisphere;
    record.lonHemisphere = lonHemisphere;
    return *this;
  }
  Fix& Second(int second) {
    record.second = second;
    return *this;
  }
  Fix& Date(int day, int month, int year) {
    record.day = day;
    record.month = month;
    record.year = year;
    return *this;
  }
  Fix& Gga(int fixQuality, int satsUsed, float altitude) {
    record.fixQuality = fixQuality;
    record.satsUsed = satsUsed;
    record.altitude = static_cast<double>(altitude);
    return *this;
  }
  Fix& InView(int satsInView) {
    record.satsInView = satsInView;
    return *this;
  }
};

// A whole RMC sentence as the reader stores it.
inline Fix Rmc(int hour, int minute, int second, char status, float latitude, char latHemisphere,
               float longitude, char lonHemisphere, float speed, float course, int day, int month, int year) {
  Fix fix;
  fix.Scanned(hour, minute, status, latHemisphere, lonHemisphere).Second(second).Date(day, month, year);
  fix.record.latitude = static_cast<double>(latitude);
  fix.record.longitude = static_cast<double>(longitude);
  fix.record.speed = static_cast<double>(speed);
  fix.record.course = static_cast<double>(course);
  return fix;
}

const std::string RmcExample = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string GgaExample = "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string GsvExample = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74";
const FixRecord RmcExampleFix = Rmc(12, 35, 19, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 23, 3, 2094);

// A capture as a port would deliver it, '#' header lines included.
inline std::string ReadNmeaLog(const std::string& name) {
  return kavro_test::ReadWholeFile(std::string(KAVRO_NMEA_DIR) + "/" + name);
}

// Parses bytes [offset, offset + length) of a log as one read, exactly as PollNmea does: the
// bytes, then the terminating NUL, in a block of exactly that size.
inline FixRecord ParseLogPiece(const std::string& log, std::size_t offset, std::size_t length) {
  std::vector<char> buffer(log.begin() + static_cast<std::ptrdiff_t>(offset),
                           log.begin() + static_cast<std::ptrdiff_t>(std::min(log.size(), offset + length)));
  buffer.push_back('\0');
  FixRecord fix;
  ParseNmeaText(buffer.data(), &fix);
  return fix;
}
