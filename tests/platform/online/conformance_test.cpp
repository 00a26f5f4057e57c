// OnlineConformance: what every backend of online::Platform must do, row by row, run over each
// backend's World. Waits use runUntil with generous bounds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "lobby/boards.h"
#include "platform/online/world.h"

namespace vt::online::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct Backend {
  const char* name;
  WorldFactory make;
};

class OnlineConformance : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { world = GetParam().make(); }

  template <class Event>
  bool Wait(const CallResult<Event>& r, int frames = 120) {
    return world->runUntil([&] { return !r.pending(); }, frames);
  }
  LobbyId Create(Platform& p, int maxMembers = 4) {
    LobbyId id = 0;
    CallResult<LobbyCreated> r([&](const LobbyCreated& e) {
      if (e.result == Result::Ok) id = e.lobby;
    });
    EXPECT_NE(p.lobbies().create(maxMembers, r), 0u);
    EXPECT_TRUE(Wait(r));
    return id;
  }
  Result CreateResult(Platform& p) {
    Result result = Result::Fail;
    CallResult<LobbyCreated> r([&](const LobbyCreated& e) { result = e.result; });
    EXPECT_NE(p.lobbies().create(4, r), 0u);
    EXPECT_TRUE(Wait(r));
    return result;
  }
  JoinResponse Join(Platform& p, LobbyId lobby) {
    JoinResponse response = JoinResponse::Error;
    CallResult<LobbyEntered> r([&](const LobbyEntered& e) { response = e.response; });
    EXPECT_NE(p.lobbies().join(lobby, r), 0u);
    EXPECT_TRUE(Wait(r));
    return response;
  }
  std::vector<LobbySnapshot> Search(Platform& p, const LobbyQuery& q) {
    std::vector<LobbySnapshot> found;
    CallResult<LobbyMatchList> r([&](const LobbyMatchList& e) { found = e.lobbies; });
    EXPECT_NE(p.lobbies().search(q, r), 0u);
    EXPECT_TRUE(Wait(r));
    return found;
  }
  bool Send(Platform& from, Platform& to, const Bytes& bytes, int channel = 0) {
    return from.peers().send(to.identity().selfId(), bytes, channel);
  }

  // How a call ended, for the bounds table; the outcome keeps its CallResult alive.
  struct Outcome {
    bool ended = false;
    bool timedOut = false;  // false also for events without a result code
    std::shared_ptr<void> keep;
  };
  template <class Event>
  static CallResult<Event>& Track(Outcome& o, std::function<bool(const Event&)> isTimeout) {
    auto r = std::make_shared<CallResult<Event>>([&o, isTimeout](const Event& e) {
      o.ended = true;
      o.timedOut = isTimeout(e);
    });
    o.keep = r;
    return *r;
  }

  std::unique_ptr<World> world;
};

// C1 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C1_ResultsComeOnlyInLaterDrainsAndUnmadeCallsQueueNothing) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  int delivered = 0;
  CallResult<LobbyCreated> r([&](const LobbyCreated&) {
    ++delivered;
    EXPECT_EQ(r.handle(), 0u);
  });
  ASSERT_NE(a.lobbies().create(4, r), 0u);
  a.runCallbacks();
  a.runVerifierCallbacks();
  EXPECT_EQ(delivered, 0);  // never in the frame of the call
  ASSERT_TRUE(Wait(r));
  EXPECT_EQ(delivered, 1);
  // Unmade calls: a bad argument gives handle 0 and nothing, ever.
  CallResult<LobbyCreated> bad([&](const LobbyCreated&) { ++delivered; });
  EXPECT_EQ(a.lobbies().create(0, bad), 0u);
  EXPECT_EQ(a.lobbies().create(17, bad), 0u);
  EXPECT_FALSE(bad.pending());
  world->steps(10);
  EXPECT_EQ(delivered, 1);
}

TEST_P(OnlineConformance, C1_AnAbandonedCreateOrJoinThatSucceedsLeavesItsLobby) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  // Four abandoned creations must not fill the four-lobby limit nor show in searches.
  for (int i = 0; i < 4; ++i) {
    CallResult<LobbyCreated> r([](const LobbyCreated&) { FAIL() << "a cancelled result fired"; });
    ASSERT_NE(a.lobbies().create(4, r), 0u);
    r.cancel();
    world->steps(10);
  }
  EXPECT_TRUE(Search(b, {}).empty());
  const LobbyId lobby = Create(a);
  ASSERT_NE(lobby, 0u);
  {
    CallResult<LobbyEntered> r([](const LobbyEntered&) { FAIL() << "a destroyed result fired"; });
    ASSERT_NE(b.lobbies().join(lobby, r), 0u);
  }
  world->steps(10);
  ASSERT_EQ(Search(b, {}).size(), 1u);
  EXPECT_EQ(Search(b, {})[0].memberCount, 1);  // B left the lobby it never heard of
}

