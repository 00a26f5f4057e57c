// Where the service may listen. Until the control connection is encrypted it carries logins and
// the relay's keys in the clear, so the service binds the loopback address by default, a private
// (LAN) address only when the operator says --insecure-lan, and never a public or wildcard one.
// Only numeric addresses and "localhost" are judged: a name would make the answer depend on
// whatever the resolver says at start-up.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lobby/host_port.h"

namespace vt::lobbyd {

// Where the service listens when --listen is not given.
constexpr std::string_view kDefaultListenAddress = "127.0.0.1:47800";

enum class AddressClass { Loopback, Private, Public, Wildcard, Invalid };

// The class of a numeric IPv4 or IPv6 host (no brackets, no port): loopback 127.0.0.0/8, ::1 and
// "localhost"; private 10/8, 172.16/12, 192.168/16, link-local 169.254/16, fc00::/7 and
// fe80::/10 (IPv4-mapped addresses take the class of the IPv4 address); wildcard 0.0.0.0 and ::;
// Invalid for names, multicast, broadcast and anything else that is not a unicast address;
// Public for the rest.
AddressClass ClassifyHost(std::string_view host);

struct ListenDecision {
  std::optional<lobby::HostPort> address;  // set when the service may listen there
  std::string message;                     // why not, for the operator
};

// Judges a --listen "host:port" (port 0 picks a free one).
ListenDecision CheckListenAddress(std::string_view hostPort, bool insecureLan);

}  // namespace vt::lobbyd
