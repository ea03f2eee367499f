// The log file Tolm.txt where it cannot be created (its creation shows in main_window_test.cpp).
#include "common/program_folder.h"
#include "log/log_file.h"

namespace {

using kavro_test::ProgramFolderTest;

// A folder the file cannot be made in is reported, and no file or folder is made.
TEST_F(ProgramFolderTest, LogFileThatCannotBeCreatedIsReported) {
  SetProgramPath(folder + "/gone/kavro");
  CreateLogFile(&trackState);
  EXPECT_EQ(boxes, (std::vector<kavro_test::ShownBox>{
                       {L"Can not create the LogFile \"Tolm.txt\"", L"Error", MB_OK}}));
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone"));
}

}  // namespace
