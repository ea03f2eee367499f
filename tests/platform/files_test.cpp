// Kernel calls on real files in a temporary folder: names without an exact 8-bit form, and the
// program's own path. Missing files and folders are met by the settings and log file tests;
// calls on the handle of a port that failed to open, by the main window test.
#include <cstdio>

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

}  // namespace