// C2 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C2_Identity) {
  Platform& a = world->addUser({.name = "Same", .country = "JP"});
  Platform& b = world->addUser({.name = "Same", .country = "FR"});
  EXPECT_TRUE(a.identity().loggedOn());
  EXPECT_TRUE(a.utils().networkAlive());
  EXPECT_TRUE(lobby::isValid(a.identity().selfId(), lobby::IdKind::User));
  EXPECT_NE(a.identity().selfId(), b.identity().selfId());
  EXPECT_LT(a.identity().selfId(), uint64_t{1} << 63);
  EXPECT_EQ(a.identity().personaName(), "Same");
  EXPECT_EQ(b.utils().ipCountry(), "FR");
  EXPECT_EQ(a.utils().appId(), 1u);
  world->setServerTime(1800000000);
  EXPECT_EQ(a.utils().serverTime(), 1800000000u);
  world->steps(120);
  EXPECT_EQ(a.utils().serverTime(), 1800000002u);
  // A name is learnt from a download.
  EXPECT_EQ(a.identity().personaNameOf(b.identity().selfId()), "");
  const BoardHandle board = lobby::FindBoard("RANK_MATCH_POINT");
  CallResult<ScoreUploaded> up([](const ScoreUploaded&) {});
  ASSERT_NE(b.boards().upload(board, UploadMethod::ForceUpdate, 5, {}, up), 0u);
  ASSERT_TRUE(Wait(up));
  CallResult<ScoresDownloaded> down([](const ScoresDownloaded&) {});
  ASSERT_NE(a.boards().download(board, DownloadKind::Global, 1, 10, down), 0u);
  ASSERT_TRUE(Wait(down));
  EXPECT_EQ(a.identity().personaNameOf(b.identity().selfId()), "Same");
}

// C3, C4 ---------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C3_LobbyLife) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& c = world->addUser({.name = "Carol", .country = "JP"});
  const LobbyId lobby = Create(a, 2);
  ASSERT_TRUE(lobby::isValid(lobby, lobby::IdKind::Lobby));
  EXPECT_EQ(a.lobbies().owner(lobby), a.identity().selfId());
  EXPECT_EQ(Join(b, lobby), JoinResponse::Success);
  EXPECT_EQ(Join(b, lobby), JoinResponse::Success);
  EXPECT_EQ(b.lobbies().memberCount(lobby), 2);
  EXPECT_EQ(Join(c, lobby), JoinResponse::Full);
  EXPECT_EQ(Join(c, lobby::MakeId(lobby::IdKind::Lobby, 999999)), JoinResponse::DoesNotExist);
  a.lobbies().leave(lobby);
  // Closed: the guest stays, without an owner (a networked guest hears of it a little later).
  EXPECT_TRUE(world->runUntil([&] { return b.lobbies().owner(lobby) == 0; }, 60));
  EXPECT_EQ(Join(c, lobby), JoinResponse::DoesNotExist);
  b.lobbies().leave(lobby);
  EXPECT_EQ(b.lobbies().memberCount(lobby), 0);
  for (int i = 0; i < 4; ++i) ASSERT_NE(Create(c), 0u);
  EXPECT_EQ(CreateResult(c), Result::LimitExceeded);
}

TEST_P(OnlineConformance, C4_LobbyDataUpdates) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& c = world->addUser({.name = "Carol", .country = "JP"});
  std::vector<std::pair<UserId, UserId>> seenB, seenC;  // (lobby, member)
  auto subB =
      b.subscribe<LobbyDataUpdate>([&](const LobbyDataUpdate& u) { seenB.emplace_back(u.lobby, u.member); });
  auto subC =
      c.subscribe<LobbyDataUpdate>([&](const LobbyDataUpdate& u) { seenC.emplace_back(u.lobby, u.member); });
  const LobbyId lobby = Create(a);
  ASSERT_TRUE(a.lobbies().setData(lobby, "name", "room"));
  EXPECT_EQ(a.lobbies().data(lobby, "name"), "room");  // at once in the owner's mirror
  ASSERT_TRUE(a.lobbies().setMemberData(lobby, "hDCODE", "123"));
  ASSERT_EQ(Join(b, lobby), JoinResponse::Success);
  world->steps(5);
  // One update for the lobby data and one for the host's member data.
  EXPECT_EQ(seenB, (std::vector<std::pair<UserId, UserId>>{{lobby, lobby}, {lobby, a.identity().selfId()}}));
  EXPECT_EQ(b.lobbies().memberData(lobby, a.identity().selfId(), "hDCODE"), "123");
  ASSERT_EQ(Join(c, lobby), JoinResponse::Success);
  world->steps(5);
  seenB.clear();
  seenC.clear();
  EXPECT_FALSE(b.lobbies().setData(lobby, "name", "mine"));  // owner only
  EXPECT_TRUE(a.lobbies().setData(lobby, "name", "room"));   // same value: no update
  EXPECT_TRUE(a.lobbies().setData(lobby, "MATCH_TYPE", "1"));
  EXPECT_TRUE(c.lobbies().setMemberData(lobby, "hDCODE", "9"));
  world->steps(5);
  EXPECT_EQ(seenB, (std::vector<std::pair<UserId, UserId>>{{lobby, lobby}, {lobby, c.identity().selfId()}}));
  EXPECT_EQ(seenC, seenB);
  EXPECT_EQ(b.lobbies().dataCount(lobby), 2);
  std::string key, value;
  ASSERT_TRUE(b.lobbies().dataByIndex(lobby, 1, key, value));
  EXPECT_EQ(key + "=" + value, "MATCH_TYPE=1");
  EXPECT_EQ(b.lobbies().data(lobby, "absent"), "");
  EXPECT_FALSE(a.lobbies().setData(lobby, std::string(64, 'K'), "v"));
  EXPECT_FALSE(a.lobbies().setData(lobby, "K", std::string(64, 'v')));
  EXPECT_FALSE(a.lobbies().setData(lobby, "K", std::string("a\0b", 3)));
}

