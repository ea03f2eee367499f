// JSON text for the decoder's lines, written by hand: the lines are flat and few kinds.
#include "tools/decoder/decode_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Minutes of arc to kilometres, and knots to km/h: both are 1.852.
constexpr double NauticalMileKm = 1.852;
constexpr int FirstFourDigitYear = 1000;

void AppendKey(std::string* out, const char* key) {
  if (out->back() != '{') out->push_back(',');
  out->push_back('"');
  out->append(key);
  out->append("\":");
}

void AppendInteger(std::string* out, const char* key, long long value) {
  AppendKey(out, key);
  out->append(std::to_string(value));
}

void AppendNumber(std::string* out, const char* key, double value) {
  AppendKey(out, key);
  AppendJsonNumber(out, value);
}

void AppendLetter(std::string* out, const char* key, char letter) {
  AppendKey(out, key);
  AppendJsonLetter(out, letter);
}

// The fields of a FixRecord in their declared order, under their own names.
void AppendFix(std::string* out, const FixRecord* fix) {
  AppendInteger(out, "satsUsed", fix->satsUsed);
  AppendInteger(out, "satsInView", fix->satsInView);
  AppendInteger(out, "fixQuality", fix->fixQuality);
  AppendNumber(out, "latitude", fix->latitude);
  AppendNumber(out, "longitude", fix->longitude);
  AppendNumber(out, "altitude", fix->altitude);
  AppendNumber(out, "course", fix->course);
  AppendNumber(out, "speed", fix->speed);
  AppendLetter(out, "status", fix->status);
  AppendLetter(out, "latHemisphere", fix->latHemisphere);
  AppendLetter(out, "lonHemisphere", fix->lonHemisphere);
  AppendInteger(out, "second", fix->second);
  AppendInteger(out, "minute", fix->minute);
  AppendInteger(out, "hour", fix->hour);
  AppendInteger(out, "day", fix->day);
  AppendInteger(out, "month", fix->month);
  AppendInteger(out, "year", fix->year);
}

void AppendTrack(std::string* out, const TrackState* state) {
  AppendInteger(out, "pointCount", state->pointCount);
  AppendKey(out, "distance");
  out->push_back('{');
  AppendNumber(out, "units", state->distance);
  AppendNumber(out, "km", state->distance * NauticalMileKm);
  out->push_back('}');
  AppendKey(out, "topSpeed");
  out->push_back('{');
  AppendNumber(out, "knots", state->topSpeed);
  AppendNumber(out, "kmh", state->topSpeed * NauticalMileKm);
  out->push_back('}');
}

void AppendFixTime(std::string* out, const char* key, const FixRecord* fix, bool present) {
  AppendKey(out, key);
  if (!present) {
    out->append("null");
    return;
  }
  const std::string time = FixTime(fix);
  AppendJsonString(out, time.data(), time.size());
}

}  // namespace

void AppendJsonNumber(std::string* out, double value) {
  if (!std::isfinite(value)) {
    out->append("null");
    return;
  }
  char text[32];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  out->append(text, result.ptr);
}

void AppendJsonString(std::string* out, const char* text, std::size_t length) {
  static const char hexDigits[] = "0123456789abcdef";
  out->push_back('"');
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(byte));
    } else if (byte < 0x20 || byte > 0x7E) {
      out->append("\\u00");
      out->push_back(hexDigits[byte >> 4]);
      out->push_back(hexDigits[byte & 0x0F]);
    } else {
      out->push_back(static_cast<char>(byte));
    }
  }
  out->push_back('"');
}

void AppendJsonLetter(std::string* out, char letter) {
  AppendJsonString(out, &letter, letter == '\0' ? 0 : 1);
}

std::string FixTime(const FixRecord* fix) {
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fix->year, fix->month, fix->day,
                fix->hour, fix->minute, fix->second);
  return text;
}

int HasWholeRmc(const FixRecord* fix) { return fix->year >= FirstFourDigitYear ? 1 : 0; }

std::string FormatReadLine(const ReadSpan* span, const TrackState* state) {
  std::string out = "{";
  AppendInteger(&out, "offset", static_cast<long long>(span->offset));
  AppendInteger(&out, "length", span->length);
  AppendFix(&out, &state->current);
  AppendTrack(&out, state);
  out.push_back('}');
  return out;
}

std::string FormatSummaryLine(const DecodeTotals* totals, const TrackState* state) {
  std::string out = "{\"summary\":{";
  AppendInteger(&out, "reads", static_cast<long long>(totals->reads));
  AppendInteger(&out, "bytes", static_cast<long long>(totals->bytes));
  AppendTrack(&out, state);
  AppendInteger(&out, "validFixes", static_cast<long long>(totals->validFixes));
  AppendFixTime(&out, "firstFix", &totals->firstFix, totals->validFixes > 0);
  AppendFixTime(&out, "lastFix", &totals->lastFix, totals->validFixes > 0);
  out.append("}}");
  return out;
}
