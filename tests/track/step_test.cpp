// Tests of the tick's pure parts: the step between two fixes and the running sums.
#include <gtest/gtest.h>

#include <cmath>

#include "app/records.h"
#include "track/tick.h"

namespace {

// A fix as the reader stores it: the NMEA numbers read in single precision.
FixRecord Fix(float latitude, char latHemisphere, float longitude, char lonHemisphere) {
  FixRecord fix{};
  fix.latitude = static_cast<double>(latitude);
  fix.longitude = static_cast<double>(longitude);
  fix.latHemisphere = latHemisphere;
  fix.lonHemisphere = lonHemisphere;
  return fix;
}

// True distances in minutes of arc (one nautical mile each; the NMEA numbers count 100 per
// degree), the same both ways. The receiver's single precision leaves about 0.0005 minutes of
// doubt in a ddmm.mmmm number; due north the step is the single-precision difference exactly.
TEST(StepTest, TrueDistanceBothWays) {
  const double cos48 = std::cos(48.0 * 3.14159265358979323846 / 180.0);
  const struct {
    const char* name;
    FixRecord from, to;
    double minutes, within;
  } cases[] = {
      {"DueNorth", Fix(4807.038f, 'N', 1131.0f, 'E'), Fix(4807.048f, 'N', 1131.0f, 'E'), 0.009765625, 0.0},
      {"AcrossADegree", Fix(4759.99f, 'N', 1131.0f, 'E'), Fix(4800.01f, 'N', 1131.0f, 'E'), 0.02, 1e-3},
      {"AcrossTheEquator", Fix(0.3f, 'S', 1131.0f, 'E'), Fix(0.2f, 'N', 1131.0f, 'E'), 0.5, 1e-3},
      {"South", Fix(3345.0f, 'S', 15112.0f, 'E'), Fix(3346.0f, 'S', 15112.0f, 'E'), 1.0, 1e-3},
      {"EastAt48North", Fix(4800.0f, 'N', 1130.0f, 'E'), Fix(4800.0f, 'N', 1131.0f, 'E'), cos48, 1e-3},
      {"WestAt48North", Fix(4800.0f, 'N', 12259.5f, 'W'), Fix(4800.0f, 'N', 12300.5f, 'W'), cos48, 1e-3},
      {"AcrossGreenwich", Fix(0.0f, 'N', 0.3f, 'W'), Fix(0.0f, 'N', 0.2f, 'E'), 0.5, 1e-3},
      {"AcrossThe180th", Fix(0.0f, 'N', 17959.5f, 'E'), Fix(0.0f, 'N', 17959.5f, 'W'), 1.0, 1e-3},
      {"Diagonal", Fix(0.0f, 'N', 0.0f, 'E'), Fix(3.0f, 'N', 4.0f, 'E'), 5.0, 1e-3},
      // From 47 degrees 30' to 48 degrees 30': east-west at the mean latitude, 48 degrees.
      {"MeanLatitude", Fix(4730.0f, 'N', 1130.0f, 'E'), Fix(4830.0f, 'N', 1131.0f, 'E'),
       std::sqrt(60.0 * 60.0 + cos48 * cos48), 1e-12},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(MeasureStep(&c.from, &c.to), c.minutes, c.within) << c.name;
    EXPECT_NEAR(MeasureStep(&c.to, &c.from), c.minutes, c.within) << c.name << ", backwards";
  }
}

TEST(SumsTest, StepsAddUpAndOnlyAFasterFixRaisesTheTopSpeed) {
  ResetTrackState(&trackState);
  trackState.current.speed = 20.0;
  AddStep(&trackState, 0.5);
  trackState.current.speed = 10.0;
  AddStep(&trackState, 0.25);
  EXPECT_EQ(trackState.distance, 0.75);
  EXPECT_EQ(trackState.topSpeed, 20.0);
}

}  // namespace
