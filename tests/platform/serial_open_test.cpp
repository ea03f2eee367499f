// Opening "COMn:" ports: name resolution through the program folder, exclusive use, raw
// lines, and the line given back as it was found.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/test_support.h"

namespace {

using kavro_test::OpenExisting;
using kavro_test::PtyPort;

TEST(SerialOpen, NamesAndEntriesThatAreNoPortFail) {
  PtyPort port(1);  // COM1 works, so only the name or the entry can make these fail
  // A missing receiver must not make the port quietly fall back to another line.
  ASSERT_EQ(symlink("/dev/kavro-no-such-device", port.Folder().File("COM2").c_str()), 0);
  std::FILE* file = std::fopen(port.Folder().File("COM3").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  const std::size_t live = platform::testing::CountLiveHandles();
  for (const wchar_t* name : {L"COM0:", L"COM-1:", L"COM:", L"COMx:", L"COM01:", L"COM1a:",
                              L"COM+1:", L"COM 1:", L"COM99999999999:", L"COM1", L"COM2:",
                              L"COM3:"}) {
    EXPECT_EQ(OpenExisting(name), INVALID_HANDLE_VALUE) << ::testing::PrintToString(name);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << ::testing::PrintToString(name);
  }
  EXPECT_EQ(CreateFileW(L"COM1:", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "a port cannot be created";
  EXPECT_EQ(platform::testing::CountLiveHandles(), live);
  HANDLE handle = OpenExisting(L"com1:");
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "the name in any case: error " << GetLastError();
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

// A port held by another process is refused too, even to root, whom TIOCEXCL does not stop.
// The child opens first, so that it does not inherit this process's own record.
TEST(SerialOpen, APortIsOpenOnlyOnceAcrossProcesses) {
  PtyPort port(4);
  int opened[2];
  int release[2];
  ASSERT_EQ(pipe(opened), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE handle = OpenExisting(port.Name());
    const char result = handle != INVALID_HANDLE_VALUE ? 'y' : 'n';
    char go = 0;
    if (write(opened[1], &result, 1) != 1 || read(release[0], &go, 1) != 1) _exit(2);
    _exit(CloseHandle(handle) == TRUE ? 0 : 1);
  }
  char result = 0;
  ASSERT_EQ(read(opened[0], &result, 1), 1);
  EXPECT_EQ(result, 'y') << "the child could not open the port";
  EXPECT_EQ(OpenExisting(port.Name()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(write(release[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {opened[0], opened[1], release[0], release[1]}) close(fd);

  // Free again once the child let go; within this process too, one handle at a time.
  HANDLE first = OpenExisting(port.Name());
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenExisting(port.Name()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(CloseHandle(first), TRUE);
  HANDLE again = OpenExisting(port.Name());
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(again), TRUE);
}

// An arbitrary rate, set by the port or found on the line, is the hardest to give back:
// termios alone cannot carry it.
TEST(SerialOpen, ClosingGivesTheLineBackAsItWasFound) {
  struct Case {
    DWORD found;  // 0: the pseudo-terminal's own rate
    DWORD set;
  };
  for (const Case& c : {Case{0, 250000}, Case{250000, CBR_4800}}) {
    PtyPort port(2);
    ASSERT_TRUE(c.found == 0 || platform::detail::SetArbitraryRate(port.Slave(), c.found));
    const std::string before = port.LineSettings();
    HANDLE handle = OpenExisting(port.Name());
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_EQ(GetCommState(handle, &dcb), TRUE);
    EXPECT_TRUE(c.found == 0 || dcb.BaudRate == c.found) << "found " << c.found << ", got "
                                                         << dcb.BaudRate;
    dcb.BaudRate = c.set;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    ASSERT_EQ(SetCommState(handle, &dcb), TRUE);
    EXPECT_NE(port.LineSettings(), before) << "found at " << c.found;
    ASSERT_EQ(CloseHandle(handle), TRUE);
    EXPECT_EQ(port.LineSettings(), before) << "found at " << c.found;
  }
}

TEST(SerialOpen, LineIsRawFromTheStart) {
  PtyPort port(3);
  HANDLE handle = OpenExisting(port.Name());
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS timeouts{0xFFFFFFFFu, 0, 0, 0, 0};
  ASSERT_EQ(SetCommTimeouts(handle, &timeouts), TRUE);
  const std::string sent("$GPGGA\r\n\x03\x1a\x7f\r", 12);
  port.Send(sent);
  std::string received;
  for (int attempt = 0; attempt < 200 && received.size() < sent.size(); ++attempt) {
    char buffer[64];
    DWORD got = 0;
    ASSERT_EQ(ReadFile(handle, buffer, sizeof buffer, &got, nullptr), TRUE);
    received.append(buffer, got);
    if (got == 0) Sleep(10);
  }
  EXPECT_EQ(received, sent) << "no CR/NL translation, no signal or editing characters";
  EXPECT_TRUE(port.Quiet(200)) << "echoed back to the receiver";
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

}  // namespace
