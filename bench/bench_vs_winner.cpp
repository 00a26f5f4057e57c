// VS screen benchmarks on the scene harness: the loader thread's wall time for the two sample
// characters and the stage against the 564-frame show, with the longest logic frame while it
// loads (recording device, and rendered on GL at 1280 x 720: headless llvmpipe with
// SDL_VIDEODRIVER=offscreen); and the VS frame with its cut-in composition, median and p99, on
// the recording device and on GL. Run from the build folder (the sample folder is ./gamedata, or
// VT_SAMPLE_DIR).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/lib_debug.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_draw.h"
#include "battle/battle_harness.h"
#include "battle/chara_loader.h"
#include "scene/game_modes.h"
#include "scene/match_driver.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"
#include "scene/vs_presentation.h"
#include "scene/vs_screen.h"

namespace {

GameData g_config{};

bool EnterSampleFolder() {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  vt::SetDebugQuiet(true);
  FillDefaultGameData(g_config);
  g_GameData = &g_config;
  return !ec;
}

bool StartHarness(SceneHarness& harness, bool gl) {
  SceneHarnessOptions o;
  o.gl = gl;
  o.commonResources = true;
  o.firstScene = SCENE_OPTION;
  if (!EnterSampleFolder() || !harness.Start(o)) return false;
  ResetAllBattleGlobals();
  return HarnessLoadCharaList() && LoadBgList() == 1;
}

void EnterVsScreen() {
  StartVsPlayer(0);
  for (int i = 0; i < 2; ++i) {
    g_PlayerSelections[i] = PlayerSelection{};
    g_PlayerSelections[i].character = 1 - i;
    g_PlayerSelections[i].side = i;
    g_PlayerSelections[i].color = i;
    g_PlayerSelections[i].decided = 1;
  }
  g_MatchStage = 1;
  ChangeScene(SCENE_VS_SCREEN);
}

// From the entry until the loader reports its end: wall time, frames run and the longest frame.
void LoaderAgainstShow(benchmark::State& state, bool gl) {
  SceneHarness harness;
  if (!StartHarness(harness, gl)) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  g_BattleDrawSubmit = true;
  double loadMs = 0, longestMs = 0, frames = 0;
  for (auto _ : state) {
    EnterVsScreen();
    const auto start = std::chrono::steady_clock::now();
    int n = 0;
    double longest = 0;
    do {
      const auto t0 = std::chrono::steady_clock::now();
      harness.RunFrame();
      longest = std::max(
          longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      ++n;
    } while (GetCharaDataLoader().HasThread() && !GetCharaDataLoader().IsFinished() && n < 100000);
    loadMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    longestMs = std::max(longestMs, longest);
    frames += n;
    state.PauseTiming();
    harness.LeaveScene();
    g_SceneId = SCENE_OPTION;
    state.ResumeTiming();
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["load_ms"] = loadMs / runs;
  state.counters["show_ms"] = 564.0 * 1000.0 / 60.0;
  state.counters["frames_while_loading"] = frames / runs;
  state.counters["longest_frame_ms"] = longestMs;
  harness.Stop();
}

void BM_VsLoaderAgainstShowRecording(benchmark::State& state) { LoaderAgainstShow(state, false); }
BENCHMARK(BM_VsLoaderAgainstShowRecording)->Iterations(3)->Unit(benchmark::kMillisecond);
void BM_VsLoaderAgainstShowGl(benchmark::State& state) { LoaderAgainstShow(state, true); }
BENCHMARK(BM_VsLoaderAgainstShowGl)->Iterations(2)->Unit(benchmark::kMillisecond);

// A loader that never finishes keeps the screen in its show; the show is entered anew every 500
// frames (that frame is not timed).
class EndlessLoader : public CCharaDataLoader {
 public:
  int Start() override { return running = 1; }
  int JoinThread() override { return running ? (running = 0, 1) : 0; }
  int HasThread() override { return running; }
  int IsFinished() override { return 0; }
  int running = 0;
};

void VsFrames(benchmark::State& state, bool gl) {
  SceneHarness harness;
  if (!StartHarness(harness, gl)) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  EndlessLoader loader;
  SetVsScreenLoader(&loader);
  g_BattleDrawSubmit = true;
  std::vector<double> us;
  int n = 0;
  for (auto _ : state) {
    if (n++ % 500 == 0) {
      state.PauseTiming();
      EnterVsScreen();
      harness.RunFrame();
      state.ResumeTiming();
    }
    const auto t0 = std::chrono::steady_clock::now();
    harness.RunFrame();
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(us.begin(), us.end());
  if (!us.empty()) {
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
  }
  harness.LeaveScene();
  SetVsScreenLoader(nullptr);
  harness.Stop();
}

void BM_VsFrameRecording(benchmark::State& state) { VsFrames(state, false); }
BENCHMARK(BM_VsFrameRecording)->Iterations(2000)->Unit(benchmark::kMicrosecond);
void BM_VsFrameGl(benchmark::State& state) { VsFrames(state, true); }
BENCHMARK(BM_VsFrameGl)->Iterations(300)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
