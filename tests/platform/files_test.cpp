// CreateFileW, ReadFile and WriteFile on real files in a temporary folder.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/test_support.h"
#include "platform/windows.h"

namespace {

using kavro_test::TempFolder;

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::size_t EntriesIn(const std::string& folder) {
  std::size_t count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") ++count;
    }
    closedir(dir);
  }
  return count;
}

struct DispositionCase {
  const char* name;
  DWORD disposition;
  bool fileThere;
  bool opens;
  DWORD error;            // the last error afterwards, on success as well
  const char* contents;   // afterwards; nullptr: no file
};

TEST(CreateFile, CreationDispositionsFollowWin32) {
  const DispositionCase cases[] = {
      {"CREATE_NEW, missing", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {"CREATE_NEW, there", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {"CREATE_ALWAYS, missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"CREATE_ALWAYS, there", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {"OPEN_EXISTING, missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {"OPEN_EXISTING, there", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {"OPEN_ALWAYS, missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"OPEN_ALWAYS, there", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {"TRUNCATE_EXISTING, missing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {"TRUNCATE_EXISTING, there", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {"unknown disposition", 9, true, false, ERROR_INVALID_PARAMETER, "old"},
  };
  for (const DispositionCase& c : cases) {
    TempFolder folder;
    const std::string path = folder.File("Tolm.txt");
    if (c.fileThere) WriteText(path, "old");
    SetLastError(12345);
    HANDLE file = CreateFileW(folder.WideFile("Tolm.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    const DWORD error = GetLastError();
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_EQ(CloseHandle(file), TRUE) << c.name;
    }
    EXPECT_EQ(Exists(path), c.contents != nullptr) << c.name;
    if (c.contents != nullptr) {
      EXPECT_EQ(Contents(path), c.contents) << c.name;
    }
  }
}

TEST(CreateFile, WrittenBytesReadBackAndEndOfFileIsNoError) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("data.bin");
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string text("$GPRMC,123519\r\n\0tail", 21);
  DWORD written = 0;
  EXPECT_EQ(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr), TRUE);
  EXPECT_EQ(written, text.size());
  char ignored = 0;
  DWORD count = 7;
  EXPECT_EQ(ReadFile(file, &ignored, 1, &count, nullptr), FALSE) << "opened for writing only";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(CloseHandle(file), TRUE);

  file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[64] = {};
  DWORD got = 0;
  EXPECT_EQ(ReadFile(file, buffer, sizeof buffer, &got, nullptr), TRUE);
  EXPECT_EQ(std::string(buffer, got), text);
  EXPECT_EQ(ReadFile(file, buffer, sizeof buffer, &got, nullptr), TRUE) << "at the end of the file";
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(WriteFile(file, "x", 1, &written, nullptr), FALSE) << "opened for reading only";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(CloseHandle(file), TRUE);
}

struct RefusedCase {
  const char* name;
  std::string path;
  DWORD access;
  DWORD disposition;
  DWORD error;
};

TEST(CreateFile, RefusedOpensReportTheWin32Error) {
  TempFolder folder;
  WriteText(folder.File("there.txt"), "old");
  mkdir(folder.File("sub").c_str(), 0755);
  const RefusedCase cases[] = {
      {"missing file", folder.File("missing.ini"), GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"missing folder", folder.File("nowhere/Tolm.ini"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"file as folder", folder.File("there.txt/x"), GENERIC_READ, OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
      {"a folder", folder.File("sub"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"empty name", "", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"truncating without write access", folder.File("there.txt"), GENERIC_READ, TRUNCATE_EXISTING,
       ERROR_INVALID_PARAMETER},
  };
  for (const RefusedCase& c : cases) {
    HANDLE file = CreateFileW(kavro_test::Widen(c.path).c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  EXPECT_EQ(Contents(folder.File("there.txt")), "old");
  EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// Root may write anywhere, so the attempt runs in a thread that drops its file-system
// identity (setfsuid changes the calling thread only).
TEST(CreateFile, ReadOnlyFolderIsAccessDenied) {
  TempFolder folder;
  ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
  const std::wstring name = folder.WideFile("Tolm.txt");
  HANDLE file = nullptr;
  DWORD error = 0;
  bool dropped = true;
  std::thread attempt([&] {
    if (geteuid() == 0) {
      setfsgid(65534);
      setfsuid(65534);
      dropped = setfsuid(static_cast<uid_t>(-1)) == 65534;
    }
    file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = GetLastError();
  });
  attempt.join();
  if (!dropped) GTEST_SKIP() << "cannot give up root's file access here";
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  EXPECT_EQ(EntriesIn(folder.Path()), 0u);
}

TEST(CreateFile, SharingModesFollowWin32WithinTheProcess) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("Tolm.txt");
  WriteText(folder.File("Tolm.txt"), "keep");
  HANDLE exclusive = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Contents(folder.File("Tolm.txt")), "keep") << "a refused CREATE_ALWAYS must not empty the file";
  EXPECT_EQ(CloseHandle(exclusive), TRUE);

  // The log file's pattern: shared for reading and writing, so both opens go through.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE first = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, 0, nullptr);
  HANDLE second = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(first), TRUE);
  EXPECT_EQ(CloseHandle(second), TRUE);
}

// The descriptor behind a handle must not leak into programs the process starts.
TEST(CreateFile, DescriptorIsClosedOnExec) {
  TempFolder folder;
  HANDLE file = CreateFileW(folder.WideFile("x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  int found = 0;
  for (int fd = 0; fd < 1024; ++fd) {
    char target[512] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0 || std::string(target) != folder.File("x")) continue;
    ++found;
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(CloseHandle(file), TRUE);
}

TEST(CreateFile, NamesAreConvertedExactlyOrNotAtAll) {
  TempFolder folder;
  HANDLE file = CreateFileW(kavro_test::Widen(folder.File("Höhe °.txt")).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(file), TRUE);
  EXPECT_TRUE(Exists(folder.File("H\xC3\xB6he \xC2\xB0.txt"))) << "stored under its UTF-8 name";

  // A lone surrogate has no UTF-8 form.
  TempFolder empty;
  std::wstring name = empty.WideFile("bad");
  name += wchar_t(0xD800);
  EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);

  // Under the C locale nothing beyond ASCII converts.
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  std::wstring accented = empty.WideFile("caf");
  accented += wchar_t(0xE9);
  EXPECT_EQ(CreateFileW(accented.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(EntriesIn(empty.Path()), 0u) << "nothing created under a mangled name";
}

}  // namespace
