// The control protocol's codec: the framing table (lengths 0, 3, 65537, a frame cut short, each
// type below its minimum, unknown requests and events), the byte layout of fields, round trips
// of messages with nested lists, and the login's signed bytes.
#include "lobby/control_codec.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt::lobby::wire {
namespace {

std::vector<uint8_t> RawFrame(uint32_t length, uint16_t type, uint16_t flags, uint32_t id,
                              std::vector<uint8_t> payload = {}) {
  std::vector<uint8_t> out;
  Writer w(out);
  w(length, type, flags, id);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(ControlCodec, FramingTable) {
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    FrameStatus status;
  };
  const Row rows[] = {
      {"empty buffer", {}, FrameStatus::Incomplete},
      {"length field cut", {8, 0, 0}, FrameStatus::Incomplete},
      {"length 0", RawFrame(0, 0, 0, 0), FrameStatus::TooShort},
      {"length 3", RawFrame(3, 0, 0, 0), FrameStatus::TooShort},
      {"length 7", RawFrame(7, 0, 0, 0), FrameStatus::TooShort},
      {"length 65537", RawFrame(65537, 100, 0, 1), FrameStatus::TooLong},
      {"length 65537 judged before the rest arrives", {0x01, 0x00, 0x01, 0x00}, FrameStatus::TooLong},
      {"header only", RawFrame(8, 8, 0, 1), FrameStatus::Complete},
      {"cut mid-frame", RawFrame(20, 100, 0, 1, {1, 2, 3}), FrameStatus::Incomplete},
      {"length 65536 whole", RawFrame(65536, 150, 0, 1, std::vector<uint8_t>(65528)), FrameStatus::Complete},
  };
  for (const Row& row : rows) {
    FrameHeader h;
    EXPECT_EQ(PeekFrame(row.bytes, h), row.status) << row.name;
  }
}

TEST(ControlCodec, HeaderAndFieldsAreLittleEndian) {
  std::vector<uint8_t> out;
  BoardFind find;
  find.name = "TEST";
  ASSERT_TRUE(AppendMessage(out, find, 0x01020304));
  const std::vector<uint8_t> expected = {14, 0, 0, 0, 130, 0, 0, 0, 4, 3, 2, 1, 4, 0, 'T', 'E', 'S', 'T'};
  EXPECT_EQ(out, expected);
  FrameHeader h;
  ASSERT_EQ(PeekFrame(out, h), FrameStatus::Complete);
  EXPECT_EQ(h.type, static_cast<uint16_t>(MsgType::BoardFind));
  EXPECT_EQ(h.requestId, 0x01020304u);
}

TEST(ControlCodec, EveryRequestBelowItsMinimumIsMalformed) {
  // One byte short of each type's minimum is malformed; the minimum itself decodes; a longer tail
  // is ignored.
  auto check = [](auto probe, const char* name) {
    using M = decltype(probe);
    const size_t min = MinimumSize<M>();
    FrameHeader h;
    h.type = static_cast<uint16_t>(M::kType);
    if (min > 0) {
      EXPECT_EQ(CheckServiceBound(h, std::vector<uint8_t>(min - 1)), DecodeStatus::Malformed) << name;
    }
    EXPECT_EQ(CheckServiceBound(h, std::vector<uint8_t>(min)), DecodeStatus::Ok) << name;
    EXPECT_EQ(CheckServiceBound(h, std::vector<uint8_t>(min + 7)), DecodeStatus::Ok) << name;
  };
  Hello hello;  // its zero bytes are not a valid hello, but they are a well-formed one
  check(hello, "Hello");
  check(Login{}, "Login");
  check(LobbyCreate{}, "LobbyCreate");
  check(LobbyJoin{}, "LobbyJoin");
  check(LobbySetData{}, "LobbySetData");
  check(LobbySearch{}, "LobbySearch");
  check(SendPacket{}, "SendPacket");
  check(TicketBegin{}, "TicketBegin");
  check(BoardUpload{}, "BoardUpload");
  check(BoardDownload{}, "BoardDownload");
  check(StatsStore{}, "StatsStore");
  check(FileWrite{}, "FileWrite");
  check(FileRead{}, "FileRead");
  check(UgcDownload{}, "UgcDownload");
  check(Invite{}, "Invite");
  EXPECT_EQ(MinimumSize<Login>(), 32u + 2 + 2 + 2 + 2 + 64);
  EXPECT_EQ(MinimumSize<SendPacket>(), 8u + 1 + 2);
}

TEST(ControlCodec, UnknownTypesAndCutFields) {
  struct Row {
    const char* name;
    uint16_t type;
    uint16_t flags;
    std::vector<uint8_t> payload;
    DecodeStatus service;
    DecodeStatus client;
  };
  const Row rows[] = {
      {"unknown request", 999, 0, {}, DecodeStatus::Unsupported, DecodeStatus::Unsupported},
      {"unknown event", 999, kFlagEvent, {1, 2}, DecodeStatus::Ignored, DecodeStatus::Ignored},
      {"a service message sent to the service",
       static_cast<uint16_t>(MsgType::LoginOk),
       0,
       {},
       DecodeStatus::Unsupported,
       DecodeStatus::Malformed},
      {"string longer than the payload",
       static_cast<uint16_t>(MsgType::BoardFind),
       0,
       {9, 0, 'A'},
       DecodeStatus::Malformed,
       DecodeStatus::Unsupported},
      {"list count beyond the payload",
       static_cast<uint16_t>(MsgType::StatsStore),
       0,
       {0xFF, 0xFF, 0, 0},
       DecodeStatus::Malformed,
       DecodeStatus::Unsupported},
      {"bool other than 0 or 1",
       static_cast<uint16_t>(MsgType::Invite),
       kFlagResponse,
       {2},
       DecodeStatus::Malformed,
       DecodeStatus::Malformed},
  };
  for (const Row& row : rows) {
    FrameHeader h;
    h.type = row.type;
    h.flags = row.flags;
    EXPECT_EQ(CheckServiceBound(h, row.payload), row.service) << row.name;
    EXPECT_EQ(CheckClientBound(h, row.payload), row.client) << row.name;
  }
}

template <class M>
M RoundTrip(const M& m) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(AppendFrame(out, MsgType::Ping, 0, 0, m));
  FrameHeader h;
  EXPECT_EQ(PeekFrame(out, h), FrameStatus::Complete);
  std::optional<M> back = DecodePayload<M>(std::span(out).subspan(kHeaderBytes));
  EXPECT_TRUE(back.has_value());
  return back.value_or(M{});
}

