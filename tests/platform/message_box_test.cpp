// MessageBoxW without a display, and the hook tests use to read message boxes.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing.h"
#include "platform/windows.h"

namespace {

TEST(MessageBox, HookSeesEveryBoxAndAnswersIt) {
  std::wstring seen;  // caption|text|type, one line per box
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    seen += std::wstring(caption) + L"|" + text + L"|" + std::to_wstring(type) + L"\n";
    return 7;
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"Error Opening ComPort.", L"", MB_OK), 7);
  EXPECT_EQ(MessageBoxW(nullptr, L"Error Reading comms port.", L"Error", MB_OK | MB_ICONERROR), 7);
  platform::testing::SetMessageBoxHook(nullptr);
  EXPECT_EQ(seen, L"|Error Opening ComPort.|0\nError|Error Reading comms port.|16\n");
}

TEST(MessageBox, HeadlessBoxWritesOneLineToStandardErrorAndAnswersOk) {
  const wchar_t surrogate[] = {L'x', wchar_t(0xD800), 0};
  struct Case {
    const wchar_t* caption;
    const wchar_t* text;
    std::string line;
  };
  const Case cases[] = {
      {L"Error", L"Error Reading comms port.", "Error: Error Reading comms port.\n"},
      {L"", L"Error Opening ComPort.", "Error Opening ComPort.\n"},
      {nullptr, L"no caption given", "Error: no caption given\n"},
      {L"Höhe", L"545 m °", "H\xC3\xB6he: 545 m \xC2\xB0\n"},
      {L"", surrogate, "x\xEF\xBF\xBD\n"},
      {L"Error", nullptr, "Error: \n"},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxW(nullptr, c.text, c.caption, MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
  }
}

}  // namespace
