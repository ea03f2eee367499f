// Test helper: a real pseudo-terminal linked as COMn in the program folder and opened through
// CreateFileW as the program's GPS port, with the test writing the receiver's side.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "gps/gps_port.h"
#include "platform/comm.h"
#include "platform/kernel.h"

namespace kavro_test {

class TestPort {
 public:
  TestPort() = default;
  TestPort(const TestPort&) = delete;
  TestPort& operator=(const TestPort&) = delete;
  ~TestPort() { Close(); }

  // Links a new pseudo-terminal as folder/COM<number> and opens "COM<number>:" as portHandle.
  // An empty port returns from a read after totalMilliseconds with nothing.
  void Open(const std::string& folder, int number, DWORD totalMilliseconds = 200) {
    int slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master_, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    ASSERT_EQ(tcgetattr(slave, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);
    const std::string link = folder + "/COM" + std::to_string(number);
    ASSERT_EQ(symlink(name, link.c_str()), 0);
    const std::wstring port = L"COM" + std::to_wstring(number) + L":";
    portHandle = CreateFileW(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    close(slave);
    ASSERT_NE(portHandle, INVALID_HANDLE_VALUE);
    COMMTIMEOUTS timeouts = {20, 0, totalMilliseconds, 10, 1000};
    ASSERT_TRUE(SetCommTimeouts(portHandle, &timeouts));
  }

  // What the receiver sends; the next read takes it all.
  void Send(const std::string& text) {
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The receiver is unplugged: the next read fails.
  void Unplug() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  void Close() {
    if (portHandle != nullptr && portHandle != INVALID_HANDLE_VALUE) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    Unplug();
  }

 private:
  int master_ = -1;
};

}  // namespace kavro_test
