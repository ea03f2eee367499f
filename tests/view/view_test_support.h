// View test helpers: fixes as the reader stores them (the tick tests take them too), and a window
// whose drawing is recorded.
#pragma once

#include <gtest/gtest.h>

#include "common/gdi_calls.h"
#include "core/records.h"
#include "platform/user.h"

namespace view_test {

using kavro_test::Recording;

// A fix as the reader stores it: numbers read in single precision, kept as doubles.
inline FixRecord FixAt(double longitude, double latitude, char lonHemisphere = 'E', char latHemisphere = 'N') {
  return FixRecord{0, 0, 0, float(latitude), float(longitude), 0, 0, 0, 0, latHemisphere, lonHemisphere, 0, 0, 0, 0, 0, 0};
}

// A 480 x 536 window, the viewer's size, and the program-wide state cleared.
class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrackState(&trackState);
    window = platform::testing::CreateSurfaceWindow(480, 536);
    ASSERT_NE(nullptr, window);
  }
  void TearDown() override { DestroyWindow(window); }

  // Runs draw(surface) on a fresh surface and returns the calls it made; checks that every
  // object it created was deleted.
  template <class Draw>
  Recording Record(Draw draw) {
    const std::size_t live = platform::testing::CountLiveHandles();
    HDC surface = GetDC(window);
    platform::testing::StartGdiRecording();
    draw(surface);
    const Recording records = platform::testing::StopGdiRecording();
    ReleaseDC(window, surface);
    EXPECT_EQ(live, platform::testing::CountLiveHandles()) << "objects left behind";
    return records;
  }

  HWND window = nullptr;
};

}  // namespace view_test