// C5 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C5_SearchSnapshotsAnswerForNonMembers) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& far = world->addUser({.name = "Far", .country = "US"});
  const LobbyId lobby = Create(a);
  ASSERT_TRUE(a.lobbies().setData(lobby, "PLAYER_PSR", "1500"));
  ASSERT_TRUE(a.lobbies().setData(lobby, "HOST_NAME", "Alice"));
  LobbyQuery q;
  q.distance = lobby::Distance::Close;
  q.filters = {{"PLAYER_PSR", lobby::FilterKind::Numeric, lobby::kGreaterEqual, {}, 1400},
               {"HOST_NAME", lobby::FilterKind::String, lobby::kNotEqual, "Bob", 0}};
  std::vector<LobbySnapshot> found = Search(b, q);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].owner, a.identity().selfId());
  EXPECT_EQ(b.lobbies().owner(lobby), a.identity().selfId());
  EXPECT_EQ(b.lobbies().data(lobby, "PLAYER_PSR"), "1500");
  EXPECT_EQ(b.lobbies().memberCount(lobby), 1);
  EXPECT_EQ(b.identity().personaNameOf(a.identity().selfId()), "Alice");
  EXPECT_TRUE(Search(far, q).empty());  // another region is not close
  q.distance = lobby::Distance::Far;
  EXPECT_EQ(Search(far, q).size(), 1u);
  q.filters.push_back({"HOST_NAME", lobby::FilterKind::String, lobby::kNotEqual, "Alice", 0});
  EXPECT_TRUE(Search(a, q).empty());  // one's own rooms are left out by name
  q.filters.assign(17, q.filters[0]);
  CallResult<LobbyMatchList> r([](const LobbyMatchList&) {});
  EXPECT_EQ(b.lobbies().search(q, r), 0u);  // 17 filters: not made
}

// C6 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C6_PacketsSessionsAndBounds) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  std::vector<UserId> requests;
  auto sub =
      b.subscribe<P2PSessionRequest>([&](const P2PSessionRequest& e) { requests.push_back(e.remote); });
  EXPECT_FALSE(Send(a, b, {}));
  EXPECT_FALSE(Send(a, b, Bytes(1201, 1)));
  EXPECT_FALSE(Send(a, a, Bytes(1, 1)));
  EXPECT_FALSE(Send(a, b, Bytes(1, 1), 4));
  ASSERT_TRUE(Send(a, b, Bytes(1, 1)));
  ASSERT_TRUE(Send(a, b, Bytes(1200, 2)));
  ASSERT_TRUE(Send(a, b, Bytes(3, 3), 2));
  ASSERT_TRUE(world->runUntil([&] { return !requests.empty(); }, 60));
  world->steps(3);
  EXPECT_EQ(requests, std::vector<UserId>{a.identity().selfId()});  // one request for the held packets
  EXPECT_EQ(b.peers().nextPacketSize(0), 0u);                       // held until accepted
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  std::array<uint8_t, 1200> buffer{};
  EXPECT_EQ(b.peers().nextPacketSize(0), 1u);
  PacketRead r = b.peers().read(0, buffer);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.from, a.identity().selfId());
  EXPECT_EQ(r.size, 1u);
  // A buffer too small: dropped whole, reported, never cut.
  r = b.peers().read(0, std::span<uint8_t>(buffer.data(), 1199));
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.oversize);
  EXPECT_EQ(r.size, 1200u);
  EXPECT_EQ(b.peers().nextPacketSize(0), 0u);
  EXPECT_EQ(b.peers().stats().droppedOversize, 1u);
  r = b.peers().read(2, buffer);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.size, 3u);
  // Sending accepts implicitly: A's answer needs no accept.
  ASSERT_TRUE(Send(b, a, Bytes(5, 5)));
  ASSERT_TRUE(world->runUntil([&] { return a.peers().nextPacketSize(0) == 5; }, 60));
}

TEST_P(OnlineConformance, C6_UnacceptedPacketsExpireAndAnOfflineTargetFails) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& c = world->addUser({.name = "Carol", .country = "JP"});
  int requests = 0;
  auto sub = b.subscribe<P2PSessionRequest>([&](const P2PSessionRequest&) { ++requests; });
  ASSERT_TRUE(Send(a, b, Bytes(4, 4)));
  world->steps(11 * 60);
  EXPECT_EQ(requests, 1);
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  EXPECT_EQ(b.peers().nextPacketSize(0), 0u);  // dropped after 10 s
  EXPECT_GE(b.peers().stats().droppedUnaccepted, 1u);
  std::vector<P2PSessionFail> fails;
  auto subFail = a.subscribe<P2PSessionFail>([&](const P2PSessionFail& e) { fails.push_back(e); });
  world->disconnect(c);
  ASSERT_TRUE(Send(a, c, Bytes(4, 4)));
  ASSERT_TRUE(world->runUntil([&] { return !fails.empty(); }, 60));
  EXPECT_EQ(fails[0].remote, c.identity().selfId());
  EXPECT_EQ(fails[0].error, SessionError::TargetOffline);
}

