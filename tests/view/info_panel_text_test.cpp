// Texts of the info panel and the speed figure, and the 8-bit to wide conversion.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/records.h"
#include "view/info_panel.h"
#include "view_fixtures.h"

namespace {

using view_test::Nmea;

// The fix of $GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A with
// $GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47 in the same read.
FixRecord ExampleFix() {
  FixRecord fix{};
  fix.satsUsed = 8;
  fix.fixQuality = 1;
  fix.latitude = Nmea(4807.038);
  fix.longitude = Nmea(1131.000);
  fix.altitude = Nmea(545.4);
  fix.course = Nmea(84.4);
  fix.speed = Nmea(22.4);
  fix.status = 'A';
  fix.latHemisphere = 'N';
  fix.lonHemisphere = 'E';
  fix.second = 19;
  fix.minute = 35;
  fix.hour = 12;
  fix.day = 23;
  fix.month = 3;
  fix.year = 2094;
  return fix;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring::size_type start = 0;
  for (std::wstring::size_type end; (end = text.find(L'\n', start)) != std::wstring::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::wstring PanelText() {
  wchar_t text[InfoPanelTextSize];
  EXPECT_EQ(1, FormatInfoPanel(&trackState, text, InfoPanelTextSize));
  return text;
}

class InfoPanelTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    trackState.current = ExampleFix();
  }
};

TEST_F(InfoPanelTextTest, ExampleFixLineByLine) {
  const std::vector<std::wstring> expected = {
      L"", L"", L" 23.03.2094", L" 12:35:19", L"", L" 4807.0381 N", L" 1131.0000 E", L"",
      L" T =      84 gr", L" A =     545 m", L" V =     0 km/h", L" S =     0.0 km", L""};
  EXPECT_EQ(expected, LinesOf(PanelText()));
}

TEST_F(InfoPanelTextTest, TopSpeedAndDistanceInKilometres) {
  trackState.topSpeed = Nmea(22.4);
  trackState.distance = 0.009765625;  // 0.0180859375 km: still 0.0 with one decimal
  std::vector<std::wstring> lines = LinesOf(PanelText());
  ASSERT_EQ(13u, lines.size());
  EXPECT_EQ(L" V =    41 km/h", lines[10]);
  EXPECT_EQ(L" S =     0.0 km", lines[11]);
  trackState.distance = 100.0;
  EXPECT_EQ(L" S =   185.2 km", LinesOf(PanelText())[11]);
}

// A letter that was never received used to end the text there, leaving stale lines below.
TEST_F(InfoPanelTextTest, MissingLettersShowAsBlanksAndTheWholePanelIsDrawn) {
  struct Case {
    char lat;
    char lon;
    const wchar_t* latLine;
    const wchar_t* lonLine;
  } const cases[] = {
      {'\0', 'E', L" 4807.0381  ", L" 1131.0000 E"},
      {'N', '\0', L" 4807.0381 N", L" 1131.0000  "},
      {'\0', '\0', L" 4807.0381  ", L" 1131.0000  "},
  };
  for (const Case& c : cases) {
    trackState.current.latHemisphere = c.lat;
    trackState.current.lonHemisphere = c.lon;
    std::vector<std::wstring> lines = LinesOf(PanelText());
    ASSERT_EQ(13u, lines.size());
    EXPECT_EQ(c.latLine, lines[5]);
    EXPECT_EQ(c.lonLine, lines[6]);
    EXPECT_EQ(L" S =     0.0 km", lines[11]);
  }
}

TEST_F(InfoPanelTextTest, ZeroedFixStillGivesEveryLine) {
  trackState.current = FixRecord{};
  const std::vector<std::wstring> expected = {
      L"", L"", L" 00.00.0000", L" 00:00:00", L"", L" 0.0000  ", L" 0.0000  ", L"",
      L" T =       0 gr", L" A =       0 m", L" V =     0 km/h", L" S =     0.0 km", L""};
  EXPECT_EQ(expected, LinesOf(PanelText()));
}

TEST(PanelLetterTest, NoiseBytesBecomeReplacementCharacters) {
  struct Case {
    char letter;
    char shown;
  } const cases[] = {
      {'N', 'N'}, {'S', 'S'}, {'E', 'E'}, {'W', 'W'}, {'\0', ' '}, {' ', ' '}, {'~', '~'},
      {'\n', '?'}, {'\r', '?'}, {'\x7F', '?'}, {'\x80', '?'}, {'\xB0', '?'}, {'\xFF', '?'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.shown, PanelLetter(c.letter)) << "byte " << (static_cast<int>(c.letter) & 0xFF);
  }
}

TEST_F(InfoPanelTextTest, NoiseLettersKeepTheTextWholeInAnyLocale) {
  trackState.current.latHemisphere = '\xC3';  // the start of a two-byte UTF-8 sequence
  trackState.current.lonHemisphere = '\n';
  for (const char* locale : {"C", "C.UTF-8"}) {
    ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, locale)) << locale;
    std::vector<std::wstring> lines = LinesOf(PanelText());
    ASSERT_EQ(13u, lines.size()) << locale;
    EXPECT_EQ(L" 4807.0381 ?", lines[5]) << locale;
    EXPECT_EQ(L" 1131.0000 ?", lines[6]) << locale;
    EXPECT_EQ(L" S =     0.0 km", lines[11]) << locale;
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(WidenTextTest, InvalidSequencesBecomeOneReplacementEach) {
  ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, "C.UTF-8"));
  struct Case {
    const char* text;
    const wchar_t* expected;
  } const cases[] = {
      {"plain", L"plain"},
      {"a\xC3\xA9z", L"a\u00E9z"},
      {"a\xFFz", L"a?z"},
      {"a\xC3", L"a?"},
      {"\xC3(", L"?("},
      {"", L""},
  };
  for (const Case& c : cases) {
    wchar_t out[16];
    std::size_t count = WidenText(c.text, out, 16);
    EXPECT_EQ(std::wstring(c.expected), std::wstring(out)) << c.text;
    EXPECT_EQ(std::wcslen(c.expected), count) << c.text;
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(WidenTextTest, StopsWhenTheOutputIsFullAndAlwaysTerminates) {
  wchar_t out[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(3u, WidenText("abcdef", out, 4));
  EXPECT_EQ(std::wstring(L"abc"), std::wstring(out));
  EXPECT_EQ(0u, WidenText("abc", out, 1));
  EXPECT_EQ(L'\0', out[0]);
}

TEST(SpeedFigureTest, KnotsToWholeKilometresPerHour) {
  struct Case {
    double knots;
    std::int32_t expected;
  } const cases[] = {
      {Nmea(22.4), 41},
      {0.0, 0},
      {Nmea(0.5), 0},
      {Nmea(0.54), 1},   // 1.00008 km/h
      {-0.9, -1},        // truncated toward zero
      {1e10, std::numeric_limits<std::int32_t>::max()},
      {-1e10, std::numeric_limits<std::int32_t>::min()},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int32_t>::max()},
      {std::nan(""), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, SpeedFigureOf(c.knots)) << c.knots << " knots";
  }
}

TEST(SpeedFigureTest, RightAlignedInThreeCharacters) {
  struct Case {
    std::int32_t value;
    const wchar_t* expected;
  } const cases[] = {
      {41, L" 41"}, {0, L"  0"}, {7, L"  7"}, {999, L"999"}, {1234, L"1234"},
      {std::numeric_limits<std::int32_t>::min(), L"-2147483648"},
  };
  for (const Case& c : cases) {
    wchar_t text[SpeedFigureTextSize];
    ASSERT_EQ(1, FormatSpeedFigure(c.value, text, SpeedFigureTextSize));
    EXPECT_EQ(std::wstring(c.expected), std::wstring(text)) << c.value;
  }
}

TEST(SpeedFigureTest, FontIsNormalSwissAt56PixelsWithNoFace) {
  LOGFONTW font = SpeedFigureFont();
  EXPECT_EQ(-56, font.lfHeight);
  EXPECT_EQ(400, font.lfWeight);
  EXPECT_EQ(1, font.lfCharSet);
  EXPECT_EQ(0x22, font.lfPitchAndFamily);
  EXPECT_EQ(L'\0', font.lfFaceName[0]);
  EXPECT_EQ(0, font.lfWidth + font.lfEscapement + font.lfOrientation + font.lfItalic +
                   font.lfUnderline + font.lfStrikeOut + font.lfOutPrecision +
                   font.lfClipPrecision + font.lfQuality);
}

}  // namespace
