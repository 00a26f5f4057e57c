// The simulated world as a whole: the three-user scripted run is identical for one seed, and the
// link model's loss, duplication and reordering match their configured rates.
#include "platform/online/sim/sim_world.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "lobby/boards.h"

namespace vt::online::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// Three users create, search and join a lobby, exchange data and packets over lossy, reordering
// links, validate tickets, invite each other, upload and read scores, share and download a card,
// write, read and remove a file and see a statistic reverted. Returns the event log.
std::vector<std::string> ScriptedRun(uint64_t seed) {
  SimWorld world({.seed = seed, .controlLatencyFrames = 2});
  std::array<SimPlatform*, 3> u = {&world.addUser({.name = "Alice", .country = "JP"}),
                                   &world.addUser({.name = "Bob", .country = "JP"}),
                                   &world.addUser({.name = "Carol", .country = "JP"})};
  for (SimPlatform* a : u)
    for (SimPlatform* b : u)
      if (a != b) world.link(*a, *b).set({.latencyMs = 50, .jitterMs = 30, .loss = 0.10, .duplicate = 0.02});
  world.makeFriends(*u[0], *u[1]);
  world.makeFriends(*u[1], *u[2]);
  std::vector<std::string> log;
  auto note = [&](const std::string& line) { log.push_back(std::to_string(world.frame()) + " " + line); };
  std::vector<Subscription<LobbyDataUpdate>> dataSubs;
  std::vector<Subscription<TicketVerdict>> verdictSubs;
  std::vector<Subscription<JoinRequested>> inviteSubs;
  std::vector<Subscription<P2PSessionRequest>> requestSubs;
  for (int i = 0; i < 3; ++i) {
    Platform& p = *u[i];
    const std::string who = p.identity().personaName();
    dataSubs.push_back(p.subscribe<LobbyDataUpdate>(
        [&, who](const LobbyDataUpdate& e) { note(who + " data " + std::to_string(e.member == e.lobby)); }));
    verdictSubs.push_back(p.subscribe<TicketVerdict>([&, who](const TicketVerdict& e) {
      note(who + " verdict " + std::to_string(e.user & 0xFF) + " " +
           std::to_string(static_cast<int>(e.response)));
    }));
    inviteSubs.push_back(
        p.subscribe<JoinRequested>([&, who](const JoinRequested&) { note(who + " invited"); }));
    requestSubs.push_back(p.subscribe<P2PSessionRequest>([&p, &note, who](const P2PSessionRequest& e) {
      note(who + " accepts " + std::to_string(e.remote & 0xFF));
      p.peers().acceptSession(e.remote);
    }));
  }
  // Voice travels on channel 1 and is decompressed at 11000 Hz as it comes.
  std::array<size_t, 3> heard{};
  auto frame = [&] {
    for (size_t i = 0; i < u.size(); ++i) {
      SimPlatform* p = u[i];
      std::array<uint8_t, 1200> buffer{};
      while (p->peers().nextPacketSize(0) != 0) {
        PacketRead r = p->peers().read(0, buffer);
        note(p->identity().personaName() + " got " + std::to_string(r.from & 0xFF) + ":" +
             std::to_string(buffer[0]));
      }
      while (p->peers().nextPacketSize(1) != 0) {
        PacketRead r = p->peers().read(1, buffer);
        std::vector<uint8_t> pcm(11000 * 2);
        uint32_t written = 0;
        if (p->voice().decompress(std::span<const uint8_t>(buffer.data(), r.size), pcm, written, 11000) ==
            VoiceResult::Ok)
          heard[i] += written / 2;
      }
      p->runCallbacks();
      p->runVerifierCallbacks();
    }
    world.step();
  };
  auto until = [&](const auto& done) {
    for (int i = 0; i < 600 && !done(); ++i) frame();
  };

  LobbyId lobby = 0;
  CallResult<LobbyCreated> created([&](const LobbyCreated& e) {
    lobby = e.lobby;
    note("created");
  });
  u[0]->lobbies().create(4, created);
  until([&] { return lobby != 0; });
  u[0]->lobbies().setData(lobby, "MATCH_TYPE", "1");
  u[0]->lobbies().setMemberData(lobby, "hDCODE", "77");
  for (int i = 1; i < 3; ++i) {
    bool found = false;
    CallResult<LobbyMatchList> list([&](const LobbyMatchList& e) { found = e.lobbies.size() == 1; });
    u[i]->lobbies().search({}, list);
    until([&] { return !list.pending(); });
    note("found " + std::to_string(found));
    CallResult<LobbyEntered> entered(
        [&](const LobbyEntered& e) { note("joined " + std::to_string(static_cast<int>(e.response))); });
    u[i]->lobbies().join(lobby, entered);
    until([&] { return !entered.pending(); });
  }
  // Packets both ways, numbered, every frame for a second.
  for (int f = 0; f < 60; ++f) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        if (i != j) u[i]->peers().send(u[j]->identity().selfId(), Bytes{static_cast<uint8_t>(f)}, 0);
    frame();
  }
  // Tickets: everyone validates everyone.
  for (int i = 0; i < 3; ++i) {
    std::array<uint8_t, 1024> ticket{};
    const TicketIssued t = u[i]->auth().getTicket(ticket);
    for (int j = 0; j < 3; ++j)
      u[j]->auth().beginSession(std::span<const uint8_t>(ticket.data(), t.length), u[i]->identity().selfId());
  }
  u[0]->overlay().showInviteOverlay(lobby);
  world.chooseInvitee(*u[0], u[1]->identity().selfId());
  // Scores: upload, then read in range, around the user and among friends.
  const BoardHandle board = lobby::FindBoard("RANK_MATCH_POINT");
  for (int i = 0; i < 3; ++i) {
    CallResult<ScoreUploaded> up([&](const ScoreUploaded& e) { note("rank " + std::to_string(e.newRank)); });
    u[i]->boards().upload(board, UploadMethod::ForceUpdate, 1000 + 10 * i, {}, up);
    until([&] { return !up.pending(); });
  }
  for (DownloadKind kind : {DownloadKind::Global, DownloadKind::AroundUser, DownloadKind::Friends}) {
    CallResult<ScoresDownloaded> down([&](const ScoresDownloaded& e) {
      std::string line = "board";
      for (const BoardEntry& x : e.entries) line += " " + x.personaName + "=" + std::to_string(x.score);
      note(line);
    });
    u[0]->boards().download(board, kind, kind == DownloadKind::AroundUser ? -1 : 1,
                            kind == DownloadKind::AroundUser ? 1 : 10, down);
    until([&] { return !down.pending(); });
  }
  // The card: written, shared, downloaded by the other two.
  u[0]->cloud().write("DCARD.UMS", Bytes(1640, 3));
  UgcHandle card = 0;
  CallResult<FileShared> shared([&](const FileShared& e) { card = e.ugc; });
  u[0]->cloud().share("DCARD.UMS", shared);
  until([&] { return !shared.pending(); });
  for (int i = 1; i < 3; ++i) {
    CallResult<UgcDownloaded> got(
        [&](const UgcDownloaded& e) { note("card " + std::to_string(e.size) + " " + e.name); });
    u[i]->cloud().download(card, 0, got);
    until([&] { return !got.pending(); });
  }
  Bytes back(64, 0);
  u[1]->cloud().write("DISCONNECT.UMS", Bytes(12, 9));
  note("disconnect read " + std::to_string(u[1]->cloud().read("DISCONNECT.UMS", back)));
  note("disconnect removed " + std::to_string(u[1]->cloud().remove("DISCONNECT.UMS")));
  // A statistic reverted with result 8.
  std::vector<Subscription<StatsStored>> storedSubs;
  storedSubs.push_back(u[2]->subscribe<StatsStored>(
      [&](const StatsStored& e) { note("stored " + std::to_string(static_cast<int>(e.result))); }));
  std::vector<Subscription<StatsReceived>> receivedSubs;
  bool received = false;
  receivedSubs.push_back(u[2]->subscribe<StatsReceived>([&](const StatsReceived&) { received = true; }));
  u[2]->stats().requestCurrent();
  until([&] { return received; });
  u[2]->stats().setStat("stat_30_00", 4);
  u[2]->stats().store();
  for (int i = 0; i < 10; ++i) frame();
  // Alice talks for half a second; the other two hear her.
  std::vector<int16_t> tone(8000);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 16000));
  u[0]->voice().startRecording();
  world.speak(*u[0], tone);
  for (int f = 0; f < 60; ++f) {
    std::array<uint8_t, 1024> voice{};
    uint32_t n = 0;
    if (u[0]->voice().get(voice, n) == VoiceResult::Ok && n != 0)
      for (int j = 1; j < 3; ++j)
        u[0]->peers().send(u[j]->identity().selfId(), std::span<const uint8_t>(voice.data(), n), 1);
    frame();
  }
  note("Bob heard " + std::to_string(heard[1]) + ", Carol heard " + std::to_string(heard[2]));
  u[2]->stats().setStat("stat_30_00", 3);
  u[2]->stats().store();
  for (int i = 0; i < 30; ++i) frame();
  for (const std::string& line : world.eventLog()) log.push_back("world " + line);
  return log;
}

