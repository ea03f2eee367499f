// The NMEA reader's parsing, on tables of sentences compared as whole fix records.
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/gps/nmea_support.h"

namespace {

// The example RMC with one field replaced.
enum RmcField { Time = 1, Lat = 3, Lon = 5, Speed = 7, Course = 8 };
std::string RmcWith(RmcField field, const std::string& value) {
  std::string text = RmcExample;
  std::size_t start = 0;
  for (int i = 0; i < field; ++i) start = text.find(',', start) + 1;
  return text.replace(start, text.find(',', start) - start, value);
}

// Each text is parsed onto a record full of leftovers, so that a field left unset shows.
TEST(ParseNmeaText, Table) {
  const FixRecord rejected = Scanned(94);
  const struct {
    const char* name;
    std::string text;
    FixRecord expected;
  } cases[] = {
      // The seconds saturate instead of overflowing the integer; NaN gives 0.
      {"SecondsOverflowFloat", RmcWith(Time, "12351e39"), RmcFixAt(INT32_MAX)},
      {"SecondsBelowInt32", RmcWith(Time, "1235-3e9"), RmcFixAt(INT32_MIN)},
      {"SecondsNan", RmcWith(Time, "1235nan"), RmcFixAt(0)},
      // A position, speed, course or altitude that is not a finite number rejects its sentence.
      {"LatitudeNan", RmcWith(Lat, "nan"), rejected},
      {"LongitudeOverflow", RmcWith(Lon, "1e39"), rejected},
      {"SpeedInfinite", RmcWith(Speed, "inf"), rejected},
      {"CourseNan", RmcWith(Course, "nan"), rejected},
      {"AltitudeNan", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,nan,M,", FixRecord{}},
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
