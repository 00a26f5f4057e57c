// The arcade screens' queueing helpers (see arcade_draw.h).
#include "scene/arcade_draw.h"

#include <cmath>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"

namespace arcade {

namespace {

template <typename F>
void WithModes(uint8_t blend, uint8_t filter, F&& queue) {
  const uint8_t b = g_DrawBlendMode, f = g_DrawFilterMode;
  g_DrawBlendMode = blend;
  g_DrawFilterMode = filter;
  queue();
  g_DrawBlendMode = b;
  g_DrawFilterMode = f;
}

int32_t Px(float v) { return static_cast<int32_t>(std::lround(v)); }

}  // namespace

void Quad(GrpDrawList* list, TextureHandle* t, float x, float y, float w, float h, float sx, float sy,
          float sw, float sh, uint32_t colour, uint32_t specular, int32_t priority, uint8_t blend,
          uint8_t filter) {
  if (!t || !list || !list->slots || w <= 0.0f || h <= 0.0f) return;
  WithModes(blend, filter, [&] {
    DrawSprite(list, t, Px(x), Px(y), Px(w), Px(h), sx, sy, sw, sh, colour, specular, priority);
  });
}

void Fill(GrpDrawList* list, float x, float y, float w, float h, uint32_t colour, int32_t priority,
          uint8_t blend) {
  if (!list || !list->slots || w <= 0.0f || h <= 0.0f) return;
  WithModes(blend, kFilterLinear,
            [&] { DrawRect(list, Px(x), Px(y), Px(w), Px(h), colour, colour, colour, colour, priority); });
}

void MakeList(GrpDrawList& list, uint32_t slots, uint32_t pool) {
  if (!list.slots) CreateDrawList(&list, slots, pool);
}

void MakeTarget(TextureHandle*& target, int32_t w, int32_t h) {
  if (target || !g_D3DDevice) return;
  auto device = LockD3DDevice();
  target = CreateRenderTargetTexture(w, h, vt::gfx::FMT_A8R8G8B8);
}

void RenderPrivateList(GrpDrawList& list, TextureHandle* target) { RenderPrivateList(list, target, target != nullptr); }

void RenderPrivateList(GrpDrawList& list, TextureHandle* target, bool draw) {
  if (!list.slots) return;
  if (g_D3DDevice && draw) {
    auto device = LockD3DDevice();
    D3DSurface* saved[3];
    SaveRenderTargets(saved);
    g_D3DDevice->SetRenderTarget(0, HandleTexture(target));
    g_D3DDevice->SetRenderTarget(1, nullptr);
    g_D3DDevice->SetRenderTarget(2, nullptr);
    RunDrawList(&list);
    RestoreRenderTargets(saved);
    ReleaseRenderTargets(saved);
  }
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  ResetDrawList(&list);
}

TextureHandle* Load(const char* path) { return LoadTexture(path); }

TextureHandle* LoadNumbered(const char* folder, const char* format, int n) {
  char name[96], path[192];
  std::snprintf(name, sizeof name, format, n);
  std::snprintf(path, sizeof path, "%s%s", folder, name);
  return LoadTexture(path);
}

void Free(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

}  // namespace arcade