TEST(SimWorldDeterminism, TheThreeUserRunIsIdenticalForOneSeed) {
  const std::vector<std::string> first = ScriptedRun(7);
  const std::vector<std::string> second = ScriptedRun(7);
  ASSERT_EQ(first.size(), second.size()) << "seed 7";
  for (size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i], second[i]) << "seed 7, line " << i;
  EXPECT_NE(ScriptedRun(8), first);  // the links really draw from the seed
  // The run did what it says.
  auto has = [&](const std::string& text) {
    for (const std::string& line : first)
      if (line.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("found 1"));
  EXPECT_TRUE(has("joined 1"));
  EXPECT_TRUE(has("Bob invited"));
  EXPECT_TRUE(has("board Carol=1020 Bob=1010 Alice=1000"));
  EXPECT_TRUE(has("board Bob=1010 Alice=1000"));  // friends
  EXPECT_TRUE(has("card 1640 DCARD.UMS"));
  EXPECT_TRUE(has("disconnect read 12"));
  EXPECT_TRUE(has("disconnect removed 1"));
  EXPECT_TRUE(has("stored 8"));
  EXPECT_TRUE(has("verdict"));
  EXPECT_FALSE(has("Bob heard 0"));
  EXPECT_FALSE(has("Carol heard 0"));
}

