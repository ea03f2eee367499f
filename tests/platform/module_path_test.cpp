// GetModuleFileNameW: the real executable, Win32's truncation, and the test seam.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <string>

#include <unistd.h>

#include "platform/test_support.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace {

TEST(ModuleFileName, IsTheRunningExecutableUnlessATestSetsAnother) {
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  const std::wstring executable = kavro_test::Widen(exe);
  wchar_t path[4096];
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4096), executable.size());
  EXPECT_EQ(std::wstring(path), executable);
  const std::wstring standIn = L"/home/pilot/Geräte/kavro";
  platform::testing::SetModulePath(standIn.c_str());
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4096), standIn.size());
  EXPECT_EQ(std::wstring(path), standIn);
  platform::testing::SetModulePath(nullptr);
  GetModuleFileNameW(nullptr, path, 4096);
  EXPECT_EQ(std::wstring(path), executable);
}

TEST(ModuleFileName, TruncatesLikeWin32) {
  platform::testing::SetModulePath(L"/opt/kavro/kavro");  // 16 characters
  struct Case {
    DWORD size;
    DWORD result;
    const wchar_t* text;  // what the buffer holds afterwards
    DWORD error;
  };
  const Case cases[] = {
      {260, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {17, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {16, 16, L"/opt/kavro/kavr", ERROR_INSUFFICIENT_BUFFER},
      {5, 5, L"/opt", ERROR_INSUFFICIENT_BUFFER},
      {1, 1, L"", ERROR_INSUFFICIENT_BUFFER},
      {0, 0, L"untouched", ERROR_INSUFFICIENT_BUFFER},
  };
  for (const Case& c : cases) {
    wchar_t buffer[260];
    std::wcscpy(buffer, L"untouched");
    SetLastError(12345);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, c.size), c.result) << "size " << c.size;
    EXPECT_EQ(GetLastError(), c.error) << "size " << c.size;
    EXPECT_EQ(std::wstring(buffer), c.text) << "size " << c.size;
  }
  EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 10), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  platform::testing::SetModulePath(nullptr);
}

}  // namespace
