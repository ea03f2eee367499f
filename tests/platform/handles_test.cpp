// Handles that name nothing, name something closed or name the wrong kind of object make the
// kernel calls fail with ERROR_INVALID_HANDLE; nothing crashes and nothing leaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <thread>

#include "platform/detail/handles.h"
#include "platform/test_support.h"
#include "platform/windows.h"
#include "platform/testing.h"

namespace {

using platform::testing::CountLiveHandles;

HANDLE HandleValue(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

HANDLE ClosedFileHandle(const kavro_test::TempFolder& folder) {
  HANDLE file = CreateFileW(folder.WideFile("closed.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(file), TRUE);
  return file;
}

struct BadHandle {
  const char* what;
  HANDLE handle;
};

TEST(Handles, CallsOnHandlesThatNameNoOpenObjectFail) {
  kavro_test::TempFolder folder;
  const BadHandle cases[] = {
      {"zero", nullptr},
      {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE},
      {"never issued", HandleValue(0x7FFF0000u)},
      {"misaligned", HandleValue(0x1235u)},
      {"closed file", ClosedFileHandle(folder)},
  };
  const std::size_t live = CountLiveHandles();
  for (const BadHandle& c : cases) {
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
      if (call[0] == 'R' || call[0] == 'W') {
        EXPECT_EQ(count, 0u) << call << " on " << c.what << " reports no bytes";
      }
    }
  }
  EXPECT_EQ(CountLiveHandles(), live);
}

struct FakePen : platform::detail::Object {
  FakePen() : Object(platform::detail::Kind::Pen) {}
};

TEST(Handles, CloseHandleRefusesObjectsOfOtherKinds) {
  void* pen = platform::detail::InsertHandle(std::make_unique<FakePen>());
  ASSERT_NE(pen, nullptr);
  EXPECT_EQ(CloseHandle(pen), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_NE(platform::detail::LookupHandle(pen, platform::detail::Kind::Pen), nullptr) << "the pen must survive";
  EXPECT_TRUE(platform::detail::RemoveHandle(pen, platform::detail::Kind::Pen));
}

TEST(Handles, OpenAndCloseLeaveTheLiveCountAsItWas) {
  kavro_test::TempFolder folder;
  const std::size_t before = CountLiveHandles();
  HANDLE files[3];
  for (int i = 0; i < 3; ++i) {
    files[i] = CreateFileW(folder.WideFile("f" + std::to_string(i)).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(files[i], INVALID_HANDLE_VALUE);
  }
  EXPECT_EQ(CountLiveHandles(), before + 3);
  for (HANDLE file : files) EXPECT_EQ(CloseHandle(file), TRUE);
  EXPECT_EQ(CountLiveHandles(), before);
  EXPECT_EQ(CloseHandle(files[0]), FALSE) << "a second close of the same handle";
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
  const DWORD elapsed = GetTickCount() - start;  // unsigned: right across a wrap-around too
  EXPECT_GE(elapsed, 120u);
}

}  // namespace
