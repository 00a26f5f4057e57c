// Battle figures: the update half alone with two sample characters and a busy pool of 200 and
// of 1,000 live objects (frames simulated per second headless), the whole frame with the
// drawing half, the state hash over its own busy pools and side by side with the update, and
// the character load on the loader thread. Run from the repository or with VT_SAMPLE_DIR set.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/lib_debug.h"
#include "battle/battle_driver.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/object_pool.h"

namespace {

std::filesystem::path SampleDir() {
  if (const char* env = std::getenv("VT_SAMPLE_DIR")) return env;
  return std::filesystem::path("build") / "gamedata";
}

bool Ready() {
  static bool ok = [] {
    vt::SetDebugQuiet(true);
    std::error_code ec;
    std::filesystem::current_path(SampleDir(), ec);
    return !ec && HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false);
  }();
  return ok;
}

int LivePoolObjects() {
  int live = 0;
  for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
  return live;
}

// Starts a fresh round and runs the scripted match until `target` pool objects are live (at
// most 200 come from play), so every benchmark that needs a busy pool builds its own whatever
// ran before it. Beyond 200 the free slots take copies of the live objects (orbs and their
// effects in mid-flight), as a pool filled by a long exchange would hold. Returns the number
// reached.
int MakePoolBusy(int target) {
  const HarnessScript script = HarnessDefaultScript(3);
  HarnessPrepareRound();
  // The duelist's orb special ("236A", every 40 frames) keeps the pool filling.
  const HarnessScript fire = [&script](uint32_t frame, int side) {
    HarnessPad p = script(frame, side);
    const uint32_t t = frame % 40;
    if (side == 1 && t < 9) {
      static constexpr uint8_t kQuarter[3] = {2, 1, 4};  // down, down-forward, forward facing left
      p.dir = kQuarter[t / 3];
      p.buttons = t == 8 ? 0x1 : 0;
    }
    return p;
  };
  for (int i = 0; i < 20000 && LivePoolObjects() < std::min(target, 200); ++i) {
    HarnessRunFrame(fire);
    for (ObjectPoolSlot& s : g_ObjectPool)
      if (s.inUse && s.obj.kind == 255) s.obj.flags &= static_cast<uint16_t>(~0x0004);  // keep them alive
  }
  std::vector<int> live;
  for (int i = 0; i < kObjectPoolSize; ++i)
    if (g_ObjectPool[i].inUse) live.push_back(i);
  size_t next = 0;
  for (int i = 0; i < kObjectPoolSize && !live.empty() && LivePoolObjects() < target; ++i) {
    if (g_ObjectPool[i].inUse) continue;
    g_ObjectPool[i] = g_ObjectPool[live[next++ % live.size()]];
    NotePoolSlotTaken(g_ObjectPool[i]);
  }
  return LivePoolObjects();
}

void BM_BattleUpdate(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  for (auto _ : state) BattleUpdate();
  state.counters["pool"] = LivePoolObjects();
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BattleUpdate)->ArgName("live")->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_BattleFrameWithDrawingHalf(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(200);
  for (auto _ : state) {
    BattleUpdate();
    BattleDrawHalf();
  }
}
BENCHMARK(BM_BattleFrameWithDrawingHalf)->Unit(benchmark::kMicrosecond);

// Both characters acting from the scripted pads (walks, jumps, normals, chains, the orb
// special) through the control rules and the command list: update and drawing half.
void BM_BattleFrameScripted(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  const HarnessScript script = HarnessDefaultScript(5);
  HarnessPrepareRound();
  for (auto _ : state) benchmark::DoNotOptimize(HarnessRunFrame(script));
}
BENCHMARK(BM_BattleFrameScripted)->Unit(benchmark::kMicrosecond);

void BM_BattleStateHash(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(BattleStateHash());
  state.counters["pool"] = LivePoolObjects();
}
BENCHMARK(BM_BattleStateHash)->ArgName("live")->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The hash against the update it checks, frame by frame over the same busy pool: each
// iteration is one update followed by one hash; the counters give both in microseconds per
// frame and the hash's share.
void BM_HashAgainstUpdate(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  MakePoolBusy(static_cast<int>(state.range(0)));
  using Clock = std::chrono::steady_clock;
  double update = 0.0, hash = 0.0;
  int64_t live = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    BattleUpdate();
    const Clock::time_point t1 = Clock::now();
    benchmark::DoNotOptimize(BattleStateHash());
    const Clock::time_point t2 = Clock::now();
    update += std::chrono::duration<double, std::micro>(t1 - t0).count();
    hash += std::chrono::duration<double, std::micro>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    live += LivePoolObjects();
  }
  const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["pool"] = static_cast<double>(live) / n;
  state.counters["update us"] = update / n;
  state.counters["hash us"] = hash / n;
  state.counters["hash/update"] = update > 0.0 ? hash / update : 0.0;
}
BENCHMARK(BM_HashAgainstUpdate)
    ->ArgName("live")
    ->Arg(200)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_CharacterLoadOnThread(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  int64_t held = 0;
  for (auto _ : state) {
    state.PauseTiming();
    HarnessRelease();
    const int64_t before = static_cast<int64_t>(mallinfo2().uordblks);
    state.ResumeTiming();
    HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, true);
    held = static_cast<int64_t>(mallinfo2().uordblks) - before;
  }
  // Heap held after a load of the two characters (and the common effects they share), per
  // character; textures made on a GL device come on top.
  state.counters["KiB per character"] = static_cast<double>(held) / 2.0 / 1024.0;
}
BENCHMARK(BM_CharacterLoadOnThread)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
