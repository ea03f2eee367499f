// "COMn:" ports on real pseudo-terminals: exclusive use, settings taken or refused whole, the
// line given back as found, and ReadFile under COMMTIMEOUTS with the master as the receiver.
// Timings assert order and lower bounds; the few upper bounds are wide, for a busy machine.
// Names that are no port: gps/gps_port_test.cpp.
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include "platform/test_support.h"

namespace {

using namespace kavro_test;
using Pieces = std::vector<std::pair<int, std::string>>;  // bytes, each after its delay in ms

// A port held by another process is refused too, even to root, whom TIOCEXCL does not stop.
// The child opens first, so that it does not inherit this process's own record.
TEST(SerialOpen, APortIsOpenOnlyOnceAcrossProcesses) {
  PtyPort port(4);
  int link[2];  // the child says whether it opened the port, then waits for a word to let go
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, link), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE handle = OpenExisting(port.name);
    char result = handle != INVALID_HANDLE_VALUE ? 'y' : 'n';
    if (write(link[1], &result, 1) != 1 || read(link[1], &result, 1) != 1) _exit(2);
    _exit(CloseHandle(handle) == TRUE ? 0 : 1);
  }
  char result = 0;
  ASSERT_EQ(read(link[0], &result, 1), 1);
  EXPECT_EQ(result, 'y') << "the child could not open the port";
  EXPECT_EQ(OpenExisting(port.name), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  int status = 0;
  ASSERT_TRUE(write(link[0], "x", 1) == 1 && waitpid(child, &status, 0) == child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : link) close(fd);
  // Free again once the child let go; within this process too, one handle at a time.
  HANDLE again = OpenExisting(port.name);
  EXPECT_EQ(OpenExisting(port.name), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(again), TRUE);
}

// An arbitrary rate, set by the port or found on the line, is the hardest to give back:
// termios alone cannot carry it.
TEST(SerialOpen, ClosingGivesTheLineBackAsItWasFound) {
  // The rate found on the line (0: the pseudo-terminal's own), and the rate set.
  for (const auto& [found, set] : {std::pair<DWORD, DWORD>{0, 250000}, {250000, CBR_4800}}) {
    PtyPort port(2);
    ASSERT_TRUE(found == 0 || platform::detail::SetArbitraryRate(port.slave, found));
    const auto before = port.LineSettings();
    HANDLE handle = OpenExisting(port.name);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_EQ(GetCommState(handle, &dcb), TRUE);
    EXPECT_TRUE(found == 0 || dcb.BaudRate == found) << "the rate found: " << dcb.BaudRate;
    dcb.BaudRate = set;
    dcb.fOutX = dcb.fInX = 1;
    ASSERT_EQ(SetCommState(handle, &dcb), TRUE);
    EXPECT_NE(port.LineSettings(), before) << "found at " << found;
    ASSERT_EQ(CloseHandle(handle), TRUE);
    EXPECT_EQ(port.LineSettings(), before) << "found at " << found;
  }
}

// Port 1, open.
class SerialPort : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CloseHandle(handle_), TRUE); }

  PtyPort port_{1};
  HANDLE handle_ = OpenExisting(port_.name);
};

// A refused setting changes nothing, neither on the line nor in what the port reports.
TEST_F(SerialPort, RefusedSettingsLeaveThePortAsItWas) {
  DCB good{};
  good.DCBlength = sizeof good;
  ASSERT_EQ(GetCommState(handle_, &good), TRUE);
  good.BaudRate = 4000000;
  EXPECT_EQ(SetCommState(handle_, &good), TRUE) << "the fastest line: error " << GetLastError();
  good.BaudRate = 250000;  // an arbitrary rate, the hardest to keep
  good.fOutX = good.fInX = 1;
  ASSERT_EQ(SetCommState(handle_, &good), TRUE);
  const auto line = port_.LineSettings();
  const auto fields = [](const DCB& d) {
    return std::array<DWORD, 5>{d.BaudRate, d.ByteSize, d.Parity, d.StopBits, d.fOutX};
  };
  // Rate 0; beyond the fastest line; negative, from a settings file (once set as 4294967295
  // baud); a new rate with parity, which a pseudo-terminal cannot carry: the rate must not stay.
  const std::pair<DWORD, bool> refused[] = {
      {0, false}, {4000001, false}, {static_cast<DWORD>(-9600), false}, {9600, true}};
  for (const auto& [rate, parity] : refused) {
    DCB bad = good;
    bad.BaudRate = rate;
    if (parity) bad.Parity = EVENPARITY;
    EXPECT_EQ(SetCommState(handle_, &bad), FALSE) << rate;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << rate;
    EXPECT_EQ(port_.LineSettings(), line) << rate;
    ASSERT_EQ(GetCommState(handle_, &bad), TRUE);
    EXPECT_EQ(fields(bad), fields(good)) << rate;
  }
}

