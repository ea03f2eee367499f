// Tests of the settings file Tolm.ini beside the program.
#include "common/program_folder.h"
#include "gps/settings.h"

namespace {

using kavro_test::ProgramFolderTest;

// The settings as read from a file, starting from the zeroes of start-up. A line is read in
// pieces of 259 bytes, each matched as a line of its own. A PORT line that is no COM port
// names a source; the last PORT line wins, whatever its form.
TEST_F(ProgramFolderTest, SettingsFileGivesPortAndRate) {
  const struct {
    std::string contents;
    std::int32_t port, rate;
    std::wstring source = L"";
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
      {"PORT = /dev/ttyACM0\nRATE = 9600\n", 7, 9600, L"/dev/ttyACM0"},
      {"PORT=gpsd", 7, 57600, L"gpsd"},
      {"PORT  =  tcp://10.0.0.5:10110 \t\r\n", 7, 57600, L"tcp://10.0.0.5:10110"},
      {"PORT = COM3\nPORT = udp://:10110\n", 3, 57600, L"udp://:10110"},
      {"PORT = gpsd://gps.local/dev/ttyUSB0\nPORT = COM4\n", 4, 57600},
      {"PORT = gpsd\nPORT = COMX\n", 7, 57600, L"gpsd"},
      // Malformed sources are kept, so that opening them fails instead of some other port.
      {"PORT = ftp://host:21\n", 7, 57600, L"ftp://host:21"},
      {"PORT = /\n", 7, 57600, L"/"},
      {"PORT = /dev/serial/by-id/usb-\xc3\xbc-\xff\n", 7, 57600, L"/dev/serial/by-id/usb-\u00fc-?"},
      // Values that are no source leave the line unmatched, as before.
      {"PORT = ttyUSB0\nPORT = \nport = gpsd\nPORT = GPSD\n  PORT = gpsd\nPORT = 3://x\n", 7, 57600},
  };
  for (const auto& c : cases) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", c.contents);
    ResetTrackState(&trackState);
    ReadSettings(&trackState);
    EXPECT_EQ(std::pair(trackState.portNumber, trackState.baudRate), std::pair(c.port, c.rate))
        << c.contents;
    EXPECT_EQ(std::wstring(trackState.portSource), c.source) << c.contents;
  }
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
