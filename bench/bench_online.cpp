// Online platform figures: dispatch, the simulated world's frame, lobby search, leaderboards on
// both stores and card writes on SQLite.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lobby/boards.h"
#include "lobby/lobbies.h"
#include "lobby/memory_store.h"
#include "lobbyd/sqlite_store.h"
#include "platform/online/dispatcher.h"
#include "platform/online/events.h"
#include "platform/online/sim/sim_world.h"

namespace {

using namespace vt::online;
using namespace vt::lobby;

struct Tick {
  int n = 0;
};

void BM_DispatchEvents(benchmark::State& state) {
  Dispatcher d;
  int64_t seen = 0;
  auto sub = d.subscribe<Tick>([&](const Tick&) { ++seen; });
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) d.post(Queue::Client, Tick{i});
    d.runCallbacks();
  }
  state.SetItemsProcessed(seen);
}
BENCHMARK(BM_DispatchEvents);

void BM_EmptyDrain(benchmark::State& state) {
  Dispatcher d;
  auto sub = d.subscribe<Tick>([](const Tick&) {});
  for (auto _ : state) benchmark::DoNotOptimize(d.runCallbacks());
}
BENCHMARK(BM_EmptyDrain);

// Three users each sending 60 packets a frame to the other two under 10% loss.
void BM_SimStepThreeUsersUnderLoss(benchmark::State& state) {
  sim::SimWorld world({.seed = 1});
  std::vector<sim::SimPlatform*> users;
  for (const char* name : {"A", "B", "C"}) users.push_back(&world.addUser({.name = name, .country = "JP"}));
  for (auto* a : users)
    for (auto* b : users)
      if (a != b) {
        world.link(*a, *b).set({.latencyMs = 30, .jitterMs = 10, .loss = 0.10});
        a->peers().acceptSession(b->identity().selfId());
      }
  std::vector<uint8_t> packet(64, 1), buffer(1200);
  for (auto _ : state) {
    for (auto* a : users) {
      for (int k = 0; k < 30; ++k)
        for (auto* b : users)
          if (a != b) a->peers().send(b->identity().selfId(), packet, 0);
      while (a->peers().nextPacketSize(0) != 0) a->peers().read(0, buffer);
      a->runCallbacks();
    }
    world.step();
  }
}
BENCHMARK(BM_SimStepThreeUsersUnderLoss)->Unit(benchmark::kMicrosecond);

void BM_RankSearch(benchmark::State& state) {
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  const int n = static_cast<int>(state.range(0));
  for (int i = 0; i < n; ++i) {
    const UserId owner = MakeId(IdKind::User, i + 1);
    const LobbyId id = MakeId(IdKind::Lobby, i + 1);
    book.create(owner, i % 3 == 0 ? "US" : "JP", 2, id);
    auto set = [&](const char* k, int v) { book.setData(owner, id, k, std::to_string(v), u); };
    set("GAME_VERSION", 3);
    set("PLAYER_PSR", 1000 + (i * 37) % 1000);
    set("SEARCH_PSR_MAX", 1800);
    set("SEARCH_PSR_MIN", 1200);
    set("PLAYER_AREA", 1);
    set("SEARCH_INCOMPLETER", 0);
    set("SEARCH_INCOMP_FILTER", 0);
    set("BTL_STARTED", 0);
    set("MATCH_TYPE", 0);
    book.setData(owner, id, "HOST_NAME", "host" + std::to_string(i), u);
    u.clear();
  }
  LobbyQuery q;
  q.distance = Distance::Close;
  auto num = [](const char* k, int32_t cmp, int64_t v) {
    return LobbyFilter{k, FilterKind::Numeric, cmp, {}, v};
  };
  q.filters = {num("GAME_VERSION", kEqual, 3),
               LobbyFilter{"PLAYER_PSR", FilterKind::Near, kEqual, {}, 1500},
               num("SEARCH_PSR_MAX", kGreaterEqual, 1500),
               num("SEARCH_PSR_MIN", kLessEqual, 1500),
               num("PLAYER_PSR", kGreaterEqual, 1300),
               num("PLAYER_PSR", kLessEqual, 1700),
               num("PLAYER_AREA", kEqual, 1),
               num("SEARCH_INCOMPLETER", kEqual, 0),
               num("SEARCH_INCOMP_FILTER", kEqual, 0),
               num("BTL_STARTED", kEqual, 0),
               LobbyFilter{"HOST_NAME", FilterKind::String, kNotEqual, "me", 0},
               num("MATCH_TYPE", kEqual, 0)};
  for (auto _ : state) benchmark::DoNotOptimize(book.search(q, "JP"));
}
BENCHMARK(BM_RankSearch)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

std::unique_ptr<Store> MakeStore(int kind, const std::string& name) {
  if (kind == 0) return std::make_unique<MemoryStore>();
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::filesystem::remove(path);
  return vt::lobbyd::SqliteStore::Open(path);
}

// Keep-best upload and around-user read on a board of 10^5 entries.
void BM_BoardAt100k(benchmark::State& state) {
  auto store = MakeStore(static_cast<int>(state.range(0)), "bench_board.db");
  const BoardHandle board = FindBoard("RANK_MATCH_POINT");
  for (int i = 0; i < 100000; ++i) {
    StoredEntry e{MakeId(IdKind::User, i + 1), (i * 7919) % 100000, {}, 0, store->nextSeq()};
    store->putEntry(board, e);
  }
  const bool upload = state.range(1) == 0;
  int64_t i = 0;
  for (auto _ : state) {
    const UserId user = MakeId(IdKind::User, 1 + (i * 104729) % 100000);
    if (upload)
      benchmark::DoNotOptimize(
          UploadScore(*store, board, user, UploadMethod::KeepBest, static_cast<int32_t>(i % 100000), {}));
    else
      benchmark::DoNotOptimize(DownloadScores(*store, board, user, DownloadKind::AroundUser, -5, 5, {}));
    ++i;
  }
  state.SetLabel(std::string(state.range(0) == 0 ? "memory " : "sqlite ") +
                 (upload ? "keep-best upload" : "around-user read"));
}
BENCHMARK(BM_BoardAt100k)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_SqliteCardWrites(benchmark::State& state) {
  auto store = MakeStore(1, "bench_cards.db");
  const std::vector<uint8_t> card(1640, 5);
  int64_t n = 0;
  for (auto _ : state) store->putFile(MakeId(IdKind::User, 1 + n++ % 100), "DCARD.UMS", card);
  state.SetItemsProcessed(n);
}
BENCHMARK(BM_SqliteCardWrites)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
