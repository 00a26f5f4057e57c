// Draw-list benchmarks: queueing cost per DrawSprite into the main list, and a frame of 2,000
// sprites (64 x 64, 20 priorities, 4 textures, 3 blend modes) rendered at 1280 x 720 on the
// recording device (CPU cost) and on GL (headless llvmpipe with SDL_VIDEODRIVER=offscreen).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"

namespace {

bool StartDevice(SDL_Window* window) {
  if (!InitD3DTools()) return false;
  DeviceRequest req;
  req.window = window;
  req.width = 1280;
  req.height = 720;
  if (!CreateD3DDevice(req)) return false;
  if (!vt::gfx::MakeDeviceCurrentOnThisThread()) return false;
  g_D3DDevice->SetRecording(false);
  InitGrpManager();
  return true;
}

void StopDevice() {
  ShutdownGrpManager();
  ShutdownD3DTools();
}

struct Textures {
  TextureHandle* t[4] = {};
  Textures() {
    for (int i = 0; i < 4; ++i) {
      t[i] = CreateTexture(64, 64, 0);
      auto* p = static_cast<uint32_t*>(LockTexture(t[i]->dx, nullptr));
      for (int k = 0; k < 64 * 64; ++k) p[k] = 0x80000000u | (0x3F3F3Fu * (i + 1));
      UnlockTexture(t[i]->dx);
    }
  }
  ~Textures() {
    for (auto* h : t) FreeTexture(h);
  }
};

void QueueFrame(const Textures& tex) {
  static const uint8_t kBlends[3] = {1, 2, 3};
  // 100 sprites per priority; within a priority, runs of 25 share a texture and runs of 50 a
  // blend mode, as particle bursts and HUD pieces do.
  for (int i = 0; i < 2000; ++i) {
    g_DrawBlendMode = kBlends[(i / 50) % 3];
    DrawSprite(nullptr, tex.t[(i / 25) % 4], (i * 37) % 1216, (i * 53) % 656, 64, 64, 0, 0, 64, 64,
               0xFFFFFFFFu, 0, i / 100);
  }
  g_DrawBlendMode = 1;
}

// Runs of equal state along the chain: the least number of draw calls possible.
int StateRuns() {
  int runs = 0;
  const GrpDrawCommand* prev = nullptr;
  for (const GrpDrawCommand* c = g_MainDrawList.slots[0].next; c; c = c->next) {
    if (c->kind != kDrawKindQuad) continue;
    if (!prev || prev->texture != c->texture || prev->blendMode != c->blendMode ||
        prev->filterMode != c->filterMode || prev->effectTag != c->effectTag)
      ++runs;
    prev = c;
  }
  return runs;
}

void BM_QueueDrawSprite(benchmark::State& state) {
  if (!StartDevice(nullptr)) {
    state.SkipWithError("no device");
    return;
  }
  {
    Textures tex;
    for (auto _ : state) {
      ResetDrawList(&g_MainDrawList);
      for (int i = 0; i < 8000; ++i)
        DrawSprite(nullptr, tex.t[i & 3], i % 1280, i % 720, 64, 64, 0, 0, 64, 64, 0xFFFFFFFFu, 0,
                   (i * 7) % 1600);
    }
    state.SetItemsProcessed(state.iterations() * 8000);
    ResetDrawList(&g_MainDrawList);
  }
  StopDevice();
}
BENCHMARK(BM_QueueDrawSprite)->Unit(benchmark::kMicrosecond);

void RenderFrames(benchmark::State& state, SDL_Window* window) {
  if (!StartDevice(window)) {
    state.SkipWithError("no device");
    return;
  }
  {
    Textures tex;
    uint64_t calls = 0;
    int runs = 0;
    for (auto _ : state) {
      ResetDrawList(&g_MainDrawList);
      QueueFrame(tex);
      runs = StateRuns();
      uint64_t before = g_D3DDevice->DrawCallCount();
      ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
      RunDrawList(&g_MainDrawList);
      calls = g_D3DDevice->DrawCallCount() - before;
      if (window) {
        PresentFrame(g_D3DManager, 0.0f);
        glFinish();
      }
    }
    state.counters["draw_calls"] = static_cast<double>(calls);
    state.counters["state_runs"] = runs;
    ResetDrawList(&g_MainDrawList);
  }
  StopDevice();
}

void BM_FrameRecording(benchmark::State& state) { RenderFrames(state, nullptr); }
BENCHMARK(BM_FrameRecording)->Unit(benchmark::kMillisecond);

void BM_FrameGl(benchmark::State& state) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_Window* w = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!w) {
    state.SkipWithError(SDL_GetError());
  } else {
    RenderFrames(state, w);
    SDL_DestroyWindow(w);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_FrameGl)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
