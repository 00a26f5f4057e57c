// The spine's frame costs: one empty logic frame on the recording device (input poll, empty
// scene, render, present; pacing skipped), and the pacing jitter of real 1/60 s frames.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/app_state.h"
#include "app/frame_loop.h"
#include "app/frame_pacer.h"
#include "platform/clock.h"
#include "scene/scene_frame.h"

namespace {

void SetUpRecordingDevice() {
  static bool done = false;
  if (done) return;
  done = true;
  vt::ProcessStartCounter();  // the first-frame figure counts from here, as the game's from its entry
  InitD3DTools();
  InitGrpManager();
  DeviceRequest request;  // no window: the recording device
  request.width = 1280;
  request.height = 720;
  CreateD3DDevice(request);
  CreateFrameRenderTargets();
  g_AppRunState = new AppRunState;
}

// Argument 0: the recording device as every run that reads no pixels back has it; 1: with the
// CPU fills of its targets (clears and target copies) that pixel read-backs ask for.
void BM_EmptyLogicFrame(benchmark::State& state) {
  SetUpRecordingDevice();
  g_D3DDevice->SetTargetPixelFills(state.range(0) != 0);
  std::vector<double> us;
  // The frame's pacing waits on a fake clock: the figure is the frame's work (present included),
  // not its wait.
  vt::platform::FakeClock fake;
  vt::platform::SetClock(&fake);
  GetSceneProcess().pacing.Init();
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(RunLogicFrame());
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  vt::platform::SetClock(nullptr);
  std::sort(us.begin(), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}
BENCHMARK(BM_EmptyLogicFrame)->ArgName("pixel_fills")->Arg(0)->Arg(1)->Iterations(5000);

// 600 real frames paced at 1/60 s with a little work each: the spread of frame lengths.
void BM_PacingJitter(benchmark::State& state) {
  for (auto _ : state) {
    PacingStopwatch pacing;
    pacing.Init();
    auto& clock = vt::platform::GetClock();
    std::vector<double> frameMs;
    uint64_t last = clock.Counter();
    for (int i = 0; i < 600; ++i) {
      volatile double sink = 0;
      for (int k = 0; k < 20000; ++k) sink = sink + std::sqrt(static_cast<double>(k));
      pacing.WaitNextFrame(1.0 / 60.0);
      uint64_t now = clock.Counter();
      frameMs.push_back(static_cast<double>(now - last) / 1e6);
      last = now;
    }
    double worst = 0, skipped = 0, beyond1ms = 0;
    for (double ms : frameMs) {
      worst = std::max(worst, std::fabs(ms - 1000.0 / 60.0));
      if (std::fabs(ms - 1000.0 / 60.0) > 1.0) ++beyond1ms;
      if (ms > 2 * 1000.0 / 60.0) ++skipped;
    }
    state.counters["frames_beyond_1ms"] = beyond1ms;
    std::sort(frameMs.begin(), frameMs.end());
    state.counters["worst_dev_ms"] = worst;
    state.counters["median_ms"] = frameMs[300];
    state.counters["frames_over_2x"] = skipped;
  }
}
BENCHMARK(BM_PacingJitter)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
