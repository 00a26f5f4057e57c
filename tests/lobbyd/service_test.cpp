// The service over real sockets on 127.0.0.1 with ephemeral ports: the login table, the framing
// table against the live service while another client is served, the datagram table, fallback
// packets, PeerUnreachable, the relay's budgets, keep-alive, lobbies with their events, and files
// written in chunks.
#include "lobbyd/service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "lobby/auth.h"
#include "lobbyd/raw_client.h"

namespace vt::lobbyd {
namespace {

using testing::Frame;
using testing::RawClient;
using testing::SeedOf;
namespace wire = lobby::wire;
namespace relay = lobby::relay;

ServiceOptions LocalOptions() {
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  o.db = ":memory:";
  o.testMode = true;
  return o;
}

struct Running {
  explicit Running(ServiceOptions o = LocalOptions()) : service(std::move(o)) {
    std::string error;
    EXPECT_TRUE(service.start(&error)) << error;
  }
  uint16_t port() const { return service.tcpPort(); }
  Service service;
};

bool IsError(const std::optional<Frame>& f, wire::ErrorCode code) {
  return f && f->is(wire::MsgType::Error) && f->as<wire::Error>().code == code;
}

TEST(Service, LoginTable) {
  ServiceOptions o = LocalOptions();
  o.loginTimeoutMs = 400;
  Running svc(o);
  struct Row {
    const char* name;
    std::function<void(RawClient&)> act;  // after the hello
    bool loggedOn;
  };
  const Row rows[] = {
      {"signed login", [](RawClient& c) { c.send(c.makeLogin(SeedOf(1), "Alice")); }, true},
      {"no signature",
       [](RawClient& c) {
         wire::Login l = c.makeLogin(SeedOf(2), "Bob");
         l.signature = {};
         c.send(l);
       },
       false},
      {"signed with another key",
       [](RawClient& c) {
         wire::Login l = c.makeLogin(SeedOf(3), "Carol");
         l.publicKey = lobby::PublicKeyOf(SeedOf(4));
         c.send(l);
       },
       false},
      {"signed over an old nonce",
       [&](RawClient& c) {
         RawClient earlier(svc.port());
         ASSERT_TRUE(earlier.hello());
         c.send(earlier.makeLogin(SeedOf(5), "Dave"));
       },
       false},
      {"later than the login time-out",
       [](RawClient& c) {
         std::this_thread::sleep_for(std::chrono::milliseconds(600));
         c.send(c.makeLogin(SeedOf(6), "Eve"));
       },
       false},
      {"a name with a control character", [](RawClient& c) { c.send(c.makeLogin(SeedOf(7), "a\tb")); },
       false},
      {"a 32-byte name", [](RawClient& c) { c.send(c.makeLogin(SeedOf(8), std::string(32, 'n'))); }, false},
      {"a request before the login", [](RawClient& c) { c.send(wire::LobbyCreate{4}, 1); }, false},
  };
  for (const Row& row : rows) {
    RawClient c(svc.port());
    ASSERT_TRUE(c.hello()) << row.name;
    row.act(c);
    std::optional<Frame> f = c.next();
    EXPECT_EQ(f && f->is(wire::MsgType::LoginOk), row.loggedOn) << row.name;
    if (!row.loggedOn) EXPECT_TRUE(c.closedWithin()) << row.name << ": the connection is closed";
  }

  // Another major version is refused with the reason.
  RawClient old(svc.port());
  EXPECT_FALSE(old.hello(2));
  ASSERT_TRUE(old.last && old.last->is(wire::MsgType::Refused));
  EXPECT_EQ(old.last->as<wire::Refused>().reason, wire::RefuseReason::VersionMismatch);
  EXPECT_TRUE(old.closedWithin());

  // Silence after the hello: closed at the login time-out.
  RawClient silent(svc.port());
  ASSERT_TRUE(silent.hello());
  EXPECT_TRUE(silent.closedWithin(2000));
}

TEST(Service, SecondLoginReplacesTheFirst) {
  Running svc;
  RawClient first(svc.port());
  const auto a = first.login(SeedOf(1), "Alice");
  ASSERT_TRUE(a);
  const auto created = first.call(wire::LobbyCreate{4});
  ASSERT_EQ(created.result, lobby::Result::Ok);
  RawClient second(svc.port());
  const auto b = second.login(SeedOf(1), "Alice2");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->user, a->user) << "the key is the user";
  EXPECT_NE(b->sessionId, a->sessionId);
  std::optional<Frame> kicked = first.waitFor(wire::MsgType::Kicked);
  ASSERT_TRUE(kicked);
  EXPECT_EQ(kicked->as<wire::Kicked>().reason, wire::KickReason::Replaced);
  EXPECT_TRUE(first.closedWithin());
  // The first connection's lobby went with it (its owner left, so it closed).
  EXPECT_EQ(second.call(wire::LobbyJoin{created.lobby}).response, lobby::JoinResponse::DoesNotExist);
}

TEST(Service, RegistrationClosedAdmitsOnlyKnownKeys) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lobbyd_reg_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ServiceOptions o = LocalOptions();
  o.db = (dir / "svc.db").string();
  lobby::UserId id = 0;
  {
    Running open(o);
    RawClient c(open.port());
    auto ok = c.login(SeedOf(1), "Alice");
    ASSERT_TRUE(ok);
    id = ok->user;
  }
  o.registrationOpen = false;
  Running closed(o);
  RawClient known(closed.port());
  auto again = known.login(SeedOf(1), "Alice");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->user, id) << "the same id across a restart";
  RawClient unknown(closed.port());
  EXPECT_FALSE(unknown.login(SeedOf(2), "Bob"));
  EXPECT_TRUE(IsError(unknown.last, wire::ErrorCode::LoginRefused));
  std::filesystem::remove_all(dir);
}

