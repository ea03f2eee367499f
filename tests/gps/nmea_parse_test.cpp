// The NMEA reader's parsing, on tables of sentences compared as whole fix records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gps/nmea_reader.h"
#include "tests/gps/fix_record_io.h"

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();

const std::string RmcExample = "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string GgaExample = "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string GsvExample = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74";

const FixRecord RmcExampleFix = Rmc(12, 35, 19, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 23, 3, 2094);

// The example RMC with one field replaced: "time", "lat", "lon", "speed", "course" or "date".
std::string RmcWith(const std::string& field, const std::string& value) {
  std::string time = "123519.00", lat = "4807.038", lon = "01131.000", speed = "022.4", course = "084.4",
              date = "230394";
  if (field == "time") time = value;
  if (field == "lat") lat = value;
  if (field == "lon") lon = value;
  if (field == "speed") speed = value;
  if (field == "course") course = value;
  if (field == "date") date = value;
  return "$GPRMC," + time + ",A," + lat + ",N," + lon + ",E," + speed + "," + course + "," + date + ",003.1,W*6A";
}

struct ParseCase {
  const char* name;
  std::string text;
  FixRecord expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

// Runs one case on a record full of leftovers, so that a field the reader forgets to zero shows.
FixRecord ParseOnDirtyRecord(const std::string& text) {
  FixRecord fix;
  std::memset(static_cast<void*>(&fix), 0x5A, sizeof fix);
  ParseNmeaText(text.c_str(), &fix);
  return fix;
}

class ParseNmeaTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNmeaTextTest, GivesTheWholeRecord) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ParseOnDirtyRecord(c.text), c.expected) << "text: " << c.text;
}

std::string CaseName(const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; }

const ParseCase KnownSentences[] = {
    {"RmcExample", RmcExample, RmcExampleFix},
    // Status V with the position fields empty: the scan stops at the latitude, so only the
    // directly scanned time and status stay; the seconds are not stored.
    {"RmcVoidEmptyPosition", "$GPRMC,123519.00,V,,,,,,,230394,,,N", Fix().Time(12, 35, 0).Status('V')},
    {"GgaExample", GgaExample, Fix().Gga(1, 8, 545.4f)},
    {"GsvExample", GsvExample, Fix().InView(11)},
    {"AllThreeInAnyOrder", GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n",
     Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)},
    {"EmptyText", "", Fix()},
    {"NoSentenceNames", "$GPVTG,084.4,T,,M,022.4,N,041.5,K,A*2C\r\n$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
     Fix()},
    {"AnyTalker", "$GNRMC" + RmcExample.substr(6), RmcExampleFix},
    {"DollarLostAtTheStartOfARead", RmcExample.substr(1), RmcExampleFix},
    // The fields start four characters after the match, whatever the fourth character is.
    {"AnyCharacterAfterTheName", "$GPRMCX" + RmcExample.substr(7), RmcExampleFix},
    // The first "RMC" anywhere wins, even inside another sentence; the real RMC behind it is
    // never looked at.
    {"FirstMatchInsideOtherText", "$GPTXT,01,01,02,RMC OFF*00\r\n" + RmcExample, Fix()},
    // %c takes the next character as it is, even a comma.
    {"EmptyStatusTakesTheComma", "$GPRMC,123519.00,,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
     Fix().Time(12, 35, 0).Status(',')},
    {"SouthWest", "$GPRMC,235959.99,A,3351.8500,S,07038.1234,W,0.00,0.00,010100,,,A*7F",
     Rmc(23, 59, 59, 'A', 3351.85f, 'S', 7038.1234f, 'W', 0.0f, 0.0f, 1, 1, 2000)},
    {"LastGsvOfACycleAloneCounts", "$GLGSV,3,3,10,71,23,216,,72,43,277,,0*7A", Fix().InView(10)},
};
INSTANTIATE_TEST_SUITE_P(Known, ParseNmeaTextTest, ::testing::ValuesIn(KnownSentences), CaseName);

