// The decoder's JSON: escapes that keep any byte of a log valid, and numbers that read back
// exactly or, when not finite (which the reader never lets through), as null. What whole lines
// say about real logs is the Python suites' work.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/decoder/decode_json.h"

namespace {

TEST(DecodeJsonTest, EscapesAndNumbers) {
  const struct {
    std::string bytes, json;
  } strings[] = {
      {"A\"\\", "\"A\\\"\\\\\""},                                             // quote, backslash
      {std::string("\x01\n\x1f\0", 4), "\"\\u0001\\u000a\\u001f\\u0000\""},  // control bytes, NUL
      {"\x7f\xb0\xff", "\"\\u007f\\u00b0\\u00ff\""},                         // delete, high bytes
  };
  for (const auto& c : strings) {
    std::string out;
    AppendJsonString(&out, c.bytes.data(), c.bytes.size());
    EXPECT_EQ(out, c.json);
  }
  std::string out;
  AppendJsonLetter(&out, '\0');
  AppendJsonLetter(&out, 'N');
  EXPECT_EQ(out, "\"\"\"N\"");
  const struct {
    double value;
    const char* json;
  } numbers[] = {
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
