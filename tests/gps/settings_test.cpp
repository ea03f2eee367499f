// Tests of the settings file Tolm.ini and of the paths beside the program.
#include <cstring>

#include "common/program_folder.h"
#include "gps/program_path.h"
#include "gps/settings.h"

namespace {

using kavro_test::ProgramFolderTest;

const std::vector<kavro_test::ShownBox> MissingFile = {
    {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK}};

// The settings as read from a file, starting from the zeroes of start-up. A line is read in
// pieces of 259 bytes, each matched as a line of its own.
TEST_F(ProgramFolderTest, SettingsFileGivesPortAndRate) {
  const struct {
    std::string contents;
    std::int32_t port, rate;
  } cases[] = {
      {"RATE = 4800\nPORT = COM2\n", 2, 4800},
      {"", 7, 57600},
      {"RATE = 9600\nport = com2\n  PORT = COM2\n", 7, 9600},
      {"PORT=COM3\nRATE   =4800\n", 3, 4800},
      {"PORT = COM 3\n", 3, 57600},
      {"PORT = COM4 ; the receiver\nRATE = 38400 baud", 4, 38400},
      {"PORT = COM2\nRATE = 4800\nPORT = COM5\nRATE = 9600\n", 5, 9600},  // the last one wins
      {"RATE = 0\nPORT = COM-1\n", -1, 0},
      {"PORT = COM2\r\nRATE = 4800\r\n", 2, 4800},
      {"PORT = COM\nRATE = fast\n[serial]\n# PORT = COM9\nBAUD = 9600\n", 7, 57600},
      {std::string(259, 'x') + "RATE = 1200\n", 7, 1200},
      {std::string(258, 'x') + "RATE = 1200\n", 7, 57600},
      {std::string(600, 'x') + "\nRATE = 2400\n", 7, 2400},
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

// The file beside the program counts. A folder name beyond the C locale is read under UTF-8;
// under C it is reported missing (never opened mangled), and the values stay as they were.
TEST_F(ProgramFolderTest, SettingsFileIsTheOneBesideTheProgram) {
  const std::string unusual = folder + "/\xc3\xa9t\xc3\xa9";  // "été"
  ASSERT_TRUE(std::filesystem::create_directory(unusual));
  kavro_test::WriteWholeFile(folder + "/Tolm.ini", "PORT = COM9\n");
  kavro_test::WriteWholeFile(unusual + "/Tolm.ini", "PORT = COM2\n");
  SetProgramPath(unusual + "/kavro");
  ReadSettings(&trackState);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(trackState.portNumber, 2);
  trackState.baudRate = 9600;
  std::setlocale(LC_CTYPE, "C");
  ReadSettings(&trackState);
  EXPECT_EQ(boxes, MissingFile);
  EXPECT_EQ(std::pair(trackState.portNumber, trackState.baudRate), std::pair(2, 9600));
}

// The program path cut at its last '/'. A folder of 250 characters leaves room for "/Tolm.ini"
// and the NUL; a longer one, or a program path the platform had to cut, names no real file.
TEST_F(ProgramFolderTest, ProgramFilePathIsWholeOrNone) {
  const std::wstring fits = L"/" + std::wstring(249, L'f');
  const struct {
    std::wstring modulePath, expected;  // expected empty: no path can be built
  } cases[] = {
      {L"/a.b/c d/kavro", L"/a.b/c d/Tolm.ini"},
      {L"kavro", L"/Tolm.ini"},
      {L"", L""},
      {fits + L"/kavro", fits + L"/Tolm.ini"},
      {fits + L"g/kavro", L""},
      {L"/" + std::wstring(300, L'p') + L"/kavro", L""},
  };
  for (const auto& c : cases) {
    platform::testing::SetModulePath(c.modulePath.c_str());
    wchar_t path[260];
    EXPECT_EQ(BuildProgramFilePath(path, 260, L"Tolm.ini"), c.expected.empty() ? 0 : 1);
    EXPECT_EQ(std::wstring(path), c.expected) << c.modulePath.size() << " characters";
  }
}

// The 8-bit form of a path is whole and terminated, or there is none: the C library stops short
// of a character that would cross the buffer's end, leaving another file's name, unterminated.
TEST_F(ProgramFolderTest, PathIsConvertedWholeOrNotAtAll) {
  const struct {
    std::wstring path;
    std::size_t length;  // of the 8-bit form; 0: refused
  } cases[] = {
      {std::wstring(259, L'a'), 259},
      {std::wstring(260, L'a'), 0},
      {std::wstring(257, L'a') + L"\u00e9", 259},  // the two bytes of e-acute end at 259
      {std::wstring(258, L'a') + L"\u00e9", 0},    // no room for the terminator
      {std::wstring(259, L'a') + L"\u00e9", 0},    // the character itself does not fit
      {std::wstring(100, L'a') + L"\xd800", 0},    // a surrogate has no UTF-8 form
  };
  for (const auto& c : cases) {
    char bytes[260];
    std::memset(bytes, '#', sizeof bytes);
    EXPECT_EQ(ConvertPathToBytes(bytes, sizeof bytes, c.path.c_str()), c.length > 0 ? 1 : 0);
    EXPECT_EQ(strnlen(bytes, sizeof bytes), c.length) << c.path.size() << " characters";
  }
}

}  // namespace
