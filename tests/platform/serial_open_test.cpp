// "COMn:" ports on real pseudo-terminals: exclusive use, settings taken or refused whole, and
// the line given back as found. Names that are no port: gps/gps_port_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/test_support.h"

namespace {

using kavro_test::OpenExisting;
using kavro_test::PtyPort;

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
  HANDLE again = OpenExisting(port.Name());
  EXPECT_EQ(OpenExisting(port.Name()), INVALID_HANDLE_VALUE);
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
    const auto before = port.LineSettings();
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

// The fields of a DCB that the refused settings below touch, so that whole records compare.
std::array<DWORD, 5> Fields(const DCB& d) {
  return {d.BaudRate, d.ByteSize, d.Parity, d.StopBits, d.fOutX};
}

// A refused setting changes nothing, neither on the line nor in what the port reports.
TEST(SerialState, RefusedSettingsLeaveThePortAsItWas) {
  const struct { const char* name; void (*change)(DCB*); } cases[] = {
      {"rate 0", [](DCB* d) { d->BaudRate = 0; }},
      {"rate beyond the fastest line", [](DCB* d) { d->BaudRate = 4000001; }},
      // Once set as 4294967295 baud, from a negative rate in a settings file.
      {"negative rate", [](DCB* d) { d->BaudRate = static_cast<DWORD>(-9600); }},
      // A pseudo-terminal always carries 8 bits without parity: the new rate must not stay.
      {"a new rate with parity", [](DCB* d) {
         d->BaudRate = 9600;
         d->Parity = EVENPARITY;
       }},
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
  const auto line = port.LineSettings();
  DCB now = good;
  for (const auto& c : cases) {
    DCB bad = good;
    c.change(&bad);
    EXPECT_EQ(SetCommState(handle, &bad), FALSE) << c.name;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.name;
    EXPECT_EQ(port.LineSettings(), line) << c.name;
    ASSERT_EQ(GetCommState(handle, &now), TRUE);
    EXPECT_EQ(Fields(now), Fields(good)) << c.name;
  }
  EXPECT_EQ(CloseHandle(handle), TRUE);
}

}  // namespace
