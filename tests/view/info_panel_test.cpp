// The info panel's text and the speed figure (their drawing is in screen_test.cpp).
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>

#include "gps/nmea_reader.h"
#include "view/info_panel.h"

namespace {

// A letter that never arrived must not end the text there and leave stale lines below, nor
// may a noise byte stop the conversion: the whole panel is always drawn.
TEST(InfoPanelTest, MissingAndNoiseLettersKeepThePanelWhole) {
  const struct {
    char lat, lon;
    const char* lines;  // the position lines
  } cases[] = {
      {'\0', 'E', "| 4807.0381  | 1131.0000 E|"},
      {'\xC3', '\n', "| 4807.0381 ?| 1131.0000 ?|"},
  };
  for (const char* locale : {"C", "C.UTF-8"}) {
    ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, locale));
    for (const auto& c : cases) {
      ResetTrackState(&trackState);
      ParseNmeaText("$GPRMC,123519.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n",
                    &trackState.current);
      trackState.current.latHemisphere = c.lat;
      trackState.current.lonHemisphere = c.lon;
      wchar_t wide[InfoPanelTextSize];
      ASSERT_EQ(1, FormatInfoPanel(&trackState, wide, InfoPanelTextSize));
      std::string text;
      for (const wchar_t* p = wide; *p != 0; ++p) text += *p == '\n' ? '|' : char(*p);
      EXPECT_NE(text.find(c.lines), std::string::npos) << locale << ": " << text;
      EXPECT_EQ(text.substr(text.size() - 17), "| S =     0.0 km|") << locale << ": " << text;
    }
  }
  std::setlocale(LC_CTYPE, "C");
}

// Before the first fix the date is zeros in its full width; the top speed and the distance
// are kilometres (knots and minutes of arc times 1.852) in their places.
TEST(InfoPanelTest, FiguresKeepTheirPlaces) {
  ResetTrackState(&trackState);
  trackState.topSpeed = 1000.0;
  trackState.distance = 100.0;
  wchar_t wide[InfoPanelTextSize];
  ASSERT_EQ(1, FormatInfoPanel(&trackState, wide, InfoPanelTextSize));
  EXPECT_EQ(std::wstring(wide),
            L"\n\n 00.00.0000\n 00:00:00\n\n 0.0000  \n 0.0000  \n\n T =       0 gr\n A =       0 m\n"
            L" V =  1852 km/h\n S =   185.2 km\n");
}

TEST(SpeedFigureTest, ValueAndTextSaturate) {
  const struct {
    double knots;
    std::int32_t value;
    std::wstring text;
  } cases[] = {
      {-0.9, -1, L" -1"},  // truncated toward zero
      {22.5, 41, L" 41"},  // 41.67 km/h
      {1e10, INT32_MAX, L"2147483647"},
      {-HUGE_VAL, INT32_MIN, L"-2147483648"},
      {std::nan(""), 0, L"  0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value, SpeedFigureOf(c.knots)) << c.knots << " knots";
    wchar_t text[SpeedFigureTextSize];
    ASSERT_EQ(1, FormatSpeedFigure(c.value, text, SpeedFigureTextSize));
    EXPECT_EQ(c.text, std::wstring(text)) << c.value;
  }
}

}  // namespace
