// "COMn:" ports on real pseudo-terminals: name resolution through the program folder,
// exclusive use, settings taken or refused whole, and the line given back as found.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>

#include <sys/socket.h>
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
  ASSERT_TRUE(std::ofstream(port.Folder().File("COM3")).good());
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
  int link[2];  // the child says whether it opened the port, then waits for a word to let go
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, link), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE handle = OpenExisting(port.Name());
    const char result = handle != INVALID_HANDLE_VALUE ? 'y' : 'n';
    char go = 0;
    if (write(link[1], &result, 1) != 1 || read(link[1], &go, 1) != 1) _exit(2);
    _exit(CloseHandle(handle) == TRUE ? 0 : 1);
  }
  char result = 0;
  ASSERT_EQ(read(link[0], &result, 1), 1);
  EXPECT_EQ(result, 'y') << "the child could not open the port";
  EXPECT_EQ(OpenExisting(port.Name()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(write(link[0], "x", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : link) close(fd);

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
  // The rate found on the line (0: the pseudo-terminal's own), and the rate set.
  const struct { DWORD found, set; } cases[] = {{0, 250000}, {250000, CBR_4800}};
  for (const auto& c : cases) {
    PtyPort port(2);
    ASSERT_TRUE(c.found == 0 || platform::detail::SetArbitraryRate(port.Slave(), c.found));
    const std::string before = port.LineSettings();
    HANDLE handle = OpenExisting(port.Name());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_EQ(GetCommState(handle, &dcb), TRUE);
    EXPECT_TRUE(c.found == 0 || dcb.BaudRate == c.found) << "the rate found: " << dcb.BaudRate;
    dcb.BaudRate = c.set;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    ASSERT_EQ(SetCommState(handle, &dcb), TRUE);
    EXPECT_NE(port.LineSettings(), before) << "found at " << c.found;
    ASSERT_EQ(CloseHandle(handle), TRUE);
    EXPECT_EQ(port.LineSettings(), before) << "found at " << c.found;
  }
}

// The fields of a DCB that carry meaning here, in one line, so that whole records compare.
std::string Describe(const DCB& d) {
  return "rate " + std::to_string(d.BaudRate) + " bits " + std::to_string(d.ByteSize) +
         " parity " + std::to_string(d.Parity) + " stop " + std::to_string(d.StopBits) +
         " cts " + std::to_string(d.fOutxCtsFlow) + " dsr " + std::to_string(d.fOutxDsrFlow) +
         " dtr " + std::to_string(d.fDtrControl) + " rts " + std::to_string(d.fRtsControl) +
         " outx " + std::to_string(d.fOutX) + " inx " + std::to_string(d.fInX) + " xon " +
         std::to_string(d.XonChar) + " xoff " + std::to_string(d.XoffChar);
}

std::array<DWORD, 5> Fields(const COMMTIMEOUTS& t) {
  return {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
          t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
}

// A refused setting changes nothing, neither on the line nor in what the port reports.
TEST(SerialState, RefusedSettingsAndTimeoutsLeaveThePortAsItWas) {
  const struct { const char* name; void (*change)(DCB*); DWORD error; } cases[] = {
      {"rate 0", [](DCB* d) { d->BaudRate = 0; }, ERROR_INVALID_PARAMETER},
      {"rate beyond the fastest line", [](DCB* d) { d->BaudRate = 4000001; },
       ERROR_INVALID_PARAMETER},
      // Once set as 4294967295 baud, from a negative rate in a settings file.
      {"negative rate", [](DCB* d) { d->BaudRate = static_cast<DWORD>(-9600); },
       ERROR_INVALID_PARAMETER},
      {"4 data bits", [](DCB* d) { d->ByteSize = 4; }, ERROR_INVALID_PARAMETER},
      {"9 data bits", [](DCB* d) { d->ByteSize = 9; }, ERROR_INVALID_PARAMETER},
      {"parity 5", [](DCB* d) { d->Parity = 5; }, ERROR_INVALID_PARAMETER},
      {"stop bits 3", [](DCB* d) { d->StopBits = 3; }, ERROR_INVALID_PARAMETER},
      {"1.5 stop bits with 8 data bits", [](DCB* d) { d->StopBits = ONE5STOPBITS; },
       ERROR_INVALID_PARAMETER},
      {"XON equal to XOFF", [](DCB* d) { d->XoffChar = d->XonChar; }, ERROR_INVALID_PARAMETER},
      {"wrong DCBlength", [](DCB* d) { d->DCBlength = 12; }, ERROR_INVALID_PARAMETER},
      // A pseudo-terminal always carries 8 bits without parity: the line cannot take these.
      {"7 data bits", [](DCB* d) { d->ByteSize = 7; }, ERROR_INVALID_PARAMETER},
      {"even parity", [](DCB* d) { d->Parity = EVENPARITY; }, ERROR_INVALID_PARAMETER},
      {"DSR flow control", [](DCB* d) { d->fOutxDsrFlow = 1; }, ERROR_NOT_SUPPORTED},
      {"DTR handshake", [](DCB* d) { d->fDtrControl = DTR_CONTROL_HANDSHAKE; },
       ERROR_NOT_SUPPORTED},
  };
  PtyPort port(1);
  HANDLE handle = OpenExisting(port.Name());
  DCB good{};
  good.DCBlength = sizeof good;
  ASSERT_EQ(GetCommState(handle, &good), TRUE);
  good.BaudRate = 4000000;
  EXPECT_EQ(SetCommState(handle, &good), TRUE) << "the fastest line: error " << GetLastError();
  good.BaudRate = 250000;  // an arbitrary rate, the hardest to keep
  good.fOutX = 1;
  good.fInX = 1;
  ASSERT_EQ(SetCommState(handle, &good), TRUE);
  const std::string line = port.LineSettings();
  DCB now = good;
  for (const auto& c : cases) {
    DCB bad = good;
    c.change(&bad);
    EXPECT_EQ(SetCommState(handle, &bad), FALSE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(port.LineSettings(), line) << c.name;
    ASSERT_EQ(GetCommState(handle, &now), TRUE);
    EXPECT_EQ(Describe(now), Describe(good)) << c.name;
  }
  DCB unset{};
  EXPECT_EQ(GetCommState(handle, &unset), FALSE) << "no DCBlength";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetCommState(handle, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  COMMTIMEOUTS viewer{1000, 0, 0, 10, 1000};
  ASSERT_EQ(SetCommTimeouts(handle, &viewer), TRUE);
  COMMTIMEOUTS meaningless{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0};
  EXPECT_EQ(SetCommTimeouts(handle, &meaningless), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetCommTimeouts(handle, nullptr), FALSE);
  COMMTIMEOUTS got{};
  ASSERT_EQ(GetCommTimeouts(handle, &got), TRUE);
  EXPECT_EQ(Fields(got), Fields(viewer));
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

}  // namespace
