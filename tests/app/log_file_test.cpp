// Tests of the log file Tolm.txt: its creation beside the program and its header.
#include "app/log_header.h"
#include "common/program_folder.h"
#include "log/log_file.h"

namespace {

using kavro_test::ProgramFolderTest;

// An earlier run's log is replaced: two starts leave one header.
TEST_F(ProgramFolderTest, LogFileIsCreatedBesideTheProgramWithOneHeader) {
  const std::string path = folder + "/Tolm.txt";
  kavro_test::WriteWholeFile(path, "an earlier run's log\nwith two lines\n");
  CreateLogFile(&trackState);
  CreateLogFile(&trackState);
  EXPECT_EQ(std::wstring(trackState.logPath), std::wstring(path.begin(), path.end()));
  kavro_test::ExpectHeader(kavro_test::ReadWholeFile(path));
  EXPECT_TRUE(boxes.empty());
}

// A folder the file cannot be made in is reported, and no file or folder is made.
TEST_F(ProgramFolderTest, LogFileThatCannotBeCreatedIsReported) {
  SetProgramPath(folder + "/gone/kavro");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, (std::vector<kavro_test::ShownBox>{
                       {L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK}}));
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));
}

}  // namespace
