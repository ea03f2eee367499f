// Kernel calls on real files in a temporary folder: names without an exact 8-bit form, and the
// program's own path. Missing files and folders are met by the settings and log file tests;
// calls on the handle of a port that failed to open, by the main window test.
#include <cstdio>
#include <cstring>

#include "platform/test_support.h"

namespace {

using kavro_test::TempFolder;

// A name without an exact 8-bit form is refused, never cut or mangled: a lone surrogate has
// no UTF-8 form, and under the C locale nothing beyond ASCII converts.
TEST(CreateFile, NamesWithoutAnExact8BitFormAreRefused) {
  TempFolder folder;
  for (const auto& [locale, odd] : {std::pair("C.UTF-8", wchar_t(0xD800)), std::pair("C", wchar_t(0xE9))}) {
    std::setlocale(LC_CTYPE, locale);
    const std::wstring bad = folder.WideFile("caf") + odd;
    EXPECT_EQ(CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << locale;
  }
  std::setlocale(LC_CTYPE, "C.UTF-8");
  EXPECT_TRUE(std::filesystem::is_empty(folder.path)) << "nothing created under a mangled name";
}

// The program finds its folder from its own path; a buffer too small for it is filled and
// ended as Win32 does, never overrun.
TEST(ModuleFileName, TruncatesLikeWin32) {
  platform::testing::SetModulePath(L"/opt/kavro/kavro");  // 16 characters
  // The size given, the length returned, what the buffer holds afterwards, and the error.
  const struct { DWORD size, result; const wchar_t* text; DWORD error; } cases[] = {
      {17, 16, L"/opt/kavro/kavro", ERROR_SUCCESS},
      {16, 16, L"/opt/kavro/kavr", ERROR_INSUFFICIENT_BUFFER},
      {0, 0, L"untouched, and longer than the path", ERROR_INSUFFICIENT_BUFFER},
  };
  for (const auto& c : cases) {
    wchar_t buffer[260] = L"untouched, and longer than the path";  // a terminator left out shows
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, c.size), c.result) << "size " << c.size;
    EXPECT_EQ(std::wstring(buffer), c.text) << "size " << c.size;
    EXPECT_EQ(GetLastError(), c.error) << "size " << c.size;
  }
  platform::testing::SetModulePath(nullptr);
}

// What a process started by this shell command in this folder prints.
std::string OutputOf(const std::string& folder, const std::string& command) {
  std::FILE* pipe = popen(("cd '" + folder + "' && exec " + command).c_str(), "r");
  if (pipe == nullptr) return "popen failed";
  std::string output;
  char chunk[256];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
  const int status = pclose(pipe);
  return status == 0 ? output : output + " (exit status " + std::to_string(status) + ")";
}

// Started through a link, the program's folder is the link's: the module path is the path the
// process was started by, its folders resolved, its last component kept; unless that path no
// longer names the running executable.
TEST(ModuleFileName, IsThePathTheProcessWasStartedBy) {
  TempFolder folder;
  const std::string probe = std::filesystem::canonical(KAVRO_MODULE_PATH_PROBE).string();
  const std::string real = std::filesystem::canonical(folder.path).string();
  std::filesystem::create_directory(folder.File("user"));
  std::filesystem::create_directory_symlink(folder.File("user"), folder.File("home"));
  std::filesystem::create_symlink(probe, folder.File("user/kavro"));
  const struct { const char* how; std::string command, expected; } cases[] = {
      {"the executable itself", probe, probe},
      {"a link, by its absolute path", folder.File("user/kavro"), real + "/user/kavro"},
      {"a link, by a relative path through a linked folder", "home/../home/kavro", real + "/user/kavro"},
      {"a link removed since start", "./user/kavro --remove-link", probe},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputOf(folder.path, c.command), c.expected) << c.how;
}

