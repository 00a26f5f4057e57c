// Pixel tests of the GL device's fixed-function shortcuts (llvmpipe through SDL's offscreen
// driver): the pass-through program built per case (texture or none, specular or none) and
// opaque draws without blending give exactly the pixels of the general path, for every blend
// mode of the batch renderer; whole-target clears carried out late read, copy, sample and draw
// as if they had been carried out at once.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx_test_env.h"
#include "platform/gfx/gl_backend.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class PassThroughGl : public GlWindowGfx {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartGl("pass-through test", 64, 64)); }
  void TearDown() override { StopGl(); }

  static std::vector<uint8_t> ReadBack(Texture* rt) {
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    return sys->Pixels();
  }

  // A 16 x 16 texture whose every texel differs in colour and alpha.
  static TextureHandle* PatternTexture() {
    TextureHandle* t = CreateTexture(16, 16, FMT_A8R8G8B8);
    auto* p = static_cast<uint32_t*>(LockTexture(t->dx, nullptr));
    const int pitch = GetTexturePitch(t) / 4;
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 16; ++x)
        p[y * pitch + x] = ((x * 16 + y) << 24) | ((x * 17) << 16) | ((y * 15) << 8) | ((x ^ y) * 13);
    UnlockTexture(t->dx);
    return t;
  }

  static void Quad(float x0, float y0, float x1, float y1, const uint32_t diffuse[4], uint32_t specular) {
    const ScreenVertex v[4] = {
        {x0, y0, 0.0f, 1.0f, diffuse[0], specular, 0.0f, 0.0f},
        {x1, y0, 0.0f, 0.5f, diffuse[1], specular, 1.0f, 0.0f},
        {x0, y1, 0.0f, 1.0f, diffuse[2], specular, 0.0f, 1.0f},
        {x1, y1, 0.0f, 0.5f, diffuse[3], specular, 1.0f, 1.0f},
    };
    const uint32_t indices[6] = {0, 1, 2, 3, 2, 1};
    ASSERT_EQ(g_D3DDevice->DrawIndexedPrimitiveUP(PT_TRIANGLELIST, 0, 4, 2, indices, v, sizeof(ScreenVertex)),
              kOk);
  }
};

struct PassCase {
  uint8_t blendMode;  // the batch renderer's modes 1..7
  bool textured;
  uint32_t specular;  // per vertex; its alpha is never used
  TextureFilter filter;
};

// Every blend mode untextured and textured; specular black, coloured and alpha-only.
std::vector<PassCase> Cases() {
  std::vector<PassCase> cases;
  for (uint8_t mode = 1; mode <= 7; ++mode)
    for (bool textured : {false, true})
      for (uint32_t specular : {0u, 0x00302010u, 0xFF000000u})
        cases.push_back({mode, textured, specular, mode % 2 ? FILTER_POINT : FILTER_LINEAR});
  return cases;
}

// The same picture (a varied destination, then the case's quad over part of it) drawn once
// through the general path and once through the shortcuts must match in every byte.
TEST_F(PassThroughGl, ShortcutsDrawTheGeneralPathsPixels) {
  TextureHandle* target = CreateRenderTargetTexture(64, 64, FMT_A8R8G8B8);
  TextureHandle* pattern = PatternTexture();
  ASSERT_NE(target, nullptr);
  Device::GlState& gl = *g_D3DDevice->Gl();
  const uint32_t under[4] = {0x10FF0000u, 0x8000FF00u, 0xC00000FFu, 0xFFFFFFFFu};
  const uint32_t over[4] = {0x80C04020u, 0xFF20A0E0u, 0x40FFFFFFu, 0xC0102030u};
  // Draws the destination and, unless `quad` is null, the case's quad over part of it.
  auto draw = [&](const PassCase* quad, bool general) {
    gl.forceGeneralPath = general;
    g_D3DDevice->SetRenderTarget(0, HandleTexture(target));
    g_D3DDevice->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0x40202020u, 1.0f, 0);
    g_D3DDevice->SetPixelProgram(nullptr);
    BlendState b;
    EXPECT_TRUE(BlendModeState(5, &b));
    g_D3DDevice->SetBlendState(b);
    g_D3DDevice->SetTexture(0, nullptr);
    Quad(0, 0, 48, 48, under, 0);
    if (quad != nullptr) {
      EXPECT_TRUE(BlendModeState(quad->blendMode, &b));
      g_D3DDevice->SetBlendState(b);
      g_D3DDevice->SetTexture(0, quad->textured ? HandleTexture(pattern) : nullptr);
      g_D3DDevice->SetFilter(0, quad->filter);
      Quad(8, 4, 60, 40, over, quad->specular);
      g_D3DDevice->SetTexture(0, nullptr);
    }
    gl.forceGeneralPath = false;
    return ReadBack(HandleTexture(target));
  };
  const std::vector<uint8_t> destination = draw(nullptr, true);
  for (const PassCase& c : Cases()) {
    const std::string label = "mode " + std::to_string(c.blendMode) + (c.textured ? " textured" : " plain") +
                              " specular " + std::to_string(c.specular);
    const std::vector<uint8_t> general = draw(&c, true);
    const std::vector<uint8_t> shortcut = draw(&c, false);
    ASSERT_EQ(general.size(), shortcut.size()) << label;
    size_t differing = 0;
    for (size_t i = 0; i < general.size(); ++i) differing += general[i] != shortcut[i];
    EXPECT_EQ(differing, 0u) << label;
    EXPECT_NE(general, destination) << label << ": the quad drew nothing";
  }
  FreeTexture(pattern);
  FreeTexture(target);
}

