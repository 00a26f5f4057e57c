// Classifying listen addresses.
#include "lobbyd/address_policy.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace vt::lobbyd {

namespace {

AddressClass ClassifyV4(const std::array<uint8_t, 4>& a) {
  if (a[0] == 127) return AddressClass::Loopback;
  if (a == std::array<uint8_t, 4>{0, 0, 0, 0}) return AddressClass::Wildcard;
  if (a[0] == 10 || (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
      (a[0] == 169 && a[1] == 254))
    return AddressClass::Private;
  // "This network", multicast, reserved and broadcast are no address to serve on.
  if (a[0] == 0 || a[0] >= 224) return AddressClass::Invalid;
  return AddressClass::Public;
}

}  // namespace

AddressClass ClassifyHost(std::string_view host) {
  if (host == "localhost") return AddressClass::Loopback;
  const std::string text(host);
  std::array<uint8_t, 4> v4{};
  if (inet_pton(AF_INET, text.c_str(), v4.data()) == 1) return ClassifyV4(v4);
  std::array<uint8_t, 16> v6{};
  if (inet_pton(AF_INET6, text.c_str(), v6.data()) != 1) return AddressClass::Invalid;
  bool zeroHead = true;  // the first ten bytes
  for (int i = 0; i < 10; ++i) zeroHead = zeroHead && v6[i] == 0;
  if (zeroHead && v6[10] == 0xFF && v6[11] == 0xFF) return ClassifyV4({v6[12], v6[13], v6[14], v6[15]});
  bool zeroTail = zeroHead && v6[10] == 0 && v6[11] == 0 && v6[12] == 0 && v6[13] == 0 && v6[14] == 0;
  if (zeroTail && v6[15] == 0) return AddressClass::Wildcard;
  if (zeroTail && v6[15] == 1) return AddressClass::Loopback;
  if ((v6[0] & 0xFE) == 0xFC || (v6[0] == 0xFE && (v6[1] & 0xC0) == 0x80)) return AddressClass::Private;
  if (v6[0] == 0xFF || zeroHead) return AddressClass::Invalid;  // multicast, other compatibility forms
  return AddressClass::Public;
}

ListenDecision CheckListenAddress(std::string_view hostPort, bool insecureLan) {
  ListenDecision d;
  std::string problem;
  std::optional<lobby::HostPort> address = lobby::ParseHostPort(hostPort, &problem);
  const std::string quoted = "--listen " + std::string(hostPort) + ": ";
  if (!address) {
    d.message = quoted + (hostPort.substr(0, 2) == "*:" ? "a wildcard address is refused; " : "") + problem;
    return d;
  }
  switch (ClassifyHost(address->host)) {
    case AddressClass::Loopback:
      d.address = address;
      return d;
    case AddressClass::Private:
      if (insecureLan) {
        d.address = address;
        return d;
      }
      d.message =
          quoted + "a LAN address needs --insecure-lan: logins and relay keys cross the network unencrypted";
      return d;
    case AddressClass::Wildcard:
      d.message = quoted +
                  "a wildcard address is refused: it would serve every network of the machine, the internet "
                  "among them, without encryption; name a loopback or LAN address";
      return d;
    case AddressClass::Public:
      d.message = quoted +
                  "a public address is refused: logins and relay keys would cross the internet "
                  "unencrypted; use a loopback address, or a LAN address with --insecure-lan";
      return d;
    case AddressClass::Invalid:
      break;
  }
  d.message = quoted + "not a numeric unicast address (or \"localhost\")";
  return d;
}

}  // namespace vt::lobbyd