TEST_P(OnlineConformance, C6_AFloodingSenderDoesNotStarveTheOthers) {
  Platform& a = world->addUser({.name = "Flood", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& c = world->addUser({.name = "Carol", .country = "JP"});
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  ASSERT_TRUE(b.peers().acceptSession(c.identity().selfId()));
  int sent = 0;
  for (int i = 0; i < 10000; ++i) sent += Send(a, b, Bytes(100, 1)) ? 1 : 0;
  EXPECT_LT(sent, 10000);
  EXPECT_EQ(a.peers().stats().droppedRateLimited, static_cast<uint64_t>(10000 - sent));
  ASSERT_TRUE(Send(c, b, Bytes(7, 7)));
  bool fromC = false;
  std::array<uint8_t, 1200> buffer{};
  world->runUntil(
      [&] {
        while (b.peers().nextPacketSize(0) != 0)
          if (b.peers().read(0, buffer).from == c.identity().selfId()) fromC = true;
        return fromC;
      },
      60);
  EXPECT_TRUE(fromC);
}

// C7 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C7_TicketsAndVerdicts) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  std::vector<TicketVerdict> atA, atB;
  auto subA = a.subscribe<TicketVerdict>([&](const TicketVerdict& v) { atA.push_back(v); });
  auto subB = b.subscribe<TicketVerdict>([&](const TicketVerdict& v) { atB.push_back(v); });
  std::array<uint8_t, 1024> buffer{};
  const TicketIssued t = a.auth().getTicket(buffer);
  ASSERT_NE(t.handle, 0u);
  ASSERT_EQ(t.length, 36u);
  const std::span<const uint8_t> ticket(buffer.data(), t.length);
  const UserId idA = a.identity().selfId();
  EXPECT_EQ(a.auth().beginSession(ticket, idA), BeginSessionResult::Ok);  // self-check
  EXPECT_EQ(b.auth().beginSession(ticket, idA), BeginSessionResult::Ok);
  EXPECT_EQ(b.auth().beginSession(ticket, b.identity().selfId()), BeginSessionResult::InvalidTicket);
  EXPECT_EQ(b.auth().beginSession(ticket.first(35), idA), BeginSessionResult::InvalidTicket);
  EXPECT_EQ(b.auth().beginSession(ticket, idA), BeginSessionResult::DuplicateRequest);
  // Only the verifier queue carries verdicts.
  world->runUntil([&] { return !atA.empty() && !atB.empty(); }, 60);
  ASSERT_EQ(atA.size(), 1u);
  ASSERT_EQ(atB.size(), 1u);
  EXPECT_EQ(atB[0].user, idA);
  EXPECT_EQ(atB[0].response, TicketResponse::Ok);
  a.auth().cancelTicket(t.handle);
  world->runUntil([&] { return atB.size() == 2; }, 60);
  ASSERT_EQ(atB.size(), 2u);
  EXPECT_EQ(atB[1].user, idA);  // names the ticket's user, not the verifier
  EXPECT_EQ(atB[1].response, TicketResponse::TicketCanceled);
  EXPECT_TRUE(a.auth().secure());
}

// C8 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C8_BoardsThroughThePlatform) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  BoardHandle board = 0;
  CallResult<BoardFound> found([&](const BoardFound& e) {
    EXPECT_TRUE(e.found);
    board = e.board;
  });
  ASSERT_NE(a.boards().find("RANK_MATCH_POINT", found), 0u);
  ASSERT_TRUE(Wait(found));
  ASSERT_NE(board, 0u);
  const std::array<int32_t, 16> details{1, 2, 3};
  ScoreUploaded up;
  CallResult<ScoreUploaded> upload([&](const ScoreUploaded& e) { up = e; });
  ASSERT_NE(a.boards().upload(board, UploadMethod::KeepBest, 100, details, upload), 0u);
  ASSERT_TRUE(Wait(upload));
  EXPECT_TRUE(up.success);
  EXPECT_EQ(up.newRank, 1);
  ASSERT_NE(b.boards().upload(board, UploadMethod::KeepBest, 150, details, upload), 0u);
  ASSERT_TRUE(Wait(upload));
  EXPECT_EQ(up.newRank, 1);
  std::vector<std::string> rows;
  CallResult<ScoresDownloaded> down([&](const ScoresDownloaded& e) {
    for (const BoardEntry& x : e.entries)
      rows.push_back(std::to_string(x.rank) + " " + x.personaName + " " + std::to_string(x.score));
  });
  ASSERT_NE(a.boards().download(board, DownloadKind::AroundUser, -1, 1, down), 0u);
  ASSERT_TRUE(Wait(down));
  EXPECT_EQ(rows, (std::vector<std::string>{"1 Bob 150", "2 Alice 100"}));
  EXPECT_EQ(a.boards().entryCount(board), 2);
  rows.clear();
  ASSERT_NE(a.boards().download(board, DownloadKind::Friends, 0, 0, down), 0u);
  ASSERT_TRUE(Wait(down));
  EXPECT_EQ(rows, (std::vector<std::string>{"2 Alice 100"}));  // not friends yet
  world->makeFriends(a, b);
  rows.clear();
  ASSERT_NE(a.boards().download(board, DownloadKind::Friends, 0, 0, down), 0u);
  ASSERT_TRUE(Wait(down));
  EXPECT_EQ(rows.size(), 2u);
  UgcAttached attached;
  CallResult<UgcAttached> attach([&](const UgcAttached& e) { attached = e; });
  CallResult<ScoreUploaded> none([](const ScoreUploaded&) {});
  EXPECT_EQ(a.boards().upload(0, UploadMethod::KeepBest, 1, details, none), 0u);
  EXPECT_EQ(a.boards().attachUgc(0, 5, attach), 0u);
  ASSERT_NE(a.boards().attachUgc(lobby::FindBoard("TEST"), 5, attach), 0u);
  ASSERT_TRUE(Wait(attach));
  EXPECT_EQ(attached.result, Result::NotFound);
}