std::vector<uint8_t> RawFrame(uint32_t length, uint16_t type, std::vector<uint8_t> payload = {}) {
  std::vector<uint8_t> out;
  wire::Writer w(out);
  w(length, type, uint16_t{0}, uint32_t{9});
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(Service, FramingTableWhileAnotherIsServed) {
  Running svc;
  RawClient other(svc.port());
  ASSERT_TRUE(other.login(SeedOf(9), "Other"));
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    std::optional<wire::ErrorCode> answer;  // nullopt: no answer
    bool closed;
  };
  const Row rows[] = {
      {"length 0", RawFrame(0, 0), wire::ErrorCode::Malformed, true},
      {"length 3", RawFrame(3, 0), wire::ErrorCode::Malformed, true},
      {"length 65537", RawFrame(65537, static_cast<uint16_t>(wire::MsgType::FileWrite)),
       wire::ErrorCode::Malformed, true},
      {"below the minimum", RawFrame(8 + 3, static_cast<uint16_t>(wire::MsgType::LobbyJoin), {1, 2, 3}),
       wire::ErrorCode::Malformed, true},
      {"a string past the end", RawFrame(8 + 3, static_cast<uint16_t>(wire::MsgType::BoardFind), {5, 0, 'A'}),
       wire::ErrorCode::Malformed, true},
      {"unknown request", RawFrame(8, 999), wire::ErrorCode::Unsupported, false},
      {"truncated mid-frame", RawFrame(8 + 8, static_cast<uint16_t>(wire::MsgType::LobbyJoin), {1, 2}),
       std::nullopt, false},
  };
  for (const Row& row : rows) {
    RawClient c(svc.port());
    ASSERT_TRUE(c.login(SeedOf(1), "Alice")) << row.name;
    c.sendRaw(row.bytes);
    std::optional<Frame> f = c.next(500);
    if (row.answer) {
      EXPECT_TRUE(IsError(f, *row.answer)) << row.name;
      if (f)
        EXPECT_EQ(f->header.requestId, row.bytes.size() >= 12 && row.closed ? f->header.requestId : 9u)
            << row.name;
    } else {
      EXPECT_FALSE(f) << row.name;
    }
    EXPECT_EQ(c.closedWithin(row.closed ? 2000 : 200), row.closed) << row.name;
    // The other client is served meanwhile.
    EXPECT_TRUE(other.call(wire::BoardFind{"TEST"}).found) << row.name;
  }
  // An unknown event is ignored; the connection goes on.
  RawClient c(svc.port());
  ASSERT_TRUE(c.login(SeedOf(1), "Alice"));
  std::vector<uint8_t> event;
  wire::Writer w(event);
  w(uint32_t{8 + 2}, uint16_t{999}, uint16_t{wire::kFlagEvent}, uint32_t{0}, uint16_t{7});
  c.sendRaw(event);
  EXPECT_TRUE(c.call(wire::BoardFind{"TEST"}).found);
  EXPECT_GE(svc.service.counters().malformedFrames, 5u);
}

