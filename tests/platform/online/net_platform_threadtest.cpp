// NetPlatform against an in-thread lobby service: the back-off table, the fallback over the
// control connection when UDP is blocked, a kick (logged off, outstanding calls failed at once,
// logged in again after the back-off), file calls on a worker when the service goes away, and a
// restart that keeps the user and its files.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "platform/online/service_backend.h"

namespace vt::online::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

TEST(NetPlatformBackOff, OneTwoFourThenTen) {
  const std::vector<std::pair<int, int>> rows = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 10}, {9, 10}};
  for (const auto& [failed, seconds] : rows) {
    SCOPED_TRACE(failed);
    EXPECT_EQ(net::ReconnectDelay(failed).count(), seconds);
  }
}

bool ReadFrom(World& world, Platform& p, UserId from, size_t size) {
  std::array<uint8_t, 1200> buffer{};
  bool found = false;  // runUntil asks once more after the loop: the packet is read only once
  return world.runUntil(
      [&] {
        while (!found && p.peers().nextPacketSize(0) != 0) {
          const PacketRead r = p.peers().read(0, buffer);
          found = r.ok && r.from == from && r.size == size;
        }
        return found;
      },
      120);
}

TEST(NetPlatformService, BlockedUdpFallsBackToTheControlConnectionWithinThreeSeconds) {
  ServiceBackend world;
  world.blockUdp(true);
  Platform& a = world.addUser({.name = "Walled", .country = "JP"});
  world.blockUdp(false);
  Platform& b = world.addUser({.name = "Open", .country = "JP"});
  auto& na = world.user(0);
  auto& nb = world.user(1);
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return na.usingFallback(); }, 4000ms));
  EXPECT_FALSE(na.udpConfirmed());
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return nb.udpConfirmed(); }, 4000ms));
  EXPECT_FALSE(nb.usingFallback());
  ASSERT_TRUE(a.peers().acceptSession(b.identity().selfId()));
  ASSERT_TRUE(b.peers().acceptSession(a.identity().selfId()));
  // Both ways, with the sender stamped by the service.
  ASSERT_TRUE(a.peers().send(b.identity().selfId(), Bytes(1200, 7), 0));
  EXPECT_TRUE(ReadFrom(world, b, a.identity().selfId(), 1200));
  ASSERT_TRUE(b.peers().send(a.identity().selfId(), Bytes(3, 9), 0));
  EXPECT_TRUE(ReadFrom(world, a, b.identity().selfId(), 3));
  EXPECT_GE(world.service().counters().tcpForwarded, 1u);
}

TEST(NetPlatformService, AKickFailsOutstandingCallsAtOnceAndTheClientLogsInAgainAfterTheBackOff) {
  ServiceBackend world;
  Platform& a = world.addUser({.name = "Alice", .country = "JP"});
  auto& na = world.user(0);
  const UserId id = a.identity().selfId();
  // Calls sent together with the kick: whichever the service did not answer fails at once.
  std::vector<Result> results;
  std::vector<std::unique_ptr<CallResult<LobbyMatchList>>> calls;
  for (int i = 0; i < 3; ++i) {
    calls.push_back(std::make_unique<CallResult<LobbyMatchList>>(
        [&](const LobbyMatchList& e) { results.push_back(e.result); }));
    ASSERT_NE(a.lobbies().search({}, *calls.back()), 0u);
  }
  world.service().kick(id);
  const auto kickedAt = std::chrono::steady_clock::now();
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return !a.identity().loggedOn(); }, 2000ms));
  EXPECT_FALSE(a.utils().networkAlive());
  ASSERT_TRUE(world.runUntil([&] { return results.size() == 3; }, 10));
  for (Result r : results) EXPECT_TRUE(r == Result::Ok || r == Result::NoConnection);
  CallResult<LobbyCreated> refused([](const LobbyCreated&) {});
  EXPECT_EQ(a.lobbies().create(4, refused), 0u);  // logged off: not made
  EXPECT_FALSE(a.cloud().write("X", Bytes(1, 1)));
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return a.identity().loggedOn(); }, 4000ms));
  EXPECT_GE(std::chrono::steady_clock::now() - kickedAt, 900ms);  // the first back-off step
  EXPECT_EQ(na.logins(), 2);
  EXPECT_EQ(a.identity().selfId(), id);
}

