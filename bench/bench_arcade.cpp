// Arcade screen benchmarks: one frame of the next-stage map (6.5 s in: map swung, route list and
// player panel in place) and one of the ranking (5 s in: wheel, nine rows and the champion
// panel), each queued and rendered, on the recording device (CPU cost) and on GL (headless
// llvmpipe with SDL_VIDEODRIVER=offscreen; wall-clock time).
// Run from the build folder (the sample folder is ./gamedata, or VT_SAMPLE_DIR). Measured on the
// shared build machine under load: map 62 us recorded, 4.0 ms on llvmpipe; ranking 195 us
// recorded, 12.8 ms on llvmpipe.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/story_routes.h"
#include "bench_gl_device.h"
#include "scene/next_stage_map.h"
#include "scene/ranking_screen.h"
#include "scene/select_screen.h"

namespace {

bool EnterSampleFolder() {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  vt::SetDebugQuiet(true);
  return !ec;
}

bool StartRecordingDevice() {
  if (InitD3DTools() != 1) return false;
  DeviceRequest req;
  req.width = 1280;
  req.height = 720;
  if (CreateD3DDevice(req) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread()) return false;
  InitGrpManager();
  return true;
}

void StopDevice() {
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
}

void Render() {
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
  RenderDrawList(g_MainDrawList.slots);
  ResetDrawList(&g_MainDrawList);
}

void MapFrames(benchmark::State& state) {
  g_MainSide = 0;
  g_PlayerSelections[0].character = 1;
  StoryBattleRoute& r = g_StoryBattleRoutes[0];
  r.stageCount = 6;
  r.stageIndex = 3;
  for (int i = 0; i < 6; ++i) r.stages[i].opponent = i + 2;
  BuildNextStageRoute(g_NextStage.route);
  LoadNextStageGraphics();
  g_NextStage.seconds = g_NextStage.flashClock = g_NextStage.shutterClock = 6.5f;
  for (auto _ : state) {
    DrawNextStageMap();
    Render();
  }
  FreeNextStageGraphics();
}

void RankingFrames(benchmark::State& state) {
  static PlayData play;
  FillDefaultPlayData(play);
  std::copy(std::begin(play.ranking.rows), std::end(play.ranking.rows), g_RankingScreen.rows);
  LoadRankingGraphics();
  InitRankingScreen();
  for (auto _ : state) {
    g_RankingScreen.seconds = 5.0f;
    ++g_RankingScreen.frames;
    StepRankingBackground();
    DrawRankingScreen();
    Render();
  }
  FreeRankingGraphics();
  FreeCharaSelectScreen();
}

void Recorded(benchmark::State& state, void (*frames)(benchmark::State&)) {
  if (!EnterSampleFolder() || !StartRecordingDevice()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  frames(state);
  StopDevice();
}

void OnGl(benchmark::State& state, void (*frames)(benchmark::State&)) {
  if (!EnterSampleFolder() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError("no sample folder or video");
    return;
  }
  SDL_Window* w = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (w && StartBenchDevice(w)) {
    frames(state);
    StopDevice();
  } else {
    state.SkipWithError("no device");
  }
  if (w) SDL_DestroyWindow(w);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void BM_MapFrameRecorded(benchmark::State& state) { Recorded(state, MapFrames); }
void BM_RankingFrameRecorded(benchmark::State& state) { Recorded(state, RankingFrames); }
void BM_MapFrameGl(benchmark::State& state) { OnGl(state, MapFrames); }
void BM_RankingFrameGl(benchmark::State& state) { OnGl(state, RankingFrames); }

}  // namespace

BENCHMARK(BM_MapFrameRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RankingFrameRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapFrameGl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RankingFrameGl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
