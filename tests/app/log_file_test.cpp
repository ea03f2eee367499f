// Tests of the log file Tolm.txt: its creation beside the program and its header.
#include <gtest/gtest.h>

#include <clocale>
#include <regex>
#include <string>
#include <vector>

#include "common/program_folder.h"
#include "log/log_file.h"

namespace {

using kavro_test::ProgramFolderTest;
using kavro_test::ReadWholeFile;
using kavro_test::ShownBox;

const ShownBox CreateFailureBox = {L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK};

// The banner, then the version and the build date as year and month * 100 + day.
void ExpectHeader(const std::string& contents) {
  const std::regex header(
      "Kavro 1\\.0\n[^\n]+\n[^\n]+\nBuild: ([0-9]+)-([0-9]+)-([0-9]+)-([0-9]+)-([0-9]+)\n\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(contents, match, header)) << "log file holds: " << contents;
  EXPECT_EQ(std::stoi(match[1]), KAVRO_VERSION_MAJOR);
  EXPECT_EQ(std::stoi(match[2]), KAVRO_VERSION_MINOR);
  EXPECT_EQ(std::stoi(match[3]), KAVRO_VERSION_PATCH);
  EXPECT_GE(std::stoi(match[4]), 2024);
  const int monthDay = std::stoi(match[5]);
  EXPECT_TRUE(monthDay / 100 >= 1 && monthDay / 100 <= 12 && monthDay % 100 >= 1 && monthDay % 100 <= 31)
      << "month * 100 + day: " << monthDay;
}

class LogFileTest : public ProgramFolderTest {};

TEST_F(LogFileTest, CreatedBesideTheProgramWithItsHeader) {
  CreateLogFile(&trackState);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(std::wstring(trackState.logPath), kavro_test::Widen(folder + "/Tolm.txt"));
  ExpectHeader(ReadWholeFile(folder + "/Tolm.txt"));
}

TEST_F(LogFileTest, SecondStartLeavesOnlyItsOwnHeader) {
  kavro_test::WriteWholeFile(folder + "/Tolm.txt", "an earlier run's log\nwith two lines\n");
  CreateLogFile(&trackState);
  const std::string first = ReadWholeFile(folder + "/Tolm.txt");
  ExpectHeader(first);
  CreateLogFile(&trackState);
  EXPECT_EQ(ReadWholeFile(folder + "/Tolm.txt"), first);
}

TEST_F(LogFileTest, FolderThatIsMissingIsReported) {
  SetProgramPath(folder + "/gone/kavro");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, std::vector<ShownBox>{CreateFailureBox});
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone/Tolm.txt"));
}

TEST_F(LogFileTest, FolderNameBeyondTheLocaleIsReported) {
  const std::string unusual = folder + "/\xc3\xa9t\xc3\xa9";  // "été"
  ASSERT_TRUE(std::filesystem::create_directory(unusual));
  SetProgramPath(unusual + "/kavro");
  std::setlocale(LC_CTYPE, "C");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, std::vector<ShownBox>{CreateFailureBox});
  EXPECT_TRUE(std::filesystem::is_empty(unusual));

  // The same folder under a UTF-8 locale gets its log.
  boxes.clear();
  std::setlocale(LC_CTYPE, "C.UTF-8");
  CreateLogFile(&trackState);
  EXPECT_TRUE(boxes.empty());
  ExpectHeader(ReadWholeFile(unusual + "/Tolm.txt"));
}

TEST_F(LogFileTest, ProgramPathTooLongIsReported) {
  SetProgramPath("/" + std::string(300, 'p') + "/kavro");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, std::vector<ShownBox>{CreateFailureBox});
  EXPECT_STREQ(trackState.logPath, L"");
}

TEST_F(LogFileTest, HeaderThatCannotBeWrittenIsDroppedQuietly) {
  const std::wstring widePath = kavro_test::Widen(folder + "/gone/Tolm.txt");
  widePath.copy(trackState.logPath, widePath.size());
  WriteLogHeader(&trackState);
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));
}

}  // namespace