const ParseCase FirstSentenceOnly[] = {
    // Two RMCs: the first is cut off, the second is whole; only the first is read.
    {"TwoRmcFirstCut", "$GPRMC,123519.00,A,4807.0\r\n" + RmcWith("time", "123520.00"),
     Fix().Time(12, 35, 0).Status('A')},
    {"TwoRmcBothWhole", RmcExample + "\r\n" + RmcWith("time", "123520.00"), RmcExampleFix},
    {"GsvFirstOnly", GsvExample + "\r\n$GPGSV,3,2,12,14,79,041,29*62\r\n$GPGSV,3,3,13,20,47,263,20*63",
     Fix().InView(11)},
    {"GgaFirstEvenWhenRejected", "$GPGGA,,,,,,0,,,,,,,,*66\r\n" + GgaExample, Fix()},
};
INSTANTIATE_TEST_SUITE_P(First, ParseNmeaTextTest, ::testing::ValuesIn(FirstSentenceOnly), CaseName);

// A read may end anywhere in a sentence. What was scanned straight into the record before the
// cut stays; the numbers are only taken from a whole sentence.
const ParseCase CutOff[] = {
    {"RmcNameOnly", "$GPRMC", Fix()},
    {"RmcNameAndComma", "$GPRMC,", Fix()},
    {"RmcOneDigit", "$GPRMC,1", Fix().Time(1, 0, 0)},
    {"RmcHour", "$GPRMC,12", Fix().Time(12, 0, 0)},
    {"RmcHourMinute", "$GPRMC,1235", Fix().Time(12, 35, 0)},
    {"RmcInSeconds", "$GPRMC,123519.0", Fix().Time(12, 35, 0)},
    {"RmcAfterStatus", "$GPRMC,123519.00,A", Fix().Time(12, 35, 0).Status('A')},
    {"RmcAfterComma", "$GPRMC,123519.00,A,4807.038,", Fix().Time(12, 35, 0).Status('A')},
    {"RmcAfterNorth", "$GPRMC,123519.00,A,4807.038,N", Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 0)},
    {"RmcAfterEast", "$GPRMC,123519.00,A,4807.038,N,01131.000,E",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E')},
    {"RmcInCourse", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,08",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E')},
    {"RmcAfterMonth", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,2303",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E').Date(23, 3, 0)},
    // All thirteen conversions succeed on "9", but the year was cut: the sentence is not taken.
    {"RmcInYear", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,23039",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E').Date(23, 3, 9)},
    {"RmcEndsWithYear", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E').Date(23, 3, 94)},
    {"RmcAfterDate", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,", RmcExampleFix},
    {"RmcCutBeforeNewline", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394*6A", RmcExampleFix},
    // %c takes the line end of a cut sentence as the hemisphere letter.
    {"RmcCutAfterLatitudeComma", "$GPRMC,123519.00,A,4807.038,\r\n$GPGSA,A,3",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('\r', 0)},
    {"GgaNameAtEnd", RmcExample + "\r\n$GPGGA", RmcExampleFix},
    {"GgaInSatellites", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,0", Fix()},
    {"GgaInAltitude", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,54", Fix()},
    {"GgaEndsWithAltitude", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4", Fix()},
    {"GgaAfterAltitude", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,", Fix().Gga(1, 8, 545.4f)},
    {"GsvNameAtEnd", "$GPGSV", Fix()},
    {"GsvInCount", "$GPGSV,3,1,1", Fix()},
    {"GsvEndsWithCount", "$GPGSV,3,1,11", Fix()},
    {"GsvAfterCount", "$GPGSV,3,1,11,", Fix().InView(11)},
};
INSTANTIATE_TEST_SUITE_P(Cut, ParseNmeaTextTest, ::testing::ValuesIn(CutOff), CaseName);

// Receivers without a fix send empty fields; every such sentence fails its count.
const ParseCase EmptyFields[] = {
    {"RmcAllEmpty", "$GPRMC,,V,,,,,,,,,,N*53", Fix()},
    {"GgaAllEmpty", "$GPGGA,,,,,,0,,,,,,,,*66", Fix()},
    {"RmcEmptySpeedAndCourse", "$GPRMC,235948.00,V,0000.0000,N,00000.0000,E,,,161206,,,N*45",
     Fix().Time(23, 59, 0).Status('V').Hemispheres('N', 'E')},
    {"RmcEmptyCourse", "$GNRMC,000654.00,A,4404.12993,N,12118.84616,W,0.071,,090624,,,A,V*1B",
     Fix().Time(0, 6, 0).Status('A').Hemispheres('N', 'W')},
    {"RmcEmptyDate", "$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,,003.1,W*6A",
     Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E')},
    {"GgaEmptyAltitude", "$GPGGA,235952.00,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,*51", Fix()},
    {"GgaEmptyQuality", "$GPGGA,123519.00,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,*47", Fix()},
    {"GsvEmptyCount", "$GPGSV,1,1,,*79", Fix()},
};
INSTANTIATE_TEST_SUITE_P(Empty, ParseNmeaTextTest, ::testing::ValuesIn(EmptyFields), CaseName);

const ParseCase Noise[] = {
    {"ControlAndHighBytes", "\x01\x02\x7f\xff\xfe$$$,,,***\r\r\n\n", Fix()},
    {"NamesRunTogether", "RMCRMCRMCGGAGGAGSVGSV", Fix()},
    {"GarbageBeforeSentence", "\xc3\xa9\x13\x11#@!" + RmcExample, RmcExampleFix},
    {"GluedAfterChecksum", "$GPGSA,A,1,,,,,,,,,,,,,,,*1E" + RmcWith("time", "235949.00"),
     Rmc(23, 59, 49, 'A', 4807.038f, 'N', 1131.0f, 'E', 22.4f, 84.4f, 23, 3, 2094)},
    // A GGA cut off and joined to a GLL: the GLL's fields never line up with the pattern.
    {"CutGgaJoinedToGll", "$GPGGA,030130$GPGLL,3404.5561,N,11820.3337,W,030131.000,A,A*4E", Fix()},
    {"LowerCaseName", "$gprmc" + RmcExample.substr(6), Fix()},
};
INSTANTIATE_TEST_SUITE_P(Noise, ParseNmeaTextTest, ::testing::ValuesIn(Noise), CaseName);

// The formatted-input rules accept more than decimals. Stored numbers keep whatever the scan
// made of them; the seconds saturate instead of overflowing the integer.
const ParseCase AbsurdNumbers[] = {
    {"SecondsOverflowFloat", RmcWith("time", "12351e39"), Fix(RmcExampleFix).Time(12, 35, Int32Max)},
    {"SecondsBeyondInt32", RmcWith("time", "12353e9"), Fix(RmcExampleFix).Time(12, 35, Int32Max)},
    {"SecondsBelowInt32", RmcWith("time", "1235-3e9"), Fix(RmcExampleFix).Time(12, 35, Int32Min)},
    {"SecondsInfinite", RmcWith("time", "1235inf"), Fix(RmcExampleFix).Time(12, 35, Int32Max)},
    {"SecondsMinusInfinite", RmcWith("time", "1235-infinity"), Fix(RmcExampleFix).Time(12, 35, Int32Min)},
    {"SecondsNan", RmcWith("time", "1235nan"), Fix(RmcExampleFix).Time(12, 35, 0)},
    {"SecondsHexadecimal", RmcWith("time", "12350x1Ap0"), Fix(RmcExampleFix).Time(12, 35, 26)},
    {"SecondsTruncateTowardZero", RmcWith("time", "1235-0.9"), Fix(RmcExampleFix).Time(12, 35, 0)},
    {"SecondsJustBelowSixty", RmcWith("time", "123559.999"), Fix(RmcExampleFix).Time(12, 35, 59)},
    {"LatitudeHexadecimal", RmcWith("lat", "0x1p4"), Fix(RmcExampleFix).Position(16.0f, 'N', 1131.0f, 'E')},
    {"CourseNegative", RmcWith("course", "-84.4"), Fix(RmcExampleFix).Motion(22.4f, -84.4f)},
};
INSTANTIATE_TEST_SUITE_P(Absurd, ParseNmeaTextTest, ::testing::ValuesIn(AbsurdNumbers), CaseName);

// A position, speed, course or altitude that is not a finite number rejects its sentence: only
// the fields scanned straight into the fix stay, as for any rejected sentence.
const FixRecord RmcRejected = Fix().Time(12, 35, 0).Status('A').Hemispheres('N', 'E').Date(23, 3, 94);
const ParseCase NonFiniteNumbers[] = {
    {"LatitudeNan", RmcWith("lat", "nan"), RmcRejected},
    {"LatitudeMinusInfinity", RmcWith("lat", "-inf"), RmcRejected},
    {"LongitudeOverflow", RmcWith("lon", "1e39"), RmcRejected},
    {"SpeedInfinite", RmcWith("speed", "inf"), RmcRejected},
    {"CourseNan", RmcWith("course", "nan"), RmcRejected},
    {"AltitudeOverflow", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,1e39,M,46.9,M,,*47", Fix()},
    {"AltitudeNan", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,nan,M,46.9,M,,*47", Fix()},
};
INSTANTIATE_TEST_SUITE_P(NonFinite, ParseNmeaTextTest, ::testing::ValuesIn(NonFiniteNumbers), CaseName);

// Two-digit years all land in 2000-2099; a receiver's "-1" after a week rollover reads as 1999.
const ParseCase Years[] = {
    {"Year00", RmcWith("date", "010100"), Fix(RmcExampleFix).Date(1, 1, 2000)},
    {"Year99", RmcWith("date", "311299"), Fix(RmcExampleFix).Date(31, 12, 2099)},
    {"YearMinusOne", RmcWith("date", "2208-1"), Fix(RmcExampleFix).Date(22, 8, 1999)},
    // %2d takes two digits, so a four-digit year leaves "94" unread after "19".
    {"FourDigitYear", RmcWith("date", "23031994"), Fix(RmcExampleFix).Date(23, 3, 2019)},
};
INSTANTIATE_TEST_SUITE_P(Years, ParseNmeaTextTest, ::testing::ValuesIn(Years), CaseName);

// A text that stops anywhere inside the example sentences never reads past its end (the
// sanitizer build catches any read beyond the block) and takes a sentence's numbers only once
// its last field is followed by more text.
TEST(ParseNmeaText, EveryCutOfTheExamplesIsSafe) {
  const std::string whole = GsvExample + "\r\n" + GgaExample + "\r\n" + RmcExample + "\r\n";
  const std::size_t gsvCountEnd = whole.find(GsvExample) + GsvExample.find(",11,") + 3;
  const std::size_t ggaAltitudeEnd = whole.find(GgaExample) + GgaExample.find("545.4") + 5;
  const std::size_t rmcYearEnd = whole.find(RmcExample) + RmcExample.find("230394") + 6;
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    std::vector<char> text(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    text.push_back('\0');
    FixRecord fix;
    ParseNmeaText(text.data(), &fix);
    EXPECT_EQ(fix.satsInView == 11, length > gsvCountEnd) << "cut at " << length;
    EXPECT_EQ(fix.altitude == static_cast<double>(545.4f), length > ggaAltitudeEnd) << "cut at " << length;
    EXPECT_EQ(fix == FixRecord(Fix(RmcExampleFix).Gga(1, 8, 545.4f).InView(11)), length > rmcYearEnd)
        << "cut at " << length;
  }
}

}  // namespace
