// Tests of the settings file Tolm.ini and of the paths beside the program.
#include <gtest/gtest.h>

#include <clocale>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/program_folder.h"
#include "gps/program_path.h"
#include "gps/settings.h"

namespace {

using kavro_test::ProgramFolderTest;
using kavro_test::ShownBox;

const ShownBox MissingFileBox = {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK};

// The settings as read from a file, starting from the zeroes of start-up.
TEST_F(ProgramFolderTest, SettingsFileGivesPortAndRate) {
  const struct {
    const char* name;
    std::string contents;
    std::int32_t port;
    std::int32_t rate;
  } cases[] = {
      {"BothKeys", "RATE = 4800\nPORT = COM2\n", 2, 4800},
      {"EmptyFileGivesDefaults", "", 7, 57600},
      {"RateAlone", "RATE = 9600\n", 7, 9600},
      {"LowerCaseIgnored", "port = com2\n", 7, 57600},
      {"IndentedLineIgnored", "  RATE = 9600\n\tPORT = COM2\n", 7, 57600},
      {"AnyBlanks", "PORT=COM3\nRATE   =4800\n", 3, 4800},
      {"BlankBeforeNumber", "PORT = COM 3\n", 3, 57600},
      {"TextAfterNumberIgnored", "PORT = COM4 ; the receiver\nRATE = 38400 baud\n", 4, 38400},
      {"LastOneWins", "PORT = COM2\nRATE = 4800\nPORT = COM5\nRATE = 9600\n", 5, 9600},
      {"ValuesNotValidated", "RATE = 0\nPORT = COM-1\n", -1, 0},
      {"NoLineFeedAtEnd", "RATE = 4800", 7, 4800},
      {"CarriageReturns", "PORT = COM2\r\nRATE = 4800\r\n", 2, 4800},
      {"NumberMissing", "PORT = COM\nRATE = fast\n", 7, 57600},
      {"OtherLinesIgnored", "[serial]\n# PORT = COM9\nBAUD = 9600\n", 7, 57600},
      // A line is read in pieces of 259 bytes, each matched as a line of its own.
      {"PieceStartsWithKey", std::string(259, 'x') + "RATE = 1200\n", 7, 1200},
      {"KeyCutBetweenPieces", std::string(258, 'x') + "RATE = 1200\n", 7, 57600},
      {"KeyAfterLongLine", std::string(600, 'x') + "\nRATE = 2400\n", 7, 2400},
  };
  for (const auto& c : cases) {
    kavro_test::WriteWholeFile(folder + "/Tolm.ini", c.contents);
    ResetTrackState(&trackState);
    ReadSettings(&trackState);
    EXPECT_EQ(trackState.portNumber, c.port) << c.name;
    EXPECT_EQ(trackState.baudRate, c.rate) << c.name;
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ProgramFolderTest, MissingSettingsFileIsReportedAndKeepsTheValues) {
  trackState.portNumber = 3;
  trackState.baudRate = 9600;
  ReadSettings(&trackState);
  EXPECT_EQ(boxes, std::vector<ShownBox>{MissingFileBox});
  EXPECT_EQ(trackState.portNumber, 3);
  EXPECT_EQ(trackState.baudRate, 9600);
}

// The file in the program's own folder counts, not one in the folder above. A folder name
// beyond the plain C locale is read under UTF-8, and under C is reported as a file that cannot
// be opened rather than opened mangled.
TEST_F(ProgramFolderTest, SettingsFileIsTheOneBesideTheProgram) {
  const std::string unusual = folder + "/\xc3\xa9t\xc3\xa9";  // "été"
  ASSERT_TRUE(std::filesystem::create_directory(unusual));
  kavro_test::WriteWholeFile(folder + "/Tolm.ini", "PORT = COM9\n");
  kavro_test::WriteWholeFile(unusual + "/Tolm.ini", "PORT = COM2\n");
  SetProgramPath(unusual + "/kavro");
  ReadSettings(&trackState);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(trackState.portNumber, 2);

  ResetTrackState(&trackState);
  std::setlocale(LC_CTYPE, "C");
  ReadSettings(&trackState);
  EXPECT_EQ(boxes, std::vector<ShownBox>{MissingFileBox});
  EXPECT_EQ(trackState.portNumber, 0);
}

// The folder is the program path cut at its last '/'. A folder of 250 characters leaves room
// for "/Tolm.ini" and the NUL exactly; a longer one, or a program path the platform had to cut
// off, names no real file.
TEST_F(ProgramFolderTest, ProgramFilePathIsWholeOrNone) {
  const std::wstring fits = L"/" + std::wstring(249, L'f');
  const struct {
    std::wstring modulePath;
    std::wstring expected;  // empty: no path can be built
  } cases[] = {
      {L"/opt/kavro/bin/kavro", L"/opt/kavro/bin/Tolm.ini"},
      {L"kavro", L"/Tolm.ini"},
      {L"/a.b/c d/kavro.exe", L"/a.b/c d/Tolm.ini"},
      {L"", L""},
      {fits + L"/kavro", fits + L"/Tolm.ini"},
      {fits + L"g/kavro", L""},
      {L"/" + std::wstring(300, L'p') + L"/kavro", L""},
  };
  for (const auto& c : cases) {
    platform::testing::SetModulePath(c.modulePath.c_str());
    wchar_t path[260];
    EXPECT_EQ(BuildProgramFilePath(path, 260, L"Tolm.ini"), c.expected.empty() ? 0 : 1)
        << c.modulePath.size() << " characters";
    EXPECT_EQ(std::wstring(path), c.expected) << c.modulePath.size() << " characters";
  }
}

// The 8-bit form of a path is whole and terminated, or there is none: the C library stops
// short of a character that would cross the buffer's end, and that cut-off path must not be
// taken for the real one (it would name another file, and it has no terminator).
TEST_F(ProgramFolderTest, PathIsConvertedWholeOrNotAtAll) {
  const struct {
    std::wstring path;
    int result;
    std::size_t length;
  } cases[] = {
      {std::wstring(259, L'a'), 1, 259},
      {std::wstring(260, L'a'), 0, 0},
      {std::wstring(257, L'a') + L"\u00e9", 1, 259},  // the two bytes of e-acute end at 259
      {std::wstring(258, L'a') + L"\u00e9", 0, 0},    // no room for the terminator
      {std::wstring(259, L'a') + L"\u00e9", 0, 0},    // the character itself does not fit
      {std::wstring(100, L'a') + L"\xd800", 0, 0},    // a surrogate has no UTF-8 form
  };
  for (const auto& c : cases) {
    char bytes[260];
    std::memset(bytes, '#', sizeof bytes);
    EXPECT_EQ(ConvertPathToBytes(bytes, sizeof bytes, c.path.c_str()), c.result) << c.path.size();
    const void* end = std::memchr(bytes, '\0', sizeof bytes);
    ASSERT_NE(end, nullptr) << c.path.size() << " characters: no terminator";
    EXPECT_EQ(static_cast<const char*>(end) - bytes, static_cast<std::ptrdiff_t>(c.length)) << c.path.size();
  }
}

}  // namespace
