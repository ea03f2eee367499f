// ReadFile on a port under COMMTIMEOUTS, with a pseudo-terminal's master as the receiver.
// Timings assert order and lower bounds; the few upper bounds are wide, for a busy machine.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <termios.h>

#include "platform/test_support.h"
#include "platform/windows.h"

namespace {

using kavro_test::PtyPort;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr DWORD kMaxDword = 0xFFFFFFFFu;

class SerialRead : public ::testing::Test {
 protected:
  void Open(COMMTIMEOUTS timeouts) {
    handle_ = CreateFileW(port_.Name().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle_, INVALID_HANDLE_VALUE);
    ASSERT_EQ(SetCommTimeouts(handle_, &timeouts), TRUE);
  }
  void TearDown() override {
    if (sender_.joinable()) sender_.join();
    if (handle_ != INVALID_HANDLE_VALUE) {
      EXPECT_EQ(CloseHandle(handle_), TRUE);
    }
  }
  // Sends each piece after its delay, from another thread.
  void SendLater(std::vector<std::pair<int, std::string>> pieces) {
    sender_ = std::thread([this, pieces] {
      for (const auto& [delayMs, bytes] : pieces) {
        std::this_thread::sleep_for(milliseconds(delayMs));
        port_.Send(bytes);
      }
    });
  }
  struct Result {
    BOOL ok;
    std::string bytes;
    DWORD error;
    Clock::duration elapsed;
  };
  Result Read(DWORD size) {
    std::string buffer(size, '\0');
    DWORD got = 12345;
    const auto start = Clock::now();
    const BOOL ok = ReadFile(handle_, buffer.data(), size, &got, nullptr);
    const DWORD error = GetLastError();
    const auto elapsed = Clock::now() - start;
    buffer.resize(got <= size ? got : 0);
    return Result{ok, buffer, error, elapsed};
  }

  PtyPort port_{1};
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::thread sender_;
};

// The viewer's timeouts: interval only, so the first byte is awaited without limit.
TEST_F(SerialRead, WaitsForTheFirstByteWithoutLimit) {
  Open({300, 0, 0, 10, 1000});
  SendLater({{1200, "$GPRMC,1\r\n"}});
  const Result r = Read(1000);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "$GPRMC,1\r\n");
  EXPECT_GE(r.elapsed, milliseconds(1150)) << "returned before anything arrived";
}

TEST_F(SerialRead, ReturnsWhatArrivedOnceTheLineIsQuietForTheInterval) {
  Open({1000, 0, 0, 0, 0});
  SendLater({{0, "$GP"}, {50, "GGA,"}, {50, "1\r\n"}});
  const Result r = Read(1000);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "$GPGGA,1\r\n");
  EXPECT_GE(r.elapsed, milliseconds(1000 + 100 - 20)) << "the interval runs from the last byte";
}

TEST_F(SerialRead, ReturnsAtOnceWhenTheBufferIsFull) {
  Open({10000, 0, 0, 0, 0});
  port_.Send(std::string(1500, 'n'));
  Result r = Read(1000);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, std::string(1000, 'n'));
  EXPECT_LT(r.elapsed, milliseconds(8000)) << "waited for the interval with a full buffer";
  COMMTIMEOUTS atOnce{kMaxDword, 0, 0, 0, 0};
  ASSERT_EQ(SetCommTimeouts(handle_, &atOnce), TRUE);
  r = Read(1000);
  EXPECT_EQ(r.bytes, std::string(500, 'n')) << "the rest is still there";
}

TEST_F(SerialRead, MaxdwordIntervalReturnsAtOnceWithWhatIsThere) {
  Open({kMaxDword, 0, 0, 0, 0});
  Result r = Read(100);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "");
  EXPECT_LT(r.elapsed, milliseconds(5000));
  port_.Send("xy");
  std::this_thread::sleep_for(milliseconds(200));
  r = Read(100);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "xy");
}

struct TotalCase {
  const char* name;
  COMMTIMEOUTS timeouts;
  DWORD size;
  int atLeastMs;
};

