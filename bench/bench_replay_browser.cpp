// Replay browser figures on a folder of 1000 replays, at 60 logic frames a second (each frame
// the browser's update and drawing with the list rendered on the recording device, then a wait
// to the next 16.7 ms mark): frames until the first 12 rows show their names, frames until the
// whole list is there, and the longest logic frame while it fills. Uses the real glyph source
// (the default Japanese face) when the machine has one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_browser.h"
#include "app/lib_debug.h"
#include "platform/path_translate.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void StartDevice() {
  static bool started = [] {
    InitD3DTools();
    DeviceRequest req;
    req.width = 640;
    req.height = 480;
    CreateD3DDevice(req);
    vt::gfx::MakeDeviceCurrentOnThisThread();
    InitGrpManager();
    return true;
  }();
  (void)started;
}

// A scratch folder holding ReplayVS with 1000 small replays; the working folder moves there.
void MakeFolder() {
  static bool made = [] {
    vt::SetDebugQuiet(true);
    const fs::path dir = fs::temp_directory_path() / ("vt_bench_browser_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "ReplayVS");
    CReplayFile f;
    const auto bytes = f.Serialise();
    for (int i = 0; i < 1000; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "r%04d.rep", i);
      FILE* out = std::fopen((dir / "ReplayVS" / name).c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), out);
      std::fclose(out);
    }
    fs::current_path(dir);
    return true;
  }();
  (void)made;
}

void BM_BrowserFillsAThousandReplays(benchmark::State& state) {
  StartDevice();
  MakeFolder();
  double firstRows = 0, fullList = 0, longest = 0, frames = 0;
  for (auto _ : state) {
    vt::platform::ClearPathCache();
    CReplayFilerLayer b;
    b.layer = 10;
    b.folder = ".\\ReplayVS";
    b.state = CReplayFilerLayer::kOpenRequested;
    int frame = 0, rowsAt = -1;
    double worst = 0;
    auto next = Clock::now();
    b.Open();
    while (!b.FillDone() && frame < 100000) {
      const auto t0 = Clock::now();
      b.inputDirection = 0;
      b.inputButton = 0;
      b.Update();
      b.Draw();
      {
        std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
        RenderDrawList(g_MainDrawList.slots);
      }
      ResetDrawList(&g_MainDrawList);
      worst = std::max(worst, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      ++frame;
      if (rowsAt < 0 && b.ShownCount() >= 12) {
        bool all = true;
        for (int i = 0; i < 12; ++i) all = all && b.HasNameTexture(i);
        if (all) rowsAt = frame;
      }
      next += std::chrono::microseconds(16667);
      std::this_thread::sleep_until(next);
    }
    b.Close();
    firstRows += rowsAt;
    fullList += frame;
    longest = std::max(longest, worst);
    frames += 1;
  }
  state.counters["frames_to_12_rows"] = firstRows / frames;
  state.counters["frames_to_full_list"] = fullList / frames;
  state.counters["longest_frame_ms"] = longest;
}
BENCHMARK(BM_BrowserFillsAThousandReplays)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
