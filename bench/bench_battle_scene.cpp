// Battle scene benchmarks on the scene harness: a battle-scene frame of the scripted match (battle
// passes, HUD, stage, calls) through the game's logic frame on the recording device, median and
// p99; frames per second of the whole scripted match headless, unpaced; the same frame rendered on
// GL at 1280 x 720 (letterbox and panels; headless llvmpipe with SDL_VIDEODRIVER=offscreen); and
// start-up's battle steps. Run from the build folder (the sample folder is ./gamedata, or
// VT_SAMPLE_DIR).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_draw.h"
#include "battle/battle_tables.h"
#include "battle/character_draw.h"
#include "battle/particle_draw.h"
#include "scene/call_overlays.h"
#include "scene/match_driver.h"
#include "scene/scene_frame.h"

namespace {

GameData g_config{};

bool EnterSampleFolder() {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  vt::SetDebugQuiet(true);
  FillDefaultGameData(g_config);
  g_config.modes[0] = ModeRecord{2, 2, 2, 4, 0};
  g_config.modes[1] = ModeRecord{2, 2, 2, 4, 0};
  g_GameData = &g_config;
  return !ec;
}

DrivenMatchSetup Versus() {
  DrivenMatchSetup s;
  for (int i = 0; i < 2; ++i) {
    s.sides[i].character = 1;
    s.sides[i].side = i;
    s.sides[i].color = i;
    s.sides[i].decided = 1;
  }
  s.stage = 1;
  s.seed = 5;
  return s;
}

// Frames of the scripted match, each timed; the match restarts when it ends.
void SceneFrames(benchmark::State& state, bool gl) {
  SceneHarness harness;
  SceneHarnessOptions o;
  o.gl = gl;
  o.commonResources = true;
  if (!EnterSampleFolder() || !harness.Start(o) || !StartDrivenMatch(harness, Versus())) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  g_BattleDrawSubmit = true;
  const HarnessScript script = HarnessScriptedMatch();
  for (int i = 0; i < 300; ++i) RunDrivenFrame(harness, script);  // into the fight
  std::vector<double> us;
  const uint64_t callsBefore = g_D3DDevice ? g_D3DDevice->DrawCallCount() : 0;
  for (auto _ : state) {
    if (g_SceneId != SCENE_BATTLE) {
      state.PauseTiming();
      EndDrivenMatch(harness);
      StartDrivenMatch(harness, Versus());
      state.ResumeTiming();
    }
    const auto t0 = std::chrono::steady_clock::now();
    RunDrivenFrame(harness, script);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(us.begin(), us.end());
  if (!us.empty()) {
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    if (g_D3DDevice)
      state.counters["draw_calls"] =
          static_cast<double>(g_D3DDevice->DrawCallCount() - callsBefore) / us.size();
  }
  EndDrivenMatch(harness);
  harness.Stop();
}

void BM_BattleSceneFrameRecording(benchmark::State& state) { SceneFrames(state, false); }
BENCHMARK(BM_BattleSceneFrameRecording)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_BattleSceneFrameGl(benchmark::State& state) { SceneFrames(state, true); }
BENCHMARK(BM_BattleSceneFrameGl)->Iterations(300)->Unit(benchmark::kMillisecond);

// The whole scripted match headless (no queueing), unpaced: frames per second.
void BM_WholeMatchHeadless(benchmark::State& state) {
  SceneHarness harness;
  SceneHarnessOptions o;
  o.commonResources = true;
  if (!EnterSampleFolder() || !harness.Start(o)) {
    state.SkipWithError("no sample folder");
    return;
  }
  g_BattleDrawSubmit = false;
  int64_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    StartDrivenMatch(harness, Versus());
    state.ResumeTiming();
    frames += RunDrivenMatch(harness, HarnessScriptedMatch(), 20000).frames;
    state.PauseTiming();
    EndDrivenMatch(harness);
    state.ResumeTiming();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
  g_BattleDrawSubmit = true;
  harness.Stop();
}
BENCHMARK(BM_WholeMatchHeadless)->Iterations(3)->Unit(benchmark::kMillisecond);

// Start-up's battle steps: the system effects with the calls' graphics, the HUD and KO graphics,
// the default panels and the battle tables, on the recording device.
void BM_StartUpBattleSteps(benchmark::State& state) {
  SceneHarness harness;
  if (!EnterSampleFolder() || !harness.Start()) {
    state.SkipWithError("no sample folder");
    return;
  }
  for (auto _ : state) {
    LoadSystemEffectTextures();
    LoadBattleHudTextures();
    LoadKoEffectGraphics();
    LoadDefaultSidePanels();
    LoadVectorTable();
    LoadTypeFile();
    state.PauseTiming();
    FreeKoEffectGraphics();
    FreeBattleHudTextures();
    FreeSystemEffectTextures();
    FreeSidePanels();
    FreeVectorTable();
    state.ResumeTiming();
  }
  harness.Stop();
}
BENCHMARK(BM_StartUpBattleSteps)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
