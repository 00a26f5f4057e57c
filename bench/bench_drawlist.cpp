// Draw-list benchmarks: queueing cost per DrawSprite into the main list, and a frame of 2,000
// sprites (64 x 64, 20 priorities, 4 textures, 3 blend modes) rendered at 1280 x 720 on the
// recording device (CPU cost) and on GL (headless llvmpipe with SDL_VIDEODRIVER=offscreen).
// Beside the GL frame, its baseline: the same quads drawn with one raw GL draw call from one vertex
// buffer into the same target, cleared and presented the same way (the machine's fill-rate limit).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "bench_gl_device.h"
#include "platform/gfx/gl_backend.h"

namespace {

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
  if (!StartBenchDevice(nullptr)) {
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
  if (!StartBenchDevice(window)) {
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

// The frame's quads as the renderer receives them (chain order), with the renderer's indices.
void CollectQuads(std::vector<vt::gfx::ScreenVertex>* vertices, std::vector<uint32_t>* indices) {
  for (const GrpDrawCommand* c = g_MainDrawList.slots[0].next; c; c = c->next) {
    if (c->kind != kDrawKindQuad) continue;
    uint32_t n = static_cast<uint32_t>(vertices->size());
    vertices->insert(vertices->end(), c->v, c->v + 4);
    for (uint32_t i : {n, n + 1, n + 2, n + 3, n + 2, n + 1}) indices->push_back(i);
  }
}

// The same 2,000 quads in one vertex buffer, drawn by one glDrawElements with the device's own
// pass-through program, alpha blending and one of the textures, into the device's back buffer
// (cleared and presented by the device as the renderer's frame is).
void BaselineFrames(benchmark::State& state, SDL_Window* window) {
  if (!StartBenchDevice(window)) {
    state.SkipWithError("no device");
    return;
  }
  {
    Textures tex;
    ResetDrawList(&g_MainDrawList);
    QueueFrame(tex);
    std::vector<vt::gfx::ScreenVertex> vertices;
    std::vector<uint32_t> indices;
    CollectQuads(&vertices, &indices);
    ResetDrawList(&g_MainDrawList);
    vt::gfx::Device::GlState& gl = *g_D3DDevice->Gl();
    // The device uploads the texture at its first draw: one rendered sprite does it.
    DrawSprite(nullptr, tex.t[0], 0, 0, 1, 1, 0, 0, 1, 1, 0xFFFFFFFFu, 0, 0);
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
    RunDrawList(&g_MainDrawList);
    ResetDrawList(&g_MainDrawList);
    GLuint vbo = 0, ibo = 0, vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(vertices[0])),
                 vertices.data(), GL_STATIC_DRAW);
    glGenBuffers(1, &ibo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 4), indices.data(),
                 GL_STATIC_DRAW);
    const GLsizei stride = vt::gfx::kScreenVertexStride;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(16));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(20));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(24));
    GLuint texture = HandleTexture(tex.t[0])->glName;
    for (auto _ : state) {
      ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);  // binds the target
      glUseProgram(gl.fixedProgram);
      glUniform4f(gl.fixedViewportLoc, 0.0f, 0.0f, 1280.0f, 720.0f);
      glUniform1i(gl.fixedTexLoc, 0);
      glUniform1i(gl.fixedHasTexLoc, 1);
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, texture);
      glBindSampler(0, gl.samplers[0][vt::gfx::FILTER_POINT]);
      glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      glEnable(GL_BLEND);
      glBlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
      glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE);
      glBindVertexArray(vao);
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
      PresentFrame(g_D3DManager, 0.0f);
      glFinish();
    }
    state.counters["draw_calls"] = 1;
    if (glGetError() != GL_NO_ERROR) state.SkipWithError("the raw draw failed");
    glBindVertexArray(gl.vao);
    glDeleteVertexArrays(1, &vao);
    glDeleteBuffers(1, &vbo);
    glDeleteBuffers(1, &ibo);
  }
  StopDevice();
}

void OnHiddenWindow(benchmark::State& state, void (*run)(benchmark::State&, SDL_Window*)) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_Window* w = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!w) {
    state.SkipWithError(SDL_GetError());
  } else {
    run(state, w);
    SDL_DestroyWindow(w);
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Wall-clock time: llvmpipe rasterises on its own threads, so the calling thread's CPU time says
// little. Compare the two by their medians (the ratio renderer / baseline).
void BM_FrameGl(benchmark::State& state) { OnHiddenWindow(state, RenderFrames); }
BENCHMARK(BM_FrameGl)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_FrameGlBaseline(benchmark::State& state) { OnHiddenWindow(state, BaselineFrames); }
BENCHMARK(BM_FrameGlBaseline)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