// Two logged-on users with UDP registered.
struct Pair {
  explicit Pair(Running& svc) : a(svc.port()), b(svc.port()) {
    EXPECT_TRUE(a.login(SeedOf(1), "Alice"));
    EXPECT_TRUE(b.login(SeedOf(2), "Bob"));
    EXPECT_TRUE(a.registerUdp());
    EXPECT_TRUE(b.registerUdp());
  }
  RawClient a, b;
};

uint64_t Drops(Running& svc, relay::Drop d) {
  return svc.service.counters().udpDrops[static_cast<size_t>(d)];
}

TEST(Service, RelayedPacketsCarryTheTrueSender) {
  Running svc;
  Pair p(svc);
  p.a.sendUdp(p.a.datagram(relay::Kind::Data, p.b.ok.user, {1, 2, 3}, 2));
  auto got = p.b.receiveUdp();
  ASSERT_TRUE(got);
  EXPECT_EQ(got->first.peer, p.a.ok.user);
  EXPECT_EQ(got->first.channel, 2);
  EXPECT_EQ(got->second, (std::vector<uint8_t>{1, 2, 3}));
  // 1200 bytes pass whole.
  p.b.sendUdp(p.b.datagram(relay::Kind::Data, p.a.ok.user, std::vector<uint8_t>(1200, 7)));
  auto big = p.a.receiveUdp();
  ASSERT_TRUE(big);
  EXPECT_EQ(big->second.size(), 1200u);
}

TEST(Service, DatagramTable) {
  Running svc;
  Pair p(svc);
  const uint64_t bob = p.b.ok.user;
  auto valid = [&] { return p.a.datagram(relay::Kind::Data, bob, {42}); };
  std::vector<uint8_t> replay = valid();
  p.a.sendUdp(replay);
  ASSERT_TRUE(p.b.receiveUdp());
  std::vector<uint8_t> wrongTag = valid();
  wrongTag.back() ^= 1;
  std::vector<uint8_t> wrongVersion = valid();
  wrongVersion[0] = 0x20;
  std::vector<uint8_t> unknownSession = valid();
  unknownSession[2] ^= 0x55;
  std::vector<uint8_t> oversize(relay::kMaxDatagramBytes + 1, 0x10);
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    relay::Drop drop;
  };
  const Row rows[] = {
      {"wrong tag", wrongTag, relay::Drop::BadTag},
      {"replayed counter", replay, relay::Drop::Replayed},
      {"unknown session", unknownSession, relay::Drop::UnknownSession},
      {"wrong version", wrongVersion, relay::Drop::BadVersion},
      {"oversize", oversize, relay::Drop::BadLength},
  };
  for (const Row& row : rows) {
    const uint64_t before = Drops(svc, row.drop);
    p.a.sendUdp(row.bytes);
    EXPECT_FALSE(p.b.receiveUdp(150)) << row.name << ": never delivered";
    EXPECT_EQ(Drops(svc, row.drop), before + 1) << row.name << ": counted";
  }
  // Below the window: a counter 100 behind the highest.
  p.a.counter = 200;
  p.a.sendUdp(valid());
  ASSERT_TRUE(p.b.receiveUdp());
  p.a.counter = 100;
  const uint64_t below = Drops(svc, relay::Drop::BelowWindow);
  p.a.sendUdp(valid());
  EXPECT_FALSE(p.b.receiveUdp(150));
  EXPECT_EQ(Drops(svc, relay::Drop::BelowWindow), below + 1);
  p.a.counter = 300;

  // A move to another address: without a valid tag nothing changes; with one the endpoint moves
  // and answers go there.
  const int moved = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(moved, reinterpret_cast<sockaddr*>(&any), sizeof(any));
  std::vector<uint8_t> forged = valid();
  forged[forged.size() - 2] ^= 1;
  p.a.sendUdp(forged, moved);
  EXPECT_FALSE(p.b.receiveUdp(150));
  p.b.sendUdp(p.b.datagram(relay::Kind::Data, p.a.ok.user, {5}));
  EXPECT_TRUE(p.a.receiveUdp(1000)) << "still the old endpoint";
  EXPECT_EQ(svc.service.counters().endpointMoves, 0u);
  p.a.sendUdp(valid(), moved);
  EXPECT_TRUE(p.b.receiveUdp());
  EXPECT_EQ(svc.service.counters().endpointMoves, 1u);
  p.b.sendUdp(p.b.datagram(relay::Kind::Data, p.a.ok.user, {6}));
  auto there = p.a.receiveUdp(1000, moved);
  ASSERT_TRUE(there) << "answers go to the new endpoint";
  EXPECT_EQ(there->second, std::vector<uint8_t>{6});
  ::close(moved);
}