// C9 -------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C9_StatisticsRevertWithResult8) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  int32_t value = 0;
  EXPECT_FALSE(a.stats().getStat("stat_30_00", value));  // before StatsReceived
  std::vector<Result> received, stored;
  auto r1 = a.subscribe<StatsReceived>([&](const StatsReceived& e) { received.push_back(e.result); });
  auto r2 = a.subscribe<StatsStored>([&](const StatsStored& e) { stored.push_back(e.result); });
  ASSERT_TRUE(a.stats().requestCurrent());
  ASSERT_TRUE(world->runUntil([&] { return !received.empty(); }, 60));
  EXPECT_EQ(received[0], Result::Ok);
  ASSERT_TRUE(a.stats().setStat("stat_30_00", 10));
  ASSERT_TRUE(a.stats().setStat("stat_06_00", 0b11));
  ASSERT_TRUE(a.stats().setAchievement("ACHIEVE_ID_01"));
  EXPECT_FALSE(a.stats().setStat("stat_99_99", 1));
  ASSERT_TRUE(a.stats().store());
  ASSERT_TRUE(world->runUntil([&] { return stored.size() == 1; }, 60));
  EXPECT_EQ(stored[0], Result::Ok);
  ASSERT_TRUE(a.stats().setStat("stat_30_00", 5));      // a smaller counter
  ASSERT_TRUE(a.stats().setStat("stat_06_00", 0b111));  // a valid change beside it
  ASSERT_TRUE(a.stats().store());
  ASSERT_TRUE(world->runUntil([&] { return stored.size() == 2; }, 60));
  EXPECT_EQ(stored[1], Result::StatsReverted);
  EXPECT_EQ(static_cast<int>(stored[1]), 8);
  ASSERT_TRUE(a.stats().requestCurrent());
  ASSERT_TRUE(world->runUntil([&] { return received.size() == 2; }, 60));
  ASSERT_TRUE(a.stats().getStat("stat_30_00", value));
  EXPECT_EQ(value, 10);  // the service's value
  ASSERT_TRUE(a.stats().getStat("stat_06_00", value));
  EXPECT_EQ(value, 0b111);
  bool achieved = false;
  ASSERT_TRUE(a.stats().getAchievement("ACHIEVE_ID_01", achieved));
  EXPECT_TRUE(achieved);
}

// C10, C11 -------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C10_C11_FilesAndSharedContent) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  const Bytes card(1640, 0x5A);
  ASSERT_TRUE(a.cloud().cloudEnabledForAccount());
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", card));
  EXPECT_TRUE(a.cloud().exists("DCARD.UMS"));
  EXPECT_TRUE(a.cloud().persisted("DCARD.UMS"));
  EXPECT_EQ(a.cloud().size("DCARD.UMS"), 1640);
  EXPECT_FALSE(b.cloud().exists("DCARD.UMS"));
  Bytes back(2000, 0);
  EXPECT_EQ(a.cloud().read("DCARD.UMS", back), 1640);
  uint64_t total = 0, available = 0;
  ASSERT_TRUE(a.cloud().quota(total, available));
  EXPECT_EQ(total - available, 1640u);
  UgcHandle handle = 0;
  CallResult<FileShared> shared([&](const FileShared& e) {
    EXPECT_EQ(e.result, Result::Ok);
    handle = e.ugc;
  });
  ASSERT_NE(a.cloud().share("DCARD.UMS", shared), 0u);
  ASSERT_TRUE(Wait(shared));
  UgcDownloaded got;
  CallResult<UgcDownloaded> fetched([&](const UgcDownloaded& e) { got = e; });
  ASSERT_NE(b.cloud().download(handle, 0, fetched), 0u);
  ASSERT_TRUE(Wait(fetched));
  EXPECT_EQ(got.result, Result::Ok);
  EXPECT_EQ(got.size, 1640);
  EXPECT_EQ(got.owner, a.identity().selfId());
  EXPECT_EQ(got.name, "DCARD.UMS");
  Bytes part(1000, 0);
  EXPECT_EQ(b.cloud().readShared(handle, part, 0, false), 1000);
  EXPECT_EQ(b.cloud().readShared(handle, part, 1000, false), 640);
  EXPECT_EQ(b.cloud().readShared(handle, part, 1640, true), 0);
  EXPECT_EQ(b.cloud().readShared(handle, part, 0, false), 0);  // closed
  const UgcHandle first = handle;
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", Bytes(1640, 0x11)));
  ASSERT_NE(a.cloud().share("DCARD.UMS", shared), 0u);
  ASSERT_TRUE(Wait(shared));
  EXPECT_EQ(handle, first);  // one stable handle per file
  EXPECT_EQ(b.cloud().download(0, 0, fetched), 0u);
  EXPECT_EQ(b.cloud().download(~UgcHandle{0}, 0, fetched), 0u);
  // DISCONNECT.UMS: written, read, removed.
  ASSERT_TRUE(a.cloud().write("DISCONNECT.UMS", Bytes(8, 1)));
  EXPECT_EQ(a.cloud().read("DISCONNECT.UMS", back), 8);
  EXPECT_TRUE(a.cloud().remove("DISCONNECT.UMS"));
  EXPECT_FALSE(a.cloud().remove("DISCONNECT.UMS"));
  // Cloud switched off for the account.
  world->setCloud(a, false);
  EXPECT_FALSE(a.cloud().cloudEnabledForAccount());
  EXPECT_FALSE(a.cloud().write("X", Bytes(1, 1)));
  world->setCloud(a, true);
  world->setQuota(a, 2000);
  EXPECT_FALSE(a.cloud().write("X", Bytes(400, 1)));  // over quota
  EXPECT_TRUE(a.cloud().write("X", Bytes(360, 1)));
}

