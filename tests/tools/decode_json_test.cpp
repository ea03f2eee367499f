// The decoder's JSON: escapes that keep any byte valid, numbers exact or (not finite) null; what
// whole lines say about real logs is the Python suites' work.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "tools/decoder/decode_json.h"

TEST(DecodeJsonTest, EscapesAndNumbers) {
  const std::pair<std::string, std::string> strings[] = {
      {"A\"\\", "\"A\\\"\\\\\""},                                             // quote, backslash
      {std::string("\x01\n\x1f\0", 4), "\"\\u0001\\u000a\\u001f\\u0000\""},  // control bytes, NUL
      {"\x7f\xb0\xff", "\"\\u007f\\u00b0\\u00ff\""},                         // delete, high bytes
  };
  for (const auto& [bytes, json] : strings) {
    std::string out;
    AppendJsonString(&out, bytes.data(), bytes.size());
    EXPECT_EQ(out, json);
  }
  std::string out;
  AppendJsonLetter(&out, '\0');
  AppendJsonLetter(&out, 'N');
  AppendJsonNumber(&out, static_cast<double>(4807.038f));  // as the reader stores 4807.038
  AppendJsonNumber(&out, -HUGE_VAL);
  AppendJsonNumber(&out, std::nan(""));
  EXPECT_EQ(out, "\"\"\"N\"4807.0380859375nullnull");
}