TEST(Service, FallbackOverTheControlConnection) {
  Running svc;
  RawClient a(svc.port()), b(svc.port());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(b.login(SeedOf(2), "Bob"));
  ASSERT_TRUE(a.registerUdp());
  // Bob has no UDP: Alice's datagram reaches him as a Packet event.
  a.sendUdp(a.datagram(relay::Kind::Data, b.ok.user, {9, 8}, 1));
  std::optional<Frame> f = b.waitFor(wire::MsgType::Packet);
  ASSERT_TRUE(f);
  const auto packet = f->as<wire::Packet>();
  EXPECT_EQ(packet.from, a.ok.user);
  EXPECT_EQ(packet.channel, 1);
  EXPECT_EQ(packet.payload, (std::vector<uint8_t>{9, 8}));
  // Bob's SendPacket reaches Alice over UDP, stamped with Bob's id.
  b.send(wire::SendPacket{a.ok.user, 0, {7}});
  auto got = a.receiveUdp();
  ASSERT_TRUE(got);
  EXPECT_EQ(got->first.peer, b.ok.user);
  // Nobody forges a sender: the service stamps it from the login whatever the client claims.
  EXPECT_EQ(svc.service.counters().tcpForwarded, 1u);
}

TEST(Service, PeerUnreachableAtMostOnceEveryTwoSeconds) {
  Running svc;
  RawClient a(svc.port());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  const uint64_t nobody = lobby::MakeId(lobby::IdKind::User, 12345);
  for (int i = 0; i < 5; ++i) a.send(wire::SendPacket{nobody, 0, {1}});
  std::optional<Frame> f = a.waitFor(wire::MsgType::PeerUnreachable);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->as<wire::PeerUnreachable>().user, nobody);
  EXPECT_FALSE(a.waitFor(wire::MsgType::PeerUnreachable, 500));
  EXPECT_EQ(svc.service.counters().unreachableSent, 1u);
}

