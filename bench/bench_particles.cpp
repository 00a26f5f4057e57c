// Particle figures: the particle pass with drawing switched off (headless), in ns per live
// particle at 500, 2,000 and 4,000 live particles of the common kinds, and a spawn into a nearly
// full pool (the slot search and the spawn's draws) beside a spawn that a full pool refuses.
// The drawing: the pass over 500, 2,000 and 4,000 live particles of mixed drawn kinds queueing
// on the recording device (us per frame), the same pass rendered on the GL device on a hidden
// window (llvmpipe offscreen; ms per frame, wall clock), and the quad commands each ring kind
// queues. Last, a busy battle frame: the two sample fighters mid-match with four afterimages
// each, 500 more drawn particles, a combo counter with its banners and the counter banner, on
// the recording device (us per frame, commands queued) and rendered into the scene target on
// the GL device (ms per frame, wall clock). The GL figures sample the generated textures: run
// from the repository or with VT_SAMPLE_DIR set.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle/particle_draw.h"
#include "battle/particle_pool.h"
#include "bench_gl_device.h"

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

// ---- drawing ----

std::filesystem::path SampleDir() {
  if (const char* env = std::getenv("VT_SAMPLE_DIR")) return env;
  return std::filesystem::path("build") / "gamedata";
}

// The recording device with the draw-list manager started; false (the benchmark skipped)
// without one.
bool StartRecordingDevice(benchmark::State& state) {
  if (InitD3DTools() != 1) {
    state.SkipWithError("no device tools");
    return false;
  }
  DeviceRequest request;
  request.window = nullptr;
  if (CreateD3DDevice(request) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread()) {
    ShutdownD3DTools();
    state.SkipWithError("no recording device");
    return false;
  }
  InitGrpManager();
  return true;
}

// The GL device on a hidden 1280 x 720 window, run from the sample folder.
struct GlBench {
  SDL_Window* window = nullptr;
  std::filesystem::path before;

  bool Start(benchmark::State& state) {
    vt::SetDebugQuiet(true);
    before = std::filesystem::current_path();
    std::error_code ec;
    std::filesystem::current_path(SampleDir(), ec);
    if (ec) {
      state.SkipWithError("sample data not found");
      return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      state.SkipWithError(SDL_GetError());
      return false;
    }
    window = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !StartBenchDevice(window)) {
      if (window) SDL_DestroyWindow(window);
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      state.SkipWithError("no GL device");
      return false;
    }
    return true;
  }
  void Stop() {
    ShutdownGrpManager();
    ShutdownD3DTools();
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    std::error_code ec;
    std::filesystem::current_path(before, ec);
  }
};

// The drawn kinds a busy fight shows: sparks, smoke, dust, flash, trail lines, beams and rings
// (a shock ring, a textured ring, a sparkle ring, a flat ring), each at a life of 30000 of 60000
// so every law draws at mid-fade.
struct DrawnKind {
  int16_t kind;
  int32_t p0, p1, p2, p4;
};
constexpr DrawnKind kDrawnKinds[] = {
    {257, 0, 0, 0, 0},    {259, 0, 0, 0, 0}, {280, 0, 0, 0, 0}, {272, 0, 3, 2, 0}, {258, 0, 0, 0, 1},
    {261, 40, 20, 60, 0}, {0, 0, 0, 0, 0},   {9, 0, 0, 0, 0},   {12, 30, 0, 0, 0}, {262, 1, 0, 0, 0}};

void FillDrawn(int live) {
  ClearParticlePool();
  for (int i = 0; i < live; ++i) {
    Particle* p = i < kParticlePoolSize - kCallReservedSlots ? AllocParticle() : AllocCallParticle();
    const DrawnKind& k = kDrawnKinds[i % std::size(kDrawnKinds)];
    p->kind = k.kind;
    p->maxLife = 30000;
    p->life = 29990;
    p->p0 = k.p0, p->p1 = k.p1, p->p2 = k.p2, p->p4 = k.p4;
    p->x = 128 * ((i * 37) % 640 - 320);
    p->y = -128 * ((i * 53) % 400);
  }
}