// Reads under each set of timeouts; the receiver is unplugged last (here: the other end of the
// pseudo-terminal closes), while a read waits without limit.
TEST_F(SerialPort, TimeoutsDecideWhenAReadReturns) {
  const std::string g4000(4000, 'g');
  const std::string raw("$GPGGA\r\n\x03\x1a\x7f\r", 12);
  constexpr DWORD kMaxDword = 0xFFFFFFFFu;
  // The timeouts, what the receiver sends ("": it is unplugged), the bytes asked and read, the
  // least wait, and whether the read succeeds.
  const struct { const char* name; COMMTIMEOUTS timeouts; Pieces pieces; DWORD size; std::string bytes; int atLeastMs;
                 bool ok; } cases[] = {
      // The line is raw from the open on: no CR/NL translated, no signal or editing character
      // taken out, nor echoed back to the receiver.
      {"a raw line", {0, 0, 2000, 0, 0}, {{0, raw}}, 12, raw, 0, true},
      // The viewer's timeouts: interval only, so the first byte is awaited without limit.
      {"interval only", {300, 0, 0, 10, 1000}, {{1200, "$GPRMC,1\r\n"}}, 1000, "$GPRMC,1\r\n", 1150, true},
      {"the interval runs from the last byte", {1000, 0, 0, 0, 0},
       {{0, "$GP"}, {50, "GGA,"}, {50, "1\r\n"}}, 1000, "$GPGGA,1\r\n", 1080, true},
      // A total timeout ends a read that gets nothing, and that is no failure.
      {"total constant", {0, 0, 300, 0, 0}, {}, 100, "", 290, true},
      // Multiplier x bytes goes far beyond 32 bits, and the wait beyond what one poll() takes.
      {"huge totals", {0, kMaxDword - 1, kMaxDword - 1, 0, 0}, {{0, g4000}}, 4000, g4000, 0, true},
      // A line set to VMIN 0 behind the port's back reads 0 bytes when empty; that is no hang-up.
      {"VMIN 0", {300, 0, 0, 0, 0}, {{300, "$GPGSV"}}, 100, "$GPGSV", 0, true},
      {"unplugged", {1000, 0, 0, 0, 0}, {{300, ""}}, 1000, "", 0, false},
      {"read again, failing at once", {0, 0, 3000, 0, 0}, {}, 1000, "", 0, false},
  };
  termios line{}, vmin0{};
  ASSERT_EQ(tcgetattr(port_.slave, &line), 0);
  vmin0 = line;
  vmin0.c_cc[VMIN] = 0;
  for (const auto& c : cases) {
    const bool setVmin0 = c.name == std::string("VMIN 0");
    SetTimeouts(handle_, c.timeouts);
    ASSERT_TRUE(!setVmin0 || tcsetattr(port_.slave, TCSANOW, &vmin0) == 0);
    std::thread receiver([this, &c] {
      for (const auto& [delayMs, bytes] : c.pieces) {
        std::this_thread::sleep_for(milliseconds(delayMs));
        bytes.empty() ? port_.Unplug() : port_.Send(bytes);
      }
    });
    const ReadResult r = ReadPort(handle_, c.size);
    receiver.join();
    ASSERT_TRUE(!setVmin0 || tcsetattr(port_.slave, TCSANOW, &line) == 0);
    EXPECT_EQ(r.ok, c.ok ? TRUE : FALSE) << c.name << ": error " << r.error;
    EXPECT_TRUE(c.ok || r.error == ERROR_BROKEN_PIPE || r.error == ERROR_DEVICE_REMOVED) << c.name << ": " << r.error;
    EXPECT_EQ(r.bytes, c.bytes) << c.name;
    EXPECT_GE(r.elapsed, milliseconds(c.atLeastMs)) << c.name;
    pollfd echo{port_.master, POLLIN, 0};
    EXPECT_EQ(poll(&echo, 1, 0), 0) << c.name << ": echoed back to the receiver";
  }
}

}  // namespace
