// Test fixture: a fresh program folder in /tmp that the module path points into, message boxes
// caught instead of shown, and the program-wide state back at its start-up values.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "app/records.h"
#include "platform/testing.h"
#include "platform/user.h"

namespace kavro_test {

// A message box the program asked for.
struct ShownBox {
  std::wstring text;
  std::wstring caption;
  UINT type;
  bool operator==(const ShownBox& other) const {
    return text == other.text && caption == other.caption && type == other.type;
  }
};

inline std::string Narrow(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
  return bytes;
}

inline void PrintTo(const ShownBox& box, std::ostream* out) {
  *out << "{\"" << Narrow(box.text) << "\", \"" << Narrow(box.caption) << "\", " << box.type << "}";
}

// UTF-8 to wide characters (the fixture runs under a UTF-8 locale).
inline std::wstring Widen(const std::string& bytes) {
  std::wstring wide(bytes.size() + 1, L'\0');
  const std::size_t length = std::mbstowcs(wide.data(), bytes.c_str(), wide.size());
  if (length == static_cast<std::size_t>(-1)) return L"";
  wide.resize(length);
  return wide;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program does at start: paths convert through the user's (UTF-8) locale.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    char pattern[] = "/tmp/kavro-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    SetProgramPath(folder + "/kavro");
    platform::testing::SetMessageBoxHook([this](LPCWSTR text, LPCWSTR caption, UINT type) {
      boxes.push_back({text == nullptr ? L"" : text, caption == nullptr ? L"" : caption, type});
      return IDOK;
    });
    ResetTrackState(&trackState);
  }

  void TearDown() override {
    platform::testing::SetMessageBoxHook(nullptr);
    platform::testing::SetModulePath(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::setlocale(LC_CTYPE, "C");
  }

  // The module path the program sees, as UTF-8.
  void SetProgramPath(const std::string& path) {
    modulePath = Widen(path);
    platform::testing::SetModulePath(modulePath.c_str());
  }

  std::string folder;
  std::wstring modulePath;
  std::vector<ShownBox> boxes;
};

}  // namespace kavro_test
