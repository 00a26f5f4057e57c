// Shared set-up of the graphics tests: the device tools with a recording device (or a GL device on
// a hidden SDL window), the draw-list manager, and small helpers to make textures and read records.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/app_state.h"

namespace vt::test {

// Recording device of a given back-buffer size, tools and the main list.
class RecordingGfx : public ::testing::Test {
 protected:
  void SetUp() override { StartTools(nullptr, 1280, 720); }
  void TearDown() override { StopTools(); }

  static void StartTools(SDL_Window* window, int w, int h) {
    ASSERT_EQ(InitD3DTools(), 1);
    DeviceRequest req;
    req.window = window;
    req.width = w;
    req.height = h;
    ASSERT_EQ(CreateD3DDevice(req), 1);
    ASSERT_TRUE(vt::gfx::MakeDeviceCurrentOnThisThread());
    InitGrpManager();
    ResetDrawList(&g_MainDrawList);
  }
  static void StopTools() {
    FreeFrameRenderTargets();
    ShutdownGrpManager();
    ShutdownD3DTools();
  }

  static std::vector<const gfx::DeviceRecord*> Draws() {
    std::vector<const gfx::DeviceRecord*> out;
    for (const auto& r : g_D3DDevice->Records())
      if (r.kind == gfx::DeviceRecord::kDraw) out.push_back(&r);
    return out;
  }

  // A managed A8R8G8B8 texture filled with one colour.
  static TextureHandle* SolidTexture(int w, int h, uint32_t argb) {
    TextureHandle* t = CreateTexture(w, h, vt::gfx::FMT_A8R8G8B8);
    auto* p = static_cast<uint32_t*>(LockTexture(t->dx, nullptr));
    int pitch = GetTexturePitch(t) / 4;
    for (int y = 0; y < static_cast<int>(t->dx->desc.Height); ++y)
      for (int x = 0; x < static_cast<int>(t->dx->desc.Width); ++x) p[y * pitch + x] = argb;
    UnlockTexture(t->dx);
    return t;
  }

  // A 3-D line (kind 9) on the main list, built as drawing code builds its own commands: its ends
  // are (x, y, z) with a colour each.
  static int QueueLine3D(const float a[3], const float b[3], uint32_t colourA, uint32_t colourB,
                         int32_t priority) {
    GrpDrawCommand* c = AllocLineCommand(nullptr);
    c->kind = kDrawKindLine3D;
    c->texture = nullptr;
    c->blendMode = 1;
    c->filterMode = 1;
    c->effectTag = 0;
    c->v[0] = vt::gfx::ScreenVertex{a[0], a[1], a[2], 0.0f, colourA, 0, 0.0f, 0.0f};
    c->v[1] = vt::gfx::ScreenVertex{b[0], b[1], b[2], 0.0f, colourB, 0, 0.0f, 0.0f};
    return InsertDrawCommand(g_MainDrawList.slots, priority, c);
  }

  static int RenderMain() {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    return RenderDrawList(g_MainDrawList.slots);
  }
};

}  // namespace vt::test

namespace vt::test {

// One frame of a small test scene, drawn as the game's frame drawing does: scene targets bound
// and cleared, sprites in several blend modes at several priorities, a fade through its effect,
// the capture, then the scene letterboxed into the back buffer and presented.
inline void DrawTestSceneFrame(TextureHandle* sprite, int frame) {
  BindSceneRenderTargets();
  for (int i = 0; i < 12; ++i) {
    g_DrawBlendMode = static_cast<uint8_t>(1 + i % 3);
    DrawSprite(nullptr, sprite, 40 + i * 45, 100 + (frame * 7 + i * 13) % 200, 64, 64, 0, 0, 64, 64,
               0xFFFFFFFFu, 0, 100 + i % 4);
  }
  g_DrawBlendMode = 1;
  DrawRect(nullptr, 0, 400, 640, 80, 0xFF2040A0u, 0xFF2040A0u, 0xFF000000u, 0xFF000000u, 50);
  DrawFadeScreen(nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f, 1200);
  {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    RenderDrawList(g_MainDrawList.slots);
  }
  g_CaptureScreenRequest.store(1);
  CaptureScreenTexture();
  RestoreBackBufferTargets();
  ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
  QueueSceneComposition();
  RunDrawList(&g_MainDrawList);
  PresentFrame(g_D3DManager, 0.0f);
  ReleaseEffectTags();
  ResetDrawList(&g_MainDrawList);
}

// The GL device on a hidden window of the test's own (headless: SDL's offscreen driver on llvmpipe).
class GlWindowGfx : public RecordingGfx {
 protected:
  void StartGl(const char* title, int w, int h) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    StartTools(window_, w, h);
    ASSERT_FALSE(g_D3DDevice->IsRecordingDevice());
  }
  void StopGl() {
    StopTools();
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  SDL_Window* window_ = nullptr;
};

}  // namespace vt::test
