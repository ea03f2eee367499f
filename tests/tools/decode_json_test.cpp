// The decoder's JSON: escapes that keep any byte of a log valid, and numbers that read back
// exactly or, when not finite (which the reader never lets through), as null. What whole lines
// say about real logs is the Python suites' work.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/decoder/decode_json.h"

namespace {

struct StringCase {
  const char* name;
  std::string bytes;
  std::string json;
};

TEST(DecodeJsonTest, StringsEscapeWhatJsonCannotHoldRaw) {
  const StringCase cases[] = {
      {"plain", "A", "\"A\""},
      {"quote", "\"", "\"\\\"\""},
      {"backslash", "\\", "\"\\\\\""},
      {"control", std::string("\x01\n\x1f", 3), "\"\\u0001\\u000a\\u001f\""},
      {"nul", std::string("\0", 1), "\"\\u0000\""},
      {"high bytes", "\xb0\xff", "\"\\u00b0\\u00ff\""},
      {"delete", "\x7f", "\"\\u007f\""},
  };
  for (const StringCase& c : cases) {
    std::string out;
    AppendJsonString(&out, c.bytes.data(), c.bytes.size());
    EXPECT_EQ(out, c.json) << c.name;
  }
}

TEST(DecodeJsonTest, LettersAndNumbers) {
  std::string out;
  AppendJsonLetter(&out, '\0');
  AppendJsonLetter(&out, 'N');
  EXPECT_EQ(out, "\"\"\"N\"");

  const struct {
    double value;
    const char* json;
  } numbers[] = {
      {0.0, "0"},
      {static_cast<double>(4807.038f), "4807.0380859375"},  // what the reader stores for 4807.038
      {-0.5, "-0.5"},
      {1e300, "1e+300"},
      {std::numeric_limits<double>::infinity(), "null"},
      {-std::numeric_limits<double>::infinity(), "null"},
      {std::nan(""), "null"},
  };
  for (const auto& number : numbers) {
    std::string text;
    AppendJsonNumber(&text, number.value);
    EXPECT_EQ(text, number.json) << number.value;
  }
}

}  // namespace
