// The NMEA reader's parsing, on tables of sentences compared as whole fix records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gps/nmea_reader.h"
#include "tests/gps/nmea_support.h"

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();

// The example RMC with one field replaced.
enum RmcField { Time = 1, Lat = 3, Lon = 5, Speed = 7, Course = 8, Date = 9 };
std::string RmcWith(RmcField field, const std::string& value) {
  std::string text = RmcExample;
  std::size_t start = 0;
  for (int i = 0; i < field; ++i) start = text.find(',', start) + 1;
  return text.replace(start, text.find(',', start) - start, value);
}

struct ParseCase {
  const char* name;
  std::string text;
  FixRecord expected;
};

// Parses each text onto a record full of leftovers, so that a field the reader forgets to zero
// shows.
void ExpectEachParses(const std::vector<ParseCase>& cases) {
  for (const ParseCase& c : cases) {
    FixRecord fix;
    std::memset(static_cast<void*>(&fix), 0x5A, sizeof fix);
    ParseNmeaText(c.text.c_str(), &fix);
    EXPECT_EQ(fix, c.expected) << c.name << ": " << c.text;
  }
}

TEST(ParseNmeaText, WholeSentences) {
  ExpectEachParses({
      {"RmcExample", RmcExample, RmcExampleFix},
      {"AllThreeInAnyOrder", GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n",
       Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)},
      {"EmptyText", "", Fix()},
      {"NoSentenceNames",
       "$GPVTG,084.4,T,,M,022.4,N,041.5,K,A*2C\r\n$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39", Fix()},
      {"AnyTalker", "$GNRMC" + RmcExample.substr(6), RmcExampleFix},
      {"DollarLostAtTheStartOfARead", RmcExample.substr(1), RmcExampleFix},
      // The fields start four characters after the match, whatever the fourth character is.
      {"AnyCharacterAfterTheName", "$GPRMCX" + RmcExample.substr(7), RmcExampleFix},
      // The first "RMC" anywhere wins, even inside another sentence; the real RMC behind it is
      // never looked at.
      {"FirstMatchInsideOtherText", "$GPTXT,01,01,02,RMC OFF*00\r\n" + RmcExample, Fix()},
      {"FirstRmcCutTheSecondNotRead", "$GPRMC,123519.00,A,4807.0\r\n" + RmcWith(Time, "123520.00"),
       Fix().Scanned(12, 35, 'A')},
      {"FirstGgaEvenWhenRejected", "$GPGGA,,,,,,0,,,,,,,,*66\r\n" + GgaExample, Fix()},
      // %c takes the next character as it is, even a comma.
      {"EmptyStatusTakesTheComma", "$GPRMC,123519.00,,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
       Fix().Scanned(12, 35, ',')},
      {"SouthWest", "$GPRMC,235959.99,A,3351.8500,S,07038.1234,W,0.00,0.00,010100,,,A*7F",
       Rmc(23, 59, 59, 'A', 3351.85f, 'S', 7038.1234f, 'W', 0.0f, 0.0f, 1, 1, 2000)},
      // Two-digit years land in 2000-2099; "-1" (after a week rollover) reads as 1999; %2d
      // leaves "94" of a four-digit year unread after "19".
      {"Year99", RmcWith(Date, "311299"), Fix(RmcExampleFix).Date(31, 12, 2099)},
      {"YearMinusOne", RmcWith(Date, "2208-1"), Fix(RmcExampleFix).Date(22, 8, 1999)},
      {"FourDigitYear", RmcWith(Date, "23031994"), Fix(RmcExampleFix).Date(23, 3, 2019)},
  });
}

