// "host:port" texts as the service's listen option, the client's service option and the profile
// write them: a name or an IPv4 address before the last colon, an IPv6 address in brackets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::lobby {

struct HostPort {
  std::string host;  // without brackets
  uint16_t port = 0;
};

// Null (and the reason in `problem`) when the text is not "host:port" with a decimal port of
// 0-65535 and a host of 1-253 bytes of letters, digits, '.', '-' and '_' (or an IPv6 address
// in brackets).
std::optional<HostPort> ParseHostPort(std::string_view text, std::string* problem = nullptr);

// The text ParseHostPort reads back: brackets around a host that holds a colon.
std::string FormatHostPort(const HostPort& address);

}  // namespace vt::lobby
