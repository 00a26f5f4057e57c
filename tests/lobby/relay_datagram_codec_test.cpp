// Relay datagrams: the layout, the table of drops (wrong tag, replayed counter, below the window,
// unknown session, wrong version, oversize, empty data) and the replay window's edges.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "lobby/relay_datagram.h"

namespace vt::lobby::relay {
namespace {

UdpKey KeyOf(uint8_t b) {
  UdpKey k{};
  k.fill(b);
  return k;
}

std::vector<uint8_t> Make(uint32_t session, uint32_t counter, const UdpKey& key, size_t payload = 8,
                          Kind kind = Kind::Data) {
  std::vector<uint8_t> bytes(kMaxDatagramBytes + 16);
  std::vector<uint8_t> body(payload, 0x5A);
  Datagram d{kind, 2, session, counter, 0x0100000000000009, body};
  const size_t n = Encode(d, key, bytes);
  bytes.resize(n);
  return bytes;
}

TEST(RelayDatagram, LayoutAndOverhead) {
  const std::vector<uint8_t> bytes = Make(0x11223344, 5, KeyOf(1), 1200);
  ASSERT_EQ(bytes.size(), 1230u);
  EXPECT_EQ(bytes[0], 0x10);  // version 1, kind Data
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 0x44);
  EXPECT_EQ(bytes[6], 5);
  EXPECT_EQ(bytes[10], 9);
  EXPECT_EQ(bytes[17], 0x01);
  Datagram d;
  ASSERT_EQ(ParseHeader(bytes, d), Drop::None);
  EXPECT_EQ(d.session, 0x11223344u);
  EXPECT_EQ(d.counter, 5u);
  EXPECT_EQ(d.peer, 0x0100000000000009u);
  EXPECT_EQ(d.payload.size(), 1200u);
  EXPECT_EQ(Make(1, 1, KeyOf(1), 1201).size(), 0u) << "oversize payload is not encoded";
  EXPECT_EQ(Make(1, 1, KeyOf(1), 0).size(), 0u) << "empty data is not encoded";
  EXPECT_EQ(Make(1, 1, KeyOf(1), 0, Kind::Register).size(), kOverheadBytes);
}

// A receiver with one known session (7, key 1), as the relay and a client hold them.
struct Receiver {
  std::map<uint32_t, std::pair<UdpKey, ReplayWindow>> sessions = {{7, {KeyOf(1), {}}}};
  std::map<Drop, int> drops;
  Drop receive(std::span<const uint8_t> bytes) {
    Datagram d;
    Drop r = ParseHeader(bytes, d);
    if (r == Drop::None) {
      auto it = sessions.find(d.session);
      r = it == sessions.end() ? Drop::UnknownSession
                               : Authenticate(bytes, it->second.first, it->second.second);
    }
    if (r != Drop::None) ++drops[r];
    return r;
  }
};

TEST(RelayDatagram, DropTable) {
  std::vector<uint8_t> wrongVersion = Make(7, 50, KeyOf(1));
  wrongVersion[0] = 0x20;
  std::vector<uint8_t> unknownKind = Make(7, 51, KeyOf(1));
  unknownKind[0] = 0x13;
  std::vector<uint8_t> oversize = Make(7, 52, KeyOf(1), 1200);
  oversize.push_back(0);
  std::vector<uint8_t> flipped = Make(7, 53, KeyOf(1));
  flipped[20] ^= 1;
  std::vector<uint8_t> emptyData = Make(7, 54, KeyOf(1), 0, Kind::Register);
  emptyData[0] = 0x10;
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    Drop expected;
  };
  const Row rows[] = {
      {"first datagram", Make(7, 100, KeyOf(1)), Drop::None},
      {"replayed counter", Make(7, 100, KeyOf(1)), Drop::Replayed},
      {"older inside the window", Make(7, 37, KeyOf(1)), Drop::None},
      {"the same older again", Make(7, 37, KeyOf(1)), Drop::Replayed},
      {"at the window's far edge", Make(7, 36, KeyOf(1)), Drop::BelowWindow},
      {"counter 0", Make(7, 0, KeyOf(1)), Drop::BelowWindow},
      {"wrong tag (another key)", Make(7, 101, KeyOf(2)), Drop::BadTag},
      {"a changed payload byte", flipped, Drop::BadTag},
      {"unknown session", Make(8, 102, KeyOf(1)), Drop::UnknownSession},
      {"wrong version", wrongVersion, Drop::BadVersion},
      {"unknown kind", unknownKind, Drop::BadVersion},
      {"oversize", oversize, Drop::BadLength},
      {"shorter than the overhead", std::vector<uint8_t>(29, 0x10), Drop::BadLength},
      {"data without payload", emptyData, Drop::BadLength},
      {"the forged one did not move the window", Make(7, 101, KeyOf(1)), Drop::None},
  };
  Receiver r;
  for (const Row& row : rows) EXPECT_EQ(r.receive(row.bytes), row.expected) << row.name;
  EXPECT_EQ(r.drops[Drop::Replayed], 2);
  EXPECT_EQ(r.drops[Drop::BadTag], 2);
  EXPECT_EQ(r.drops[Drop::BadLength], 3);
}

TEST(RelayDatagram, WindowAcrossLargeJumps) {
  ReplayWindow w;
  w.accept(1);
  w.accept(1000);
  EXPECT_EQ(w.check(1), Drop::BelowWindow);
  EXPECT_EQ(w.check(999), Drop::None);
  EXPECT_EQ(w.check(937), Drop::None);
  EXPECT_EQ(w.check(936), Drop::BelowWindow);
  w.accept(0xFFFFFFFF);
  EXPECT_EQ(w.check(0xFFFFFFFF), Drop::Replayed);
  EXPECT_EQ(w.check(0xFFFFFFFE), Drop::None);
  EXPECT_EQ(w.highest(), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vt::lobby::relay