// A read may end anywhere in a sentence. What was scanned straight into the record before the
// cut stays; the numbers are only taken from a whole sentence.
TEST(ParseNmeaText, CutSentences) {
  ExpectEachParses({
      {"RmcOneDigit", "$GPRMC,1", Fix().Scanned(1, 0, 0)},
      {"RmcAfterStatus", "$GPRMC,123519.00,A", Fix().Scanned(12, 35, 'A')},
      {"RmcAfterNorth", "$GPRMC,123519.00,A,4807.038,N", Fix().Scanned(12, 35, 'A', 'N')},
      // All thirteen conversions succeed on "9", but the year was cut: the sentence is not taken.
      {"RmcInYear", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,23039",
       Fix().Scanned(12, 35, 'A', 'N', 'E').Date(23, 3, 9)},
      // %c takes the line end of a cut sentence as the hemisphere letter.
      {"RmcCutAfterLatitudeComma", "$GPRMC,123519.00,A,4807.038,\r\n$GPGSA,A,3", Fix().Scanned(12, 35, 'A', '\r')},
      {"GgaInSatellites", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,0", Fix()},
      {"GsvInCount", "$GPGSV,3,1,1", Fix()},
  });
}

// Receivers without a fix send empty fields; every such sentence fails its count.
TEST(ParseNmeaText, EmptyFields) {
  ExpectEachParses({
      {"RmcAllEmpty", "$GPRMC,,V,,,,,,,,,,N*53", Fix()},
      // The scan stops at the empty latitude: time and status stay, the seconds are not stored.
      {"RmcVoidEmptyPosition", "$GPRMC,123519.00,V,,,,,,,230394,,,N", Fix().Scanned(12, 35, 'V')},
      {"RmcEmptySpeedAndCourse", "$GPRMC,235948.00,V,0000.0000,N,00000.0000,E,,,161206,,,N*45",
       Fix().Scanned(23, 59, 'V', 'N', 'E')},
      {"RmcEmptyCourse", "$GNRMC,000654.00,A,4404.12993,N,12118.84616,W,0.071,,090624,,,A,V*1B",
       Fix().Scanned(0, 6, 'A', 'N', 'W')},
      {"RmcEmptyDate", RmcWith(Date, ""), Fix().Scanned(12, 35, 'A', 'N', 'E')},
      {"GgaAllEmpty", "$GPGGA,,,,,,0,,,,,,,,*66", Fix()},
      {"GgaEmptyAltitude", "$GPGGA,235952.00,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,*51", Fix()},
      {"GgaEmptyQuality", "$GPGGA,123519.00,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,*47", Fix()},
      {"GsvEmptyCount", "$GPGSV,1,1,,*79", Fix()},
  });
}

TEST(ParseNmeaText, Noise) {
  ExpectEachParses({
      {"ControlAndHighBytes", "\x01\x02\x7f\xff\xfe$$$,,,***\r\r\n\n", Fix()},
      {"NamesRunTogether", "RMCRMCRMCGGAGGAGSVGSV", Fix()},
      {"GarbageBeforeSentence", "\xc3\xa9\x13\x11#@!" + RmcExample, RmcExampleFix},
      {"GluedAfterChecksum", "$GPGSA,A,1,,,,,,,,,,,,,,,*1E" + RmcWith(Time, "235949.00"),
       Fix(RmcExampleFix).Scanned(23, 59, 'A', 'N', 'E').Second(49)},
      // A GGA cut off and joined to a GLL: the GLL's fields never line up with the pattern.
      {"CutGgaJoinedToGll", "$GPGGA,030130$GPGLL,3404.5561,N,11820.3337,W,030131.000,A,A*4E", Fix()},
      {"LowerCaseName", "$gprmc" + RmcExample.substr(6), Fix()},
  });
}

// The formatted-input rules accept more than decimals. Stored numbers keep whatever the scan
// made of them; the seconds saturate instead of overflowing the integer, and NaN gives 0.
// A position, speed, course or altitude that is not a finite number rejects its sentence.
TEST(ParseNmeaText, AbsurdNumbers) {
  const FixRecord rejected = Fix().Scanned(12, 35, 'A', 'N', 'E').Date(23, 3, 94);
  ExpectEachParses({
      {"SecondsOverflowFloat", RmcWith(Time, "12351e39"), Fix(RmcExampleFix).Second(Int32Max)},
      {"SecondsBelowInt32", RmcWith(Time, "1235-3e9"), Fix(RmcExampleFix).Second(Int32Min)},
      {"SecondsNan", RmcWith(Time, "1235nan"), Fix(RmcExampleFix).Second(0)},
      {"SecondsHexadecimal", RmcWith(Time, "12350x1Ap0"), Fix(RmcExampleFix).Second(26)},
      {"SecondsTruncateTowardZero", RmcWith(Time, "1235-0.9"), Fix(RmcExampleFix).Second(0)},
      {"LatitudeHexadecimal", RmcWith(Lat, "0x1p4"),
       Rmc(12, 35, 19, 'A', 16.0f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 23, 3, 2094)},
      {"CourseNegative", RmcWith(Course, "-84.4"),
       Rmc(12, 35, 19, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, -84.4f, 23, 3, 2094)},
      {"LatitudeNan", RmcWith(Lat, "nan"), rejected},
      {"LatitudeMinusInfinity", RmcWith(Lat, "-inf"), rejected},
      {"LongitudeOverflow", RmcWith(Lon, "1e39"), rejected},
      {"SpeedInfinite", RmcWith(Speed, "inf"), rejected},
      {"CourseNan", RmcWith(Course, "nan"), rejected},
      {"AltitudeOverflow", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,1e39,M,46.9,M,,*47", Fix()},
      {"AltitudeNan", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,nan,M,46.9,M,,*47", Fix()},
  });
}

// A text that stops anywhere inside the example sentences never reads past its end (the
// sanitizer build catches any read beyond the block) and takes a sentence's numbers only once
// its last field is followed by more text.
TEST(ParseNmeaText, EveryCutOfTheExamplesIsSafe) {
  const std::string whole = GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n";
  const std::size_t gsvCountEnd = whole.find(GsvExample) + GsvExample.find(",11,") + 3;
  const std::size_t ggaAltitudeEnd = whole.find(GgaExample) + GgaExample.find("545.4") + 5;
  const std::size_t rmcYearEnd = whole.find(RmcExample) + RmcExample.find("230394") + 6;
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const FixRecord fix = ParseLogPiece(whole, 0, length);
    EXPECT_EQ(fix.satsInView == 11, length > gsvCountEnd) << "cut at " << length;
    EXPECT_EQ(fix.altitude == static_cast<double>(545.4f), length > ggaAltitudeEnd) << "cut at " << length;
    EXPECT_EQ(fix == FixRecord(Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)), length > rmcYearEnd)
        << "cut at " << length;
  }
}

}  // namespace
