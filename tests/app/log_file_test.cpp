// Tests of the log file Tolm.txt: its creation beside the program and its header.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/log_header.h"
#include "common/program_folder.h"
#include "log/log_file.h"

namespace {

using kavro_test::ExpectHeader;
using kavro_test::ProgramFolderTest;
using kavro_test::ReadWholeFile;
using kavro_test::ShownBox;

const ShownBox CreateFailureBox = {L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK};

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
