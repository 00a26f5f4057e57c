// Story benchmarks: a story frame (two windows, both faces, the band, a running fade) on the
// recording device with its median and 99th percentile, the text rendering of a ten-line block,
// and a staff-roll frame with 200 strips on the recording device and rendered on GL (headless
// llvmpipe with SDL_VIDEODRIVER=offscreen). Run from the build folder (the sample folder is
// ./gamedata, or VT_SAMPLE_DIR).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Text/fnt_font.h"
#include "app/lib_debug.h"
#include "bench_gl_device.h"
#include "scene/scene_frame.h"
#include "scene/staff_roll.h"
#include "scene/story_draw.h"
#include "scene/story_script.h"

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
  if (!InitD3DTools()) return false;
  DeviceRequest req;
  req.width = 640;
  req.height = 480;
  if (!CreateD3DDevice(req) || !vt::gfx::MakeDeviceCurrentOnThisThread()) return false;
  InitGrpManager();
  return true;
}

void StopDevice() {
  EndStoryScript();
  StaffRollRelease();
  vt::text::FreeStoryFonts();
  FreeFrameRenderTargets();
  ShutdownGrpManager();
  ShutdownD3DTools();
}

std::string Kana(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += std::string("\x82") + static_cast<char>(0xA0 + 2 * (i % 20));
  return s;
}

std::string DialogueScript() {
  return "FC 1 2 1\r\nMD 1 0\r\n" + Kana(8) + "\\\r\nFC 0 1 1\r\nWI 2 64 200 0\r\nMD 0 2\r\n" + Kana(14) +
         "\r\n" + Kana(6) + "<" + Kana(3) + ">" + Kana(4) + "\\\r\nEF 0 3 100000 0 0 0\r\nKW\r\n";
}

void Percentiles(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

void BM_StoryFrame(benchmark::State& state) {
  if (!EnterSampleFolder() || !StartRecordingDevice()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  vt::text::LoadStoryFonts();
  g_SceneId = SCENE_STORY;
  LoadStoryScriptText(DialogueScript());
  StoryInput in;
  in.active = 1;
  for (int f = 0; f < 8; ++f) {
    in.advance = f < 4;
    RunStoryScript(in);
    ResetDrawList(&g_MainDrawList);
  }
  in.advance = 0;
  std::vector<double> us;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    RunStoryScript(in);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    state.PauseTiming();
    ResetDrawList(&g_MainDrawList);
    state.ResumeTiming();
  }
  Percentiles(state, us);
  StopDevice();
}
BENCHMARK(BM_StoryFrame)->Unit(benchmark::kMicrosecond);

void BM_RenderStoryTextTenLines(benchmark::State& state) {
  if (!EnterSampleFolder() || !StartRecordingDevice()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  vt::text::LoadStoryFonts();
  SetStoryTextFont(0);
  std::string block;
  for (int line = 0; line < 10; ++line) block += Kana(18) + "<" + Kana(4) + ">" + Kana(6) + "\r\n";
  int32_t width = 0;
  for (auto _ : state) {
    TextureHandle* t = RenderStoryBlock(block, &width);
    benchmark::DoNotOptimize(t);
    FreeTexture(t);
  }
  StopDevice();
}
BENCHMARK(BM_RenderStoryTextTenLines)->Unit(benchmark::kMillisecond);

// 200 strips of 40 rows, 4 apart; the roll held 400 pixels in, so that 100 of them are on screen.
void FillRoll() {
  StaffRollReset();
  StaffRollLoad();
  StaffRollState& r = GetStaffRoll();
  for (int i = 0; i < kStaffRollEntries - 1; ++i)
    r.entries[i] = StaffRollEntry{i % 2, 0, (i % 6) * 80, 40, 4};
  r.entries[kStaffRollEntries - 1] = StaffRollEntry{};
  r.speed = 400.0f * 60.0f;  // one frame in: 400 pixels
}

void BM_StaffRollFrameRecorded(benchmark::State& state) {
  if (!EnterSampleFolder() || !StartRecordingDevice()) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  FillRoll();
  for (auto _ : state) {
    StaffRollUpdate();
    StaffRollDraw();
    state.PauseTiming();
    GetStaffRoll().frames = 0;
    ResetDrawList(&g_MainDrawList);
    state.ResumeTiming();
  }
  StopDevice();
}
BENCHMARK(BM_StaffRollFrameRecorded)->Unit(benchmark::kMicrosecond);

void BM_StaffRollFrameGl(benchmark::State& state) {
  if (!EnterSampleFolder() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError("no sample folder or video");
    return;
  }
  SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window == nullptr || !StartBenchDevice(window)) {
    state.SkipWithError("no GL device");
    return;
  }
  LoadShaderEffects();
  CreateFrameRenderTargets();
  FillRoll();
  for (auto _ : state) {
    StaffRollUpdate();
    StaffRollDraw();
    BindSceneRenderTargets();
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    RestoreBackBufferTargets();
    glFinish();
    ResetDrawList(&g_MainDrawList);
    GetStaffRoll().frames = 0;
  }
  FreeShaderEffects();
  StopDevice();
  SDL_DestroyWindow(window);
}
BENCHMARK(BM_StaffRollFrameGl)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
