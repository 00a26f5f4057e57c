// Delivery rules of call results and events: only inside the drains, FIFO, never to a cancelled
// or destroyed CallResult, a rebinding cancels, events queued during a drain wait.
#include "platform/online/dispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/online/events.h"

namespace vt::online {
namespace {

struct Ping {
  int n = 0;
};

TEST(Dispatcher, AResultArrivesOnlyInsideTheDrainWithItsHandleCleared) {
  Dispatcher d;
  std::vector<std::string> log;
  CallResult<LobbyCreated>* self = nullptr;
  CallResult<LobbyCreated> created([&](const LobbyCreated& e) {
    log.push_back("created " + std::to_string(e.lobby) + " handle " + std::to_string(self->handle()) +
                  (self->pending() ? " pending" : " idle"));
  });
  self = &created;
  CallHandle h = d.bind(created);
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(created.pending());
  d.complete(h, LobbyCreated{Result::Ok, 42});
  EXPECT_TRUE(log.empty());  // completing never delivers
  EXPECT_EQ(d.runVerifierCallbacks(), 0u);
  EXPECT_TRUE(log.empty());  // nor does the other queue
  EXPECT_EQ(d.runCallbacks(), 1u);
  EXPECT_EQ(log, (std::vector<std::string>{"created 42 handle 0 idle"}));
  EXPECT_EQ(d.runCallbacks(), 0u);
  EXPECT_EQ(log.size(), 1u);  // delivered once
}

// The owners' ways of withdrawing from a call: every one leaves the result undelivered and hands
// it to the backend's undo instead.
TEST(Dispatcher, CancelledDestroyedOrReboundResultsNeverFire) {
  struct Row {
    const char* name;
    int action;  // 0 cancel, 1 destroy, 2 rebind
  };
  for (const Row& row : {Row{"cancel", 0}, Row{"destroy", 1}, Row{"rebind", 2}}) {
    SCOPED_TRACE(row.name);
    Dispatcher d;
    std::vector<int64_t> delivered;
    int undone = 0;
    auto result = std::make_unique<CallResult<LobbyCreated>>(
        [&](const LobbyCreated& e) { delivered.push_back(static_cast<int64_t>(e.lobby)); });
    CallHandle first = d.bind(*result);
    d.complete(first, LobbyCreated{Result::Ok, 1}, [&] { ++undone; });
    if (row.action == 0) result->cancel();
    if (row.action == 1) result.reset();
    if (row.action == 2) {
      CallHandle second = d.bind(*result);
      EXPECT_NE(second, first);
      d.complete(second, LobbyCreated{Result::Ok, 2}, [&] { ++undone; });
    }
    if (result) {
      EXPECT_EQ(result->pending(), row.action == 2);
    }
    d.runCallbacks();
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(delivered, row.action == 2 ? std::vector<int64_t>{2} : std::vector<int64_t>{});
    EXPECT_TRUE(d.pendingCalls().empty());
  }
}

TEST(Dispatcher, ResultsAndEventsComeInOrderAndEveryOneQueuedDuringADrainWaits) {
  Dispatcher d;
  std::vector<std::string> log;
  CallResult<LobbyCreated> created([&](const LobbyCreated& e) {
    log.push_back("created " + std::to_string(e.lobby));
    d.post(Queue::Client, Ping{99});  // queued inside the drain
  });
  auto first = d.subscribe<Ping>([&](const Ping& p) { log.push_back("first " + std::to_string(p.n)); });
  auto second = d.subscribe<Ping>([&](const Ping& p) { log.push_back("second " + std::to_string(p.n)); });
  d.post(Queue::Client, Ping{1});
  d.complete(d.bind(created), LobbyCreated{Result::Ok, 7});
  d.post(Queue::Client, Ping{2});
  EXPECT_EQ(d.runCallbacks(), 3u);
  EXPECT_EQ(log, (std::vector<std::string>{"first 1", "second 1", "created 7", "first 2", "second 2"}));
  log.clear();
  second.reset();
  EXPECT_EQ(d.runCallbacks(), 1u);
  EXPECT_EQ(log, (std::vector<std::string>{"first 99"}));
}

TEST(Dispatcher, VerdictsComeOnlyFromTheVerifierQueue) {
  Dispatcher d;
  std::vector<UserId> verdicts;
  auto sub = d.subscribe<TicketVerdict>([&](const TicketVerdict& v) { verdicts.push_back(v.user); });
  d.post(Queue::Verifier, TicketVerdict{5, TicketResponse::Ok});
  d.runCallbacks();
  EXPECT_TRUE(verdicts.empty());
  d.runVerifierCallbacks();
  EXPECT_EQ(verdicts, std::vector<UserId>{5});
}

TEST(Dispatcher, AHandlerMayDestroyItsOwnResultAndStartTheNextCall) {
  Dispatcher d;
  int calls = 0;
  std::unique_ptr<CallResult<LobbyEntered>> owned;
  owned = std::make_unique<CallResult<LobbyEntered>>([&](const LobbyEntered&) {
    ++calls;
    owned.reset();
  });
  d.complete(d.bind(*owned), LobbyEntered{3, JoinResponse::Success});
  d.runCallbacks();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(owned, nullptr);

  // Rebinding from inside the handler: the new call is pending after it returns.
  CallResult<LobbyEntered>* again = nullptr;
  CallHandle next = 0;
  CallResult<LobbyEntered> chained([&](const LobbyEntered&) { next = d.bind(*again); });
  again = &chained;
  d.complete(d.bind(chained), LobbyEntered{3, JoinResponse::Success});
  d.runCallbacks();
  EXPECT_NE(next, 0u);
  EXPECT_TRUE(chained.pending());
  EXPECT_EQ(chained.handle(), next);
}

TEST(Dispatcher, OwnersThatOutliveTheDispatcherAreLeftIdle) {
  CallResult<BoardFound> found([](const BoardFound&) { FAIL(); });
  Subscription<Ping> sub;
  {
    Dispatcher d;
    d.complete(d.bind(found), BoardFound{1, true});
    sub = d.subscribe<Ping>([](const Ping&) { FAIL(); });
    d.post(Queue::Client, Ping{});
  }
  EXPECT_FALSE(found.pending());
  found.cancel();
  sub.reset();
}

TEST(Dispatcher, ClearDropsTheQueuesAndEndsPendingCalls) {
  Dispatcher d;
  int delivered = 0;
  CallResult<StatsStored> stored([&](const StatsStored&) { ++delivered; });
  auto sub = d.subscribe<Ping>([&](const Ping&) { ++delivered; });
  CallHandle h = d.bind(stored);
  d.post(Queue::Client, Ping{});
  d.clear();
  d.complete(h, StatsStored{1, Result::Ok});  // a late answer after shutdown
  d.runCallbacks();
  EXPECT_EQ(delivered, 0);
  EXPECT_FALSE(stored.pending());
}

}  // namespace
}  // namespace vt::online
