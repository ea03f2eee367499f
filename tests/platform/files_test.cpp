// CreateFileW on real files in a temporary folder: dispositions, refusals, sharing, names.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include <sys/stat.h>

#include "platform/test_support.h"

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

TEST(CreateFile, SharingModesFollowWin32WithinTheProcess) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("Tolm.txt");
  WriteText(folder.File("Tolm.txt"), "keep");
  HANDLE exclusive = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Contents(folder.File("Tolm.txt")), "keep") << "a refused CREATE_ALWAYS emptied it";
  EXPECT_EQ(CloseHandle(exclusive), TRUE);
  // The log file's pattern: shared for reading and writing, so both opens go through.
  HANDLE first = CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, CREATE_ALWAYS, 0, 0);
  HANDLE second = CreateFileW(name.c_str(), kReadWrite, kShareAll, nullptr, OPEN_EXISTING, 0, 0);
  EXPECT_EQ(CloseHandle(first), TRUE);
  EXPECT_EQ(CloseHandle(second), TRUE);
}

// A name is stored under its exact 8-bit form or refused: never cut or mangled.
TEST(CreateFile, NamesAreConvertedExactlyOrNotAtAll) {
  TempFolder folder;
  const std::wstring name = kavro_test::Widen(folder.File("Höhe °.txt"));
  EXPECT_EQ(CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0)), TRUE);
  EXPECT_EQ(Contents(folder.File("H\xC3\xB6he \xC2\xB0.txt")), "") << "not under its UTF-8 name";

  // A lone surrogate has no UTF-8 form; under the C locale nothing beyond ASCII converts.
  const std::string utf8 = std::setlocale(LC_CTYPE, nullptr);
  TempFolder empty;
  const std::pair<const char*, wchar_t> attempts[] = {{utf8.c_str(), wchar_t(0xD800)},
                                                       {"C", wchar_t(0xE9)}};
  for (const auto& [locale, odd] : attempts) {
    std::setlocale(LC_CTYPE, locale);
    const std::wstring bad = empty.WideFile("caf") + odd;
    EXPECT_EQ(CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << locale;
  }
  std::setlocale(LC_CTYPE, utf8.c_str());
  EXPECT_TRUE(std::filesystem::is_empty(empty.Path())) << "nothing created under a mangled name";
}

}  // namespace
