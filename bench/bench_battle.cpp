// Battle figures: the update half alone with two sample characters and a busy pool (frames
// simulated per second headless), the whole frame with the drawing half, the state hash, and
// the character load on the loader thread. Run from the repository or with VT_SAMPLE_DIR set.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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

// Runs the scripted match until about 200 pool objects are live.
void MakePoolBusy(const HarnessScript& script) {
  HarnessPrepareRound();
  for (int i = 0; i < 20000; ++i) {
    int live = 0;
    for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
    if (live >= 200) return;
    // The duelist's orb special ("236A", every 40 frames) keeps the pool filled.
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
    HarnessRunFrame(fire);
    for (ObjectPoolSlot& s : g_ObjectPool)
      if (s.inUse && s.obj.kind == 255) s.obj.flags &= static_cast<uint16_t>(~0x0004);  // keep them alive
  }
}

void BM_BattleUpdate(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  const HarnessScript script = HarnessDefaultScript(3);
  MakePoolBusy(script);
  for (auto _ : state) BattleUpdate();
  int live = 0;
  for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
  state.counters["pool"] = live;
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BattleUpdate)->Unit(benchmark::kMicrosecond);

void BM_BattleFrameWithDrawingHalf(benchmark::State& state) {
  if (!Ready()) return state.SkipWithError("sample data not found");
  const HarnessScript script = HarnessDefaultScript(3);
  MakePoolBusy(script);
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
  for (auto _ : state) benchmark::DoNotOptimize(BattleStateHash());
}
BENCHMARK(BM_BattleStateHash)->Unit(benchmark::kMicrosecond);

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