// C12 ------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C12_Invitations) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  Platform& c = world->addUser({.name = "Carol", .country = "JP"});
  std::vector<JoinRequested> atB;
  auto sub = b.subscribe<JoinRequested>([&](const JoinRequested& e) { atB.push_back(e); });
  const LobbyId lobby = Create(a);
  a.overlay().showInviteOverlay(lobby);
  EXPECT_FALSE(world->chooseInvitee(a, b.identity().selfId()));  // not friends
  world->makeFriends(a, b);
  world->makeFriends(c, b);
  ASSERT_TRUE(world->chooseInvitee(a, b.identity().selfId()));
  ASSERT_TRUE(world->runUntil([&] { return !atB.empty(); }, 60));
  EXPECT_EQ(atB[0].lobby, lobby);
  EXPECT_EQ(atB[0].from, a.identity().selfId());
  EXPECT_EQ(b.identity().personaNameOf(a.identity().selfId()), "Alice");
  c.overlay().showInviteOverlay(lobby);
  EXPECT_FALSE(world->chooseInvitee(c, b.identity().selfId()));  // not a member
  for (int i = 1; i < 10; ++i) EXPECT_TRUE(world->chooseInvitee(a, b.identity().selfId()));
  EXPECT_FALSE(world->chooseInvitee(a, b.identity().selfId()));  // the 11th in a minute
  world->steps(61 * 60);
  EXPECT_TRUE(world->chooseInvitee(a, b.identity().selfId()));
  world->disconnect(b);
  EXPECT_FALSE(world->chooseInvitee(a, b.identity().selfId()));  // offline
}

// C13 ------------------------------------------------------------------------------------------

TEST_P(OnlineConformance, C13_Voice) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  uint32_t bytes = 0;
  EXPECT_EQ(a.voice().available(bytes), VoiceResult::NotRecording);
  a.voice().startRecording();
  world->speak(a, std::vector<int16_t>(16000 / 2, 0));  // half a second of silence
  world->steps(40);
  EXPECT_EQ(a.voice().available(bytes), VoiceResult::NoData);  // silence sends nothing
  std::vector<int16_t> tone(16000);                            // one second of 440 Hz
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 16000));
  world->speak(a, tone);
  world->steps(70);
  std::vector<uint8_t> stream, buffer(1024);
  uint32_t n = 0;
  while (a.voice().get(buffer, n) == VoiceResult::Ok && n != 0) {
    EXPECT_LE(n, 1024u);
    stream.insert(stream.end(), buffer.begin(), buffer.begin() + n);
  }
  ASSERT_FALSE(stream.empty());
  std::vector<uint8_t> pcm(11000 * 4);
  uint32_t written = 0;
  ASSERT_EQ(a.voice().decompress(stream, pcm, written, 11000), VoiceResult::Ok);
  EXPECT_NEAR(written / 2.0, 11000, 1100);  // about the input's length
  std::vector<uint8_t> small(64);
  EXPECT_EQ(a.voice().decompress(stream, small, written, 11000), VoiceResult::BufferTooSmall);
  std::vector<uint8_t> corrupted = stream;
  corrupted[0] = 0xFF;  // a record longer than the stream
  corrupted[1] = 0xFF;
  EXPECT_EQ(a.voice().decompress(corrupted, pcm, written, 11000), VoiceResult::DataCorrupted);
}

// C14, C15, C16 --------------------------------------------------------------------------------

TEST_P(OnlineConformance, C14_ADisconnectLeavesLobbiesRevokesTicketsAndKeepsTheStore) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  const LobbyId lobby = Create(a);
  ASSERT_EQ(Join(b, lobby), JoinResponse::Success);
  std::array<uint8_t, 1024> buffer{};
  const TicketIssued t = a.auth().getTicket(buffer);
  ASSERT_EQ(b.auth().beginSession(std::span<const uint8_t>(buffer.data(), t.length), a.identity().selfId()),
            BeginSessionResult::Ok);
  std::vector<TicketVerdict> verdicts;
  auto sub = b.subscribe<TicketVerdict>([&](const TicketVerdict& v) { verdicts.push_back(v); });
  std::vector<P2PSessionFail> fails;
  auto subFail = b.subscribe<P2PSessionFail>([&](const P2PSessionFail& e) { fails.push_back(e); });
  ASSERT_TRUE(Send(b, a, Bytes(2, 2)));  // a session in use
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", Bytes(10, 1)));
  world->steps(5);
  world->disconnect(a);
  EXPECT_FALSE(a.identity().loggedOn());
  EXPECT_FALSE(a.utils().networkAlive());
  world->steps(5);
  EXPECT_EQ(b.lobbies().owner(lobby), 0u);  // the owner's lobby closed
  ASSERT_GE(verdicts.size(), 2u);
  EXPECT_EQ(verdicts.back().user, a.identity().selfId());
  EXPECT_EQ(verdicts.back().response, TicketResponse::UserNotConnected);
  ASSERT_FALSE(fails.empty());
  EXPECT_EQ(fails[0].remote, a.identity().selfId());
  CallResult<LobbyCreated> r([](const LobbyCreated&) {});
  EXPECT_EQ(a.lobbies().create(4, r), 0u);  // not logged on: not made
}

