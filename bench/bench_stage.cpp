// Stage benchmarks: building each sample stage (time and memory held), the object passes with 256
// live objects, queueing 256 objects on the recording device, and a rendered frame of the garden
// (bloom passes included) at 1280 x 720 on GL (headless llvmpipe with SDL_VIDEODRIVER=offscreen).
// Run from the build folder (the sample folder is ./gamedata, or VT_SAMPLE_DIR).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "bench_gl_device.h"
#include "scene/stage_bg.h"

namespace {

void StopDevice() {
  ResetStageBg();
  FlushHan6TextureCache();
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
}

bool EnterSampleFolder() {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  vt::SetDebugQuiet(true);
  return !ec && LoadBgList() == 1;
}

// The memory a built stage holds: image textures, sprite pages, preloaded sprites and the split
// data (objects, frames, events).
double HeldBytes() {
  double bytes = 0;
  for (int i = 0; i < StageImageTextureCount(); ++i)
    if (vt::gfx::Texture* t = HandleTexture(StageImageTexture(i))) bytes += 4.0 * t->Width() * t->Height();
  if (g_StageSprites) bytes += 2.0 * 256 * 256 * g_StageSprites->pageCount;
  bytes += static_cast<double>(Han6CachePreloadedBytes());
  if (g_StageBgData)
    for (const auto& o : g_StageBgData->objects)
      if (o)
        bytes += sizeof(StageObject) + o->frames.size() * sizeof(StageFrame) +
                 (o->conditions.size() + o->spawns.size()) * sizeof(StageEvent);
  return bytes;
}

void BM_BuildStage(benchmark::State& state) {
  if (!EnterSampleFolder() || !StartBenchDevice(nullptr)) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  const int stage = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    ResetStageBg();
    LoadStageBgFile(stage, 1);
    state.ResumeTiming();
    BuildStageBg();
  }
  state.counters["held_KiB"] = HeldBytes() / 1024.0;
  StopDevice();
}
BENCHMARK(BM_BuildStage)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// 256 objects: each moves, loops over four frames with a position condition, and half of them
// draw a sprite; written as a file and built once.
bool BuildBusyStage() {
  StageFileDesc d;
  CutSpriteFileDesc sheet;
  sheet.cellSize = 16;
  d.blockB = sheet;
  for (int i = 0; i < kStageObjectCount; ++i) {
    StageObjectDesc o;
    o.number = i;
    o.scroll = static_cast<int16_t>(64 + i);
    o.bucket = static_cast<uint32_t>(i % 300);
    for (int f = 0; f < 4; ++f) {
      StageFrameDesc fr;
      fr.image = static_cast<int16_t>(10000 + (i & 1) * 2999);
      fr.duration = static_cast<uint16_t>(3 + f);
      fr.endAction = f == 3 ? 2 : 1;
      fr.setX = 1;
      fr.vx = static_cast<int16_t>(f & 1 ? 64 : -64);
      fr.conditions[0] = 0;
      o.frames.push_back(fr);
    }
    o.conditions = {StageEventDesc{1, 0, 0, 1 << 30, 0, 0, 0}};
    d.objects.push_back(o);
  }
  std::filesystem::create_directories("/tmp/vt_bench_stage/Bg");
  const std::vector<uint8_t> bytes = WriteStageFile(d);
  std::ofstream("/tmp/vt_bench_stage/Bg/busy.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::ofstream("/tmp/vt_bench_stage/Bg/BgList.ini") << "[Bg_001]\r\nDataFile=busy\r\n";
  std::filesystem::current_path("/tmp/vt_bench_stage");
  vt::SetDebugQuiet(true);
  if (LoadBgList() != 1) return false;
  ResetStageBg();
  LoadStageBgFile(1, 0);
  BuildStageBg();
  return g_StageBgData != nullptr;
}

void BM_ObjectPasses256(benchmark::State& state) {
  if (!StartBenchDevice(nullptr) || !BuildBusyStage()) {
    state.SkipWithError("no stage");
    return;
  }
  for (auto _ : state) {
    AdvanceStageObjects();
    UpdateStageObjectMotion();
    RunStageSpawnEvents();
    RunStagePositionConditions();
  }
  StopDevice();
}
BENCHMARK(BM_ObjectPasses256)->Unit(benchmark::kMicrosecond);

void BM_QueueLayers256(benchmark::State& state) {
  if (!StartBenchDevice(nullptr) || !BuildBusyStage()) {
    state.SkipWithError("no stage");
    return;
  }
  AdvanceStageObjects();
  for (auto _ : state) {
    ResetDrawList(&g_MainDrawList);
    DrawStageLayers(&g_MainDrawList, 1.0f);
  }
  ResetDrawList(&g_MainDrawList);
  StopDevice();
}
BENCHMARK(BM_QueueLayers256)->Unit(benchmark::kMicrosecond);

void BM_GardenFrameGl(benchmark::State& state) {
  if (!EnterSampleFolder() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError("no sample folder or video");
    return;
  }
  SDL_Window* w = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (w && StartBenchDevice(w)) {
    LoadShaderEffects();
    CreateFrameRenderTargets();
    ResetStageBg();
    LoadStageBgFile(2, 1);
    BuildStageBg();
    uint64_t calls = 0;
    int frame = 0;
    for (auto _ : state) {
      g_BattleFrame = static_cast<uint32_t>(frame++);
      ResetDrawList(&g_MainDrawList);
      DrawStageBg(1);
      const uint64_t before = g_D3DDevice->DrawCallCount();
      BindSceneRenderTargets();
      RenderDrawList(g_MainDrawList.slots);
      RestoreBackBufferTargets();
      ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
      QueueSceneComposition();
      RunDrawList(&g_MainDrawList);
      PresentFrame(g_D3DManager, 0.0f);
      glFinish();
      calls = g_D3DDevice->DrawCallCount() - before;
      ReleaseEffectTags();
    }
    state.counters["draw_calls"] = static_cast<double>(calls);
    ResetDrawList(&g_MainDrawList);
    FreeShaderEffects();
    StopDevice();
  } else {
    state.SkipWithError("no GL device");
  }
  if (w) SDL_DestroyWindow(w);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_GardenFrameGl)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
