// The GPX text of a track, built in a caller's buffer without the C library's number formatting:
// the figures never depend on the locale.
#include "record/gpx_writer.h"

#include <cmath>
#include <cstring>

#include "view/track_plot.h"

namespace {

constexpr double MinutesPerDegree = 60.0;
constexpr double MetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr std::int64_t MsPerDay = 86400000;
constexpr int FirstYear = 2000;  // the reader's years are 2000 + two digits
constexpr int LastYear = 2099;

constexpr char DocumentStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Kavro\" xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.garmin.com/xmlschemas/TrackPointExtension/v2"
    " https://www8.garmin.com/xmlschemas/TrackPointExtensionv2.xsd\">\n";
constexpr char SegmentBreak[] = "</trkseg><trkseg>\n";

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// A point's time broken into its calendar parts.
struct CalendarTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};

CalendarTime CalendarOf(std::int64_t timeMs) {
  CalendarTime time;
  std::int64_t days = timeMs / MsPerDay;
  std::int64_t rest = timeMs % MsPerDay;
  time.year = FirstYear;
  while (days >= (IsLeapYear(time.year) ? 366 : 365)) days -= IsLeapYear(time.year++) ? 366 : 365;
  time.month = 1;
  while (days >= DaysInMonth(time.year, time.month)) days -= DaysInMonth(time.year, time.month++);
  time.day = static_cast<int>(days) + 1;
  time.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  time.second = static_cast<int>(rest % 60);
  rest /= 60;
  time.minute = static_cast<int>(rest % 60);
  time.hour = static_cast<int>(rest / 60);
  return time;
}

// Appends text at *at, never past end (the buffer is sized for the longest point).
void Put(char** at, const char* end, const char* text, std::size_t length) {
  if (length > static_cast<std::size_t>(end - *at)) length = static_cast<std::size_t>(end - *at);
  std::memcpy(*at, text, length);
  *at += length;
}
void Put(char** at, const char* end, const char* text) { Put(at, end, text, std::strlen(text)); }

// A whole number with at least `width` digits, zero-padded.
std::size_t FormatWhole(std::uint64_t value, int width, char* out) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 || count < width);
  for (int i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
  return static_cast<std::size_t>(count);
}

void PutWhole(char** at, const char* end, std::uint64_t value, int width) {
  char digits[24];
  Put(at, end, digits, FormatWhole(value, width, digits));
}

// YYYY-MM-DDTHH:MM:SS[.mmm]Z; the thousandths only when the receiver's time had a fraction.
void PutTime(char** at, const char* end, std::int64_t timeMs) {
  const CalendarTime time = CalendarOf(timeMs);
  PutWhole(at, end, static_cast<std::uint64_t>(time.year), 4);
  Put(at, end, "-");
  PutWhole(at, end, static_cast<std::uint64_t>(time.month), 2);
  Put(at, end, "-");
  PutWhole(at, end, static_cast<std::uint64_t>(time.day), 2);
  Put(at, end, "T");
  PutWhole(at, end, static_cast<std::uint64_t>(time.hour), 2);
  Put(at, end, ":");
  PutWhole(at, end, static_cast<std::uint64_t>(time.minute), 2);
  Put(at, end, ":");
  PutWhole(at, end, static_cast<std::uint64_t>(time.second), 2);
  if (time.millisecond != 0) {
    Put(at, end, ".");
    PutWhole(at, end, static_cast<std::uint64_t>(time.millisecond), 3);
  }
  Put(at, end, "Z");
}

// An element holding a number, left out when the number cannot be written.
void PutNumberElement(char** at, const char* end, const char* name, double value, int decimals) {
  char number[32];
  const std::size_t length = FormatDecimal(value, decimals, number);
  if (length == 0) return;
  Put(at, end, "<");
  Put(at, end, name);
  Put(at, end, ">");
  Put(at, end, number, length);
  Put(at, end, "</");
  Put(at, end, name);
  Put(at, end, ">");
}

// GGA's fix quality as GPX's fix kind; nullptr for kinds GPX has no word for (estimated,
// manual, simulated).
const char* FixKindOf(std::int32_t quality) {
  switch (quality) {
    case 0: return "none";
    case 1: return "3d";
    case 2:
    case 4:
    case 5: return "dgps";
    case 3: return "pps";
    default: return nullptr;
  }
}

// Course in degrees from 0 up to (not including) 360.
double CourseOf(double course) {
  double wrapped = std::fmod(course, 360.0);
  if (wrapped < 0.0) wrapped += 360.0;
  return wrapped >= 360.0 ? 0.0 : wrapped;
}

void PutPoint(char** at, const char* end, const GpxPoint* point, const FixRecord* fix, const FixExtras* extras) {
  char number[32];
  Put(at, end, "<trkpt lat=\"");
  Put(at, end, number, FormatDecimal(point->latitude, 7, number));
  Put(at, end, "\" lon=\"");
  Put(at, end, number, FormatDecimal(point->longitude, 7, number));
  Put(at, end, "\">");
  if (extras->hasGga) PutNumberElement(at, end, "ele", fix->altitude, 2);
  Put(at, end, "<time>");
  PutTime(at, end, point->timeMs);
  Put(at, end, "</time>");
  if (extras->hasGga) {
    const char* kind = FixKindOf(fix->fixQuality);
    if (kind != nullptr) {
      Put(at, end, "<fix>");
      Put(at, end, kind);
      Put(at, end, "</fix>");
    }
    if (fix->satsUsed >= 0) {
      Put(at, end, "<sat>");
      PutWhole(at, end, static_cast<std::uint64_t>(fix->satsUsed), 1);
      Put(at, end, "</sat>");
    }
  }
  Put(at, end, "<extensions><gpxtpx:TrackPointExtension>");
  if (fix->speed >= 0.0) PutNumberElement(at, end, "gpxtpx:speed", fix->speed * MetresPerSecondPerKnot, 3);
  PutNumberElement(at, end, "gpxtpx:course", CourseOf(fix->course), 2);
  Put(at, end, "</gpxtpx:TrackPointExtension></extensions></trkpt>\n");
}

