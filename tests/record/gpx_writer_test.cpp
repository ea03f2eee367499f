// The GPX text of a track, from fixes as the reader builds them out of receivers' sentences:
// places in every hemisphere and at the 180th meridian, times with and without fractions, the
// segment rule, file names and the locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "gps/nmea_reader.h"
#include "record/gpx_writer.h"

namespace {

// A fix and its extras from the text of one read.
struct Read {
  FixRecord fix;
  FixExtras extras;
};

Read ReadOf(const std::string& text) {
  Read read;
  ParseNmeaTextWithExtras(text.c_str(), &read.fix, &read.extras);
  return read;
}

std::string RmcAt(const std::string& time, const std::string& date, const std::string& latitude,
                  const std::string& ns, const std::string& longitude, const std::string& ew,
                  const std::string& speed = "022.4", const std::string& course = "084.4") {
  return "$GPRMC," + time + ",A," + latitude + "," + ns + "," + longitude + "," + ew + "," + speed + "," + course +
         "," + date + ",003.1,W*6A\r\n";
}

std::string RmcTimed(const std::string& time, const std::string& date = "230394") {
  return RmcAt(time, date, "4807.038", "N", "01131.000", "E");
}

// The text one point adds after the points before it, or "" when it is left out.
std::string Append(GpxWriter* writer, const Read& read) {
  char text[GpxTextSize];
  const std::size_t length = AppendTrackPoint(writer, &read.fix, &read.extras, text);
  EXPECT_LT(length, GpxTextSize);
  return std::string(text, length);
}

std::string FirstPoint(const std::string& sentences) {
  GpxWriter writer{};
  return Append(&writer, ReadOf(sentences));
}

std::string Capture(const std::string& text, const char* pattern) {
  std::smatch match;
  return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "(none)";
}

// Degrees with seven decimals, signed by hemisphere, from the float ddmm.mmmm the fix keeps:
// 4807.038f is 4807.0380859375, so 48 + 7.0380859375 / 60 = 48.11730143, and 17959.999f is
// 17959.998046875, so 179.99996745. Longitude 180 is
// written as -180; places off the globe are left out.
TEST(GpxWriter, PlacesInEveryHemisphereAndAtThe180th) {
  const struct {
    const char *latitude, *ns, *longitude, *ew, *lat, *lon;
  } cases[] = {
      {"4807.038", "N", "01131.000", "E", "48.1173014", "11.5166667"},
      {"3351.000", "S", "15112.000", "E", "-33.8500000", "151.2000000"},
      {"4042.000", "N", "07400.000", "W", "40.7000000", "-74.0000000"},
      {"2254.000", "S", "04310.000", "W", "-22.9000000", "-43.1666667"},
      {"0000.000", "N", "00000.000", "E", "0.0000000", "0.0000000"},
      {"0000.000", "S", "00000.000", "W", "0.0000000", "0.0000000"},
      {"1500.000", "S", "17959.999", "E", "-15.0000000", "179.9999674"},
      {"1500.000", "S", "17959.999", "W", "-15.0000000", "-179.9999674"},
      {"1500.000", "S", "18000.000", "E", "-15.0000000", "-180.0000000"},
      {"1500.000", "S", "18000.000", "W", "-15.0000000", "-180.0000000"},
      {"9000.000", "N", "00000.000", "E", "90.0000000", "0.0000000"},
      {"9000.000", "S", "00000.000", "E", "-90.0000000", "0.0000000"},
      {"9000.600", "N", "00000.000", "E", nullptr, nullptr},
      {"1500.000", "N", "18000.600", "W", nullptr, nullptr},
      {"8959.000", "N", "99999.000", "E", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const std::string text = FirstPoint(RmcAt("123519.00", "230394", c.latitude, c.ns, c.longitude, c.ew));
    const std::string where = std::string(c.latitude) + c.ns + " " + c.longitude + c.ew;
    if (c.lat == nullptr) {
      EXPECT_EQ(text, "") << where;
      continue;
    }
    EXPECT_EQ(Capture(text, "<trkpt lat=\"([^\"]*)\""), c.lat) << where;
    EXPECT_EQ(Capture(text, "<trkpt lat=\"[^\"]*\" lon=\"([^\"]*)\""), c.lon) << where;
  }
}

// The receiver's time, with its fraction to the thousandth when it sent one (five points in a
// second at 5 Hz have five times); a fix without a calendar time is left out.
TEST(GpxWriter, TimesFromTheReceiversClock) {
  const struct {
    const char *time, *date, *written;
  } cases[] = {
      {"123519.00", "230394", "2094-03-23T12:35:19Z"},
      {"123519", "230394", "2094-03-23T12:35:19Z"},
      {"123519.20", "230394", "2094-03-23T12:35:19.200Z"},
      {"235959.80", "311224", "2024-12-31T23:59:59.800Z"},
      {"000000.05", "010100", "2000-01-01T00:00:00.050Z"},
      {"000000.999", "010100", "2000-01-01T00:00:00.999Z"},
      {"120000.9999", "010100", "2000-01-01T12:00:00.999Z"},
      {"120000.00", "290224", "2024-02-29T12:00:00Z"},
      {"120000.00", "311299", "2099-12-31T12:00:00Z"},
      {"120000.00", "290223", nullptr},
      {"120000.00", "310424", nullptr},
      {"120000.00", "001224", nullptr},
      {"120000.00", "011324", nullptr},
      {"123560.00", "230394", nullptr},
      {"126019.00", "230394", nullptr},
      {"243519.00", "230394", nullptr},
  };
  for (const auto& c : cases) {
    const std::string text = FirstPoint(RmcTimed(c.time, c.date));
    if (c.written == nullptr) {
      EXPECT_EQ(text, "") << c.time << " " << c.date;
    } else {
      EXPECT_EQ(Capture(text, "<trkpt[^>]*><time>([^<]*)</time>"), c.written) << c.time << " " << c.date;
    }
  }
}

// A new segment when two recorded points are more than 10 s apart on the receiver's clock,
// either way, across midnight too.
TEST(GpxWriter, SegmentsSplitAtGapsOverTenSeconds) {
  const struct {
    const char *time, *date;
    bool breaks;
  } steps[] = {
      {"120000.00", "010524", false}, {"120005.00", "010524", false}, {"120015.00", "010524", false},
      {"120025.20", "010524", true},  {"120025.40", "010524", false}, {"115900.00", "010524", true},
      {"115909.00", "010524", false}, {"235958.00", "010524", true},  {"000003.00", "020524", false},
      {"000014.00", "020524", true},  {"000014.00", "030524", true},
  };
  GpxWriter writer{};
  int segments = 0;
  for (const auto& step : steps) {
    const std::string text = Append(&writer, ReadOf(RmcTimed(step.time, step.date)));
    const bool breaks = text.rfind("</trkseg><trkseg>", 0) == 0;
    EXPECT_EQ(breaks, step.breaks) << step.time << " " << step.date;
    segments += breaks;
  }
  EXPECT_EQ(segments, 5);
}

// The first point carries the document's start; each point its height, fix kind and
// satellites when the read held a GGA, and speed in m/s and course in the extension.
TEST(GpxWriter, ThePointsElementsInTheSchemasOrder) {
  const std::string gga = "$GPGGA,123519.00,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,*47\r\n";
  const struct {
    std::string text, expected;
  } cases[] = {
      {RmcTimed("123519.00") + gga,
       "<trkpt lat=\"48.1173014\" lon=\"11.5166667\"><ele>545.40</ele><time>2094-03-23T12:35:19Z</time>"
       "<fix>dgps</fix><sat>8</sat><extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>11.524</gpxtpx:speed>"
       "<gpxtpx:course>84.40</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
      {RmcAt("123519.00", "230394", "4807.038", "N", "01131.000", "E", "1.0", "-90"),
       "<trkpt lat=\"48.1173014\" lon=\"11.5166667\"><time>2094-03-23T12:35:19Z</time>"
       "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>0.514</gpxtpx:speed>"
       "<gpxtpx:course>270.00</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
      {RmcAt("123519.00", "230394", "4807.038", "N", "01131.000", "E", "1.0", "720") +
           "$GPGGA,123519.00,4807.038,N,01131.000,E,6,-3,0.9,1e30,M,46.9,M,,*47\r\n",
       "<trkpt lat=\"48.1173014\" lon=\"11.5166667\"><time>2094-03-23T12:35:19Z</time>"
       "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>0.514</gpxtpx:speed>"
       "<gpxtpx:course>0.00</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
  };
  for (const auto& c : cases) {
    const std::string text = FirstPoint(c.text);
    ASSERT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\"", 0), 0u) << text;
    EXPECT_NE(text.find("<metadata><time>2094-03-23T12:35:19Z</time></metadata>\n<trk><name>"), std::string::npos);
    ASSERT_NE(text.find("<trkpt"), std::string::npos);
    EXPECT_EQ(text.substr(text.find("<trkpt")), c.expected);
  }
}

// Files are named by the first point's time to the second; a taken name gets _2, _3 ...
TEST(GpxWriter, FileNames) {
  GpxPoint point;
  const Read read = ReadOf(RmcTimed("070809.60", "020124"));
  ASSERT_TRUE(ReadGpxPoint(&read.fix, &read.extras, &point));
  const struct {
    int number;
    const wchar_t* name;
  } cases[] = {
      {1, L"2024-01-02_07-08-09Z.gpx"},
      {2, L"2024-01-02_07-08-09Z_2.gpx"},
      {12, L"2024-01-02_07-08-09Z_12.gpx"},
  };
  for (const auto& c : cases) {
    wchar_t name[48];
    EXPECT_EQ(FormatTrackFileName(point.timeMs, c.number, name, 48), std::wcslen(c.name));
    EXPECT_EQ(std::wstring(name), c.name);
  }
  wchar_t small[8];
  EXPECT_EQ(FormatTrackFileName(point.timeMs, 1, small, 8), 7u);
  EXPECT_EQ(std::wstring(small), L"2024-01");
}

TEST(GpxWriter, DecimalsInTheProgramsOwnDigits) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {0.0, 2, "0.00"},          {-0.0, 2, "0.00"},       {1.005, 0, "1"},
      {2.5, 0, "3"},             {-2.5, 0, "-3"},          {-0.00000004, 7, "0.0000000"},
      {-0.00000006, 7, "-0.0000001"}, {123.456789, 3, "123.457"}, {999.9996, 3, "1000.000"},
      {99999999999999.9, 1, "99999999999999.9"}, {1e15, 0, ""}, {1e12, 9, ""},
      {0.1, 9, "0.100000000"},
  };
  for (const auto& c : cases) {
    char out[32];
    EXPECT_EQ(std::string(out, FormatDecimal(c.value, c.decimals, out)), c.text) << c.value;
  }
  char out[32];
  EXPECT_EQ(FormatDecimal(std::nan(""), 2, out), 0u);
  EXPECT_EQ(FormatDecimal(HUGE_VAL, 2, out), 0u);
}

// The same points under a locale whose decimal separator is a comma give the same text. The
// locale is built for the test (localedef into a temporary folder) when the system lacks it.
TEST(GpxWriter, NumbersIgnoreTheLocale) {
  // The reader's scanning follows LC_NUMERIC too, which the program never sets: it reads in C.
  const Read read = ReadOf(RmcTimed("123519.20") + "$GPGGA,123519.20,4807.038,N,01131.000,E,1,08,0.9,545.4,M,");
  GpxWriter writer{};
  const std::string plain = Append(&writer, read);
  kavro_test::TempFolder folder;
  const std::string build =
      "localedef -i de_DE -f UTF-8 " + folder.File("de_DE.UTF-8") + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(build.c_str()), 0) << "localedef cannot build de_DE.UTF-8";
  setenv("LOCPATH", folder.path.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  writer = GpxWriter{};
  const std::string german = Append(&writer, read);
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  ASSERT_STREQ(probe, "1,5") << "the locale writes a comma";
  EXPECT_EQ(german, plain);
  EXPECT_NE(plain.find("<ele>545.40</ele>"), std::string::npos);
}

}  // namespace
