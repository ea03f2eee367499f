// Reading source names: which kind of source, and its host, port, path or device.
#include "comm/comm_private.h"

#include <cctype>

namespace platform::detail {
namespace {

bool Fail(std::string* problem, const char* what) {
  *problem = what;
  return false;
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ValidPort(const std::string& digits) {
  if (digits.empty() || digits.size() > 5) return false;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

bool ValidHost(const std::string& host) {
  for (char c : host) {
    if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c)) || c == '/') {
      return false;
    }
  }
  return true;
}

// "host", "host:port", "[v6]" or "[v6]:port" (port left empty when absent). False with the
// problem set when the brackets or the port are wrong.
bool SplitHostPort(const std::string& text, std::string* host, std::string* port, std::string* problem) {
  std::string::size_type portStart = std::string::npos;
  if (!text.empty() && text[0] == '[') {
    const std::string::size_type close = text.find(']');
    if (close == std::string::npos) return Fail(problem, "an IPv6 address without its closing ]");
    *host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return Fail(problem, "text after the IPv6 address");
      portStart = close + 2;
    }
  } else {
    const std::string::size_type colon = text.find(':');
    *host = text.substr(0, colon);
    if (colon != std::string::npos) {
      if (text.find(':', colon + 1) != std::string::npos) {
        return Fail(problem, "more than one ':' (write IPv6 addresses in brackets: [::1])");
      }
      portStart = colon + 1;
    }
  }
  *port = portStart == std::string::npos ? "" : text.substr(portStart);
  if (portStart != std::string::npos && !ValidPort(*port)) {
    return Fail(problem, port->empty() ? "no port number after ':'" : "the port number must be 1 to 65535");
  }
  if (!ValidHost(*host)) return Fail(problem, "the host name holds a /, blanks or control characters");
  return true;
}

bool ParseGpsd(const std::string& rest, SourceName* source, std::string* problem) {
  source->kind = SourceName::Gpsd;
  const std::string::size_type slash = rest.find('/');
  const std::string address = rest.substr(0, slash);
  source->device = slash == std::string::npos ? "" : rest.substr(slash);
  if (!SplitHostPort(address, &source->host, &source->port, problem)) return false;
  if (source->host.empty()) return Fail(problem, "no host name after gpsd://");
  if (source->port.empty()) source->port = kGpsdDefaultPort;
  if (source->device == "/") return Fail(problem, "no device path after the last /");
  return true;
}

}  // namespace

bool ParseSourceName(const std::string& text, SourceName* source, std::string* problem) {
  *source = SourceName{};
  if (text.empty()) return Fail(problem, "no source named");
  if (text[0] == '/') {
    if (text.find_first_not_of('/') == std::string::npos) return Fail(problem, "no device path after /");
    source->path = text;
    return true;
  }
  if (text == "gpsd") {
    source->kind = SourceName::Gpsd;
    source->host = kGpsdDefaultHost;
    source->port = kGpsdDefaultPort;
    return true;
  }
  const std::string::size_type separator = text.find("://");
  if (separator == std::string::npos) {
    return Fail(problem, "not a source: give a device path (/dev/...), gpsd, tcp://host:port or udp://[host]:port");
  }
  const std::string scheme = Lowercase(text.substr(0, separator));
  const std::string rest = text.substr(separator + 3);
  if (scheme == "gpsd") return ParseGpsd(rest, source, problem);
  if (scheme != "tcp" && scheme != "udp") {
    return Fail(problem, "unknown kind of source (use /dev/..., gpsd://, tcp:// or udp://)");
  }
  source->kind = scheme == "tcp" ? SourceName::Tcp : SourceName::Udp;
  if (!SplitHostPort(rest, &source->host, &source->port, problem)) return false;
  if (source->port.empty()) return Fail(problem, "no port number (write host:port)");
  if (source->kind == SourceName::Tcp && source->host.empty()) return Fail(problem, "no host name before the port");
  return true;
}

}  // namespace platform::detail