// A file rewritten in place: the position moves where it is told, the end is cut at the
// position, and the flush succeeds on a file opened for writing only.
TEST(FileExtent, PositionEndAndFlush) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("track.gpx");
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "<a></b></c>", 11, &written, nullptr));
  const struct {
    LONGLONG distance;
    DWORD method;
    LONGLONG position;
    const char* bytes;
    bool cut;
    const char* what;
  } steps[] = {
      {3, FILE_BEGIN, 3, "x</b></c>", false, "<a>x</b></c>"},
      {-5, FILE_END, 7, "y", true, "<a>x</by"},
      {-1, FILE_CURRENT, 7, "", true, "<a>x</b"},
      {12, FILE_BEGIN, 12, "z", false, "past the end: a gap of zeros"},
  };
  for (const auto& step : steps) {
    LARGE_INTEGER distance, position;
    distance.QuadPart = step.distance;
    ASSERT_TRUE(SetFilePointerEx(file, distance, &position, step.method)) << step.what;
    EXPECT_EQ(position.QuadPart, step.position);
    ASSERT_TRUE(WriteFile(file, step.bytes, static_cast<DWORD>(std::strlen(step.bytes)), &written, nullptr));
    if (step.cut) {
      EXPECT_TRUE(SetEndOfFile(file));
    }
    EXPECT_TRUE(FlushFileBuffers(file));
  }
  EXPECT_EQ(kavro_test::ReadWholeFile(folder.File("track.gpx")), std::string("<a>x</b\0\0\0\0\0z", 13));
  LARGE_INTEGER before;
  before.QuadPart = -20;
  EXPECT_FALSE(SetFilePointerEx(file, before, nullptr, FILE_BEGIN));
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_FALSE(SetFilePointerEx(file, before, nullptr, 7));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(CloseHandle(file));
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), file}) {
    EXPECT_FALSE(SetEndOfFile(bad));
    EXPECT_FALSE(FlushFileBuffers(bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  // CREATE_NEW never opens a file that is there.
  EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

// A file open in this process refuses a second open that its share mode does not allow, or
// that does not allow what the first holds, until the first is closed.
TEST(CreateFile, ShareModesDecideASecondOpen) {
  TempFolder folder;
  const std::wstring name = folder.WideFile("Tolm.txt");
  HANDLE writer = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const struct {
    DWORD access, share;
    bool opens;
  } seconds[] = {
      {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {GENERIC_READ, FILE_SHARE_READ, false},  // does not allow the writer
      {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},  // the writer allows no other writer
  };
  for (const auto& second : seconds) {
    HANDLE file = CreateFileW(name.c_str(), second.access, second.share, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, second.opens) << second.access << " " << second.share;
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
    } else {
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
  }
  ASSERT_TRUE(CloseHandle(writer));
  HANDLE again = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

// Folders made one at a time, their attributes, and files deleted; each failure with Win32's error.
TEST(Folders, MadeFoundAndDeleted) {
  TempFolder folder;
  const std::wstring tracks = folder.WideFile("tracks");
  const std::wstring deep = folder.WideFile("a/b");
  const std::wstring file = folder.WideFile("file");
  std::fclose(std::fopen(folder.File("file").c_str(), "w"));
  const struct {
    std::wstring path;
    BOOL made;
    DWORD error;
  } makes[] = {
      {tracks, TRUE, ERROR_SUCCESS},
      {tracks, FALSE, ERROR_ALREADY_EXISTS},
      {file, FALSE, ERROR_ALREADY_EXISTS},
      {deep, FALSE, ERROR_PATH_NOT_FOUND},
      {L"", FALSE, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& make : makes) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CreateDirectoryW(make.path.c_str(), nullptr), make.made);
    EXPECT_EQ(GetLastError(), make.error);
  }
  EXPECT_EQ(GetFileAttributesW(tracks.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesW(deep.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(tracks.c_str())) << "a folder is no file";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(DeleteFileW(file.c_str()));
  EXPECT_FALSE(DeleteFileW(file.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
