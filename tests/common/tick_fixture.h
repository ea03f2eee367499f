// Test fixture for the timer tick: a program folder, a pseudo-terminal as the GPS port, a
// window that needs no display, and ticks whose drawing is recorded.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "common/gdi_calls.h"
#include "common/program_folder.h"
#include "track/tick.h"

namespace kavro_test {

constexpr int WindowWidth = 480;
constexpr int WindowHeight = 536;

// An RMC sentence as a receiver sends it, with the fields a tick looks at given as text.
inline std::string Rmc(const std::string& latitude, const std::string& longitude, const std::string& speed) {
  return "$GPRMC,123519.00,A," + latitude + ",N," + longitude + ",E," + speed + ",084.4,230394,003.1,W*6A\r\n";
}

inline bool SameFix(const FixRecord& a, const FixRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class TickTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    tickBusy = TickIdle;
    port.Open(folder, 5);
    window = platform::testing::CreateSurfaceWindow(WindowWidth, WindowHeight);
    ASSERT_NE(window, nullptr);
  }

  void TearDown() override {
    DestroyWindow(window);
    port.Close();
    tickBusy = TickIdle;
    ProgramFolderTest::TearDown();
  }

  // One timer tick after the receiver sent text (if any); returns what the tick drew.
  std::vector<GdiRecord> Tick(const std::string& text = "") {
    if (!text.empty()) port.Send(text);
    platform::testing::StartGdiRecording();
    EXPECT_EQ(HandleTick(window), 0);
    return platform::testing::StopGdiRecording();
  }

  // Where the tick's drawings show in a recording (-1 when not drawn).
  static int PanelAt(const std::vector<GdiRecord>& record) {
    for (std::size_t i = 0; i < record.size(); ++i) {
      if (record[i].op == "DrawTextW" && record[i].text.rfind(L"\n\n ", 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  static int PlotAt(const std::vector<GdiRecord>& record) {
    return FindCall(record, "FillRect", {100, 0, WindowWidth, WindowHeight});
  }
  static int CompassAt(const std::vector<GdiRecord>& record) {
    return FindCall(record, "Ellipse", {WindowWidth - 64, 10, WindowWidth - 10, 64});
  }
  static int SpeedFigureAt(const std::vector<GdiRecord>& record) {
    return FindCall(record, "FillRect", {1, 180, 99, WindowHeight});
  }

  TestPort port;
  HWND window = nullptr;
};

}  // namespace kavro_test
