// Real receiver captures for the GPS tests, read from the folder the build names.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/records.h"
#include "gps/nmea_reader.h"

inline std::string NmeaLogPath(const std::string& name) { return std::string(KAVRO_NMEA_DIR) + "/" + name; }

// The whole file, '#' header lines included: a port would deliver those too.
inline std::string ReadNmeaLog(const std::string& name) {
  std::ifstream in(NmeaLogPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> NmeaLogNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(KAVRO_NMEA_DIR)) {
    if (entry.path().extension() == ".log") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Parses bytes [offset, offset + length) of a log as one read, exactly as PollNmea does: the
// bytes, then the terminating NUL, in a block of exactly that size.
inline FixRecord ParseLogPiece(const std::string& log, std::size_t offset, std::size_t length) {
  const std::size_t end = std::min(log.size(), offset + length);
  std::vector<char> buffer(log.begin() + static_cast<std::ptrdiff_t>(offset),
                           log.begin() + static_cast<std::ptrdiff_t>(end));
  buffer.push_back('\0');
  FixRecord fix;
  ParseNmeaText(buffer.data(), &fix);
  return fix;
}