TEST_P(OnlineConformance, C15_ARestartFailsOutstandingCallsAndKeepsTheStore) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  Platform& b = world->addUser({.name = "Bob", .country = "JP"});
  const UserId idA = a.identity().selfId();
  const LobbyId lobby = Create(a);
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", Bytes(10, 1)));
  Result result = Result::Ok;
  CallResult<LobbyMatchList> pending([&](const LobbyMatchList& e) { result = e.result; });
  world->dropAnswers(b, 1);  // the answer cannot overtake the restart
  ASSERT_NE(b.lobbies().search({}, pending), 0u);
  world->restartService(30);
  EXPECT_TRUE(Wait(pending, 2));  // at once
  EXPECT_EQ(result, Result::NoConnection);
  EXPECT_FALSE(a.identity().loggedOn());
  ASSERT_TRUE(world->runUntil([&] { return a.identity().loggedOn() && b.identity().loggedOn(); }, 120));
  EXPECT_EQ(a.identity().selfId(), idA);
  EXPECT_EQ(Join(b, lobby), JoinResponse::DoesNotExist);  // lobbies are gone
  EXPECT_EQ(a.cloud().size("DCARD.UMS"), 10);             // files are not
}

TEST_P(OnlineConformance, C16_AnUnansweredCallEndsTimedOut) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  world->failNext(a, 1, Result::Timeout);
  Result result = Result::Ok;
  CallResult<LobbyCreated> r([&](const LobbyCreated& e) { result = e.result; });
  ASSERT_NE(a.lobbies().create(4, r), 0u);
  ASSERT_TRUE(Wait(r, 15 * 60 + 4));  // at its bound, within the frame the answer is drained
  EXPECT_EQ(result, Result::Timeout);
  EXPECT_EQ(CreateResult(a), Result::Ok);  // then calls work
}

// One row per asynchronous call: under "drop the answer" it ends at its bound, never later and
// never much sooner, and what the lost answer did is undone.
TEST_P(OnlineConformance, C16_EveryCallWhoseAnswerIsDroppedEndsAtItsBound) {
  Platform& host = world->addUser({.name = "Host", .country = "JP"});
  Platform& observer = world->addUser({.name = "Observer", .country = "JP"});
  const LobbyId lobby = Create(host);
  ASSERT_NE(lobby, 0u);
  ASSERT_TRUE(host.cloud().write("DCARD.UMS", Bytes(16, 1)));
  UgcHandle ugc = 0;
  CallResult<FileShared> shared([&](const FileShared& e) { ugc = e.ugc; });
  ASSERT_NE(host.cloud().share("DCARD.UMS", shared), 0u);
  ASSERT_TRUE(Wait(shared));
  const BoardHandle board = lobby::FindBoard("TEST");
  struct Row {
    const char* call;
    int boundSeconds;
    std::function<CallHandle(Platform&, Outcome&)> start;
    std::function<void(Platform&)> prepare = [](Platform&) {};
  };
  const std::vector<Row> rows = {
      {"create", 15,
       [&](Platform& p, Outcome& o) {
         return p.lobbies().create(
             4, Track<LobbyCreated>(o, [](const LobbyCreated& e) { return e.result == Result::Timeout; }));
       }},
      {"join", 15,
       [&](Platform& p, Outcome& o) {
         return p.lobbies().join(lobby, Track<LobbyEntered>(o, [](const LobbyEntered&) { return false; }));
       }},
      {"search", 15,
       [&](Platform& p, Outcome& o) {
         return p.lobbies().search({}, Track<LobbyMatchList>(o, [](const LobbyMatchList& e) {
                                     return e.result == Result::Timeout;
                                   }));
       }},
      {"find", 30,
       [&](Platform& p, Outcome& o) {
         return p.boards().find("TEST", Track<BoardFound>(o, [](const BoardFound&) { return false; }));
       }},
      {"upload", 30,
       [&](Platform& p, Outcome& o) {
         return p.boards().upload(board, UploadMethod::ForceUpdate, 10, {},
                                  Track<ScoreUploaded>(o, [](const ScoreUploaded&) { return false; }));
       }},
      {"download", 30,
       [&](Platform& p, Outcome& o) {
         return p.boards().download(
             board, DownloadKind::Global, 1, 10,
             Track<ScoresDownloaded>(o, [](const ScoresDownloaded&) { return false; }));
       }},
      {"attachUgc", 30,
       [&](Platform& p, Outcome& o) {
         return p.boards().attachUgc(board, ugc, Track<UgcAttached>(o, [](const UgcAttached& e) {
                                       return e.result == Result::Timeout;
                                     }));
       }},
      {"share", 60,
       [&](Platform& p, Outcome& o) {
         return p.cloud().share(
             "F", Track<FileShared>(o, [](const FileShared& e) { return e.result == Result::Timeout; }));
       },
       [](Platform& p) { EXPECT_TRUE(p.cloud().write("F", Bytes(4, 4))); }},
      {"ugcDownload", 60,
       [&](Platform& p, Outcome& o) {
         return p.cloud().download(ugc, 0, Track<UgcDownloaded>(o, [](const UgcDownloaded& e) {
                                     return e.result == Result::Timeout;
                                   }));
       }},
  };
  // The rows run side by side, one caller each, so a backend in real time waits out the longest
  // bound once; the calls start together, after every caller is in.
  std::vector<Platform*> callers;
  for (const Row& row : rows) {
    callers.push_back(&world->addUser({.name = "Caller", .country = "JP"}));
    row.prepare(*callers.back());
  }
  std::vector<Outcome> outcomes(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) world->dropAnswers(*callers[i], 1);
  for (size_t i = 0; i < rows.size(); ++i)
    ASSERT_NE(rows[i].start(*callers[i], outcomes[i]), 0u) << rows[i].call;
  std::vector<int> endedAt(rows.size(), 0);
  const int longest = 60 * 60;
  for (int frame = 1; frame <= longest + 2; ++frame) {
    world->step();
    for (size_t i = 0; i < rows.size(); ++i)
      if (outcomes[i].ended && endedAt[i] == 0) endedAt[i] = frame;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.call);
    const int bound = row.boundSeconds * 60;
    // No platform bound is shorter than the call's, and none much longer.
    EXPECT_GT(endedAt[i], bound - 2);
    EXPECT_LE(endedAt[i], bound + 2);
    const bool hasCode = std::string(row.call) != "join" && std::string(row.call) != "find" &&
                         std::string(row.call) != "upload" && std::string(row.call) != "download";
    if (hasCode) {
      EXPECT_TRUE(outcomes[i].timedOut);
    }
  }
  // Then the callers' calls work again.
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].call);
    rows[i].prepare(*callers[i]);
    Outcome next;
    ASSERT_NE(rows[i].start(*callers[i], next), 0u);
    EXPECT_TRUE(world->runUntil([&] { return next.ended; }, 60));
    EXPECT_FALSE(next.timedOut);
  }
  // The lobby created and the lobby joined under lost answers were left again: what remains is
  // the host's lobby with the join row's answered join, and the create row's answered lobby.
  const std::vector<LobbySnapshot> found = Search(observer, {});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].lobby, lobby);
  EXPECT_EQ(found[0].memberCount, 2);
  EXPECT_EQ(found[1].memberCount, 1);
}

