// The TRACKS line of Tolm.ini: the file's own rules (blanks as for PORT, upper case, the last
// line wins, indented lines ignored), and PORT and RATE read as they always were beside it.
#include <string>

#include "common/program_folder.h"
#include "gps/settings.h"

namespace {

using kavro_test::ProgramFolderTest;

TEST_F(ProgramFolderTest, TracksLines) {
  const std::string longValue(300, 'x');
  const struct {
    std::string contents;
    std::uint8_t mode;
    std::wstring folder;
  } cases[] = {
      {"PORT = COM3\nRATE = 4800\n", TracksInProgramFolder, L""},
      {"TRACKS = off\n", TracksOff, L""},
      {"TRACKS=off", TracksOff, L""},
      {"TRACKS  =  /media/card/tracks  \r\n", TracksInNamedFolder, L"/media/card/tracks"},
      {"TRACKS = drives\n", TracksInNamedFolder, L"drives"},
      {"TRACKS = my drives/2024\n", TracksInNamedFolder, L"my drives/2024"},
      {"TRACKS = off\nTRACKS = drives\n", TracksInNamedFolder, L"drives"},
      {"TRACKS = drives\nTRACKS = off\n", TracksOff, L""},
      {"TRACKS = drives\nTRACKS =\n", TracksInProgramFolder, L""},
      {"TRACKS = OFF\n", TracksInNamedFolder, L"OFF"},
      {"TRACKS = drives\ntracks = off\n  TRACKS = off\nTRACK = off\n", TracksInNamedFolder, L"drives"},
      {"TRACKS = " + longValue + "\n", TracksFolderTooLong, L""},
      {"TRACKS = drives\nPORT = " + std::string(252, 'x') + "TRACKS = off\n", TracksInNamedFolder, L"drives"},
  };
  for (const auto& c : cases) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", c.contents);
    ResetTrackState(&trackState);
    trackState.tracksMode = TracksOff;  // a file that opens sets the mode from its lines alone
    ReadSettings(&trackState);
    EXPECT_EQ(trackState.tracksMode, c.mode) << c.contents;
    EXPECT_EQ(std::wstring(trackState.tracksFolder), c.folder) << c.contents;
  }
  kavro_test::WriteWholeFile(folder + "/Tolm.ini", "TRACKS = off\nPORT = COM3\nRATE = 4800\n");
  ReadSettings(&trackState);
  EXPECT_EQ(std::tuple(trackState.portNumber, trackState.baudRate), std::tuple(3, 4800));
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
