// The executable as a process, in a program folder of its own, under SDL's dummy video driver
// (message boxes become lines "caption: text" on standard error).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/log_header.h"
#include "common/program_folder.h"

namespace {

using kavro_test::ReadWholeFile;

const std::string SettingsLine = "Error: Can not open the file \"Tolm.ini\"\n";
const std::string PortLine = "Error Opening ComPort.\n";  // an empty caption shows none
const std::string ReadLine = "Error: Error Reading comms port.\n";
const std::string LogLine = "Error: Can not create the LogFile \"Tolm.txt\"\n";

class ProgramTest : public kavro_test::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    // Another Kavro of this user would answer for ours: the single-instance rule is per user.
    const HWND running = FindWindowW(L"KAVRO", L"Kavro");
    if (running != nullptr) {
      DestroyWindow(running);  // lets go of our end of the connection only
      GTEST_SKIP() << "another Kavro runs for this user";
    }
    programFolder = folder + "/program";
    std::filesystem::create_directory(programFolder);
    std::filesystem::copy_file(KAVRO_EXECUTABLE, programFolder + "/kavro");
  }

  void TearDown() override {
    for (pid_t pid : started) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (!programFolder.empty()) chmod(programFolder.c_str(), 0755);
    ProgramFolderTest::TearDown();
  }

  // Starts the program in its folder with standard error going to errPath; as the user nobody
  // when asked to and the test runs as root.
  pid_t Start(const std::string& errPath, bool asNobody = false) {
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string program = programFolder + "/kavro";
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(err, STDERR_FILENO);
      setenv("SDL_VIDEODRIVER", "dummy", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      setenv("LSAN_OPTIONS", "suppressions=" KAVRO_SOURCE_DIR "/tests/e2e/lsan.supp", 1);
      if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(err);
    if (pid > 0) started.push_back(pid);
    return pid;
  }

  // Waits (20 s at most, for the sanitizer build) for the program's exit code, or for its first
  // tick to report the port it could not read (-1).
  int WaitForExitOrFirstTick(pid_t pid, const std::string& errPath) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid > 0 && std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        started.erase(std::remove(started.begin(), started.end(), pid), started.end());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      if (ReadWholeFile(errPath).find(ReadLine) != std::string::npos) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 129;
  }

  std::string programFolder;
  std::vector<pid_t> started;
};

TEST_F(ProgramTest, SecondStartRaisesTheFirstAndLeavesEverythingAlone) {
  const std::string firstErr = folder + "/first.err";
  const pid_t first = Start(firstErr);
  ASSERT_EQ(WaitForExitOrFirstTick(first, firstErr), -1) << ReadWholeFile(firstErr);
  EXPECT_EQ(ReadWholeFile(firstErr), SettingsLine + PortLine + ReadLine);
  const std::string log = programFolder + "/Tolm.txt";
  const std::string header = ReadWholeFile(log);
  kavro_test::ExpectHeader(header);
  struct stat before {};
  struct stat after {};
  ASSERT_EQ(stat(log.c_str(), &before), 0);

  const std::string secondErr = folder + "/second.err";
  EXPECT_EQ(WaitForExitOrFirstTick(Start(secondErr), secondErr), 0);
  EXPECT_EQ(ReadWholeFile(secondErr), "") << "no settings read, no port opened, no box shown";
  ASSERT_EQ(stat(log.c_str(), &after), 0);
  EXPECT_EQ(ReadWholeFile(log), header);
  EXPECT_TRUE(after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
              after.st_mtim.tv_nsec == before.st_mtim.tv_nsec);
  EXPECT_EQ(kill(first, 0), 0) << "the first instance runs on";
  EXPECT_EQ(ReadWholeFile(firstErr), SettingsLine + PortLine + ReadLine);
}

TEST_F(ProgramTest, ReadOnlyProgramFolderIsReportedAndTheProgramGoesOn) {
  // As root the folder must be tried as another user: root writes into read-only folders.
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  ASSERT_EQ(chmod(programFolder.c_str(), 0555), 0);
  const std::string err = folder + "/program.err";
  const pid_t program = Start(err, true);
  const int code = WaitForExitOrFirstTick(program, err);
  if (code == 126) GTEST_SKIP() << "cannot run the program as another user than root";
  ASSERT_EQ(code, -1) << "standard error: " << ReadWholeFile(err);
  EXPECT_EQ(ReadWholeFile(err), LogLine + SettingsLine + PortLine + ReadLine);
  EXPECT_FALSE(std::filesystem::exists(programFolder + "/Tolm.txt"));
  EXPECT_EQ(kill(program, 0), 0) << "the program runs on";
}

}  // namespace