TEST_P(OnlineConformance, C16_StatisticsWhoseAnswerIsDroppedEndAtTheirBound) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  std::vector<Result> received, stored;
  auto r1 = a.subscribe<StatsReceived>([&](const StatsReceived& e) { received.push_back(e.result); });
  auto r2 = a.subscribe<StatsStored>([&](const StatsStored& e) { stored.push_back(e.result); });
  world->dropAnswers(a, 1);
  ASSERT_TRUE(a.stats().requestCurrent());
  world->steps(30 * 60 - 2);
  EXPECT_TRUE(received.empty());
  ASSERT_TRUE(world->runUntil([&] { return !received.empty(); }, 4));
  EXPECT_EQ(received[0], Result::Timeout);
  int32_t value = 0;
  EXPECT_FALSE(a.stats().getStat("stat_30_00", value));  // still nothing received
  ASSERT_TRUE(a.stats().requestCurrent());
  ASSERT_TRUE(world->runUntil([&] { return received.size() == 2; }, 60));
  EXPECT_EQ(received[1], Result::Ok);
  ASSERT_TRUE(a.stats().setStat("stat_30_00", 4));
  world->dropAnswers(a, 1);
  ASSERT_TRUE(a.stats().store());
  ASSERT_TRUE(world->runUntil([&] { return !stored.empty(); }, 30 * 60 + 2));
  EXPECT_EQ(stored[0], Result::Timeout);
  // The store happened; only its answer was lost.
  ASSERT_TRUE(a.stats().requestCurrent());
  ASSERT_TRUE(world->runUntil([&] { return received.size() == 3; }, 60));
  ASSERT_TRUE(a.stats().getStat("stat_30_00", value));
  EXPECT_EQ(value, 4);
}

TEST_P(OnlineConformance, C16_RateLimitedThenCallsWork) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  std::vector<Result> results;
  std::vector<std::unique_ptr<CallResult<LobbyMatchList>>> calls;
  for (int i = 0; i < 6; ++i) {  // a burst of five is allowed
    calls.push_back(std::make_unique<CallResult<LobbyMatchList>>(
        [&](const LobbyMatchList& e) { results.push_back(e.result); }));
    ASSERT_NE(a.lobbies().search({}, *calls.back()), 0u);
  }
  ASSERT_TRUE(world->runUntil([&] { return results.size() == 6; }, 120));
  EXPECT_EQ(results, (std::vector<Result>{Result::Ok, Result::Ok, Result::Ok, Result::Ok, Result::Ok,
                                          Result::RateLimited}));
  world->steps(60);
  EXPECT_EQ(Search(a, {}).size(), 0u);
  int writes = 0;
  const LobbyId lobby = Create(a);
  for (int i = 0; i < 100; ++i) writes += a.lobbies().setData(lobby, "K", std::to_string(i)) ? 1 : 0;
  EXPECT_EQ(writes, 60);  // a burst of twice 30 a second
}

TEST_P(OnlineConformance, C16_StatisticsStoresAreRateLimitedThenWork) {
  Platform& a = world->addUser({.name = "Alice", .country = "JP"});
  std::vector<Result> received, stored;
  auto r1 = a.subscribe<StatsReceived>([&](const StatsReceived& e) { received.push_back(e.result); });
  auto r2 = a.subscribe<StatsStored>([&](const StatsStored& e) { stored.push_back(e.result); });
  ASSERT_TRUE(a.stats().requestCurrent());
  ASSERT_TRUE(world->runUntil([&] { return !received.empty(); }, 60));
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(a.stats().store());  // a burst of four is allowed
  ASSERT_TRUE(world->runUntil([&] { return stored.size() == 5; }, 60));
  EXPECT_EQ(stored,
            (std::vector<Result>{Result::Ok, Result::Ok, Result::Ok, Result::Ok, Result::RateLimited}));
  world->steps(60);
  ASSERT_TRUE(a.stats().store());
  ASSERT_TRUE(world->runUntil([&] { return stored.size() == 6; }, 60));
  EXPECT_EQ(stored[5], Result::Ok);
}

std::unique_ptr<World> MakeSim() { return std::make_unique<SimBackend>(sim::WorldOptions{.seed = 7}); }

INSTANTIATE_TEST_SUITE_P(Backends, OnlineConformance, ::testing::Values(Backend{"sim", MakeSim}),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt::online::test
