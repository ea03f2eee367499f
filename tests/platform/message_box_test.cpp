// MessageBoxW without a display: one line on standard error, whatever the texts hold.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows.h"

namespace {

TEST(MessageBox, HeadlessBoxWritesOneLineToStandardErrorAndAnswersOk) {
  const wchar_t surrogate[] = {L'x', wchar_t(0xD800), 0};
  const struct { const wchar_t* caption; const wchar_t* text; std::string line; } cases[] = {
      {nullptr, L"no caption given", "Error: no caption given\n"},
      {L"Höhe", surrogate, "H\xC3\xB6he: x\xEF\xBF\xBD\n"},
      {L"Error", nullptr, "Error: \n"},
  };
  for (const auto& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, c.text, c.caption, MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
  }
}

}  // namespace
