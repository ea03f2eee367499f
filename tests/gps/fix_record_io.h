// Whole-record comparison, printing and building of FixRecords for the GPS tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

#include "app/records.h"

// Doubles compare exactly, except that NaN equals NaN: a reader that stores NaN must be
// compared like any other value.
inline bool SameDouble(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

inline bool operator==(const FixRecord& a, const FixRecord& b) {
  return a.satsUsed == b.satsUsed && a.satsInView == b.satsInView && a.fixQuality == b.fixQuality &&
         SameDouble(a.latitude, b.latitude) && SameDouble(a.longitude, b.longitude) &&
         SameDouble(a.altitude, b.altitude) && SameDouble(a.course, b.course) &&
         SameDouble(a.speed, b.speed) && a.status == b.status && a.latHemisphere == b.latHemisphere &&
         a.lonHemisphere == b.lonHemisphere && a.second == b.second && a.minute == b.minute &&
         a.hour == b.hour && a.day == b.day && a.month == b.month && a.year == b.year;
}

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

// Builds expected records; numbers that the reader reads in single precision are given as
// floats, so each expectation states the precision it expects.
struct Fix {
  FixRecord record;
  Fix() { std::memset(static_cast<void*>(&record), 0, sizeof record); }
  explicit Fix(const FixRecord& start) : record(start) {}
  Fix& Time(int hour, int minute, int second) {
    record.hour = hour;
    record.minute = minute;
    record.second = second;
    return *this;
  }
  Fix& Status(char status) {
    record.status = status;
    return *this;
  }
  Fix& Position(float latitude, char latHemisphere, float longitude, char lonHemisphere) {
    record.latitude = static_cast<double>(latitude);
    record.latHemisphere = latHemisphere;
    record.longitude = static_cast<double>(longitude);
    record.lonHemisphere = lonHemisphere;
    return *this;
  }
  Fix& Hemispheres(char latHemisphere, char lonHemisphere) {
    record.latHemisphere = latHemisphere;
    record.lonHemisphere = lonHemisphere;
    return *this;
  }
  Fix& Motion(float speed, float course) {
    record.speed = static_cast<double>(speed);
    record.course = static_cast<double>(course);
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
  operator FixRecord() const { return record; }  // NOLINT: builders convert implicitly
};

// A whole RMC sentence as the reader stores it.
inline Fix Rmc(int hour, int minute, int second, char status, float latitude, char latHemisphere,
               float longitude, char lonHemisphere, float speed, float course, int day, int month, int year) {
  Fix fix;
  fix.Time(hour, minute, second).Status(status);
  fix.Position(latitude, latHemisphere, longitude, lonHemisphere).Motion(speed, course).Date(day, month, year);
  return fix;
}
