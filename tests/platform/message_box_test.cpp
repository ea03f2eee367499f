// MessageBoxW without a display, and the hook tests use to read message boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/detail/message_box.h"
#include "platform/testing.h"
#include "platform/windows.h"

namespace {

struct Box {
  std::wstring text;
  std::wstring caption;
  UINT type;
  bool operator==(const Box& other) const {
    return text == other.text && caption == other.caption && type == other.type;
  }
};

void PrintTo(const Box& box, std::ostream* out) {
  *out << "{caption \"" << ::testing::PrintToString(box.caption) << "\", text " << ::testing::PrintToString(box.text)
       << ", type " << box.type << "}";
}

TEST(MessageBox, HookSeesEveryBoxAndAnswersIt) {
  std::vector<Box> boxes;
  platform::testing::SetMessageBoxHook([&](LPCWSTR text, LPCWSTR caption, UINT type) {
    boxes.push_back(Box{text, caption, type});
    return 7;
  });
  EXPECT_EQ(MessageBoxW(nullptr, L"Error Opening ComPort.", L"", MB_OK), 7);
  EXPECT_EQ(MessageBoxW(nullptr, L"Error Reading comms port.", L"Error", MB_OK | MB_ICONERROR), 7);
  platform::testing::SetMessageBoxHook(nullptr);
  const std::vector<Box> expected = {{L"Error Opening ComPort.", L"", MB_OK},
                                     {L"Error Reading comms port.", L"Error", MB_OK | MB_ICONERROR}};
  EXPECT_EQ(boxes, expected);
}

struct HeadlessCase {
  const wchar_t* caption;
  const wchar_t* text;
  std::string line;
};

TEST(MessageBox, HeadlessBoxWritesOneLineToStandardErrorAndAnswersOk) {
  std::wstring surrogate = L"x";
  surrogate += wchar_t(0xD800);
  const HeadlessCase cases[] = {
      {L"Error", L"Error Reading comms port.", "Error: Error Reading comms port.\n"},
      {L"", L"Error Opening ComPort.", "Error Opening ComPort.\n"},
      {nullptr, L"no caption given", "Error: no caption given\n"},
      {L"Höhe", L"545 m °", "H\xC3\xB6he: 545 m \xC2\xB0\n"},
      {L"", surrogate.c_str(), "x\xEF\xBF\xBD\n"},
      {L"Error", nullptr, "Error: \n"},
  };
  for (const HeadlessCase& c : cases) {
    ::testing::internal::CaptureStderr();
    const int answer = MessageBoxW(nullptr, c.text, c.caption, MB_OK);
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(written, c.line);
  }
}

TEST(MessageBox, HeadlessFormIsCallableOnItsOwn) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(platform::detail::HeadlessMessageBox(L"text", L"caption"), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "caption: text\n");
}

}  // namespace
