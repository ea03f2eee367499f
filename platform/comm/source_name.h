// Source names, in the forms gpsd itself takes for its inputs: a device path, gpsd,
// tcp:// and udp://.
#pragma once

#include <string>

namespace platform::detail {

struct SourceName {
  enum Kind { Device, Gpsd, Tcp, Udp } kind = Device;
  std::string path;    // Device: the device path
  std::string host;    // Gpsd, Tcp: whom to connect to; Udp: the local address, "" for every one
  std::string port;    // Gpsd, Tcp, Udp: the port number, 1 to 65535, in decimal
  std::string device;  // Gpsd: the one receiver to watch, "" for all of them
};

constexpr char kGpsdDefaultHost[] = "localhost";
constexpr char kGpsdDefaultPort[] = "2947";

// /dev/ttyACM0                  a serial device (any path that begins with '/')
// gpsd, gpsd://host[:port][/device]
// tcp://host:port
// udp://[host]:port
// Hosts may be names or addresses, IPv6 addresses in brackets ([::1]). False, with problem
// set to a short phrase for a log line, when the text is none of these.
bool ParseSourceName(const std::string& text, SourceName* source, std::string* problem);

}  // namespace platform::detail