TEST(NetPlatformService, FileCallsOnAWorkerEndAtOnceWhenTheServiceGoes) {
  ServiceBackend world;
  Platform& a = world.addUser({.name = "Alice", .country = "JP"});
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", Bytes(1640, 1)));
  std::atomic<bool> stop{false};
  std::atomic<int> calls{0};
  std::atomic<int64_t> longestMs{0};
  std::thread worker([&] {
    std::array<uint8_t, 2048> buffer{};
    while (!stop.load()) {
      const auto start = std::chrono::steady_clock::now();
      a.cloud().write("bb.rep", Bytes(200000, static_cast<uint8_t>(calls.load())));
      a.cloud().read("DCARD.UMS", buffer);
      const int64_t ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
              .count();
      longestMs.store(std::max(longestMs.load(), ms));
      ++calls;
    }
  });
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return calls.load() >= 3; }));
  world.restartService(0);
  const int before = calls.load();
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return calls.load() > before + 3; }, 2000ms));
  stop = true;
  worker.join();
  EXPECT_LT(longestMs.load(), 2000);  // never near the 10 s bound: failed at once
  // Every file is whole afterwards, old or new.
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return a.identity().loggedOn(); }, 4000ms));
  std::vector<uint8_t> back(200000);
  ASSERT_EQ(a.cloud().read("bb.rep", back), 200000);
  EXPECT_TRUE(std::all_of(back.begin(), back.end(), [&](uint8_t v) { return v == back[0]; }));
  EXPECT_EQ(a.cloud().size("DCARD.UMS"), 1640);
}

TEST(NetPlatformService, ARestartKeepsUsersAndFilesAndDropsLobbies) {
  ServiceBackend world;
  Platform& a = world.addUser({.name = "Alice", .country = "JP"});
  Platform& b = world.addUser({.name = "Bob", .country = "JP"});
  const UserId idA = a.identity().selfId();
  LobbyId lobby = 0;
  CallResult<LobbyCreated> created([&](const LobbyCreated& e) { lobby = e.lobby; });
  ASSERT_NE(a.lobbies().create(4, created), 0u);
  ASSERT_TRUE(world.runUntil([&] { return !created.pending(); }, 120));
  ASSERT_TRUE(a.cloud().write("DCARD.UMS", Bytes(10, 1)));
  world.restartService(30);
  EXPECT_FALSE(a.identity().loggedOn());
  EXPECT_EQ(a.lobbies().owner(lobby), 0u);  // the mirror went with the connection
  ASSERT_TRUE(world.runUntil([&] { return a.identity().loggedOn() && b.identity().loggedOn(); }, 240));
  EXPECT_EQ(a.identity().selfId(), idA);
  JoinResponse response = JoinResponse::Success;
  CallResult<LobbyEntered> joined([&](const LobbyEntered& e) { response = e.response; });
  ASSERT_NE(b.lobbies().join(lobby, joined), 0u);
  ASSERT_TRUE(world.runUntil([&] { return !joined.pending(); }, 120));
  EXPECT_EQ(response, JoinResponse::DoesNotExist);
  EXPECT_EQ(a.cloud().size("DCARD.UMS"), 10);
}

TEST(NetPlatformService, ACallBeyondTheServicesRequestLimitIsRefusedUntilOneEnds) {
  lobbyd::LobbydConfig config = lobbyd::DefaultLobbydConfig();
  config.limits.outstandingRequests = 2;
  ServiceBackend world(config);
  Platform& a = world.addUser({.name = "Alice", .country = "JP"});
  world.dropAnswers(a, 2);  // the first two calls stay in flight until their bound
  const uint64_t requestsBefore = world.service().counters().requests;
  int ended = 0;
  CallResult<LobbyMatchList> first([&](const LobbyMatchList&) { ++ended; });
  CallResult<LobbyMatchList> second([&](const LobbyMatchList&) { ++ended; });
  CallResult<LobbyMatchList> third([&](const LobbyMatchList&) { ++ended; });
  ASSERT_NE(a.lobbies().search({}, first), 0u);
  ASSERT_NE(a.lobbies().search({}, second), 0u);
  EXPECT_EQ(a.lobbies().search({}, third), 0u);  // refused at once, nothing sent
  // Ended (a kick fails them at once rather than at their 15 s bound), calls go out again. The
  // kick waits until the service has read both, so neither withholding outlives it.
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return world.service().counters().requests >= requestsBefore + 2; }));
  world.service().kick(a.identity().selfId());
  ASSERT_TRUE(world.runUntil([&] { return ended == 2; }, 120));
  ASSERT_TRUE(ServiceBackend::waitFor([&] { return a.identity().loggedOn(); }, 4000ms));
  CallResult<LobbyMatchList> later([&](const LobbyMatchList&) { ++ended; });
  ASSERT_NE(a.lobbies().search({}, later), 0u);
  EXPECT_TRUE(world.runUntil([&] { return ended == 3; }, 120));
}

TEST(NetPlatformService, WithoutAServiceTheClientStaysLoggedOffAndShutsDownPromptly) {
  // A port nobody listens on: taken from a service that is gone.
  uint16_t port = 0;
  {
    lobbyd::Service s({.listen = "127.0.0.1:0"});
    ASSERT_TRUE(s.start());
    port = s.tcpPort();
  }
  net::NetOptions o;
  o.port = port;
  o.name = "Alone";
  net::NetPlatform p(o);
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(p.identity().loggedOn());
  EXPECT_FALSE(p.utils().networkAlive());
  EXPECT_EQ(p.cloud().size("X"), 0);
  const auto start = std::chrono::steady_clock::now();
  p.shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

}  // namespace
}  // namespace vt::online::test
