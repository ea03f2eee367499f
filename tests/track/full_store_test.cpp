// Tests of a full track store, in the build whose store holds 8 points.
#include "common/tick_fixture.h"

#include <filesystem>
#include <regex>

#include "record/track_recorder.h"

namespace {

using kavro_test::TickTest;

static_assert(TrackCapacity == 8, "this test runs on the small store");

// Ten fixes one minute apart, due north: nine steps of one minute, however full the store is.
// Once it is full, each newest fix takes the last slot, and every tick still shows everything.
TEST_F(TickTest, FullStoreKeepsMeasuringFollowingAndShowing) {
  for (int i = 0; i < 10; ++i) {
    const std::string latitude = "480" + std::to_string(i) + ".000";
    const auto record = Tick(kavro_test::Rmc(latitude, "01130.000", std::to_string(10 + i)));
    EXPECT_TRUE(PanelAt(record) >= 0 && CompassAt(record) >= 0 && FigureAt(record) >= 0) << i;
    EXPECT_EQ(PlotAt(record) >= 0, i > 0) << "tick " << i;
  }
  ASSERT_EQ(trackState.pointCount, 8);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(trackState.points[i].latitude, 4800.0 + i) << "point " << i;
  EXPECT_EQ(trackState.points[7].latitude, 4809.0) << "the newest fix in the last slot";
  EXPECT_EQ(std::pair(trackState.distance, trackState.topSpeed), std::pair(9.0, 19.0));
}

// The track file goes on where the plot stops: all ten moving fixes are in it, and standing
// ticks add nothing.
TEST_F(TickTest, FullStoreKeepsRecordingTheFile) {
  for (int i = 0; i < 10; ++i) {
    Tick(kavro_test::Rmc("480" + std::to_string(i) + ".000", "01130.000", std::to_string(10 + i)));
    Tick(kavro_test::Rmc("480" + std::to_string(i) + ".000", "01130.000", "0.0"));
  }
  FinishTrack();
  const std::string text = kavro_test::ReadWholeFile(folder + "/tracks/2094-03-23_12-35-19Z.gpx");
  const std::regex latitude("<trkpt lat=\"(48\\.[0-9]+)\"");
  std::vector<std::string> latitudes;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), latitude); it != std::sregex_iterator(); ++it) {
    latitudes.push_back((*it)[1]);
  }
  ASSERT_EQ(latitudes.size(), 10u);
  EXPECT_EQ(latitudes[0], "48.0000000");
  EXPECT_EQ(latitudes[9], "48.1500000");
}

}  // namespace
