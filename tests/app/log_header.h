// Test helper: the log file's header, checked as a whole.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace kavro_test {

// Exactly one header and nothing else: the banner, then the version and the build date as
// year and month * 100 + day.
inline void ExpectHeader(const std::string& contents) {
  const std::regex header(
      "Kavro 1\\.0\n[^\n]+\n[^\n]+\nBuild: ([0-9]+)-([0-9]+)-([0-9]+)-([0-9]+)-([0-9]+)\n\n");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(contents, match, header)) << "log file holds: " << contents;
  EXPECT_EQ(std::stoi(match[1]), KAVRO_VERSION_MAJOR);
  EXPECT_EQ(std::stoi(match[2]), KAVRO_VERSION_MINOR);
  EXPECT_EQ(std::stoi(match[3]), KAVRO_VERSION_PATCH);
  EXPECT_GE(std::stoi(match[4]), 2024);
  const int monthDay = std::stoi(match[5]);
  EXPECT_TRUE(monthDay / 100 >= 1 && monthDay / 100 <= 12 && monthDay % 100 >= 1 && monthDay % 100 <= 31)
      << "month * 100 + day: " << monthDay;
}

}  // namespace kavro_test
