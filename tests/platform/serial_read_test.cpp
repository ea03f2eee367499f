// ReadFile on a raw port under COMMTIMEOUTS, with a pseudo-terminal's master as the receiver.
// Timings assert order and lower bounds; the few upper bounds are wide, for a busy machine.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <termios.h>

#include "platform/test_support.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Pieces = std::vector<std::pair<int, std::string>>;  // bytes, each after its delay in ms

constexpr DWORD kMaxDword = 0xFFFFFFFFu;

class SerialRead : public ::testing::Test {
 protected:
  void TearDown() override {
    if (sender_.joinable()) sender_.join();
    EXPECT_EQ(CloseHandle(handle_), TRUE);
  }
  void SetTimeouts(COMMTIMEOUTS timeouts) { ASSERT_EQ(SetCommTimeouts(handle_, &timeouts), TRUE); }
  void SendLater(Pieces pieces) {  // the receiver, from another thread
    sender_ = std::thread([this, pieces] {
      for (const auto& [delayMs, bytes] : pieces) {
        std::this_thread::sleep_for(milliseconds(delayMs));
        port_.Send(bytes);
      }
    });
  }
  struct Result { BOOL ok; DWORD error; Clock::duration elapsed; std::string bytes; };
  Result Read(DWORD size) {
    std::string buffer(size, '\0');
    DWORD got = 12345;
    const auto start = Clock::now();
    const BOOL ok = ReadFile(handle_, buffer.data(), size, &got, nullptr);
    return {ok, GetLastError(), Clock::now() - start, buffer.substr(0, got <= size ? got : 0)};
  }

  kavro_test::PtyPort port_{1};
  HANDLE handle_ = kavro_test::OpenExisting(port_.Name());
  std::thread sender_;
};

TEST_F(SerialRead, TimeoutsDecideWhenAReadReturns) {
  const std::string g4000(4000, 'g');
  const std::string raw("$GPGGA\r\n\x03\x1a\x7f\r", 12);
  // The timeouts, what the receiver sends, the bytes asked and read, and the least wait.
  const struct {
    const char* name;
    COMMTIMEOUTS timeouts;
    Pieces pieces;
    DWORD size;
    std::string bytes;
    int atLeastMs;
  } cases[] = {
      // The line is raw from the open on: no CR/NL translated, no signal or editing character
      // taken out (nor, checked below, echoed back to the receiver).
      {"a raw line", {0, 0, 2000, 0, 0}, {{0, raw}}, 12, raw, 0},
      // The viewer's timeouts: interval only, so the first byte is awaited without limit.
      {"interval only", {300, 0, 0, 10, 1000}, {{1200, "$GPRMC,1\r\n"}}, 1000, "$GPRMC,1\r\n",
       1150},
      {"the interval runs from the last byte", {1000, 0, 0, 0, 0},
       {{0, "$GP"}, {50, "GGA,"}, {50, "1\r\n"}}, 1000, "$GPGGA,1\r\n", 1080},
      // A total timeout ends a read that gets nothing, and that is no failure.
      {"total constant", {0, 0, 300, 0, 0}, {}, 100, "", 290},
      // Multiplier x bytes goes far beyond 32 bits, and the wait beyond what one poll() takes.
      {"huge totals", {0, kMaxDword - 1, kMaxDword - 1, 0, 0}, {{0, g4000}}, 4000, g4000, 0},
  };
  for (const auto& c : cases) {
    SetTimeouts(c.timeouts);
    SendLater(c.pieces);
    const Result r = Read(c.size);
    sender_.join();
    EXPECT_EQ(r.ok, TRUE) << c.name << ": error " << r.error;
    EXPECT_EQ(r.bytes, c.bytes) << c.name;
    EXPECT_GE(r.elapsed, milliseconds(c.atLeastMs)) << c.name;
  }
  EXPECT_TRUE(port_.Quiet(200)) << "echoed back to the receiver";
}

// The receiver is unplugged (here: the other end of the pseudo-terminal closes) while a read
// waits without limit: the read fails, and so does every later one, at once.
TEST_F(SerialRead, HangUpFailsTheRead) {
  SetTimeouts({1000, 0, 0, 0, 0});
  sender_ = std::thread([this] {
    std::this_thread::sleep_for(milliseconds(300));
    port_.CloseMaster();
  });
  Result r = Read(1000);
  EXPECT_EQ(r.ok, FALSE);
  EXPECT_TRUE(r.error == ERROR_BROKEN_PIPE || r.error == ERROR_DEVICE_REMOVED) << r.error;
  EXPECT_EQ(r.bytes, "");
  r = Read(1000);
  EXPECT_EQ(r.ok, FALSE);
  EXPECT_LT(r.elapsed, milliseconds(5000));
}

// A line set to VMIN 0 behind the port's back reads 0 bytes when empty; that is no hang-up.
TEST_F(SerialRead, EmptyReadsOfAVmin0LineAreNoHangUp) {
  SetTimeouts({300, 0, 0, 0, 0});
  termios t{};
  ASSERT_EQ(tcgetattr(port_.Slave(), &t), 0);
  t.c_cc[VMIN] = 0;
  ASSERT_EQ(tcsetattr(port_.Slave(), TCSANOW, &t), 0);
  SendLater({{300, "$GPGSV"}});
  const Result r = Read(100);
  EXPECT_EQ(r.ok, TRUE) << "error " << r.error;
  EXPECT_EQ(r.bytes, "$GPGSV");
}

}  // namespace
