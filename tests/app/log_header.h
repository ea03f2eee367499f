// Test helper: the log file's header, checked as a whole.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace kavro_test {

// Exactly one header: the banner, the version and the build date (year, month * 100 + day).
inline void ExpectHeader(const std::string& contents) {
  const std::string version = std::to_string(KAVRO_VERSION_MAJOR) + "-" +
      std::to_string(KAVRO_VERSION_MINOR) + "-" + std::to_string(KAVRO_VERSION_PATCH);
  const std::regex header("Kavro 1\\.0\n[^\n]+\n[^\n]+\nBuild: " + version +
                          "-20[2-9][0-9]-(1[0-2]|[1-9])(0[1-9]|[12][0-9]|3[01])\n\n");
  EXPECT_TRUE(std::regex_match(contents, header)) << "log file holds: " << contents;
}

}  // namespace kavro_test
