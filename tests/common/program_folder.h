// Test fixture: a fresh program folder that the module path points into, message boxes caught,
// the program-wide state at its start-up values; and pseudo-terminals linked there as COMn.
#pragma once

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/records.h"
#include "gps/gps_port.h"
#include "platform/comm.h"
#include "platform/kernel.h"
#include "platform/testing.h"
#include "platform/user.h"

namespace kavro_test {

// A message box the program asked for: text, caption and type.
using ShownBox = std::tuple<std::wstring, std::wstring, UINT>;

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program does at start: paths convert through the user's (UTF-8) locale.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    char pattern[] = "/tmp/kavro-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    SetProgramPath(folder + "/kavro");
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      boxes.push_back({text == nullptr ? L"" : text, caption == nullptr ? L"" : caption, type});
      return IDOK;
    });
    ResetTrackState(&trackState);
    portHandle = INVALID_HANDLE_VALUE;
  }

  void TearDown() override {
    platform::testing::SetMessageBoxHook(nullptr);
    platform::testing::SetModulePath(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::setlocale(LC_CTYPE, "C");
  }

  void SetProgramPath(const std::string& path) {
    modulePath.assign(path.begin(), path.end());  // the test's paths are ASCII
    platform::testing::SetModulePath(modulePath.c_str());
  }

  std::string folder;
  std::wstring modulePath;
  std::vector<ShownBox> boxes;
};

// A raw pseudo-terminal linked as folder/COMn: the test writes the receiver's side.
class TestPort {
 public:
  ~TestPort() {  // the program's port handle too
    if (portHandle != nullptr && portHandle != INVALID_HANDLE_VALUE) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    Unplug();
    if (terminal_ >= 0) close(terminal_);
  }

  void Link(const std::string& folder, int number) {
    char name[128];
    termios raw{};
    ASSERT_EQ(openpty(&receiver_, &terminal_, name, nullptr, nullptr), 0);
    ASSERT_EQ(tcgetattr(terminal_, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(terminal_, TCSANOW, &raw), 0);
    ASSERT_EQ(symlink(name, (folder + "/COM" + std::to_string(number)).c_str()), 0);
  }

  // Links it and opens it as portHandle without the program's set-up: an empty port returns
  // from a read after 200 ms with nothing.
  void Open(const std::string& folder, int number) {
    ASSERT_NO_FATAL_FAILURE(Link(folder, number));
    const std::wstring name = L"COM" + std::to_wstring(number) + L":";
    portHandle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    COMMTIMEOUTS timeouts = {20, 0, 200, 10, 1000};
    ASSERT_TRUE(SetCommTimeouts(portHandle, &timeouts));
  }

  void Send(const std::string& text) {
    ASSERT_EQ(write(receiver_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The receiver is unplugged: the terminal side sees a hang-up and the next read fails.
  void Unplug() {
    if (receiver_ >= 0) close(receiver_);
    receiver_ = -1;
  }

 private:
  int receiver_ = -1;
  int terminal_ = -1;
};

}  // namespace kavro_test
