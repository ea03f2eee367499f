// Tests of the tick's pure parts: the step between two fixes, the running sums and the store.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

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
  fix.speed = static_cast<double>(10.0f);
  return fix;
}

TEST(StepTest, StepDueNorthIsTheSinglePrecisionDifferenceExactly) {
  const FixRecord from = Fix(4807.038f, 'N', 1131.0f, 'E');
  const FixRecord to = Fix(4807.048f, 'N', 1131.0f, 'E');
  EXPECT_EQ(MeasureStep(&from, &to), 0.009765625);
  EXPECT_EQ(MeasureStep(&to, &from), 0.009765625);
}

struct StepCase {
  const char* name;
  FixRecord from;
  FixRecord to;
  double minutes;  // the true distance in minutes of arc
};

void PrintTo(const StepCase& c, std::ostream* out) { *out << c.name; }

const double Cos48 = std::cos(48.0 * 3.14159265358979323846 / 180.0);

// In minutes of arc, so one nautical mile each; the NMEA numbers count 100 per degree.
const std::vector<StepCase> StepCases = {
    {"AcrossADegree", Fix(4759.99f, 'N', 1131.0f, 'E'), Fix(4800.01f, 'N', 1131.0f, 'E'), 0.02},
    {"AcrossTheEquator", Fix(0.3f, 'S', 1131.0f, 'E'), Fix(0.2f, 'N', 1131.0f, 'E'), 0.5},
    {"SouthernHemisphere", Fix(3345.0f, 'S', 15112.0f, 'E'), Fix(3346.0f, 'S', 15112.0f, 'E'), 1.0},
    {"EastAt48North", Fix(4800.0f, 'N', 1130.0f, 'E'), Fix(4800.0f, 'N', 1131.0f, 'E'), Cos48},
    {"WestAt48North", Fix(4800.0f, 'N', 12259.5f, 'W'), Fix(4800.0f, 'N', 12300.5f, 'W'), Cos48},
    {"AcrossGreenwich", Fix(0.0f, 'N', 0.3f, 'W'), Fix(0.0f, 'N', 0.2f, 'E'), 0.5},
    {"AcrossThe180thMeridian", Fix(0.0f, 'N', 17959.5f, 'E'), Fix(0.0f, 'N', 17959.5f, 'W'), 1.0},
    {"DiagonalAtTheEquator", Fix(0.0f, 'N', 0.0f, 'E'), Fix(3.0f, 'N', 4.0f, 'E'), 5.0},
    {"NoMove", Fix(4807.038f, 'N', 1131.0f, 'E'), Fix(4807.038f, 'N', 1131.0f, 'E'), 0.0},
};

class StepTableTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepTableTest, TrueDistance) {
  const StepCase& c = GetParam();
  // The receiver's single precision leaves about 0.0005 minutes of doubt in a ddmm.mmmm number.
  EXPECT_NEAR(MeasureStep(&c.from, &c.to), c.minutes, 1e-3);
  EXPECT_NEAR(MeasureStep(&c.to, &c.from), c.minutes, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Steps, StepTableTest, ::testing::ValuesIn(StepCases),
                         [](const ::testing::TestParamInfo<StepCase>& param) { return param.param.name; });

TEST(StepTest, EastWestStepUsesTheMeanLatitude) {
  // From 47 degrees 30' to 48 degrees 30': the mean is 48 degrees.
  const FixRecord from = Fix(4730.0f, 'N', 1130.0f, 'E');
  const FixRecord to = Fix(4830.0f, 'N', 1131.0f, 'E');
  EXPECT_DOUBLE_EQ(MeasureStep(&from, &to), std::sqrt(60.0 * 60.0 + Cos48 * Cos48));
}

class SumsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTrackState(&trackState); }
};

TEST_F(SumsTest, StepsAddUpAndOnlyAFasterFixRaisesTheTopSpeed) {
  trackState.current.speed = 20.0;
  AddStep(&trackState, 0.5);
  trackState.current.speed = 10.0;
  AddStep(&trackState, 0.25);
  EXPECT_EQ(trackState.distance, 0.75);
  EXPECT_EQ(trackState.topSpeed, 20.0);
}

}  // namespace
