// Fuzz target: relay datagrams as a receiver takes them: the header, then the tag and the replay
// window under a fixed key; an accepted datagram must be re-encodable to the same bytes.
#include <cstdint>
#include <cstring>
#include <span>

#include "lobby/relay_datagram.h"

using namespace vt::lobby::relay;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const UdpKey key = [] {
    UdpKey k{};
    k.fill(1);
    return k;
  }();
  std::span<const uint8_t> bytes(data, size);
  Datagram d;
  if (ParseHeader(bytes, d) != Drop::None) return 0;
  ReplayWindow window;
  if (Authenticate(bytes, key, window) != Drop::None) return 0;
  uint8_t again[kMaxDatagramBytes];
  const size_t n = Encode(d, key, again);
  if (n != size || std::memcmp(again, data, size) != 0) __builtin_trap();
  return 0;
}