TEST(Service, AFloodIsCutToItsBudgetWhileOthersGoOn) {
  Running svc;
  Pair p(svc);
  RawClient c(svc.port());
  ASSERT_TRUE(c.login(SeedOf(3), "Carol"));
  ASSERT_TRUE(c.registerUdp());
  // Ten times the per-pair budget in about 0.3 s, junk among it; Carol keeps sending to Bob.
  std::atomic<bool> sending{true};
  int fromAlice = 0, fromCarol = 0;
  std::thread bob([&] {
    auto quietSince = std::chrono::steady_clock::now();
    while (sending || std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(300)) {
      auto got = p.b.receiveUdp(50);
      if (!got) continue;
      quietSince = std::chrono::steady_clock::now();
      if (got->first.peer == c.ok.user) ++fromCarol;
      if (got->first.peer == p.a.ok.user) ++fromAlice;
    }
  });
  const auto start = std::chrono::steady_clock::now();
  for (int batch = 0; batch < 30; ++batch) {
    for (int i = 0; i < 100; ++i) p.a.sendUdp(p.a.datagram(relay::Kind::Data, p.b.ok.user, {1}));
    for (int i = 0; i < 7; ++i) p.a.sendUdp(std::vector<uint8_t>(40, static_cast<uint8_t>(batch * 7 + i)));
    c.sendUdp(c.datagram(relay::Kind::Data, p.b.ok.user, {0xCC}));
    // Malformed frames on fresh connections, and Carol's calls still answered promptly.
    RawClient junk(svc.port());
    junk.sendRaw(RawFrame(3, 0));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(c.call(wire::BoardFind{"TEST"}).found);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sending = false;
  bob.join();
  EXPECT_EQ(fromCarol, 30) << "a third user's packets all arrive";
  EXPECT_LE(fromAlice, 600 + static_cast<int>(300 * seconds) + 10) << "the pair's burst and its rate";
  EXPECT_GE(fromAlice, 600);
  const ServiceCounters k = svc.service.counters();
  EXPECT_EQ(k.rateLimited, 3000u - fromAlice);
  EXPECT_EQ(k.udpDrops[static_cast<size_t>(relay::Drop::UnknownSession)] +
                k.udpDrops[static_cast<size_t>(relay::Drop::BadVersion)] +
                k.udpDrops[static_cast<size_t>(relay::Drop::BadLength)],
            210u);
  EXPECT_EQ(k.malformedFrames, 30u);
}

TEST(Service, SilentConnectionsCloseAndPingingOnesStay) {
  ServiceOptions o = LocalOptions();
  o.idleTimeoutMs = 500;
  Running svc(o);
  RawClient silent(svc.port()), talking(svc.port());
  ASSERT_TRUE(silent.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(talking.login(SeedOf(2), "Bob"));
  for (int i = 0; i < 8; ++i) {
    talking.send(wire::Ping{}, 100 + i);
    ASSERT_TRUE(talking.waitFor(wire::MsgType::Pong, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  EXPECT_TRUE(silent.closedWithin(100));
  EXPECT_TRUE(talking.call(wire::BoardFind{"TEST"}).found);
}

TEST(Service, LobbiesWithTheirEvents) {
  Running svc;
  RawClient a(svc.port()), b(svc.port());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(b.login(SeedOf(2), "Bob"));
  const auto created = a.call(wire::LobbyCreate{4});
  ASSERT_EQ(created.result, lobby::Result::Ok);
  EXPECT_TRUE(a.call(wire::LobbySetData{created.lobby, "GAME_VERSION", "1"}).ok);
  EXPECT_FALSE(b.call(wire::LobbySetData{created.lobby, "GAME_VERSION", "2"}).ok) << "owner only";
  wire::LobbySearch search;
  search.query.filters = {{"GAME_VERSION", lobby::FilterKind::String, lobby::kEqual, "1", 0}};
  const auto found = b.call(search);
  ASSERT_EQ(found.lobbies.size(), 1u);
  EXPECT_EQ(found.lobbies[0].owner, a.ok.user);
  ASSERT_EQ(found.ownerNames.size(), 1u);
  EXPECT_EQ(found.ownerNames[0].second, "Alice");
  const auto joined = b.call(wire::LobbyJoin{created.lobby});
  EXPECT_EQ(joined.response, lobby::JoinResponse::Success);
  EXPECT_EQ(joined.members.size(), 2u);
  EXPECT_EQ(joined.data, (lobby::KeyValues{{"GAME_VERSION", "1"}}));
  auto members = a.waitFor(wire::MsgType::LobbyMembers);
  ASSERT_TRUE(members);
  EXPECT_EQ(members->as<wire::LobbyMembers>().members.size(), 2u);
  EXPECT_TRUE(a.call(wire::LobbySetData{created.lobby, "ROOM", "x"}).ok);
  // The joiner's first update carried the data at entry; the next one has the new key.
  std::optional<Frame> changed;
  do changed = b.waitFor(wire::MsgType::LobbyDataChanged);
  while (changed && changed->as<wire::LobbyDataChanged>().data.size() < 2);
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->as<wire::LobbyDataChanged>().data.back(),
            (std::pair<std::string, std::string>{"ROOM", "x"}));
  // The owner's connection ends: the lobby closes for the member who stays.
  a.sendRaw(RawFrame(0, 0));
  auto closed = b.waitFor(wire::MsgType::LobbyClosed);
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->as<wire::LobbyClosed>().lobby, created.lobby);
}

TEST(Service, FilesArriveWholeOrNotAtAll) {
  Running svc;
  RawClient a(svc.port());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  const std::vector<uint8_t> first(100000, 0x11);
  auto write = [&](RawClient& c, const std::vector<uint8_t>& bytes, size_t stopAfter) {
    bool ok = true;
    for (size_t off = 0, n = 0; off < bytes.size() && n < stopAfter; off += wire::kMaxChunkBytes, ++n) {
      const size_t len = std::min(wire::kMaxChunkBytes, bytes.size() - off);
      ok = c.call(wire::FileWrite{"bb.rep", static_cast<uint32_t>(off), static_cast<uint32_t>(bytes.size()),
                                  std::vector<uint8_t>(bytes.begin() + off, bytes.begin() + off + len)})
               .ok;
    }
    return ok;
  };
  ASSERT_TRUE(write(a, first, 99));
  EXPECT_EQ(a.call(wire::FileStat{"bb.rep"}).size, 100000u);
  // A second write cut after its first chunk leaves the old content.
  write(a, std::vector<uint8_t>(100000, 0x22), 1);
  auto read = a.call(wire::FileRead{"bb.rep", 0, 65536});
  ASSERT_TRUE(read.found);
  EXPECT_EQ(read.total, 100000u);
  EXPECT_EQ(read.chunk.size(), wire::kMaxChunkBytes);
  EXPECT_EQ(read.chunk[0], 0x11);
  // A chunk out of order drops the write too.
  EXPECT_FALSE(a.call(wire::FileWrite{"bb.rep", 5, 10, {1}}).ok);
  EXPECT_EQ(a.call(wire::FileRead{"bb.rep", 99999, 10}).chunk, std::vector<uint8_t>{0x11});
}

}  // namespace
}  // namespace vt::lobbyd

namespace vt::lobbyd {
namespace {

std::vector<uint8_t> TicketBytes(lobby::UserId user, uint8_t idByte, uint32_t issued) {
  lobby::TicketId id{};
  id.fill(idByte);
  const auto bytes = lobby::EncodeTicket(lobby::Ticket{lobby::kAppId, user, id, issued});
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

lobby::TicketResponse NextVerdict(RawClient& c, int timeoutMs = 3000) {
  std::optional<Frame> f = c.waitFor(wire::MsgType::TicketVerdictEvent, timeoutMs);
  EXPECT_TRUE(f);
  return f ? f->as<wire::TicketVerdictEvent>().response : lobby::TicketResponse::NoAnswer;
}

TEST(Service, TicketVerdictsAlwaysCome) {
  Running svc;
  RawClient a(svc.port()), b(svc.port());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(b.login(SeedOf(2), "Bob"));
  const uint32_t now = a.ok.serverTime;
  const lobby::UserId alice = a.ok.user;

  // Registered first, then begun: 0 at once and an Ok verdict.
  wire::TicketIssue issue;
  issue.ticketId.fill(1);
  const auto issued = a.call(issue);
  ASSERT_NE(issued.handle, 0u);
  EXPECT_EQ(b.call(wire::TicketBegin{TicketBytes(alice, 1, now), alice}).result,
            lobby::BeginSessionResult::Ok);
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::Ok);
  b.call(wire::TicketEnd{alice});

  // Begun before its registration: the verdict waits for it.
  EXPECT_EQ(b.call(wire::TicketBegin{TicketBytes(alice, 2, now), alice}).result,
            lobby::BeginSessionResult::Ok);
  EXPECT_FALSE(b.waitFor(wire::MsgType::TicketVerdictEvent, 300));
  issue.ticketId.fill(2);
  ASSERT_NE(a.call(issue).handle, 0u);
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::Ok);
  b.call(wire::TicketEnd{alice});

  // Never registered: "unknown" once the 2 s are over, not silence.
  EXPECT_EQ(b.call(wire::TicketBegin{TicketBytes(alice, 3, now), alice}).result,
            lobby::BeginSessionResult::Ok);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(NextVerdict(b, 4000), lobby::TicketResponse::NoLicenseOrWrongUser);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  b.call(wire::TicketEnd{alice});

  // Cancelled by the id its owner chose; then the owner's connection ends.
  EXPECT_EQ(b.call(wire::TicketBegin{TicketBytes(alice, 1, now), alice}).result,
            lobby::BeginSessionResult::Ok);
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::Ok);
  wire::TicketCancel cancel;
  cancel.ticketId.fill(1);
  a.call(cancel);
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::TicketCanceled);
  b.call(wire::TicketEnd{alice});
  EXPECT_EQ(b.call(wire::TicketBegin{TicketBytes(alice, 2, now), alice}).result,
            lobby::BeginSessionResult::Ok);
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::Ok);
  a.sendRaw(RawFrame(0, 0));
  EXPECT_EQ(NextVerdict(b), lobby::TicketResponse::UserNotConnected);
}

}  // namespace
}  // namespace vt::lobbyd
