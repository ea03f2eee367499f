// Kernel calls: handles that name nothing, something closed or the wrong kind of object fail
// with ERROR_INVALID_HANDLE (nothing crashes, nothing leaks); the last error per thread; the
// clock; GetModuleFileNameW with Win32's truncation and the test seam.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <unistd.h>

#include "platform/detail/handles.h"
#include "platform/test_support.h"

namespace {

namespace detail = platform::detail;

struct FakePen : detail::Object {
  FakePen() : Object(detail::Kind::Pen) {}
};

TEST(Handles, CallsOnHandlesThatNameNoOpenFileOrPortFail) {
  kavro_test::TempFolder folder;
  HANDLE closed = CreateFileW(folder.WideFile("closed.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, 0, nullptr);
  ASSERT_EQ(CloseHandle(closed), TRUE);
  void* pen = detail::InsertHandle(std::make_unique<FakePen>());
  struct Case {
    const char* what;
    HANDLE handle;
  };
  const Case cases[] = {
      {"zero", nullptr},
      {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE},
      {"never issued", reinterpret_cast<HANDLE>(std::uintptr_t{0x7FFF0000u})},
      {"misaligned", reinterpret_cast<HANDLE>(std::uintptr_t{0x1235u})},
      {"closed file", closed},
      {"a pen", pen},
  };
  const std::size_t live = platform::testing::CountLiveHandles();
  for (const Case& c : cases) {
    char buffer[8] = {};
    DWORD count = 99;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    const std::pair<const char*, std::function<BOOL()>> calls[] = {
        {"CloseHandle", [&] { return CloseHandle(c.handle); }},
        {"ReadFile", [&] { return ReadFile(c.handle, buffer, sizeof buffer, &count, nullptr); }},
        {"WriteFile", [&] { return WriteFile(c.handle, buffer, sizeof buffer, &count, nullptr); }},
        {"GetCommState", [&] { return GetCommState(c.handle, &dcb); }},
        {"SetCommState", [&] { return SetCommState(c.handle, &dcb); }},
        {"SetCommTimeouts", [&] { return SetCommTimeouts(c.handle, &timeouts); }},
        {"GetCommTimeouts", [&] { return GetCommTimeouts(c.handle, &timeouts); }},
    };
    for (const auto& [call, run] : calls) {
      SetLastError(ERROR_SUCCESS);
      count = 99;
      EXPECT_EQ(run(), FALSE) << call << " on " << c.what;
      EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << call << " on " << c.what;
      const bool io = call[0] == 'R' || call[0] == 'W';  // ReadFile and WriteFile report no bytes
      EXPECT_EQ(count, io ? 0u : 99u) << call << " on " << c.what;
    }
  }
  EXPECT_EQ(platform::testing::CountLiveHandles(), live);
  EXPECT_NE(detail::LookupHandle(pen, detail::Kind::Pen), nullptr) << "the pen must survive";
  EXPECT_TRUE(detail::RemoveHandle(pen, detail::Kind::Pen));
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  DWORD seenByOther = 12345;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seenByOther, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Clock, TickCountGoesForwardAcrossASleep) {
  const DWORD start = GetTickCount();
  Sleep(120);
  EXPECT_GE(GetTickCount() - start, 120u);  // unsigned: right across a wrap-around too
}

TEST(ModuleFileName, IsTheRunningExecutableUnlessATestSetsAnother) {
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  const std::wstring executable = kavro_test::Widen(exe);
  wchar_t path[4096];
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4096), executable.size());
  EXPECT_EQ(std::wstring(path), executable);
  platform::testing::SetModulePath(L"/home/pilot/Geräte/kavro");
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4096), 24u);
  EXPECT_EQ(std::wstring(path), L"/home/pilot/Geräte/kavro");
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
      {17, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {16, 16, L"/opt/kavro/kavr", ERROR_INSUFFICIENT_BUFFER},
      {1, 1, L"", ERROR_INSUFFICIENT_BUFFER},
      {0, 0, L"untouched", ERROR_INSUFFICIENT_BUFFER},
  };
  for (const Case& c : cases) {
    wchar_t buffer[20];
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
