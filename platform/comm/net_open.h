// Opening the sockets behind network sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "comm/net_dial.h"

namespace platform::detail {

// The time an open of a network source may take: the lookup, the connection and gpsd's answer.
constexpr std::int64_t kOpenLimitMs = 5000;

// The sockets behind network sources, non-blocking. -1 with cause set (for the log line) on
// failure. ConnectTcp leaves the addresses it found, for connecting again later.
int ConnectTcp(const std::string& host, const std::string& port, std::int64_t deadline,
               std::vector<NetAddress>* addresses, std::string* cause);
int BindUdp(const std::string& host, const std::string& port, std::string* cause);
// A peer that vanished without closing (a phone out of reach) is noticed within a minute.
void KeepAlive(int fd);
// Asks gpsd for the NMEA of its receivers (of device alone, unless it is empty).
bool AskGpsdForNmea(int fd, const std::string& device, std::string* cause);
// Waits, up to the deadline, for gpsd's answer to the watch: true once it has taken it (what
// came after the answer is left in early), false with gpsd's own message in cause when it
// refused (no such device, a bad request).
bool AwaitGpsdAnswer(int fd, std::int64_t deadline, std::string* early, std::string* cause);

}  // namespace platform::detail
