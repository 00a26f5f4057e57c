// Reading and writing "host:port".
#include "lobby/host_port.h"

namespace vt::lobby {

namespace {

bool Fail(std::string* problem, const char* why) {
  if (problem != nullptr) *problem = why;
  return false;
}

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

bool IsV6Char(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

bool ParsePort(std::string_view text, uint16_t& port, std::string* problem) {
  if (text.empty() || text.size() > 5) return Fail(problem, "the port is not a number of 0-65535");
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return Fail(problem, "the port is not a number of 0-65535");
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > 65535) return Fail(problem, "the port is not a number of 0-65535");
  port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

std::optional<HostPort> ParseHostPort(std::string_view text, std::string* problem) {
  HostPort out;
  std::string_view host, port;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      Fail(problem, "an IPv6 address is written [address]:port");
      return std::nullopt;
    }
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
    if (host.empty() || host.size() > 45 || host.find(':') == std::string_view::npos) {
      Fail(problem, "the bracketed host is not an IPv6 address");
      return std::nullopt;
    }
    for (char c : host)
      if (!IsV6Char(c)) {
        Fail(problem, "the bracketed host is not an IPv6 address");
        return std::nullopt;
      }
  } else {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
      Fail(problem, "no port: the address is written host:port");
      return std::nullopt;
    }
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.empty() || host.size() > 253) {
      Fail(problem, "the host is empty or longer than 253 bytes");
      return std::nullopt;
    }
    for (char c : host)
      if (!IsHostChar(c)) {
        Fail(problem, host.find(':') != std::string_view::npos ? "an IPv6 address is written [address]:port"
                                                               : "the host holds a character other than a "
                                                                 "letter, digit, '.', '-' or '_'");
        return std::nullopt;
      }
  }
  if (!ParsePort(port, out.port, problem)) return std::nullopt;
  out.host.assign(host);
  return out;
}

std::string FormatHostPort(const HostPort& address) {
  std::string out = address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
  return out + ":" + std::to_string(address.port);
}

}  // namespace vt::lobby