TEST(ControlCodec, NestedMessagesRoundTrip) {
  LobbySearch search;
  search.query.distance = Distance::Close;
  search.query.filters = {{"PLAYER_PSR", FilterKind::Near, kEqual, "", -1234567890123},
                          {"HOST_NAME", FilterKind::String, kNotEqual, "\x82\xa0name", 0}};
  search.query.cap = 50;
  const LobbySearch s2 = RoundTrip(search);
  ASSERT_EQ(s2.query.filters.size(), 2u);
  EXPECT_EQ(s2.query.distance, Distance::Close);
  EXPECT_EQ(s2.query.filters[0].number, -1234567890123);
  EXPECT_EQ(s2.query.filters[1].text, "\x82\xa0name");
  EXPECT_EQ(s2.query.filters[1].cmp, kNotEqual);

  BoardDownload::Reply dl;
  dl.success = true;
  dl.total = 40;
  dl.entries = {{0x0100000000000001, 1, -5, {1, -2, 3}, 7, "A"}, {0x0100000000000002, 2, -6, {}, 0, ""}};
  const BoardDownload::Reply dl2 = RoundTrip(dl);
  ASSERT_EQ(dl2.entries.size(), 2u);
  EXPECT_EQ(dl2.entries[0].details, (std::vector<int32_t>{1, -2, 3}));
  EXPECT_EQ(dl2.entries[0].score, -5);
  EXPECT_EQ(dl2.entries[1].user, 0x0100000000000002u);

  LobbyJoin::Reply join;
  join.response = JoinResponse::Full;
  join.data = {{"k", "v"}, {"x", ""}};
  join.members = {1, 2, 3};
  const LobbyJoin::Reply j2 = RoundTrip(join);
  EXPECT_EQ(j2.response, JoinResponse::Full);
  EXPECT_EQ(j2.data, join.data);
  EXPECT_EQ(j2.members, join.members);
}

TEST(ControlCodec, OverlongFieldsAreNotEncoded) {
  std::vector<uint8_t> out = {0xAA};
  FileWrite w;
  w.chunk.assign(70000, 1);  // over a u16 prefix
  EXPECT_FALSE(AppendMessage(out, w, 1));
  w.chunk.assign(65530, 1);  // fits its prefix, but not a 64 KiB frame
  EXPECT_FALSE(AppendMessage(out, w, 1));
  EXPECT_EQ(out, std::vector<uint8_t>{0xAA}) << "nothing appended";
  w.chunk.assign(kMaxChunkBytes, 1);
  EXPECT_TRUE(AppendMessage(out, w, 1));
}

TEST(ControlCodec, LoginSignatureCoversNonceAndEveryField) {
  Seed seed{};
  seed[0] = 7;
  std::array<uint8_t, kNonceBytes> nonce{};
  nonce[5] = 9;
  Login login;
  login.publicKey = PublicKeyOf(seed);
  login.personaName = "Alice";
  login.country = "JP";
  login.region = "JP";
  login.friends = {0x0100000000000005};
  SignLogin(login, seed, nonce);
  EXPECT_TRUE(VerifyLogin(RoundTrip(login), nonce));

  const std::vector<uint8_t> signedBytes = LoginSignedBytes(nonce, login);
  const std::string_view context = "vantorel-login-1";
  ASSERT_GT(signedBytes.size(), context.size() + kNonceBytes + kPublicKeyBytes);
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(signedBytes.data()), context.size()), context);
  EXPECT_EQ(signedBytes[context.size() + 5], 9);

  auto changed = [&](auto edit) {
    Login l = login;
    std::array<uint8_t, kNonceBytes> n = nonce;
    edit(l, n);
    return VerifyLogin(l, n);
  };
  EXPECT_FALSE(changed([](Login&, auto& n) { n[0] ^= 1; })) << "an old nonce";
  EXPECT_FALSE(changed([](Login& l, auto&) { l.personaName = "Mallory"; }));
  EXPECT_FALSE(changed([](Login& l, auto&) { l.country = "US"; }));
  EXPECT_FALSE(changed([](Login& l, auto&) { l.friends.push_back(1); }));
  EXPECT_FALSE(changed([](Login& l, auto&) { l.publicKey[3] ^= 1; }));
  EXPECT_FALSE(changed([](Login& l, auto&) { l.signature = {}; })) << "no signature";
}

}  // namespace
}  // namespace vt::lobby::wire
