// Character select benchmarks: the preview latency with the real preloader thread (frames of
// 1/60 s from the moment a cursor stops on a character until its preview is shown, the frames
// paced as the game paces them), and the logic thread's preview frame (update and draw of both
// previews, animating) on the recording device.
// Run from the build folder (the sample folder is ./gamedata, or VT_SAMPLE_DIR). Measured on the
// shared 8-core build machine under load: 7.2 frames on average from a stop to a single
// character shown (worst 9), 8.4 for a partner character (worst 11); the preview frame 142 us.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "battle/chara_list.h"
#include "scene/chara_preview.h"

namespace {

bool StartRecording() {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  if (ec) return false;
  vt::SetDebugQuiet(true);
  if (InitD3DTools() != 1) return false;
  DeviceRequest req;
  req.width = 1280;
  req.height = 720;
  if (CreateD3DDevice(req) != 1 || !vt::gfx::MakeDeviceCurrentOnThisThread()) return false;
  InitGrpManager();
  const DataBuffer list = LoadDataFile(".\\charaselect.txt");
  return list && LoadCharaSelectList(list.text()) > 0;
}

void StopRecording() {
  FlushHan6TextureCache();
  FreeCharaSelectList();
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
}

void PreviewFrame() {
  UpdateCharaPreviews(true);
  ResetDrawList(&g_MainDrawList);
  DrawCharaPreviews();
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  RenderDrawList(g_MainDrawList.slots);
}

void SetSide(int s, int character) {
  g_CharaSelectSides[s] = CharaSelectSide{};
  g_CharaSelectSides[s].controller = s;
  g_CharaSelectSides[s].character = character;
  g_CharaSelectSides[s].cursorCell = FindRosterCell(character);
}

bool Shown(int s) {
  const CharaPreviewSlot* slot = GetCharaPreviewSlot(s);
  return slot->shown.load() != 0 && slot->player.character == g_CharaSelectSides[s].character &&
         slot->player.shownFrames != 0;
}

// Frames from a cursor stop to the preview shown; side 0 alternates between a single character
// and a partner character (two layers), side 1 stays.
void BM_PreviewLatency(benchmark::State& state) {
  if (!StartRecording()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  StartCharaPreloader();
  SetSide(0, 0);
  SetSide(1, 11);
  const int characters[] = {state.range(0) != 0 ? 2 : 1, 0};
  int next = 0;
  double frames = 0, worst = 0, stops = 0;
  auto pace = [] { std::this_thread::sleep_for(std::chrono::microseconds(16667)); };
  while (!Shown(0) || !Shown(1)) {
    PreviewFrame();
    pace();
  }
  for (auto _ : state) {
    g_CharaSelectSides[0].character = characters[next];
    g_CharaSelectSides[0].cursorCell = FindRosterCell(characters[next]);
    next ^= 1;
    int n = 0;
    do {
      PreviewFrame();
      pace();
      ++n;
    } while (!Shown(0) && n < 600);
    frames += n;
    worst = std::max(worst, static_cast<double>(n));
    ++stops;
  }
  state.counters["frames"] = frames / stops;
  state.counters["worst_frames"] = worst;
  StopCharaPreloader();
  StopRecording();
}
BENCHMARK(BM_PreviewLatency)->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The logic thread's preview work in a frame with both previews shown and animating.
void BM_PreviewFrame(benchmark::State& state) {
  if (!StartRecording()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  StartCharaPreloader();
  SetSide(0, 2);
  SetSide(1, 4);
  while (!Shown(0) || !Shown(1)) {
    PreviewFrame();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  for (auto _ : state) PreviewFrame();
  StopCharaPreloader();
  StopRecording();
}
BENCHMARK(BM_PreviewFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
