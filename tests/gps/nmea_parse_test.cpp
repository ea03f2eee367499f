// The NMEA reader's parsing, on tables of sentences compared as whole fix records.
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/gps/nmea_support.h"

namespace {

// The example RMC with one field replaced.
enum RmcField { Time = 1, Lat = 3, Lon = 5, Speed = 7, Course = 8, Date = 9 };
std::string RmcWith(RmcField field, const std::string& value) {
  std::string text = RmcExample;
  std::size_t start = 0;
  for (int i = 0; i < field; ++i) start = text.find(',', start) + 1;
  return text.replace(start, text.find(',', start) - start, value);
}

// The example RMC's fix with other seconds, or another date.
FixRecord RmcFixAt(int second) { return Taken(RmcFix, second, 4807.038f, 1131.0f, 22.4f, 84.4f); }
FixRecord RmcFixOn(int day, int month, int year) {
  const FixRecord scanned = Scanned(12, 35, 'A', 'N', 'E', day, month, year);
  return Taken(scanned, 19, 4807.038f, 1131.0f, 22.4f, 84.4f);
}

// Each text is parsed onto a record full of leftovers, so that a field left unset shows.
TEST(ParseNmeaText, Table) {
  const FixRecord none{};
  const FixRecord rejected = Scanned(12, 35, 'A', 'N', 'E', 23, 3, 94);
  const struct {
    const char* name;
    std::string text;
    FixRecord expected;
  } cases[] = {
      {"AllThreeInAnyOrder", AllExamples, AllFix},
      {"EmptyText", "", none},
      {"AnyTalker", "$GNRMC" + RmcExample.substr(6), RmcFix},
      {"DollarLostAtTheStartOfARead", RmcExample.substr(1), RmcFix},
      // The first "RMC", "GGA" or "GSV" anywhere wins, even inside other text or a sentence that
      // is rejected; whatever follows is never looked at.
      {"FirstMatchInsideOtherText", "$GPTXT,01,01,02,RMC OFF*00\r\n" + RmcExample, none},
      {"FirstRmcCut", "$GPRMC,123519.00,A,4807.0\r\n" + RmcExample, Scanned(12, 35, 'A')},
      {"FirstGgaRejected", "$GPGGA,,,,,,0,,,,,,,,*66\r\n" + GgaExample, none},
      // Two-digit years land in 2000-2099: "-1" (after a week rollover) reads as 1999, and %2d
      // leaves "94" of a four-digit year unread after "19".
      {"YearMinusOne", RmcWith(Date, "2208-1"), RmcFixOn(22, 8, 1999)},
      {"FourDigitYear", RmcWith(Date, "23031994"), RmcFixOn(23, 3, 2019)},
      // Cut reads: what was scanned straight into the record before the cut stays.
      {"RmcAfterNorth", "$GPRMC,123519.00,A,4807.038,N", Scanned(12, 35, 'A', 'N')},
      {"RmcInYear", RmcExample.substr(0, 59), Scanned(12, 35, 'A', 'N', 'E', 23, 3, 9)},
      // %c takes the next character as it is, even the line end of a cut sentence.
      {"RmcCutAfterLatitude", "$GPRMC,123519.00,A,4807.038,\r\n$GPGSA", Scanned(12, 35, 'A', '\r')},
      // Receivers without a fix send empty fields; every such sentence fails its count.
      {"RmcAllEmpty", "$GPRMC,,V,,,,,,,,,,N*53", none},
      {"RmcEmptyDate", RmcWith(Date, ""), Scanned(12, 35, 'A', 'N', 'E')},
      {"GgaEmptyQuality", "$GPGGA,123519.00,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,", none},
      {"GsvEmptyCount", "$GPGSV,1,1,,*79", none},
      // Noise.
      {"ControlAndHighBytes", "\x01\x02\x7f\xff\xfe$$$,,,***\r\r\n\n", none},
      {"GarbageBeforeSentence", "\xc3\xa9\x13\x11#@!" + RmcExample, RmcFix},
      // A GGA cut off and joined to a GLL: the GLL's fields never line up with the pattern.
      {"CutGgaJoinedToGll", "$GPGGA,030130$GPGLL,3404.5561,N,11820.3337,W,030131.000,A,A*4E", none},
      // The formatted-input rules accept more than decimals, and the numbers keep what the scan
      // made of them. The seconds saturate instead of overflowing the integer; NaN gives 0.
      {"SecondsOverflowFloat", RmcWith(Time, "12351e39"), RmcFixAt(INT32_MAX)},
      {"SecondsBelowInt32", RmcWith(Time, "1235-3e9"), RmcFixAt(INT32_MIN)},
      {"SecondsNan", RmcWith(Time, "1235nan"), RmcFixAt(0)},
      {"SecondsHexadecimal", RmcWith(Time, "12350x1Ap0"), RmcFixAt(26)},
      {"CourseNegative", RmcWith(Course, "-84"), Taken(RmcFix, 19, 4807.038f, 1131.0f, 22.4f, -84)},
      // A position, speed, course or altitude that is not a finite number rejects its sentence.
      {"LatitudeNan", RmcWith(Lat, "nan"), rejected},
      {"LatitudeMinusInfinity", RmcWith(Lat, "-inf"), rejected},
      {"LongitudeOverflow", RmcWith(Lon, "1e39"), rejected},
      {"SpeedInfinite", RmcWith(Speed, "inf"), rejected},
      {"CourseNan", RmcWith(Course, "nan"), rejected},
      {"AltitudeOverflow", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,1e39,M,", none},
      {"AltitudeNan", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,nan,M,", none},
  };
  for (const auto& c : cases) {
    FixRecord fix;
    std::memset(static_cast<void*>(&fix), 0x5A, sizeof fix);
    ParseNmeaText(c.text.c_str(), &fix);
    EXPECT_EQ(fix, c.expected) << c.name << ": " << c.text;
  }
}

// A text cut anywhere is never read past its end (the sanitizer build watches the block), and a
// sentence's numbers count only once its last field is followed by more text.
TEST(ParseNmeaText, EveryCutOfTheExamplesIsSafe) {
  const std::size_t gsvCountEnd = AllExamples.find(",11,") + 3;
  const std::size_t ggaAltitudeEnd = AllExamples.find("545.4") + 5;
  const std::size_t rmcYearEnd = AllExamples.find("230394") + 6;
  for (std::size_t length = 0; length <= AllExamples.size(); ++length) {
    // The text in a block of exactly its size, as PollNmea hands it over.
    std::vector<char> text(AllExamples.c_str(), AllExamples.c_str() + length);
    text.push_back('\0');
    FixRecord fix;
    ParseNmeaText(text.data(), &fix);
    EXPECT_EQ(fix.satsInView == 11, length > gsvCountEnd) << "cut at " << length;
    EXPECT_EQ(fix.altitude == AllFix.altitude, length > ggaAltitudeEnd) << "cut at " << length;
    EXPECT_EQ(fix == AllFix, length > rmcYearEnd) << "cut at " << length;
  }
}

}  // namespace
