// Texture backend and draw sink over the graphics layer.
#include "Dxtools/Han6Draw/han6_gfx.h"

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"

using namespace vt::gfx;

namespace {

Format ToGfx(CutPixelFormat f) {
  switch (f) {
    case CutPixelFormat::kA1R5G5B5:
      return FMT_A1R5G5B5;
    case CutPixelFormat::kA4R4G4B4:
      return FMT_A4R4G4B4;
    default:
      return FMT_A8R8G8B8;
  }
}

CutPixelFormat FromGfx(Format f) {
  if (f == FMT_A1R5G5B5) return CutPixelFormat::kA1R5G5B5;
  if (f == FMT_A4R4G4B4) return CutPixelFormat::kA4R4G4B4;
  return CutPixelFormat::kA8R8G8B8;
}

class GfxBackend : public Han6TextureBackend {
 public:
  TextureHandle* CreateTexture(int width, int height, CutPixelFormat format, bool sourceOnly, int& texW,
                               int& texH) override {
    TextureHandle* h = sourceOnly ? ::CreateSystemMemTexture(width, height, ToGfx(format))
                                  : ::CreateTexture(width, height, ToGfx(format));
    Texture* t = HandleTexture(h);
    if (t == nullptr) {
      if (h != nullptr) FreeTexture(h);
      return nullptr;
    }
    // The copies write this format's pixels: a texture made in any other format is refused.
    if (t->GetFormat() != ToGfx(format)) {
      FreeTexture(h);
      return nullptr;
    }
    texW = static_cast<int>(t->Width());
    texH = static_cast<int>(t->Height());
    return h;
  }
  uint8_t* Lock(TextureHandle* h, int& pitch) override {
    if (h == nullptr || h->dx == nullptr) return nullptr;
    auto lock = LockD3DDevice();
    void* bits = LockTexture(h->dx, nullptr);
    pitch = h->dx->lockPitch;
    return static_cast<uint8_t*>(bits);
  }
  void Unlock(TextureHandle* h) override {
    if (h == nullptr || h->dx == nullptr) return;
    auto lock = LockD3DDevice();
    UnlockTexture(h->dx);
  }
  void Free(TextureHandle* h) override { FreeTexture(h); }
  void TextureSize(TextureHandle* h, int& w, int& hgt) override {
    Texture* t = HandleTexture(h);
    w = t != nullptr ? static_cast<int>(t->Width()) : 0;
    hgt = t != nullptr ? static_cast<int>(t->Height()) : 0;
  }
  CutSpritePageView PageView(TextureHandle* page) override {
    Texture* t = HandleTexture(page);
    if (t == nullptr ||
        t->Pitch() != static_cast<int>(t->Width()) * CutPixelFormatBytes(FromGfx(t->GetFormat())) ||
        t->Width() < static_cast<uint32_t>(kCutSpritePageEdge) ||
        t->Height() < static_cast<uint32_t>(kCutSpritePageEdge))
      return {};
    return {t->Pixels().data(), FromGfx(t->GetFormat())};
  }
  bool Display16() override {
    return g_AdapterInfo != nullptr && FormatBitsPerPixel(g_AdapterInfo->displayFormat) == 16;
  }
};

class GfxSink : public Han6DrawSink {
 public:
  void Queue(GrpDrawList* list, const Han6Quad& q) override {
    GrpDrawCommand c;
    ProjectQuadVertices(q.pos, &c);
    for (int i = 0; i < 4; ++i) {
      c.v[i].diffuse = q.colour;
      c.v[i].specular = q.specular;
      c.v[i].u = q.u[i];
      c.v[i].v = q.v[i];
    }
    c.texture = HandleTexture(q.texture);
    g_DrawBlendMode = q.blendMode;
    g_DrawFilterMode = q.filterMode;
    if (q.technique != nullptr) {
      if (CDxEffTag* tag = UseEffect(q.technique)) {
        tag->AddFloat2("fTexelN", q.texelN[0], q.texelN[1]);
        tag->AddFloat2("fTexelX", q.texelX[0], q.texelX[1]);
        tag->AddParam("fEdgeColor", q.edgeColor, sizeof q.edgeColor, 0);
      }
    }
    DrawQuad(list, &c, q.priority);
    SetCurrentEffectTag(nullptr);
    g_DrawBlendMode = 1;
    g_DrawFilterMode = 1;
  }
  const float* UvBias() const override { return g_CutSpriteUvBias; }
};

}  // namespace

Han6TextureBackend* GfxHan6TextureBackend() {
  static GfxBackend backend;
  return &backend;
}

Han6DrawSink* GfxHan6DrawSink() {
  static GfxSink sink;
  return &sink;
}

void InitHan6Drawing() { SetDeviceResetFlushHook(&FlushHan6TextureCache); }

void ShutdownHan6Drawing() {
  FlushHan6TextureCache();
  SetDeviceResetFlushHook(nullptr);
}
