// Test fixture: a fresh program folder that the module path points into, message boxes caught,
// the program-wide state at its start-up values, and the program's port closed at the end.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>
#include <vector>

#include "common/temp_folder.h"
#include "core/records.h"
#include "gps/gps_port.h"
#include "platform/comm.h"
#include "platform/kernel.h"
#include "platform/testing.h"
#include "platform/user.h"
#include "record/track_recorder.h"

namespace kavro_test {

// A message box the program asked for: text, caption and type.
using ShownBox = std::tuple<std::wstring, std::wstring, UINT>;

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program does at start: paths convert through the user's (UTF-8) locale.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    ASSERT_FALSE(folder.empty());
    SetProgramPath(folder + "/kavro");
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      boxes.push_back({text == nullptr ? L"" : text, caption == nullptr ? L"" : caption, type});
      return IDOK;
    });
    ResetTrackState(&trackState);
    FinishTrack();  // the recorder as at start: no file, no sink
    portHandle = INVALID_HANDLE_VALUE;
  }

  void TearDown() override {
    FinishTrack();
    if (portHandle != nullptr && portHandle != INVALID_HANDLE_VALUE) CloseHandle(portHandle);
    portHandle = INVALID_HANDLE_VALUE;
    platform::testing::SetMessageBoxHook(nullptr);
    platform::testing::SetModulePath(nullptr);
    std::setlocale(LC_CTYPE, "C");
  }

  void SetProgramPath(const std::string& path) {
    modulePath.assign(path.begin(), path.end());  // the test's paths are ASCII
    platform::testing::SetModulePath(modulePath.c_str());
  }

  TempFolder temp_;
  std::string folder = temp_.path;
  std::wstring modulePath;
  std::vector<ShownBox> boxes;
};

}  // namespace kavro_test
