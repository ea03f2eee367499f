// GetModuleFileNameW: the real executable, Win32's truncation, and the test seam.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include <unistd.h>

#include "platform/test_support.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace {

std::wstring ExecutablePath() {
  char path[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? kavro_test::Widen(std::string(path, static_cast<std::size_t>(n))) : L"";
}

TEST(ModuleFileName, IsTheRunningExecutable) {
  wchar_t path[4096];
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::wstring(path), ExecutablePath());
  EXPECT_EQ(length, ExecutablePath().size());
}

struct TruncationCase {
  DWORD size;
  DWORD result;
  const wchar_t* text;  // what the buffer holds afterwards
  DWORD error;
};

TEST(ModuleFileName, TruncatesLikeWin32) {
  platform::testing::SetModulePath(L"/opt/kavro/kavro");  // 16 characters
  const TruncationCase cases[] = {
      {260, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {17, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {16, 16, L"/opt/kavro/kavr", ERROR_INSUFFICIENT_BUFFER},
      {5, 5, L"/opt", ERROR_INSUFFICIENT_BUFFER},
      {1, 1, L"", ERROR_INSUFFICIENT_BUFFER},
      {0, 0, L"untouched", ERROR_INSUFFICIENT_BUFFER},
  };
  for (const TruncationCase& c : cases) {
    wchar_t buffer[260];
    std::wcscpy(buffer, L"untouched");
    SetLastError(12345);
    const DWORD result = GetModuleFileNameW(nullptr, buffer, c.size);
    const DWORD error = GetLastError();
    EXPECT_EQ(result, c.result) << "size " << c.size;
    EXPECT_EQ(std::wstring(buffer), c.text) << "size " << c.size;
    EXPECT_EQ(error, c.error) << "size " << c.size;
  }
  EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 10), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  platform::testing::SetModulePath(nullptr);
}

TEST(ModuleFileName, SeamCanBeSetAndRemoved) {
  wchar_t path[4096];
  const std::wstring stand_in = L"/home/pilot/Geräte/kavro";
  platform::testing::SetModulePath(stand_in.c_str());
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4096), stand_in.size());
  EXPECT_EQ(std::wstring(path), stand_in);
  platform::testing::SetModulePath(nullptr);
  GetModuleFileNameW(nullptr, path, 4096);
  EXPECT_EQ(std::wstring(path), ExecutablePath());
}

}  // namespace