// A whole-target clear waits for the target's next use; every way of using a target must see it.
TEST_F(PassThroughGl, WaitingClearsAreSeenByEveryUse) {
  TextureHandle* a = CreateRenderTargetTexture(32, 32, FMT_A8R8G8B8);
  TextureHandle* b = CreateRenderTargetTexture(32, 32, FMT_A8R8G8B8);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  Texture* ta = HandleTexture(a);
  Texture* tb = HandleTexture(b);
  const uint32_t white[4] = {~0u, ~0u, ~0u, ~0u};
  auto pixel = [](const std::vector<uint8_t>& px, int width, int x, int y) {
    const uint8_t* p = px.data() + (static_cast<size_t>(y) * width + x) * 4;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  };
  auto opaque = [] {
    BlendState bs;
    ASSERT_TRUE(BlendModeState(5, &bs));
    g_D3DDevice->SetBlendState(bs);
    g_D3DDevice->SetPixelProgram(nullptr);
    g_D3DDevice->SetTexture(0, nullptr);
  };
  struct Row {
    const char* name;
    void (*run)(Texture* a, Texture* b);  // leaves the picture to check in a
    uint32_t inside, outside;             // at (4, 4) and at (28, 28)
  };
  const Row rows[] = {
      // Both targets cleared together; only the first is drawn into: the second keeps the clear.
      {"read back a target nothing drew into",
       [](Texture* a, Texture* b) {
         g_D3DDevice->SetRenderTarget(0, b);
         g_D3DDevice->SetRenderTarget(1, a);
         g_D3DDevice->Clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF112233u, 1.0f, 0);
         g_D3DDevice->SetRenderTarget(1, nullptr);
       },
       0xFF112233u, 0xFF112233u},
      {"the later of two clears",
       [](Texture* a, Texture*) {
         g_D3DDevice->SetRenderTarget(0, a);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF112233u, 1.0f, 0);
         g_D3DDevice->Clear(CLEAR_TARGET, 0x80445566u, 1.0f, 0);
       },
       0x80445566u, 0x80445566u},
      {"a part cleared after the whole",
       [](Texture* a, Texture*) {
         g_D3DDevice->SetRenderTarget(0, a);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF112233u, 1.0f, 0);
         g_D3DDevice->SetViewport(Viewport{0, 0, 16, 16, 0.0f, 1.0f});
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF445566u, 1.0f, 0);
       },
       0xFF445566u, 0xFF112233u},
      {"a draw over part of a cleared target",
       [](Texture* a, Texture*) {
         g_D3DDevice->SetRenderTarget(0, a);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF112233u, 1.0f, 0);
       },
       0xFFFFFFFFu, 0xFF112233u},
      {"a copy of a cleared target",
       [](Texture* a, Texture* b) {
         g_D3DDevice->SetRenderTarget(0, b);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF778899u, 1.0f, 0);
         g_D3DDevice->SetRenderTarget(0, a);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF112233u, 1.0f, 0);
         EXPECT_EQ(g_D3DDevice->CopyRenderTarget(b, Rect{0, 0, 32, 32}, a), kOk);
       },
       0xFF778899u, 0xFF778899u},
      {"a cleared target sampled",
       [](Texture* a, Texture* b) {
         g_D3DDevice->SetRenderTarget(0, b);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF778899u, 1.0f, 0);
         g_D3DDevice->SetRenderTarget(0, a);
         g_D3DDevice->Clear(CLEAR_TARGET, 0xFF112233u, 1.0f, 0);
         g_D3DDevice->SetTexture(0, b);
       },
       0xFF778899u, 0xFF112233u},
  };
  for (const Row& r : rows) {
    // Both targets start from a known picture drawn (not cleared) into them.
    for (Texture* t : {ta, tb}) {
      g_D3DDevice->SetRenderTarget(0, t);
      opaque();
      const uint32_t grey[4] = {0xFF808080u, 0xFF808080u, 0xFF808080u, 0xFF808080u};
      Quad(0, 0, 32, 32, grey, 0);
    }
    opaque();
    r.run(ta, tb);
    // The "draw" and "sampled" rows draw over the top-left quarter (white, or the sampled target).
    if (std::string(r.name).find("draw") != std::string::npos ||
        std::string(r.name).find("sampled") != std::string::npos) {
      BlendState bs;
      ASSERT_TRUE(BlendModeState(5, &bs));
      g_D3DDevice->SetBlendState(bs);
      Quad(0, 0, 16, 16, white, 0);
    }
    g_D3DDevice->SetTexture(0, nullptr);
    g_D3DDevice->SetRenderTarget(0, nullptr);
    const std::vector<uint8_t> px = ReadBack(ta);
    const int w = static_cast<int>(ta->Width());
    EXPECT_EQ(pixel(px, w, 4, 4), r.inside) << r.name;
    EXPECT_EQ(pixel(px, w, 28, 28), r.outside) << r.name;
  }
  FreeTexture(a);
  FreeTexture(b);
}

}  // namespace
}  // namespace vt::test
