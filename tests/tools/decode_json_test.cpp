// The decoder's JSON: escapes that keep any byte valid, numbers exact or (not finite) null; what
// it prints for real logs is held in tests/decoder/*.chk, where no capture has such bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/decoder/decode_json.h"

TEST(DecodeJsonTest, EscapesAndNumbers) {
  std::string out;
  AppendJsonString(&out, "\"\\\xb0\x01\n\x1f\0\x7f", 8);
  AppendJsonLetter(&out, '\0');
  AppendJsonLetter(&out, '"');
  AppendJsonNumber(&out, static_cast<double>(4807.038f));  // as the reader stores 4807.038
  AppendJsonNumber(&out, -HUGE_VAL);
  AppendJsonNumber(&out, std::nan(""));
  EXPECT_EQ(out, "\"\\\"\\\\\\u00b0\\u0001\\u000a\\u001f\\u0000\\u007f\"\"\"\"\\\"\"4807.0380859375nullnull");
}
