// Particle figures: the particle pass with drawing switched off (headless), in ns per live
// particle at 500, 2,000 and 4,000 live particles of the common kinds, and a spawn into a nearly
// full pool (the slot search and the spawn's draws) beside a spawn that a full pool refuses.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/particle_pool.h"

namespace {

// Sparks, debris, trail lines, dust and fans: the kinds hits and knock-downs fill the pool with.
constexpr int16_t kKinds[] = {257, 28, 258, 280, 7};

void Fill(int live) {
  ClearParticlePool();
  for (int i = 0; i < live; ++i) {
    Particle* p = i < kParticlePoolSize - kCallReservedSlots ? AllocParticle() : AllocCallParticle();
    p->kind = kKinds[i % 5];
    p->life = p->maxLife = 30000;
    p->x = 128 * i;
    p->y = -128 * 64;
    p->vx = static_cast<int16_t>(i % 97 - 48);
    p->vy = -300;
    p->ay = 10;
    p->p2 = 7;
  }
}

void BM_ParticlePass(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  g_BattleDrawSubmit = false;
  const int live = static_cast<int>(state.range(0));
  Fill(live);
  int64_t passes = 0;
  for (auto _ : state) {
    // Lives of 30000 frames: refill before any particle could end.
    if (++passes % 20000 == 0) {
      state.PauseTiming();
      Fill(live);
      state.ResumeTiming();
    }
    UpdateDrawParticles();
  }
  state.counters["per_particle"] = benchmark::Counter(
      static_cast<double>(live), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  ClearParticlePool();
}
BENCHMARK(BM_ParticlePass)->Arg(500)->Arg(2000)->Arg(4000);

// One drifting smoke puff (one slot, one common draw) into the last free ordinary slot, freed
// again after each spawn.
void BM_SpawnIntoNearlyFullPool(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  Fill(kParticlePoolSize - kCallReservedSlots - 1);
  const int32_t block[8] = {0, 0, 0, 0};
  Particle& last = g_ParticlePool[kParticlePoolSize - kCallReservedSlots - 1];
  for (auto _ : state) {
    SpawnParticleEffect(6, block, 0, nullptr);
    FreeParticle(last);
  }
  ClearParticlePool();
}
BENCHMARK(BM_SpawnIntoNearlyFullPool);

// The same request once the ordinary slots are all taken: the search finds nothing, no draw.
void BM_SpawnIntoFullPool(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  Fill(kParticlePoolSize - kCallReservedSlots);
  const int32_t block[8] = {0, 0, 0, 0};
  for (auto _ : state) SpawnParticleEffect(6, block, 0, nullptr);
  ClearParticlePool();
}
BENCHMARK(BM_SpawnIntoFullPool);

}  // namespace

BENCHMARK_MAIN();
