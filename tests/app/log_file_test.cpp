// Tests of the log file Tolm.txt: its creation beside the program and its header.
#include "app/log_header.h"
#include "common/program_folder.h"
#include "log/log_file.h"

namespace {

using kavro_test::ExpectHeader;
using kavro_test::ProgramFolderTest;
using kavro_test::ReadWholeFile;

const std::vector<kavro_test::ShownBox> CreateFailure = {
    {L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK}};

// An earlier run's log is replaced: two starts leave one header.
TEST_F(ProgramFolderTest, LogFileIsCreatedBesideTheProgramWithOneHeader) {
  kavro_test::WriteWholeFile(folder + "/Tolm.txt", "an earlier run's log\nwith two lines\n");
  CreateLogFile(&trackState);
  EXPECT_EQ(std::wstring(trackState.logPath), kavro_test::Widen(folder + "/Tolm.txt"));
  const std::string first = ReadWholeFile(folder + "/Tolm.txt");
  ExpectHeader(first);
  CreateLogFile(&trackState);
  EXPECT_EQ(ReadWholeFile(folder + "/Tolm.txt"), first);
  EXPECT_TRUE(boxes.empty());
}

// A missing folder, too long a path, or a name the locale cannot convert: reported, no file.
TEST_F(ProgramFolderTest, LogFileThatCannotBeCreatedIsReported) {
  const std::string unusual = folder + "/\xc3\xa9t\xc3\xa9";  // "été"
  ASSERT_TRUE(std::filesystem::create_directory(unusual));
  for (const std::string& program : {folder + "/gone/kavro", "/" + std::string(300, 'p') + "/k"}) {
    boxes.clear();
    SetProgramPath(program);
    CreateLogFile(&trackState);
    EXPECT_EQ(boxes, CreateFailure) << program;
  }
  EXPECT_STREQ(trackState.logPath, L"") << "no path for the long program path";
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));

  boxes.clear();
  SetProgramPath(unusual + "/kavro");
  std::setlocale(LC_CTYPE, "C");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, CreateFailure);
  EXPECT_TRUE(std::filesystem::is_empty(unusual));
}

TEST_F(ProgramFolderTest, HeaderThatCannotBeWrittenIsDroppedQuietly) {
  kavro_test::Widen(folder + "/gone/Tolm.txt").copy(trackState.logPath, 259);
  WriteLogHeader(&trackState);
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));
}

}  // namespace