// The rings have radii that grow with the age: keep the particles at one age by putting the
// lives back (the pass lowers them by one) outside the timing.
void KeepAges() {
  for (int i = 0; i < g_ParticleHighWater; ++i)
    if (g_ParticlePool[i].inUse) g_ParticlePool[i].life = 29990;
}

void BM_ParticleDrawRecording(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  if (!StartRecordingDevice(state)) return;
  g_BattleDrawSubmit = true;
  const int live = static_cast<int>(state.range(0));
  FillDrawn(live);
  uint32_t queued = 0;
  for (auto _ : state) {
    UpdateDrawParticles();
    state.PauseTiming();
    queued = g_MainDrawList.nextFree;
    ResetDrawList(&g_MainDrawList);
    KeepAges();
    state.ResumeTiming();
  }
  state.counters["commands"] = queued;
  ClearParticlePool();
  ShutdownGrpManager();
  ShutdownD3DTools();
}
BENCHMARK(BM_ParticleDrawRecording)->Arg(500)->Arg(2000)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_ParticleDrawGl(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  GlBench gl;
  if (!gl.Start(state)) return;
  LoadSystemEffectTextures();
  g_BattleDrawSubmit = true;
  const int live = static_cast<int>(state.range(0));
  FillDrawn(live);
  // The first frame compiles the shaders and uploads the textures: keep it out of the figure.
  UpdateDrawParticles();
  RunDrawList(&g_MainDrawList);
  glFinish();
  ResetDrawList(&g_MainDrawList);
  KeepAges();
  for (auto _ : state) {
    UpdateDrawParticles();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
    RunDrawList(&g_MainDrawList);
    PresentFrame(g_D3DManager, 0.0f);
    glFinish();
    state.PauseTiming();
    ResetDrawList(&g_MainDrawList);
    KeepAges();
    state.ResumeTiming();
  }
  ClearParticlePool();
  FreeSystemEffectTextures();
  gl.Stop();
}
BENCHMARK(BM_ParticleDrawGl)->Arg(500)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Quad commands per ring kind (one particle at mid-life), as counters.
void BM_RingKindCommands(benchmark::State& state) {
  ResetAllBattleGlobals();
  if (!StartRecordingDevice(state)) return;
  g_BattleDrawSubmit = true;
  constexpr int16_t kRings[] = {0, 1, 2, 3, 4, 9, 10, 12, 13, 14, 15, 262, 264, 273};
  for (auto _ : state) {
    for (int16_t kind : kRings) {
      Particle p{};
      p.inUse = 1;
      p.kind = kind;
      p.life = 10;
      p.maxLife = 20;
      p.p0 = 1, p.p1 = 1, p.p4 = 20;
      DrawParticle(p, 0, 0);
      state.counters["kind_" + std::to_string(kind)] = g_MainDrawList.nextFree;
      ResetDrawList(&g_MainDrawList);
    }
  }
  ShutdownGrpManager();
  ShutdownD3DTools();
}
BENCHMARK(BM_RingKindCommands)->Iterations(1);

// ---- a busy battle frame ----

