// The executable as a process, in a program folder of its own, under SDL's dummy video driver
// (message boxes become lines "caption: text" on standard error).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/program_folder.h"

namespace {

using kavro_test::ReadWholeFile;

const std::string SettingsLine = "Error: Can not open the file \"Tolm.ini\"\n";
const std::string PortLine = "Error Opening ComPort.\n";  // an empty caption shows none
const std::string ReadLine = "Error: Error Reading comms port.\n";

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
    std::filesystem::copy_file(KAVRO_EXECUTABLE, folder + "/kavro");
  }

  void TearDown() override {
    for (pid_t pid : started) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    ProgramFolderTest::TearDown();
  }

  // Starts the program in its folder with standard error going to errPath.
  pid_t Start(const std::string& errPath) {
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string program = folder + "/kavro";
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(err, STDERR_FILENO);
      setenv("LSAN_OPTIONS", "suppressions=" KAVRO_SOURCE_DIR "/tests/e2e/lsan.supp", 1);
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

  std::vector<pid_t> started;
};

TEST_F(ProgramTest, SecondStartRaisesTheFirstAndLeavesEverythingAlone) {
  const std::string firstErr = folder + "/first.err";
  const pid_t first = Start(firstErr);
  ASSERT_EQ(WaitForExitOrFirstTick(first, firstErr), -1) << ReadWholeFile(firstErr);
  const std::string log = folder + "/Tolm.txt";
  const std::string header = ReadWholeFile(log);

  const std::string secondErr = folder + "/second.err";
  EXPECT_EQ(WaitForExitOrFirstTick(Start(secondErr), secondErr), 0);
  EXPECT_EQ(ReadWholeFile(secondErr), "") << "no settings read, no port opened, no box shown";
  EXPECT_EQ(ReadWholeFile(log), header);
  EXPECT_EQ(kill(first, 0), 0) << "the first instance runs on";
  EXPECT_EQ(ReadWholeFile(firstErr), SettingsLine + PortLine + ReadLine);
}

}  // namespace
