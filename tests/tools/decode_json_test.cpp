// The decoder's JSON: escapes that keep any byte of a log valid, numbers that read back
// exactly, and whole lines for a known state. (What the lines say about real logs is the
// Python suites' work.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/decoder/decode_json.h"

namespace {

struct StringCase {
  const char* name;
  std::string bytes;
  std::string json;
};

TEST(DecodeJsonTest, StringsEscapeWhatJsonCannotHoldRaw) {
  const StringCase cases[] = {
      {"plain", "A", "\"A\""},
      {"quote", "\"", "\"\\\"\""},
      {"backslash", "\\", "\"\\\\\""},
      {"control", std::string("\x01\n\x1f", 3), "\"\\u0001\\u000a\\u001f\""},
      {"nul", std::string("\0", 1), "\"\\u0000\""},
      {"high bytes", "\xb0\xff", "\"\\u00b0\\u00ff\""},
      {"delete", "\x7f", "\"\\u007f\""},
  };
  for (const StringCase& c : cases) {
    std::string out;
    AppendJsonString(&out, c.bytes.data(), c.bytes.size());
    EXPECT_EQ(out, c.json) << c.name;
  }
}

TEST(DecodeJsonTest, LettersAndNumbers) {
  std::string out;
  AppendJsonLetter(&out, '\0');
  AppendJsonLetter(&out, 'N');
  EXPECT_EQ(out, "\"\"\"N\"");

  const struct {
    double value;
    const char* json;
  } numbers[] = {
      {0.0, "0"},
      {static_cast<double>(4807.038f), "4807.0380859375"},  // what the reader stores for 4807.038
      {-0.5, "-0.5"},
      {1e300, "1e+300"},
      {std::numeric_limits<double>::infinity(), "null"},
      {-std::numeric_limits<double>::infinity(), "null"},
      {std::nan(""), "null"},
  };
  for (const auto& number : numbers) {
    std::string text;
    AppendJsonNumber(&text, number.value);
    EXPECT_EQ(text, number.json) << number.value;
  }
}

FixRecord SampleFix() {
  FixRecord fix{};
  fix.satsUsed = 8;
  fix.satsInView = 11;
  fix.fixQuality = 1;
  fix.latitude = static_cast<double>(4807.038f);
  fix.longitude = 1131.0;
  fix.altitude = static_cast<double>(545.4f);
  fix.course = static_cast<double>(84.4f);
  fix.speed = 22.5;
  fix.status = 'A';
  fix.latHemisphere = 'N';
  fix.lonHemisphere = '\0';
  fix.second = 19;
  fix.minute = 35;
  fix.hour = 12;
  fix.day = 23;
  fix.month = 3;
  fix.year = 2094;
  return fix;
}

TEST(DecodeJsonTest, ReadLineHoldsTheWholeFixAndTrack) {
  static TrackState state{};
  state.current = SampleFix();
  state.pointCount = 2;
  state.distance = 0.5;
  state.topSpeed = 10.0;
  const ReadSpan span{3000, 417};
  EXPECT_EQ(FormatReadLine(&span, &state),
            "{\"offset\":3000,\"length\":417,\"satsUsed\":8,\"satsInView\":11,\"fixQuality\":1,"
            "\"latitude\":4807.0380859375,\"longitude\":1131,\"altitude\":545.4000244140625,"
            "\"course\":84.4000015258789,\"speed\":22.5,\"status\":\"A\",\"latHemisphere\":\"N\","
            "\"lonHemisphere\":\"\",\"second\":19,\"minute\":35,\"hour\":12,\"day\":23,\"month\":3,"
            "\"year\":2094,\"pointCount\":2,\"distance\":{\"units\":0.5,\"km\":0.926},"
            "\"topSpeed\":{\"knots\":10,\"kmh\":18.52}}");
}

TEST(DecodeJsonTest, SummaryLine) {
  static TrackState state{};
  state.pointCount = 0;
  state.distance = std::numeric_limits<double>::infinity();  // never from the reader; still JSON
  DecodeTotals none{};
  none.reads = 2;
  none.bytes = 1500;
  EXPECT_EQ(FormatSummaryLine(&none, &state),
            "{\"summary\":{\"reads\":2,\"bytes\":1500,\"pointCount\":0,\"distance\":{\"units\":null,"
            "\"km\":null},\"topSpeed\":{\"knots\":0,\"kmh\":0},\"validFixes\":0,\"firstFix\":null,"
            "\"lastFix\":null}}");

  state.distance = 0.0;
  DecodeTotals some = none;
  some.validFixes = 2;
  some.firstFix = SampleFix();
  some.lastFix = SampleFix();
  some.lastFix.year = 2001;
  some.lastFix.second = 5;
  EXPECT_EQ(FormatSummaryLine(&some, &state),
            "{\"summary\":{\"reads\":2,\"bytes\":1500,\"pointCount\":0,\"distance\":{\"units\":0,"
            "\"km\":0},\"topSpeed\":{\"knots\":0,\"kmh\":0},\"validFixes\":2,"
            "\"firstFix\":\"2094-03-23T12:35:19Z\",\"lastFix\":\"2001-03-23T12:35:05Z\"}}");
}

TEST(DecodeJsonTest, OnlyAWholeRmcHasAFourDigitYear) {
  FixRecord fix{};
  EXPECT_EQ(HasWholeRmc(&fix), 0) << "no RMC";
  fix.year = 94;
  EXPECT_EQ(HasWholeRmc(&fix), 0) << "refused after the date was scanned";
  fix.year = 1999;  // "-1" as the year: 2000 - 1
  EXPECT_EQ(HasWholeRmc(&fix), 1);
}

}  // namespace