// The sample match 300 frames in (the fighters trading blows), four afterimages behind each
// fighter, 500 drawn particles added to what the fight spawned, and side 0's 3-hit counter with a
// banner and side 1's counter banner kept up. Each benchmark frame is one whole battle frame
// (update and drawing half) of the scripted match.
bool StartBusyMatch() {
  vt::SetDebugQuiet(true);
  std::error_code ec;
  std::filesystem::current_path(SampleDir(), ec);
  if (ec) return false;
  if (!HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree)) return false;
  const HarnessScript script = HarnessDefaultScript(11);
  for (int i = 0; i < 300; ++i) {
    HarnessRunFrame(script);
    ResetDrawList(&g_MainDrawList);
  }
  const uint8_t colours[2] = {1, 8};
  for (int s = 0; s < 2; ++s) {
    BattleObject& o = g_PlayerRecords[s].obj;
    o.trailStride = 4;
    o.trailCount = 4;
    o.trailColour = colours[s];
    o.trailReset = 1;
  }
  for (int i = 0; i < 500; ++i) {
    Particle* p = AllocParticle();
    if (!p) break;
    const DrawnKind& k = kDrawnKinds[i % std::size(kDrawnKinds)];
    p->kind = k.kind;
    p->maxLife = 30000;
    p->life = 29990;
    p->p0 = k.p0, p->p1 = k.p1, p->p2 = k.p2, p->p4 = k.p4;
    p->x = 128 * ((i * 37) % 640 - 320);
    p->y = -128 * ((i * 53) % 400);
  }
  return true;
}

// Keeps the HUD pieces up whatever the fight does to them.
void KeepHudBusy() {
  ComboRecord& r = g_SideStatus[0].combos[g_SideStatus[0].comboIndex & 7];
  r.hits = 3;
  r.damage = 1450;
  if (g_SideStatus[1].counterBanner < 10) g_SideStatus[1].counterBanner = 60;
}

void BusyFrames(benchmark::State& state, const HarnessScript& script, bool gl) {
  uint32_t queued = 0;
  // The first GL frame compiles the shaders and uploads the textures: keep it out of the figure.
  if (gl) {
    HarnessRunFrame(script);
    RenderDrawList(g_MainDrawList.slots);
    ReleaseEffectTags();
    glFinish();
    ResetDrawList(&g_MainDrawList);
  }
  for (auto _ : state) {
    if (gl) {
      BindSceneRenderTargets();
      ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
    }
    HarnessRunFrame(script);
    queued = g_MainDrawList.nextFree;
    if (gl) {
      RenderDrawList(g_MainDrawList.slots);
      ReleaseEffectTags();
      glFinish();
    }
    state.PauseTiming();
    ResetDrawList(&g_MainDrawList);
    KeepAges();
    KeepHudBusy();
    state.ResumeTiming();
  }
  state.counters["commands"] = queued;
}

void BM_BusyBattleFrameRecording(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  if (!StartRecordingDevice(state)) return;
  g_BattleDrawSubmit = true;
  const std::filesystem::path before = std::filesystem::current_path();
  if (StartBusyMatch()) {
    KeepHudBusy();
    BusyFrames(state, HarnessDefaultScript(11), false);
  } else {
    state.SkipWithError("sample match not loaded");
  }
  HarnessRelease();
  ClearParticlePool();
  ShutdownGrpManager();
  ShutdownD3DTools();
  std::filesystem::current_path(before);
}
BENCHMARK(BM_BusyBattleFrameRecording)->Unit(benchmark::kMicrosecond);

void BM_BusyBattleFrameGl(benchmark::State& state) {
  ResetAllBattleGlobals();
  SeedRandomGeneratorsFrom(1);
  GlBench gl;
  if (!gl.Start(state)) return;
  LoadShaderEffects();
  const bool targets = CreateFrameRenderTargets() == 1;
  LoadSystemEffectTextures();
  const bool hud = LoadBattleHudTextures() == 1;
  g_BattleDrawSubmit = true;
  if (!targets || !hud) {
    state.SkipWithError("no scene targets or HUD sheets");
  } else if (StartBusyMatch()) {
    KeepHudBusy();
    BusyFrames(state, HarnessDefaultScript(11), true);
  } else {
    state.SkipWithError("sample match not loaded");
  }
  HarnessRelease();
  ClearParticlePool();
  FreeBattleHudTextures();
  FreeSystemEffectTextures();
  FlushHan6TextureCache();
  FreeFrameRenderTargets();
  FreeShaderEffects();
  gl.Stop();
}
BENCHMARK(BM_BusyBattleFrameGl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
