// The main window under SDL's dummy video driver, with a class name of this test process: a
// Kavro that runs for this user must neither stop the test nor be raised by it; and the log
// file Tolm.txt where it cannot be created.
#include <unistd.h>

#include <regex>

#include "app/main_window.h"
#include "app/start_up.h"
#include "common/program_folder.h"
#include "log/log_file.h"
#include "platform/resources.h"
#include "res/program_resources.h"
#include "track/tick.h"

namespace {

using kavro_test::ProgramFolderTest;

void EndLoopAfterTenSeconds(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// Without Tolm.ini the port is COM0:: two boxes while the window is created, the first tick's
// failed read gives the third and stops the ticks, and "Ok" closes everything with exit code 0.
// The log beside the program replaces an earlier run's.
TEST_F(ProgramFolderTest, StartsWithoutSettingsOrReceiverAndOkEndsWithZero) {
  const std::wstring className = L"KAVRO-test-" + std::to_wstring(getpid());
  ResourceTable table = *ProgramResourceTable();
  std::vector<ResourceString> strings(table.strings, table.strings + table.stringCount);
  for (ResourceString& string : strings) string.text = string.id == IDS_CLASS ? className.c_str() : string.text;
  table.strings = strings.data();
  RegisterResourceTable(&table);
  HWND window = nullptr;
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back({text, caption, type});
    if (boxes.size() == 3) {
      window = FindWindowW(className.c_str(), L"Kavro");
      EXPECT_TRUE(IsWindow(menuBarWindow));
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OK, 1), 0);  // with a notification code
    }
    return IDOK;
  });
  const std::string log = folder + "/Tolm.txt";
  kavro_test::WriteWholeFile(log, "an earlier run's log\nwith two lines\n");
  const UINT_PTR safety = SetTimer(nullptr, 0, 10000, EndLoopAfterTenSeconds);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000));
  EXPECT_EQ(WinMain(instance, nullptr, nullptr, SW_SHOW), 0);
  KillTimer(nullptr, safety);
  const std::vector<kavro_test::ShownBox> expected = {
      {L"Can not open the file \"Tolm.ini\"", L"Error", MB_OK},
      {L"Error Opening ComPort.", L"", MB_OK},
      {L"Error Reading comms port.", L"Error", MB_OK}};
  EXPECT_EQ(boxes, expected);
  EXPECT_EQ(tickBusy, TickStopped);
  // Exactly one header: the banner, the version and the build date (year, month * 100 + day).
  const std::string version = std::to_string(KAVRO_VERSION_MAJOR) + "-" + std::to_string(KAVRO_VERSION_MINOR) +
                              "-" + std::to_string(KAVRO_VERSION_PATCH);
  const std::string header = kavro_test::ReadWholeFile(log);
  EXPECT_TRUE(std::regex_match(header, std::regex("Kavro 1\\.0\n[^\n]+\n[^\n]+\nBuild: " + version +
                                                  "-20[2-9][0-9]-(1[0-2]|[1-9])(0[1-9]|[12][0-9]|3[01])\n\n")))
      << "log file holds: " << header;
  EXPECT_EQ(std::wstring(trackState.logPath), std::wstring(log.begin(), log.end()));
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindow(window) || IsWindow(menuBarWindow));
  EXPECT_EQ(portHandle, nullptr);
  RegisterResourceTable(ProgramResourceTable());  // the table above goes out of scope
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