// The first lines of the document: the gpx element, then metadata, track and first segment,
// named by the first point's time.
void PutDocumentStart(char** at, const char* end, std::int64_t timeMs) {
  Put(at, end, DocumentStart);
  Put(at, end, "<metadata><time>");
  PutTime(at, end, timeMs);
  Put(at, end, "</time></metadata>\n<trk><name>");
  PutTime(at, end, timeMs - timeMs % 1000);
  Put(at, end, "</name><src>Kavro</src><trkseg>\n");
}

}  // namespace

int ReadGpxPoint(const FixRecord* fix, const FixExtras* extras, GpxPoint* point) {
  if (fix->year < FirstYear || fix->year > LastYear || fix->month < 1 || fix->month > 12) return 0;
  if (fix->day < 1 || fix->day > DaysInMonth(fix->year, fix->month)) return 0;
  if (fix->hour < 0 || fix->hour > 23 || fix->minute < 0 || fix->minute > 59) return 0;
  // xsd:dateTime has no leap second, so a fix in one is left out.
  if (fix->second < 0 || fix->second > 59 || extras->millisecond < 0 || extras->millisecond > 999) return 0;
  const double latitude = SignedMinutes(fix->latitude, fix->latHemisphere) / MinutesPerDegree;
  double longitude = SignedMinutes(fix->longitude, fix->lonHemisphere) / MinutesPerDegree;
  if (!(std::fabs(latitude) <= 90.0) || !(std::fabs(longitude) <= 180.0)) return 0;
  if (longitude == 180.0) longitude = -180.0;  // the same meridian, as GPX writes it

  std::int64_t days = 0;
  for (int year = FirstYear; year < fix->year; ++year) days += IsLeapYear(year) ? 366 : 365;
  for (int month = 1; month < fix->month; ++month) days += DaysInMonth(fix->year, month);
  days += fix->day - 1;
  point->latitude = latitude;
  point->longitude = longitude;
  point->timeMs = (((days * 24 + fix->hour) * 60 + fix->minute) * 60 + fix->second) * 1000 + extras->millisecond;
  return 1;
}

std::size_t AppendTrackPoint(GpxWriter* writer, const FixRecord* fix, const FixExtras* extras, char* out) {
  GpxPoint point;
  if (!ReadGpxPoint(fix, extras, &point)) return 0;
  char* at = out;
  const char* end = out + GpxTextSize;
  if (!writer->started) {
    PutDocumentStart(&at, end, point.timeMs);
  } else {
    const std::int64_t gap = point.timeMs - writer->lastTimeMs;
    if (gap > SegmentGapMs || gap < -SegmentGapMs) Put(&at, end, SegmentBreak);
  }
  PutPoint(&at, end, &point, fix, extras);
  writer->started = 1;
  writer->lastTimeMs = point.timeMs;
  return static_cast<std::size_t>(at - out);
}

std::size_t FormatEmptyGpx(char* out) {
  char* at = out;
  Put(&at, out + GpxTextSize, DocumentStart);
  Put(&at, out + GpxTextSize, "</gpx>\n");
  return static_cast<std::size_t>(at - out);
}

std::size_t FormatTrackFileName(std::int64_t timeMs, int number, wchar_t* out, std::size_t size) {
  const CalendarTime time = CalendarOf(timeMs);
  char text[48];
  char* at = text;
  const char* end = text + sizeof text;
  PutWhole(&at, end, static_cast<std::uint64_t>(time.year), 4);
  Put(&at, end, "-");
  PutWhole(&at, end, static_cast<std::uint64_t>(time.month), 2);
  Put(&at, end, "-");
  PutWhole(&at, end, static_cast<std::uint64_t>(time.day), 2);
  Put(&at, end, "_");
  PutWhole(&at, end, static_cast<std::uint64_t>(time.hour), 2);
  Put(&at, end, "-");
  PutWhole(&at, end, static_cast<std::uint64_t>(time.minute), 2);
  Put(&at, end, "-");
  PutWhole(&at, end, static_cast<std::uint64_t>(time.second), 2);
  Put(&at, end, "Z");
  if (number > 1) {
    Put(&at, end, "_");
    PutWhole(&at, end, static_cast<std::uint64_t>(number), 1);
  }
  Put(&at, end, ".gpx");
  std::size_t length = static_cast<std::size_t>(at - text);
  if (size == 0) return 0;
  if (length > size - 1) length = size - 1;
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<wchar_t>(text[i]);
  out[length] = L'\0';
  return length;
}

std::size_t FormatDecimal(double value, int decimals, char* out) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e15 || decimals < 0 || decimals > 9) return 0;
  double scale = 1.0;
  for (int i = 0; i < decimals; ++i) scale *= 10.0;
  // The rounding is done on the scaled magnitude, which must fit 64 bits.
  const long double scaled = std::fabs(static_cast<long double>(value)) * static_cast<long double>(scale) + 0.5L;
  if (scaled >= 1e19L) return 0;
  const auto units = static_cast<std::uint64_t>(scaled);
  std::size_t length = 0;
  if (value < 0.0 && units != 0) out[length++] = '-';
  const std::uint64_t divisor = static_cast<std::uint64_t>(scale);
  length += FormatWhole(units / divisor, 1, out + length);
  if (decimals > 0) {
    out[length++] = '.';
    length += FormatWhole(units % divisor, decimals, out + length);
  }
  return length;
}
