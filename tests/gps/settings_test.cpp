// Tests of the settings file Tolm.ini beside the program.
#include "common/program_folder.h"
#include "gps/settings.h"

namespace {

using kavro_test::ProgramFolderTest;

// The settings as read from a file, starting from the zeroes of start-up. A line is read in
// pieces of 259 bytes, each matched as a line of its own.
TEST_F(ProgramFolderTest, SettingsFileGivesPortAndRate) {
  const struct {
    std::string contents;
    std::int32_t port, rate;
  } cases[] = {
      {"RATE = 4800\nPORT = COM2\n", 2, 4800},
      {"RATE = 9600\nport = com2\n  PORT = COM2\n", 7, 9600},
      {"PORT = COM4 ; the receiver\nRATE = 38400 baud", 4, 38400},
      {"PORT = COM2\nRATE = 4800\nPORT = COM5\nRATE = 9600\n", 5, 9600},  // the last one wins
      {"RATE = 0\nPORT = COM-1\n", -1, 0},
      {"PORT = COM2\r\nRATE = 4800\r\n", 2, 4800},
      {"PORT = COM\nRATE = fast\n[serial]\n# PORT = COM9\nBAUD = 9600\n", 7, 57600},
      {std::string(259, 'x') + "RATE = 1200\n", 7, 1200},
      {std::string(258, 'x') + "RATE = 1200\n", 7, 57600},
  };
  for (const auto& c : cases) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", c.contents);
    ResetTrackState(&trackState);
    ReadSettings(&trackState);
    EXPECT_EQ(std::pair(trackState.portNumber, trackState.baudRate), std::pair(c.port, c.rate))
        << c.contents;
  }
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
