// Datagrams of the UDP relay: one byte of version and kind, the channel, the session id, the
// sender's counter, the peer (the target on the way in, the source on the way out), at most 1200
// bytes of payload and a 12-byte keyed tag over everything before it. 30 bytes of overhead keep a
// full datagram at 1230 bytes, inside the IPv6 minimum MTU with its headers, so none is ever
// fragmented. Also the replay window every receiver keeps per session.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "lobby/types.h"

namespace vt::lobby::relay {

enum class Kind : uint8_t { Data = 0, Register = 1, Keepalive = 2 };

constexpr uint8_t kVersion = 1;
constexpr size_t kHeaderBytes = 18;
constexpr size_t kTagBytes = 12;
constexpr size_t kOverheadBytes = kHeaderBytes + kTagBytes;
constexpr size_t kMaxDatagramBytes = kOverheadBytes + limits::kMaxPacketBytes;

using UdpKey = std::array<uint8_t, 32>;

struct Datagram {
  Kind kind = Kind::Data;
  uint8_t channel = 0;
  uint32_t session = 0;
  uint32_t counter = 0;
  uint64_t peer = 0;
  std::span<const uint8_t> payload;  // points into the bytes it was parsed from
};

// Writes the datagram with its tag under `key` into `out`; the length written, or 0 when the
// payload is over 1200 bytes, a Data datagram carries none, or `out` is too small.
size_t Encode(const Datagram& d, const UdpKey& key, std::span<uint8_t> out);

// Why a datagram was dropped. Every drop is silent to the sender and counted by the receiver.
enum class Drop : uint8_t {
  None,
  BadLength,       // shorter than the overhead, longer than 1230 bytes, or an empty Data datagram
  BadVersion,      // another version or an unknown kind
  UnknownSession,  // no such session (or not this receiver's)
  BadTag,          // the tag does not match under the session's key
  Replayed,        // a counter already seen inside the window
  BelowWindow,     // a counter older than the window
  kCount,
};

// Structure only (length, version, kind); the session id tells the caller which key to use.
Drop ParseHeader(std::span<const uint8_t> bytes, Datagram& out);

// The highest counter seen and a bitmap of the 63 before it. Counter 0 is never valid: senders
// start at 1.
class ReplayWindow {
 public:
  // What accepting `counter` would answer, without recording it.
  Drop check(uint32_t counter) const;
  // Records an authenticated counter (after check() said None).
  void accept(uint32_t counter);
  uint32_t highest() const { return highest_; }

 private:
  uint32_t highest_ = 0;
  uint64_t seen_ = 0;  // bit i: highest_ - i was seen
};

// The checks after the header: the tag under `key`, then the window, which records the counter
// only when both pass. A tag is checked before the window so a forged datagram cannot move it.
Drop Authenticate(std::span<const uint8_t> bytes, const UdpKey& key, ReplayWindow& window);

}  // namespace vt::lobby::relay