// The same run gives the same log in every build: optimised (the default build) and not (the
// sanitizer build) alike. A change to what the run does or what the log records changes the
// digest; take the new one from the failure message after checking the log.
TEST(SimWorldDeterminism, TheThreeUserRunGivesOneLogInEveryBuild) {
  uint64_t digest = 14695981039346656037ull;  // FNV-1a over the lines, each ended by '\n'
  for (const std::string& line : ScriptedRun(7)) {
    for (char c : line + "\n") digest = (digest ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  }
  EXPECT_EQ(digest, 0xaedd719a910e824bull) << std::hex << "0x" << digest << "ull";
}

TEST(SimWorldLinks, LossDuplicationAndReorderingFollowTheirRates) {
  const uint64_t seed = 11;
  SimWorld world({.seed = seed});
  SimPlatform& a = world.addUser({.name = "A", .country = "JP"});
  SimPlatform& b = world.addUser({.name = "B", .country = "JP"});
  world.link(a, b).set({.latencyMs = 40, .jitterMs = 20, .loss = 0.10, .duplicate = 0.05});
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  constexpr int kFrames = 2500, kPerFrame = 4;  // 240 a second: inside the pair bucket
  int received = 0, inversions = 0, last = -1;
  std::array<uint8_t, 8> buffer{};
  for (int f = 0; f < kFrames + 30; ++f) {
    if (f < kFrames)
      for (int k = 0; k < kPerFrame; ++k) {
        const uint32_t n = static_cast<uint32_t>(f * kPerFrame + k);
        const uint8_t bytes[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        ASSERT_TRUE(a.peers().send(b.identity().selfId(), bytes, 0));
      }
    while (b.peers().nextPacketSize(0) != 0) {
      ASSERT_TRUE(b.peers().read(0, buffer).ok);
      const int n = buffer[0] | buffer[1] << 8 | buffer[2] << 16;
      if (n < last) ++inversions;
      last = n;
      ++received;
    }
    world.step();
  }
  const double sent = kFrames * kPerFrame;
  const double expected = sent * 0.90 * 1.05;
  EXPECT_NEAR(received, expected, sent * 0.02) << "seed " << seed;
  EXPECT_GT(inversions, 0) << "seed " << seed;
}

TEST(SimWorldPeers, OnlyInjectForgedSetsAnotherSender) {
  SimWorld world({.seed = 3});
  SimPlatform& a = world.addUser({.name = "A", .country = "JP"});
  SimPlatform& b = world.addUser({.name = "B", .country = "JP"});
  SimPlatform& c = world.addUser({.name = "C", .country = "JP"});
  b.peers().acceptSession(a.identity().selfId());
  b.peers().acceptSession(c.identity().selfId());
  ASSERT_TRUE(c.peers().send(b.identity().selfId(), Bytes{1}, 0));
  world.injectForged(a.identity().selfId(), b.identity().selfId(), Bytes{2});
  world.step();
  std::array<uint8_t, 4> buffer{};
  PacketRead first = b.peers().read(0, buffer);
  EXPECT_EQ(first.from, c.identity().selfId());
  PacketRead forged = b.peers().read(0, buffer);
  EXPECT_EQ(forged.from, a.identity().selfId());
  EXPECT_EQ(buffer[0], 2);
}

TEST(SimWorldFaults, AnAnswerLaterThanTheBoundEndsTimeoutAndWhatItDidIsUndone) {
  SimWorld world({.seed = 5});
  SimPlatform& a = world.addUser({.name = "A", .country = "JP"});
  SimPlatform& b = world.addUser({.name = "B", .country = "JP"});
  world.delayNext(a, 1, 15 * 60 + 100);
  Result result = Result::Ok;
  int frames = 0;
  CallResult<LobbyCreated> created([&](const LobbyCreated& e) { result = e.result; });
  ASSERT_NE(a.lobbies().create(4, created), 0u);
  while (created.pending() && frames < 2000) {
    a.runCallbacks();
    world.step();
    ++frames;
  }
  EXPECT_EQ(result, Result::Timeout);
  EXPECT_LE(frames, 15 * 60 + 2);              // ended by the bound, drained in the next frame
  for (int i = 0; i < 200; ++i) world.step();  // the late answer comes and finds nobody
  size_t found = 99;
  CallResult<LobbyMatchList> search([&](const LobbyMatchList& e) { found = e.lobbies.size(); });
  ASSERT_NE(b.lobbies().search({}, search), 0u);
  for (int i = 0; i < 5; ++i) {
    b.runCallbacks();
    world.step();
  }
  EXPECT_EQ(found, 0u);
}

TEST(SimWorldPeers, ASessionSilentBothWaysFor120SecondsIsForgotten) {
  SimWorld world({.seed = 4});
  SimPlatform& a = world.addUser({.name = "A", .country = "JP"});
  SimPlatform& b = world.addUser({.name = "B", .country = "JP"});
  int requests = 0;
  auto sub = b.subscribe<P2PSessionRequest>([&](const P2PSessionRequest&) { ++requests; });
  std::array<uint8_t, 8> buffer{};
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) {
      b.runCallbacks();
      world.step();
    }
  };
  ASSERT_TRUE(a.peers().send(b.identity().selfId(), Bytes{1}, 0));
  frames(2);
  ASSERT_EQ(requests, 1);
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  ASSERT_TRUE(b.peers().read(0, buffer).ok);
  frames(119 * 60);  // silent, but not yet for 120 s
  ASSERT_TRUE(a.peers().send(b.identity().selfId(), Bytes{2}, 0));
  frames(2);
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(b.peers().read(0, buffer).ok);
  frames(120 * 60);
  ASSERT_TRUE(a.peers().send(b.identity().selfId(), Bytes{3}, 0));
  frames(2);
  EXPECT_EQ(requests, 2);                      // asks again
  EXPECT_EQ(b.peers().nextPacketSize(0), 0u);  // held until accepted
}

}  // namespace
}  // namespace vt::online::sim