TEST(SerialReadTotal, TotalTimeoutEndsAReadThatGetsNothing) {
  const TotalCase cases[] = {
      {"constant", {0, 0, 300, 0, 0}, 100, 300},
      {"multiplier times bytes asked", {0, 100, 0, 0, 0}, 3, 300},
      {"both, with an interval", {50, 20, 100, 0, 0}, 10, 300},
  };
  for (const TotalCase& c : cases) {
    PtyPort port(2);
    HANDLE handle = CreateFileW(port.Name().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    COMMTIMEOUTS timeouts = c.timeouts;
    ASSERT_EQ(SetCommTimeouts(handle, &timeouts), TRUE);
    char buffer[100];
    DWORD got = 99;
    const auto start = Clock::now();
    EXPECT_EQ(ReadFile(handle, buffer, c.size, &got, nullptr), TRUE) << c.name << ": a timeout is no failure";
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(got, 0u) << c.name;
    EXPECT_GE(elapsed, milliseconds(c.atLeastMs - 10)) << c.name;
    EXPECT_EQ(CloseHandle(handle), TRUE);
  }
}

TEST_F(SerialRead, MaxdwordIntervalAndMultiplierReturnOnTheFirstBytes) {
  Open({kMaxDword, kMaxDword, 20000, 0, 0});
  SendLater({{300, "$"}});
  const Result r = Read(1000);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "$");
  EXPECT_GE(r.elapsed, milliseconds(250));
  EXPECT_LT(r.elapsed, milliseconds(15000)) << "waited for the whole constant";
}

// The receiver is unplugged (here: the other end of the pseudo-terminal closes) while a read
// waits without limit: the read fails, and so does every later one, at once.
TEST_F(SerialRead, HangUpFailsTheRead) {
  Open({1000, 0, 0, 0, 0});
  sender_ = std::thread([this] {
    std::this_thread::sleep_for(milliseconds(300));
    port_.CloseMaster();
  });
  Result r = Read(1000);
  EXPECT_EQ(r.ok, FALSE);
  EXPECT_TRUE(r.error == ERROR_BROKEN_PIPE || r.error == ERROR_DEVICE_REMOVED) << "error " << r.error;
  EXPECT_EQ(r.bytes, "");
  r = Read(1000);
  EXPECT_EQ(r.ok, FALSE);
  EXPECT_LT(r.elapsed, milliseconds(5000));
}

// Multiplier x bytes goes far beyond 32 bits, and the wait beyond what one poll() can take.
TEST_F(SerialRead, HugeTotalTimeoutsAreComputedWithoutOverflow) {
  Open({0, kMaxDword - 1, kMaxDword - 1, kMaxDword - 1, kMaxDword - 1});
  port_.Send(std::string(4000, 'g'));
  const Result r = Read(4000);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, std::string(4000, 'g'));
  DWORD written = 0;
  EXPECT_EQ(WriteFile(handle_, "$PMTK\r\n", 7, &written, nullptr), TRUE);
  EXPECT_EQ(written, 7u);
}

// A line set to VMIN 0 behind the port's back reads 0 bytes when empty; that is no hang-up.
TEST_F(SerialRead, EmptyReadsOfAVmin0LineAreNoHangUp) {
  Open({300, 0, 0, 0, 0});
  termios t{};
  ASSERT_EQ(tcgetattr(port_.Slave(), &t), 0);
  t.c_cc[VMIN] = 0;
  ASSERT_EQ(tcsetattr(port_.Slave(), TCSANOW, &t), 0);
  SendLater({{300, "$GPGSV"}});
  const Result r = Read(100);
  EXPECT_EQ(r.ok, TRUE) << "error " << r.error;
  EXPECT_EQ(r.bytes, "$GPGSV");
}

TEST_F(SerialRead, ZeroBytesAskedReturnsAtOnce) {
  Open({0, 0, 0, 0, 0});  // would otherwise wait until the buffer is full
  const Result r = Read(0);
  EXPECT_EQ(r.ok, TRUE);
  EXPECT_EQ(r.bytes, "");
}

}  // namespace
