// The decoder's output: one JSON line per read, and a summary line at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/records.h"

// Where one read lay in the log.
struct ReadSpan {
  std::uint64_t offset;
  std::uint32_t length;
};

// What the decoder counts over the whole log besides the track state.
struct DecodeTotals {
  std::uint64_t reads;
  std::uint64_t bytes;
  std::uint64_t validFixes;  // reads whose first RMC sentence was whole and had status 'A'
  FixRecord firstFix;        // the first and the latest of those
  FixRecord lastFix;
};

// A number as the shortest text that reads back as the same double; null when not finite.
void AppendJsonNumber(std::string* out, double value);

// A string of single bytes: quotes, backslashes, control characters and bytes above 0x7F are
// escaped (bytes as \u00XX, so that the line stays valid UTF-8 whatever the log held).
void AppendJsonString(std::string* out, const char* text, std::size_t length);

// A fix's letter as a one-character string; NUL (no letter read) as "".
void AppendJsonLetter(std::string* out, char letter);

// A fix's UTC time as "yyyy-mm-ddThh:mm:ssZ".
std::string FixTime(const FixRecord* fix);

// Whether the reader took the fix's first RMC sentence whole. The reader adds 2000 to the
// two-digit year only then, so a taken sentence has a four-digit year and a refused one keeps
// the scanned two digits (or zero).
int HasWholeRmc(const FixRecord* fix);

// The line for one read: the span, the current fix, the point count, the distance and the
// top speed, without the line feed.
std::string FormatReadLine(const ReadSpan* span, const TrackState* state);

// {"summary": {...}} with the totals and the track's point count, distance and top speed.
std::string FormatSummaryLine(const DecodeTotals* totals, const TrackState* state);
