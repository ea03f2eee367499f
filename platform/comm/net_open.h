// Opening the sockets behind network sources.
#pragma once

#include <string>

namespace platform::detail {

// The sockets behind network sources, non-blocking. -1 with cause set (for the log line) on failure.
int ConnectTcp(const std::string& host, const std::string& port, std::string* cause);
int BindUdp(const std::string& host, const std::string& port, std::string* cause);
// Asks gpsd for the NMEA of its receivers (of device alone, unless it is empty).
bool AskGpsdForNmea(int fd, const std::string& device, std::string* cause);

}  // namespace platform::detail
