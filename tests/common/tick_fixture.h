// Timer tick fixture: a program folder, a pseudo-terminal port, a window, and recorded ticks.
#pragma once

#include "common/gdi_calls.h"
#include "common/program_folder.h"
#include "track/tick.h"

namespace kavro_test {

// An RMC sentence as a receiver sends it, with the fields a tick looks at given as text.
inline std::string Rmc(const std::string& latitude, const std::string& longitude,
                       const std::string& speed) {
  return "$GPRMC,123519.00,A," + latitude + ",N," + longitude + ",E," + speed +
         ",084.4,230394,003.1,W*6A\r\n";
}

class TickTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    tickBusy = TickIdle;
    OpenPort(port);
    window = platform::testing::CreateSurfaceWindow(480, 536);
    ASSERT_NE(window, nullptr);
  }

  void TearDown() override {
    DestroyWindow(window);
    ProgramFolderTest::TearDown();
  }

  // One timer tick after the receiver sent text (if any); returns what the tick drew.
  Recording Tick(const std::string& text = "") {
    if (!text.empty()) port.Send(text);
    platform::testing::StartGdiRecording();
    EXPECT_EQ(HandleTick(window), 0);
    return platform::testing::StopGdiRecording();
  }

  // Opens the port as portHandle without the program's set-up: an empty port returns from a
  // read after 200 ms with nothing.
  static void OpenPort(const PtyLink& link) {
    portHandle = CreateFileW(link.name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    COMMTIMEOUTS timeouts = {20, 0, 200, 10, 1000};
    ASSERT_TRUE(SetCommTimeouts(portHandle, &timeouts));
  }

  // Where the tick's drawings show in a recording (-1 when not drawn).
  static int PanelAt(const Recording& r) { return FindCall(r, "DrawTextW", {-1, 0, 0, 480}); }
  static int PlotAt(const Recording& r) { return FindCall(r, "FillRect", {100, 0, 480, 536}); }
  static int CompassAt(const Recording& r) { return FindCall(r, "Ellipse", {416, 10, 470, 64}); }
  static int FigureAt(const Recording& r) { return FindCall(r, "FillRect", {1, 180, 99, 536}); }

  PtyLink port{folder, 5};
  HWND window = nullptr;
};

}  // namespace kavro_test
