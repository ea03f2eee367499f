// CreateFileW, ReadFile and WriteFile on real files in a temporary folder.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/test_support.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace {

using kavro_test::TempFolder;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

// The file's bytes, or "(none)" when there is no file.
std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(CreateFile, CreationDispositionsFollowWin32) {
  struct Case {
    const char* name;
    DWORD disposition;
    bool fileThere;
    bool opens;
    DWORD error;           // the last error afterwards, on success as well
    const char* contents;  // afterwards
  };
  const Case cases[] = {
      {"CREATE_NEW, missing", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {"CREATE_NEW, there", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {"CREATE_ALWAYS, missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"CREATE_ALWAYS, there", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {"OPEN_EXISTING, missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "(none)"},
      {"OPEN_EXISTING, there", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {"OPEN_ALWAYS, missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"OPEN_ALWAYS, there", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {"TRUNCATE_EXISTING, missing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND,
       "(none)"},
      {"TRUNCATE_EXISTING, there", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {"unknown disposition", 9, true, false, ERROR_INVALID_PARAMETER, "old"},
  };
  const std::size_t live = platform::testing::CountLiveHandles();
  for (const Case& c : cases) {
    TempFolder folder;
    if (c.fileThere) WriteText(folder.File("Tolm.txt"), "old");
    SetLastError(12345);
    HANDLE file = CreateFileW(folder.WideFile("Tolm.txt").c_str(), kReadWrite, kShareAll, nullptr,
                              c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.name;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_EQ(Contents(folder.File("Tolm.txt")), c.contents) << c.name;
  }
  EXPECT_EQ(platform::testing::CountLiveHandles(), live) << "handles leaked";
}

TEST(CreateFile, WrittenBytesReadBackAndAccessIsAsAskedFor) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("data.bin");
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string text("$GPRMC,123519\r\n\0tail", 21);
  DWORD done = 0;
  EXPECT_EQ(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr), TRUE);
  EXPECT_EQ(done, text.size());
  char buffer[64] = {};
  done = 7;
  EXPECT_EQ(ReadFile(file, buffer, 1, &done, nullptr), FALSE) << "opened for writing only";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(done, 0u);
  ASSERT_EQ(CloseHandle(file), TRUE);

  file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadFile(file, buffer, sizeof buffer, &done, nullptr), TRUE);
  EXPECT_EQ(std::string(buffer, done), text);
  EXPECT_EQ(ReadFile(file, buffer, sizeof buffer, &done, nullptr), TRUE) << "the end is no error";
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(WriteFile(file, "x", 1, &done, nullptr), FALSE) << "opened for reading only";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(CloseHandle(file), TRUE);
}

TEST(CreateFile, RefusedOpensReportTheWin32Error) {
  TempFolder folder;
  WriteText(folder.File("there.txt"), "old");
  mkdir(folder.File("sub").c_str(), 0755);
  struct Case {
    const char* name;
    std::string path;
    DWORD disposition;
    DWORD error;
  };
  const Case cases[] = {
      {"missing file", folder.File("missing.ini"), OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"missing folder", folder.File("nowhere/Tolm.ini"), OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"file as folder", folder.File("there.txt/x"), OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
      {"a folder", folder.File("sub"), OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"empty name", "", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"truncating without write access", folder.File("there.txt"), TRUNCATE_EXISTING,
       ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CreateFileW(kavro_test::Widen(c.path).c_str(), GENERIC_READ, 0, nullptr,
                          c.disposition, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_EQ(Contents(folder.File("there.txt")), "old");
  EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// Root may write anywhere, so the attempt runs in a thread that drops its file-system
// identity (setfsuid changes the calling thread only).
TEST(CreateFile, ReadOnlyFolderIsAccessDenied) {
  TempFolder folder;
  ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
  HANDLE file = nullptr;
  DWORD error = 0;
  bool dropped = true;
  std::thread attempt([&] {
    if (geteuid() == 0) {
      setfsgid(65534);
      setfsuid(65534);
      dropped = setfsuid(static_cast<uid_t>(-1)) == 65534;
    }
    file = CreateFileW(folder.WideFile("Tolm.txt").c_str(), kReadWrite, kShareAll, nullptr,
                       CREATE_ALWAYS, 0, nullptr);
    error = GetLastError();
  });
  attempt.join();
  if (!dropped) GTEST_SKIP() << "cannot give up root's file access here";
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST(CreateFile, SharingModesFollowWin32WithinTheProcess) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("Tolm.txt");
  WriteText(folder.File("Tolm.txt"), "keep");
  HANDLE exclusive = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Contents(folder.File("Tolm.txt")), "keep") << "a refused CREATE_ALWAYS must not empty it";
  EXPECT_EQ(CloseHandle(exclusive), TRUE);
  // The log file's pattern: shared for reading and writing, so both opens go through.
  HANDLE first = CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr);
  HANDLE second = CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CloseHandle(first), TRUE);
  EXPECT_EQ(CloseHandle(second), TRUE);
}

// The descriptor behind a handle must not leak into programs the process starts.
TEST(CreateFile, DescriptorIsClosedOnExec) {
  TempFolder folder;
  HANDLE file = CreateFileW(folder.WideFile("x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  int found = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) != folder.File("x")) continue;
    ++found;
    EXPECT_NE(fcntl(std::stoi(entry.path().filename().string()), F_GETFD) & FD_CLOEXEC, 0);
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(CloseHandle(file), TRUE);
}

// A name is stored under its exact 8-bit form or refused: never cut or mangled.
TEST(CreateFile, NamesAreConvertedExactlyOrNotAtAll) {
  TempFolder folder;
  HANDLE file = CreateFileW(kavro_test::Widen(folder.File("Höhe °.txt")).c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(file), TRUE);
  EXPECT_EQ(Contents(folder.File("H\xC3\xB6he \xC2\xB0.txt")), "") << "stored under its UTF-8 name";

  // A lone surrogate has no UTF-8 form; under the C locale nothing beyond ASCII converts.
  const std::string utf8 = std::setlocale(LC_CTYPE, nullptr);
  TempFolder empty;
  const std::pair<const char*, wchar_t> attempts[] = {{utf8.c_str(), wchar_t(0xD800)},
                                                       {"C", wchar_t(0xE9)}};
  for (const auto& [locale, odd] : attempts) {
    std::setlocale(LC_CTYPE, locale);
    const std::wstring name = empty.WideFile("caf") + odd;
    EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << locale;
  }
  std::setlocale(LC_CTYPE, utf8.c_str());
  EXPECT_TRUE(std::filesystem::is_empty(empty.Path())) << "nothing created under a mangled name";
}

}  // namespace
