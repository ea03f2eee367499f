// Handles that name nothing, name something closed or name the wrong kind of object make the
// kernel calls fail with ERROR_INVALID_HANDLE; nothing crashes and nothing leaks. Also the
// last error and the clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "platform/detail/handles.h"
#include "platform/test_support.h"
#include "platform/testing.h"
#include "platform/windows.h"

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

}  // namespace
