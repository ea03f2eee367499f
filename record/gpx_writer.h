// The GPX text of a track: the document's start, one point at a time, the segment breaks and
// the closing tags, with numbers written in the program's own digits (a point as the decimal
// separator whatever the locale). The viewer's recorder and the decoder's --gpx write the same.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/records.h"

// Room for the text AppendTrackPoint may produce: the document's start and one point.
constexpr std::size_t GpxTextSize = 2048;

// Closes the open segment, the track and the document. Written after every point, where the
// next point's text begins.
constexpr char GpxClosingTags[] = "</trkseg></trk></gpx>\n";
constexpr std::size_t GpxClosingSize = sizeof GpxClosingTags - 1;

// A new segment starts when two recorded points are further apart than this on the receiver's
// clock (a stop, or fixes lost), so that a map draws no straight line across the gap.
constexpr std::int64_t SegmentGapMs = 10000;

// What the writer remembers between points of one track.
struct GpxWriter {
  std::uint8_t started;      // the document's start has been written
  std::int64_t lastTimeMs;   // the receiver's time of the last point, ms since 2000-01-01
};

// A point's place and time as they go into the file.
struct GpxPoint {
  double latitude;   // degrees, south negative
  double longitude;  // degrees, west negative, -180 <= longitude < 180
  std::int64_t timeMs;  // UTC, ms since 2000-01-01 00:00:00
};

// Reads a fix as a GPX point: its signed degrees and its UTC time. Returns 0 when the fix has
// no calendar date and time or its position lies off the globe; such a fix is not written.
int ReadGpxPoint(const FixRecord* fix, const FixExtras* extras, GpxPoint* point);

// The text that puts this fix into the document before the closing tags: the document's start
// for the first point, a segment break after a gap, then the point. Returns its length, or 0
// when the fix cannot be written (the writer is then unchanged). out holds GpxTextSize bytes.
std::size_t AppendTrackPoint(GpxWriter* writer, const FixRecord* fix, const FixExtras* extras, char* out);

// A whole document without a track, for a log that never moved. Returns its length; out
// holds GpxTextSize bytes.
std::size_t FormatEmptyGpx(char* out);

// "YYYY-MM-DD_HH-MM-SSZ" of a point's time, plus "_<number>" when number > 1, plus ".gpx", as a
// file name. Returns its length; out holds size wide characters (32 is always enough).
std::size_t FormatTrackFileName(std::int64_t timeMs, int number, wchar_t* out, std::size_t size);

// A number with this many decimals (0 to 9), rounded half away from zero, no exponent. Returns
// the length written to out (32 bytes are enough), or 0 when the number is not finite, its
// magnitude reaches 1e15, or it times 10^decimals reaches 1e19.
std::size_t FormatDecimal(double value, int decimals, char* out);
