// The info panel and the speed figure: their texts called directly, the drawing as recorded,
// and the figure's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "view/info_panel.h"
#include "view_test_support.h"

namespace {

using view_test::Nmea;

class InfoPanelTest : public view_test::DrawingTest {
 protected:
  // The fix of $GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A with
  // $GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47 in the same read.
  void SetUp() override {
    DrawingTest::SetUp();
    FixRecord& fix = trackState.current;
    fix = view_test::FixAt(1131.000, 4807.038);
    fix.satsUsed = 8;
    fix.fixQuality = 1;
    fix.altitude = Nmea(545.4);
    fix.course = Nmea(84.4);
    fix.speed = Nmea(22.4);
    fix.second = 19;
    fix.minute = 35;
    fix.hour = 12;
    fix.day = 23;
    fix.month = 3;
    fix.year = 2094;
  }

  static std::string PanelText() {
    wchar_t text[InfoPanelTextSize];
    EXPECT_EQ(1, FormatInfoPanel(&trackState, text, InfoPanelTextSize));
    return view_test::Ascii(text);
  }
};

TEST_F(InfoPanelTest, PanelAndFigureAsDrawn) {
  trackState.topSpeed = Nmea(22.4);
  trackState.distance = 10.0;  // minutes of arc: 18.52 km
  RECT client{0, 0, 0, 0};
  GetClientRect(window_, &client);
  const std::vector<std::string> expected = {
      "SetBkColor 0,50,0",
      "SetTextColor 255,255,255",
      "DrawTextW \"|| 23.03.2094| 12:35:19|| 4807.0381 N| 1131.0000 E|| T =      84 gr| A =     "
      "545 m| V =    41 km/h| S =    18.5 km|\" in -1 0 0 480 536 0 colour 255,255,255 on "
      "0,50,0 font -11 face \"Liberation Sans\"",
      "SetTextColor 0,255,0",
      "CreateFontIndirectW -56 0 0 0 400 0 0 0 1 0 0 0 34 -> #1",
      "SelectObject #1 (was old1)",
      "CreateSolidBrush 0,50,0 -> #2",
      "FillRect 1 180 99 536 with #2",
      "DeleteObject #2",
      "DrawTextW \" 41\" in -1 1 160 99 536 5 colour 0,255,0 on 0,50,0 font -56 face \"\"",
      "SelectObject old1 (was #1)",
      "DeleteObject #1",
  };
  EXPECT_EQ(expected, Record([&](HDC surface) {
              DrawInfoPanel(surface, &client);
              DrawSpeedFigure(surface, &client, SpeedFigureOf(trackState.current.speed));
            }));
  EXPECT_EQ(41, trackState.shownSpeed);
}

// A letter that never arrived used to end the text there and leave stale lines below; a noise
// byte used to stop the conversion. Now the whole panel is always drawn.
TEST_F(InfoPanelTest, MissingAndNoiseLettersKeepThePanelWhole) {
  const struct {
    char lat, lon;
    const char* lines;  // the position lines
  } cases[] = {
      {'\0', 'E', "| 4807.0381  | 1131.0000 E|"},
      {'N', '\0', "| 4807.0381 N| 1131.0000  |"},
      {'\xC3', '\n', "| 4807.0381 ?| 1131.0000 ?|"},
      {'\xB0', '\x7F', "| 4807.0381 ?| 1131.0000 ?|"},
  };
  for (const char* locale : {"C", "C.UTF-8"}) {
    ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, locale));
    for (const auto& c : cases) {
      trackState.current.latHemisphere = c.lat;
      trackState.current.lonHemisphere = c.lon;
      const std::string text = PanelText();
      EXPECT_NE(text.find(c.lines), std::string::npos) << locale << ": " << text;
      EXPECT_EQ(text.substr(text.size() - 17), "| S =     0.0 km|") << locale << ": " << text;
    }
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(WidenTextTest, InvalidSequencesBecomeOneQuestionMarkEach) {
  ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, "C.UTF-8"));
  const struct {
    const char* text;
    std::size_t outSize;
    std::wstring expected;
  } cases[] = {
      {"a\xC3\xA9z", 16, L"a\u00E9z"}, {"a\xFFz", 16, L"a?z"}, {"a\xC3", 16, L"a?"},
      {"\xC3(", 16, L"?("},           {"abcdef", 4, L"abc"},  {"abc", 1, L""},
  };
  for (const auto& c : cases) {
    wchar_t out[16];
    EXPECT_EQ(c.expected.size(), WidenText(c.text, out, c.outSize)) << c.text;
    EXPECT_EQ(c.expected, std::wstring(out)) << c.text;
  }
  std::setlocale(LC_CTYPE, "C");
}

TEST(SpeedFigureTest, ValueAndText) {
  const struct {
    double knots;
    std::int32_t value;
    std::wstring text;
  } cases[] = {
      {0.0, 0, L"  0"},
      {Nmea(0.54), 1, L"  1"},
      {539.0, 998, L"998"},
      {-0.9, -1, L" -1"},  // truncated toward zero
      {1e10, std::numeric_limits<std::int32_t>::max(), L"2147483647"},
      {-std::numeric_limits<double>::infinity(), std::numeric_limits<std::int32_t>::min(), L"-2147483648"},
      {std::nan(""), 0, L"  0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value, SpeedFigureOf(c.knots)) << c.knots << " knots";
    wchar_t text[SpeedFigureTextSize];
    ASSERT_EQ(1, FormatSpeedFigure(c.value, text, SpeedFigureTextSize));
    EXPECT_EQ(c.text, std::wstring(text)) << c.value;
  }
}

// Three digits of the figure's font fit the left band without touching its edges.
TEST_F(InfoPanelTest, ThreeDigitsFitBetweenOneAndNinetyNine) {
  HDC surface = GetDC(window_);
  RECT client{0, 0, Width, Height};
  for (std::int32_t value : {888, 444, 100}) {
    SetBkColor(surface, RGB(0, 50, 0));
    DrawSpeedFigure(surface, &client, value);
    int left = Width, right = -1, top = Height;
    for (int y = 150; y < Height; ++y) {
      for (int x = 0; x < 120; ++x) {
        if (GetPixel(surface, x, y) != RGB(0, 255, 0)) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
      }
    }
    EXPECT_TRUE(left > 1 && right < 98 && top >= 160 && left < right)
        << value << ": green from x " << left << " to " << right << ", top " << top;
  }
  ReleaseDC(window_, surface);
}

}  // namespace
