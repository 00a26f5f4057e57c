// Relay datagram layout, tags and the replay window.
#include "lobby/relay_datagram.h"

#include <sodium.h>

#include <cstring>

#include "lobby/identity.h"

namespace vt::lobby::relay {

namespace {
void Put(std::span<uint8_t> out, size_t at, uint64_t v, size_t n) {
  for (size_t i = 0; i < n; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t Get(std::span<const uint8_t> in, size_t at, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint64_t{in[at + i]} << (8 * i);
  return v;
}
}  // namespace

size_t Encode(const Datagram& d, const UdpKey& key, std::span<uint8_t> out) {
  const size_t size = kOverheadBytes + d.payload.size();
  if (d.payload.size() > limits::kMaxPacketBytes || out.size() < size) return 0;
  if (d.kind == Kind::Data && d.payload.empty()) return 0;
  Put(out, 0, (kVersion << 4) | static_cast<uint8_t>(d.kind), 1);
  Put(out, 1, d.channel, 1);
  Put(out, 2, d.session, 4);
  Put(out, 6, d.counter, 4);
  Put(out, 10, d.peer, 8);
  if (!d.payload.empty()) std::memcpy(out.data() + kHeaderBytes, d.payload.data(), d.payload.size());
  const size_t body = kHeaderBytes + d.payload.size();
  KeyedTag(key, out.first(body), out.subspan(body, kTagBytes));
  return size;
}

Drop ParseHeader(std::span<const uint8_t> bytes, Datagram& out) {
  if (bytes.size() < kOverheadBytes || bytes.size() > kMaxDatagramBytes) return Drop::BadLength;
  const uint8_t first = bytes[0];
  if ((first >> 4) != kVersion || (first & 0x0F) > static_cast<uint8_t>(Kind::Keepalive))
    return Drop::BadVersion;
  out.kind = static_cast<Kind>(first & 0x0F);
  out.channel = bytes[1];
  out.session = static_cast<uint32_t>(Get(bytes, 2, 4));
  out.counter = static_cast<uint32_t>(Get(bytes, 6, 4));
  out.peer = Get(bytes, 10, 8);
  out.payload = bytes.subspan(kHeaderBytes, bytes.size() - kOverheadBytes);
  if (out.kind == Kind::Data && out.payload.empty()) return Drop::BadLength;
  return Drop::None;
}

Drop ReplayWindow::check(uint32_t counter) const {
  if (counter == 0) return Drop::BelowWindow;
  if (counter > highest_) return Drop::None;
  const uint32_t back = highest_ - counter;
  if (back >= 64) return Drop::BelowWindow;
  return (seen_ >> back) & 1 ? Drop::Replayed : Drop::None;
}

void ReplayWindow::accept(uint32_t counter) {
  if (counter > highest_) {
    const uint32_t shift = counter - highest_;
    seen_ = shift >= 64 ? 0 : seen_ << shift;
    seen_ |= 1;
    highest_ = counter;
  } else {
    seen_ |= uint64_t{1} << (highest_ - counter);
  }
}

Drop Authenticate(std::span<const uint8_t> bytes, const UdpKey& key, ReplayWindow& window) {
  if (bytes.size() < kOverheadBytes) return Drop::BadLength;
  const size_t body = bytes.size() - kTagBytes;
  std::array<uint8_t, kTagBytes> tag{};
  KeyedTag(key, bytes.first(body), tag);
  if (sodium_memcmp(tag.data(), bytes.data() + body, kTagBytes) != 0) return Drop::BadTag;
  const uint32_t counter = static_cast<uint32_t>(Get(bytes, 6, 4));
  const Drop d = window.check(counter);
  if (d == Drop::None) window.accept(counter);
  return d;
}

}  // namespace vt::lobby::relay
