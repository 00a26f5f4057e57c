// Online platform figures: dispatch, the simulated world's frame (packets under loss, a lobby of
// six with voice), lobby search, leaderboards on both stores, card writes on SQLite, and the
// voice codec.
#include <benchmark/benchmark.h>

#include <cmath>
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
#include "platform/online/voice.h"

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

// A 440 Hz tone at 16 kHz, loud enough to pass the energy gate.
std::vector<int16_t> Tone(size_t samples) {
  std::vector<int16_t> pcm(samples);
  for (size_t i = 0; i < samples; ++i)
    pcm[i] = static_cast<int16_t>(
        8000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * static_cast<double>(i) / 16000.0));
  return pcm;
}

// Six users in one lobby; range(0) of them talk. Every frame each user sends what its microphone
// recorded to the other five and decompresses what it received at 11000 Hz, as the voice chat
// does.
void BM_SimStepSixInALobbyWithVoice(benchmark::State& state) {
  sim::SimWorld world({.seed = 1});
  std::vector<sim::SimPlatform*> users;
  for (const char* name : {"A", "B", "C", "D", "E", "F"})
    users.push_back(&world.addUser({.name = name, .country = "JP"}));
  LobbyId lobby = 0;
  CallResult<LobbyCreated> owned([&](const LobbyCreated& e) { lobby = e.lobby; });
  users[0]->lobbies().create(6, owned);
  while (lobby == 0) {
    users[0]->runCallbacks();
    world.step();
  }
  for (size_t i = 1; i < users.size(); ++i) {
    CallResult<LobbyEntered> joined([](const LobbyEntered&) {});
    users[i]->lobbies().join(lobby, joined);
    for (int f = 0; f < 4; ++f) {
      users[i]->runCallbacks();
      world.step();
    }
  }
  // The game accepts every session.
  for (auto* a : users)
    for (auto* b : users)
      if (a != b) a->peers().acceptSession(b->identity().selfId());
  const int talkers = static_cast<int>(state.range(0));
  const std::vector<int16_t> tone = Tone(16000);
  for (int t = 0; t < talkers; ++t) users[static_cast<size_t>(t)]->voice().startRecording();
  std::vector<uint8_t> voice(1024), packet(1200), pcm(64 * 1024);
  int64_t frame = 0;
  for (auto _ : state) {
    // The talkers never stop: a second more of the tone every second.
    if (frame++ % 60 == 0)
      for (int t = 0; t < talkers; ++t) world.speak(*users[static_cast<size_t>(t)], tone);
    for (auto* a : users) {
      uint32_t n = 0;
      if (a->voice().get(voice, n) == VoiceResult::Ok && n != 0)
        for (auto* b : users)
          if (a != b) a->peers().send(b->identity().selfId(), std::span<const uint8_t>(voice.data(), n), 0);
      while (a->peers().nextPacketSize(0) != 0) {
        const PacketRead r = a->peers().read(0, packet);
        uint32_t written = 0;
        if (r.ok) a->voice().decompress(std::span<const uint8_t>(packet.data(), r.size), pcm, written, 11000);
      }
      a->runCallbacks();
    }
    world.step();
  }
  state.SetLabel(std::to_string(talkers) + " talking");
}
BENCHMARK(BM_SimStepSixInALobbyWithVoice)->Arg(1)->Arg(6)->Unit(benchmark::kMicrosecond);

// Encoding one 20 ms frame of the tone; the counter gives the compressed bytes per second.
void BM_OpusEncodeFrame(benchmark::State& state) {
  VoiceRecorder recorder;
  recorder.start();
  const std::vector<int16_t> tone = Tone(kVoiceFrameSamples * 500);
  std::vector<uint8_t> out(1024);
  uint64_t bytes = 0, frames = 0;
  size_t at = 0;
  for (auto _ : state) {
    recorder.feed(std::span<const int16_t>(tone.data() + at, kVoiceFrameSamples));
    at = (at + kVoiceFrameSamples) % tone.size();
    uint32_t n = 0;
    recorder.get(out, n);
    bytes += n;
    ++frames;
  }
  // 50 frames make a second of voice.
  state.counters["bytes_per_second"] = static_cast<double>(bytes) * 50.0 / static_cast<double>(frames);
}
BENCHMARK(BM_OpusEncodeFrame)->Unit(benchmark::kMicrosecond);

// Decompressing one 20 ms record to 11000 Hz, as the game asks.
void BM_OpusDecodeFrame(benchmark::State& state) {
  VoiceRecorder recorder;
  recorder.start();
  const std::vector<int16_t> tone = Tone(kVoiceFrameSamples * 10);
  recorder.feed(tone);
  std::vector<uint8_t> stream(1024);
  uint32_t n = 0;
  recorder.get(stream, n);
  // One record: its u16 length and the frame.
  const size_t first = stream[0] | size_t{stream[1]} << 8;
  std::vector<uint8_t> pcm(4096);
  for (auto _ : state) {
    uint32_t written = 0;
    benchmark::DoNotOptimize(
        DecompressVoice(std::span<const uint8_t>(stream.data(), first + 2), pcm, written, 11000));
  }
}
BENCHMARK(BM_OpusDecodeFrame)->Unit(benchmark::kMicrosecond);

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
