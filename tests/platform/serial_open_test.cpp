// Opening "COMn:" ports: name resolution through the program folder, exclusive use, raw
// lines, and the line given back as it was found.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/comm/arbitrary_rate.h"
#include "platform/test_support.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace {

using kavro_test::PtyPort;

HANDLE OpenPort(const std::wstring& name) {
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(SerialOpen, NamesThatAreNoPortFailWithFileNotFound) {
  PtyPort port(1);  // COM1 exists, so only the spelling can make these fail
  const wchar_t* names[] = {L"COM0:", L"COM-1:", L"COM:", L"COMx:", L"COM01:", L"COM1a:", L"COM+1:",
                            L"COM 1:", L"COM99999999999:", L"COM1"};
  for (const wchar_t* name : names) {
    HANDLE handle = OpenPort(name);
    EXPECT_EQ(handle, INVALID_HANDLE_VALUE) << ::testing::PrintToString(std::wstring(name));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << ::testing::PrintToString(std::wstring(name));
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
}

TEST(SerialOpen, TheEntryInTheProgramFolderIsThePort) {
  PtyPort port(7);
  const std::size_t live = platform::testing::CountLiveHandles();
  for (const wchar_t* name : {L"COM7:", L"com7:"}) {
    HANDLE handle = OpenPort(name);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(platform::testing::CountLiveHandles(), live + 1);
    EXPECT_EQ(CloseHandle(handle), TRUE);
    EXPECT_EQ(CloseHandle(handle), FALSE) << "closed twice";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(platform::testing::CountLiveHandles(), live);
}

// A missing receiver must not make the port quietly fall back to another line.
TEST(SerialOpen, EntriesThatAreNoSerialLineFail) {
  PtyPort port(1);
  ASSERT_EQ(symlink("/dev/kavro-no-such-device", port.Folder().File("COM2").c_str()), 0);
  std::FILE* file = std::fopen(port.Folder().File("COM3").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  for (const wchar_t* name : {L"COM2:", L"COM3:"}) {
    EXPECT_EQ(OpenPort(name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
}

TEST(SerialOpen, PortsCannotBeCreated) {
  PtyPort port(1);
  EXPECT_EQ(CreateFileW(L"COM1:", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(SerialOpen, ASecondOpenIsRefusedUntilTheFirstIsClosed) {
  PtyPort port(4);
  HANDLE first = OpenPort(port.Name());
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenPort(port.Name()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  EXPECT_EQ(CloseHandle(first), TRUE);
  HANDLE again = OpenPort(port.Name());
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(again), TRUE);
}

// Another process has the port: refused here as well, even for root, whom TIOCEXCL does not
// stop. The child opens first, so that it does not inherit this process's own record.
TEST(SerialOpen, APortHeldByAnotherProcessIsRefused) {
  PtyPort port(4);
  int opened[2];
  int release[2];
  ASSERT_EQ(pipe(opened), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE handle = OpenPort(port.Name());
    const char result = handle != INVALID_HANDLE_VALUE ? 'y' : 'n';
    if (write(opened[1], &result, 1) != 1) _exit(2);
    char go = 0;
    if (read(release[0], &go, 1) != 1) _exit(3);
    _exit(CloseHandle(handle) == TRUE ? 0 : 1);
  }
  char result = 0;
  ASSERT_EQ(read(opened[0], &result, 1), 1);
  EXPECT_EQ(result, 'y') << "the child could not open the port";
  EXPECT_EQ(OpenPort(port.Name()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(write(release[1], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  HANDLE now = OpenPort(port.Name());
  EXPECT_NE(now, INVALID_HANDLE_VALUE) << "free again once the other process let go";
  EXPECT_EQ(CloseHandle(now), TRUE);
  for (int fd : {opened[0], opened[1], release[0], release[1]}) close(fd);
}

std::string Describe(const termios& t) {
  return "iflag " + std::to_string(t.c_iflag) + " oflag " + std::to_string(t.c_oflag) + " cflag " +
         std::to_string(t.c_cflag) + " lflag " + std::to_string(t.c_lflag) + " speed " +
         std::to_string(cfgetospeed(&t)) + " vmin " + std::to_string(t.c_cc[VMIN]) + " vtime " +
         std::to_string(t.c_cc[VTIME]);
}

TEST(SerialOpen, ClosingGivesTheLineBackAsItWasFound) {
  PtyPort port(2);
  termios before{};
  ASSERT_EQ(tcgetattr(port.Slave(), &before), 0);
  HANDLE handle = OpenPort(port.Name());
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_EQ(GetCommState(handle, &dcb), TRUE);
  dcb.BaudRate = 250000;  // an arbitrary rate, the hardest to undo
  dcb.fOutX = 1;
  dcb.fInX = 1;
  ASSERT_EQ(SetCommState(handle, &dcb), TRUE);
  termios during{};
  tcgetattr(port.Slave(), &during);
  EXPECT_NE(Describe(during), Describe(before));
  ASSERT_EQ(CloseHandle(handle), TRUE);
  termios after{};
  ASSERT_EQ(tcgetattr(port.Slave(), &after), 0);
  EXPECT_EQ(Describe(after), Describe(before));
}

// A line left at an arbitrary rate by another program gets that rate back on close, which
// termios alone cannot carry.
TEST(SerialOpen, ClosingGivesAnArbitraryRateBack) {
  PtyPort port(2);
  ASSERT_TRUE(platform::detail::SetArbitraryRate(port.Slave(), 250000));
  HANDLE handle = OpenPort(port.Name());
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_EQ(GetCommState(handle, &dcb), TRUE);
  EXPECT_EQ(dcb.BaudRate, 250000u) << "the rate as found";
  dcb.BaudRate = CBR_4800;
  ASSERT_EQ(SetCommState(handle, &dcb), TRUE);
  ASSERT_EQ(CloseHandle(handle), TRUE);
  DWORD rate = 0;
  EXPECT_TRUE(platform::detail::GetArbitraryRate(port.Slave(), &rate));
  EXPECT_EQ(rate, 250000u);
}

TEST(SerialOpen, LineIsRawFromTheStart) {
  PtyPort port(3);
  HANDLE handle = OpenPort(port.Name());
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
  EXPECT_EQ(port.Receive(200), "") << "nothing echoed back to the receiver";

  DWORD written = 0;
  EXPECT_EQ(WriteFile(handle, "$PMTK\r\n", 7, &written, nullptr), TRUE);
  EXPECT_EQ(written, 7u);
  EXPECT_EQ(port.Receive(2000), "$PMTK\r\n") << "output goes out unchanged";
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

TEST(SerialOpen, WriteReturnsWhenTheWriteTimeoutRunsOut) {
  PtyPort port(5);
  HANDLE handle = OpenPort(port.Name());
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS timeouts{0, 0, 0, 0, 300};
  ASSERT_EQ(SetCommTimeouts(handle, &timeouts), TRUE);
  // Nobody reads the master, so the line's buffers fill up.
  const std::string block(1 << 20, 'x');
  DWORD written = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WriteFile(handle, block.data(), static_cast<DWORD>(block.size()), &written, nullptr), TRUE);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
  EXPECT_GE(elapsed, std::chrono::milliseconds(290));
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

TEST(SerialOpen, AccessIsAsAskedFor) {
  PtyPort port(6);
  HANDLE handle = CreateFileW(port.Name().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 5;
  EXPECT_EQ(WriteFile(handle, "x", 1, &written, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

}  // namespace
