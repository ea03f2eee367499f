// 8-bit text widened for the settings' PORT value and the info panel: each bad byte one '?'.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "core/text.h"

namespace {

TEST(WidenTextTest, BadBytesBecomeOneQuestionMarkEach) {
  const struct {
    std::string bytes;
    std::size_t outSize;
    std::wstring expected;
  } cases[] = {
      {"/dev/\xc3\xbc", 16, L"/dev/\u00fc"},
      {"a\xff" "b", 16, L"a?b"},
      {std::string("a\0b", 3), 16, L"a?b"},  // a NUL inside the text
      {"a\xe2\x82", 16, L"a??"},              // cut off: each byte left is one '?'
      {"abcdef", 4, L"abc"},                  // full: cut, still terminated
  };
  ASSERT_NE(nullptr, std::setlocale(LC_CTYPE, "C.UTF-8"));
  for (const auto& c : cases) {
    wchar_t out[16];
    const std::size_t written = WidenText(c.bytes.data(), c.bytes.size(), out, c.outSize);
    EXPECT_EQ(c.expected, std::wstring(out)) << "bytes " << c.bytes.size() << ", room " << c.outSize;
    EXPECT_EQ(c.expected.size(), written);
  }
  std::setlocale(LC_CTYPE, "C");
}

}  // namespace
