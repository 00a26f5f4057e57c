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
#include "scene/scene_frame.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class GlGfx : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartGl("gl test", 320, 240)); }
  void TearDown() override { StopGl(); }

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

namespace vt::test {
namespace {

using namespace vt::gfx;

void CopySampleFolder(const char* name) {
  std::filesystem::copy(
      std::filesystem::path(VT_SAMPLE_DIR) / name, name,
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

class GlScene : public GlGfx {
 protected:
  void SetUp() override {
    GlGfx::SetUp();
    CopySampleFolder("Shader");
    CopySampleFolder("grp");
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeShaderEffects();
    GlGfx::TearDown();
  }
  int Width(TextureHandle* t) { return static_cast<int>(HandleTexture(t)->Width()); }
};

TEST_F(GlScene, EverySampleTechniqueBuildsAndDraws) {
  TextureHandle* tex = SolidTexture(64, 64, 0xFF808080u);
  BindSceneRenderTargets();
  for (int slot = 1; slot <= 19; ++slot) {
    ASSERT_NE(g_EffectSlots[slot]->technique, 0u) << g_EffectSlots[slot]->techniqueName;
    ResetDrawList(&g_MainDrawList);
    ASSERT_NE(UseEffect(g_EffectSlots[slot]->techniqueName), nullptr);
    DrawSprite(nullptr, tex, 10, 10, 64, 64, 0, 0, 64, 64, ~0u, 0, 100);
    SetCurrentEffectTag(nullptr);
    EXPECT_EQ(RenderMain(), 1);
    ReleaseEffectTags();
  }
  for (int slot = 1; slot <= 19; ++slot) {
    EXPECT_FALSE(g_EffectSlots[slot]->effect->AnyProgramFailed()) << g_EffectSlots[slot]->techniqueName;
    EXPECT_GT(g_EffectSlots[slot]->effect->BuiltPrograms(), 0) << g_EffectSlots[slot]->techniqueName;
  }
  RestoreBackBufferTargets();
  FreeTexture(tex);
}

TEST_F(GlScene, MonoEffectReadsSceneTargetZeroThroughAShadowCopy) {
  BindSceneRenderTargets();
  g_DrawBlendMode = 5;
  DrawRect(nullptr, 0, 0, 640, 480, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 10);
  g_DrawBlendMode = 1;
  ASSERT_EQ(DrawMonoScreen(nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0xFFFFFFFFu, 0, 1.0f), 1);
  uint64_t copies = g_BatchRenderer->shadowCopies;
  ASSERT_EQ(RenderMain(), 1);
  EXPECT_GT(g_BatchRenderer->shadowCopies, copies);
  std::vector<uint8_t> px = ReadBack(HandleTexture(g_SceneTargets[0]));
  uint32_t c = PixelAt(px, Width(g_SceneTargets[0]), 100, 100);
  // Red turned grey: 0.299 x 255.
  EXPECT_NEAR(static_cast<int>(c & 0xFF), 76, 2);
  EXPECT_NEAR(static_cast<int>((c >> 8) & 0xFF), 76, 2);
  EXPECT_NEAR(static_cast<int>((c >> 16) & 0xFF), 76, 2);
  RestoreBackBufferTargets();
  ReleaseEffectTags();
}

TEST_F(GlScene, SceneIsLetterboxedIntoTheBackBuffer) {
  struct Case {
    uint32_t backW, backH;
    int left, right;  // first and last lit column
    bool panels;      // side panels in the bars
  };
  const Case cases[] = {
      {320, 180, 40, 279, false},  // 16:9: three quarters of the width, centred
      {320, 240, 0, 319, false},
      {320, 200, 26, 292, false},  // 16:10: 267 wide (round(200 x 4/3)), not squashed to 240
      {320, 180, 40, 279, true},   // the panels fill the bars beside the picture
  };
  TextureHandle* panel = SolidTexture(160, 720, 0xFF0000FFu);
  for (const Case& c : cases) {
    // The back buffer changes size through the device reset, as after a screen-mode switch.
    PresentParameters p = GetPresentParameters();
    p.BackBufferWidth = c.backW;
    p.BackBufferHeight = c.backH;
    SetPresentParameters(p);
    ASSERT_EQ(RecoverDevice(), 1);
    BindSceneRenderTargets();
    g_DrawBlendMode = 5;
    DrawRect(nullptr, 0, 0, 640, 480, ~0u, ~0u, ~0u, ~0u, 10);
    g_DrawBlendMode = 1;
    RenderMain();
    RestoreBackBufferTargets();
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF808080u);
    QueueSceneComposition();
    SidePanelState& panels = GetSceneProcess().panels;
    panels.defaults[0] = panels.defaults[1] = c.panels ? panel : nullptr;
    int x, y, pw, ph;
    GetSceneLetterbox(&x, &y, &pw, &ph);
    if (x > 0) DrawSidePanels(x, y, pw, ph);
    RenderMain();
    panels.defaults[0] = panels.defaults[1] = nullptr;
    TextureRef back = g_D3DDevice->GetBackBuffer();
    ASSERT_EQ(back->Width(), c.backW);
    std::vector<uint8_t> px = ReadBack(back.get());
    int w = static_cast<int>(c.backW), mid = static_cast<int>(c.backH) / 2;
    auto colour = [&](int x, int y) { return PixelAt(px, w, x, y) & 0xFFFFFF; };
    EXPECT_EQ(colour(c.left, mid), 0xFFFFFFu) << c.backW << "x" << c.backH;
    EXPECT_EQ(colour(c.right, mid), 0xFFFFFFu) << c.backW << "x" << c.backH;
    EXPECT_EQ(colour(160, 0), 0xFFFFFFu) << c.backW << "x" << c.backH;
    EXPECT_EQ(colour(160, static_cast<int>(c.backH) - 1), 0xFFFFFFu) << c.backW << "x" << c.backH;
    if (c.left > 0) {
      // Black bars, not the clear colour; with panels, the panels' blue.
      const uint32_t bar = c.panels ? 0x0000FFu : 0u;
      EXPECT_EQ(colour(c.left - 1, mid), bar) << c.backW << "x" << c.backH;
      EXPECT_EQ(colour(c.right + 1, mid), bar) << c.backW << "x" << c.backH;
      EXPECT_EQ(colour(0, mid), bar) << c.backW << "x" << c.backH;
    }
    ResetDrawList(&g_MainDrawList);
    EXPECT_EQ(PresentFrame(g_D3DManager, 0.0f), 1);
  }
  FreeTexture(panel);
}

TEST_F(GlScene, ScreenshotOfSceneTargetRoundTrips) {
  BindSceneRenderTargets();
  g_DrawBlendMode = 5;
  DrawRect(nullptr, 0, 0, 320, 480, 0xFF102030u, 0xFF102030u, 0xFF102030u, 0xFF102030u, 10);
  DrawRect(nullptr, 320, 0, 320, 480, 0xFFC0B0A0u, 0xFFC0B0A0u, 0xFFC0B0A0u, 0xFFC0B0A0u, 10);
  g_DrawBlendMode = 1;
  RenderMain();
  RestoreBackBufferTargets();
  SetScreenshotFormat("PNG");
  ASSERT_EQ(SaveScreenshot(g_SceneTargets[0]), 1);
  std::string bytes = ReadFile("ScreenShot/00000000.png");
  vt::image::Image img;
  ASSERT_TRUE(vt::image::DecodeImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &img));
  EXPECT_EQ(img.info.width, 640u);
  EXPECT_EQ(img.info.height, 480u);
  auto at = [&](int x, int y) {
    const uint8_t* p = img.pixels.data() + (static_cast<size_t>(y) * img.info.width + x) * 4;
    return (p[0] | (p[1] << 8) | (p[2] << 16)) & 0xFFFFFF;
  };
  EXPECT_EQ(at(10, 10), 0x102030);
  EXPECT_EQ(at(10, 470), 0x102030);
  EXPECT_EQ(at(630, 10), 0xC0B0A0);
  SetScreenshotFormat(nullptr);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(GlScene, TestSceneRendersSpritesBlendsAndAnEffect) {
  PresentParameters p = GetPresentParameters();
  p.BackBufferWidth = 320;
  p.BackBufferHeight = 180;
  SetPresentParameters(p);
  ASSERT_EQ(RecoverDevice(), 1);
  TextureHandle* sprite = SolidTexture(64, 64, 0xC0FFC040u);
  for (int frame = 0; frame < 3; ++frame) DrawTestSceneFrame(sprite, frame);
  // The fade effect ran, the capture holds the scene, and the back buffer shows the scene
  // inside the pillarbox with black bars.
  EXPECT_GT(g_EffectSlots[15]->effect->BuiltPrograms(), 0);
  std::vector<uint8_t> back = ReadBack(g_D3DDevice->GetBackBuffer().get());
  EXPECT_EQ(PixelAt(back, 320, 10, 90) & 0xFFFFFF, 0u);
  EXPECT_EQ(PixelAt(back, 320, 310, 90) & 0xFFFFFF, 0u);
  uint32_t floor = PixelAt(back, 320, 160, 154);
  EXPECT_GT((floor & 0xFF), 0x30u);  // the blue floor rectangle, scaled down
  std::vector<uint8_t> capture = ReadBack(HandleTexture(g_CaptureTarget));
  EXPECT_EQ(
      PixelAt(capture, Width(g_CaptureTarget), 320, 440) & 0xFFFFFF,
      PixelAt(ReadBack(HandleTexture(g_SceneTargets[0])), Width(g_SceneTargets[0]), 320, 440) & 0xFFFFFF);
  FreeTexture(sprite);
}

}  // namespace
}  // namespace vt::test

#include <atomic>
#include <thread>

namespace vt::test {
namespace {

TEST_F(GlScene, WindowThreadRecoveryAndClearsMakeNoGlCalls) {
  // Start-up's clear and the recovery run on the window thread, which never has the context.
  std::thread window([] {
    EXPECT_EQ(ClearScreen(CLEAR_TARGET, 0), 1);
    PresentParameters p = GetPresentParameters();
    p.BackBufferWidth = 200;
    p.BackBufferHeight = 100;
    SetPresentParameters(p);
    EXPECT_EQ(RecoverDevice(), 1);
  });
  window.join();
  // The rendering thread picks the new sizes up at its next drawing.
  BindSceneRenderTargets();
  g_DrawBlendMode = 5;
  DrawRect(nullptr, 0, 0, 640, 480, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 10);
  g_DrawBlendMode = 1;
  RenderMain();
  RestoreBackBufferTargets();
  QueueSceneComposition();
  RenderMain();
  std::vector<uint8_t> px = ReadBack(g_D3DDevice->GetBackBuffer().get());
  EXPECT_EQ(g_D3DDevice->GetBackBuffer()->Width(), 200u);
  EXPECT_EQ(PixelAt(px, 200, 100, 50) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(PresentFrame(g_D3DManager, 0.0f), 1);
}

}  // namespace
}  // namespace vt::test

#include <epoxy/gl.h>

namespace vt::test {
namespace {

TEST_F(GlGfx, TextureChangesAreUploadedAndFreedTexturesDeletedOnTheRenderingThread) {
  TextureHandle* target = CreateRenderTargetTexture(32, 32, FMT_A8R8G8B8);
  TextureHandle* tex = SolidTexture(16, 16, 0xFFFF0000u);
  for (uint32_t fill : {0xFFFF0000u, 0xFF0000FFu}) {
    auto* p = static_cast<uint32_t*>(LockTexture(tex->dx, nullptr));
    for (int i = 0; i < 16 * GetTexturePitch(tex) / 4; ++i) p[i] = fill;
    UnlockTexture(tex->dx);
    SetRenderTargetTexture(target);
    ClearScreen(CLEAR_TARGET, 0xFF000000u);
    DrawSprite(nullptr, tex, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    std::vector<uint8_t> px = ReadBack(HandleTexture(target));
    EXPECT_EQ(PixelAt(px, 32, 4, 4), fill);
  }
  uint32_t name = HandleTexture(tex)->glName;
  ASSERT_NE(name, 0u);
  std::thread worker([tex] { FreeTexture(tex); });  // a loader thread frees it
  worker.join();
  EXPECT_TRUE(glIsTexture(name));  // not yet: only the rendering thread deletes
  RenderMain();
  EXPECT_FALSE(glIsTexture(name));
  SetRenderTargetTexture(nullptr);
  FreeTexture(target);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(GlGfx, TechniqueThatDoesNotCompileLeavesItsSlotEmpty) {
  WriteFile(
      "Shader/bad.txt",
      "technique Good\npass\nglsl\nvoid main() { o_colour = v_diffuse; }\nendglsl\nendpass\nendtechnique\n"
      "technique Bad\npass\nglsl\nvoid main() { o_colour = undeclared_name; "
      "}\nendglsl\nendpass\nendtechnique\n");
  LoadEffect(".\\Shader\\bad.txt", 40, "Good");
  LoadEffect(".\\Shader\\bad.txt", 41, "Bad");
  EXPECT_NE(g_EffectSlots[40]->technique, 0u);
  EXPECT_EQ(g_EffectSlots[41]->technique, 0u);
  EXPECT_EQ(UseEffect("Bad"), nullptr);
  FreeShaderEffects();
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(GlGfx, EveryTextureFormatUploadsWithTheRightChannels) {
  struct Case {
    Format format;
    std::vector<uint8_t> pixel;  // one pixel (or one 4 x 4 block) in the format's memory layout
    uint32_t expected;           // ARGB read back after an opaque copy
  };
  const Case cases[] = {
      {FMT_A8R8G8B8, {0x30, 0x60, 0x90, 0x80}, 0x80906030u},
      {FMT_X8R8G8B8, {0x30, 0x60, 0x90, 0x00}, 0xFF906030u},  // alpha reads as 1
      {FMT_R5G6B5, {0x00, 0xF8}, 0xFFFF0000u},                // pure red
      {FMT_A1R5G5B5, {0x1F, 0x00}, 0x000000FFu},              // blue, alpha bit clear
      {FMT_A4R4G4B4, {0xF0, 0x8F}, 0x88FFFF00u},              // word 0x8FF0: a 8, r F, g F, b 0
      {FMT_DXT1, {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}, 0xFFFF0000u},
      {FMT_DXT5, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0}, 0xFF00FF00u},
  };
  TextureHandle* target = CreateRenderTargetTexture(32, 32, FMT_A8R8G8B8);
  for (const Case& c : cases) {
    TextureHandle* t = CreateTexture(16, 16, c.format);
    ASSERT_NE(t, nullptr);
    auto* bits = static_cast<uint8_t*>(LockTexture(t->dx, nullptr));
    int pitch = GetTexturePitch(t);
    int rows = RowCount(c.format, 16), step = static_cast<int>(c.pixel.size());
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x + step <= pitch; x += step)
        std::copy(c.pixel.begin(), c.pixel.end(), bits + y * pitch + x);
    UnlockTexture(t->dx);
    SetRenderTargetTexture(target);
    ClearScreen(CLEAR_TARGET, 0);
    g_DrawBlendMode = 5;
    DrawSprite(nullptr, t, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
    g_DrawBlendMode = 1;
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    uint32_t got = PixelAt(ReadBack(HandleTexture(target)), 32, 8, 8);
    for (int shift : {0, 8, 16, 24})
      EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((c.expected >> shift) & 0xFF), 1)
          << D3DFormatName(c.format) << " shift " << shift << std::hex << " got " << got;
    FreeTexture(t);
  }
  SetRenderTargetTexture(nullptr);
  FreeTexture(target);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(GlGfx, ThreeDLinesAreDrawnThroughTheSpriteMatricesInTheirColours) {
  TextureHandle* target = CreateRenderTargetTexture(64, 64, FMT_A8R8G8B8);
  SetRenderTargetTexture(target);
  ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
  g_SpriteViewMatrix = D3DMatrix::Translation(0, 20, 0);  // both lines land 20 rows lower
  const float greenA[3] = {4, 10, 0}, greenB[3] = {60, 10, 0};
  const float redBlueA[3] = {4, 40, 0}, redBlueB[3] = {60, 40, 0};
  QueueLine3D(greenA, greenB, 0xFF00FF00u, 0xFF00FF00u, 5);
  QueueLine3D(redBlueA, redBlueB, 0xFFFF0000u, 0xFF0000FFu, 5);
  EXPECT_EQ(RenderMain(), 1);
  ResetDrawList(&g_MainDrawList);
  ResetSpriteViewMatrix();
  std::vector<uint8_t> px = ReadBack(HandleTexture(target));
  int w = static_cast<int>(HandleTexture(target)->Width());
  // The lit pixel of a column near a row (the rasteriser may take the row on either side).
  auto litNear = [&](int x, int y) {
    for (int row : {y, y - 1, y + 1})
      if ((PixelAt(px, w, x, row) & 0xFFFFFFu) != 0) return PixelAt(px, w, x, row);
    return 0u;
  };
  EXPECT_EQ(litNear(30, 30), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(px, w, 30, 10), 0xFF000000u);  // not where the matrix-free ends lie
  EXPECT_EQ(PixelAt(px, w, 30, 40), 0xFF000000u);
  uint32_t nearRed = litNear(6, 60), nearBlue = litNear(58, 60);
  EXPECT_GT((nearRed >> 16) & 0xFF, 0xE0u) << std::hex << nearRed;
  EXPECT_LT(nearRed & 0xFF, 0x20u) << std::hex << nearRed;
  EXPECT_GT(nearBlue & 0xFF, 0xE0u) << std::hex << nearBlue;
  EXPECT_LT((nearBlue >> 16) & 0xFF, 0x20u) << std::hex << nearBlue;
  SetRenderTargetTexture(nullptr);
  FreeTexture(target);
}

TEST_F(GlGfx, ALoaderThreadWritesATextureWhileItIsDrawn) {
  TextureHandle* target = CreateRenderTargetTexture(32, 32, FMT_A8R8G8B8);
  TextureHandle* tex = SolidTexture(16, 16, 0xFF000000u);
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (uint32_t k = 1; k <= 300; ++k) {
      auto* p = static_cast<uint32_t*>(LockTexture(tex->dx, nullptr));
      ASSERT_NE(p, nullptr);
      for (int i = 0; i < 16 * GetTexturePitch(tex) / 4; ++i) p[i] = 0xFF000000u | k;
      UnlockTexture(tex->dx);
    }
    done = true;
  });
  SetRenderTargetTexture(target);
  while (!done) {
    DrawSprite(nullptr, tex, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
    RenderMain();
    ResetDrawList(&g_MainDrawList);
  }
  loader.join();
  DrawSprite(nullptr, tex, 0, 0, 16, 16, 0, 0, 16, 16, ~0u, 0, 1);
  RenderMain();
  ResetDrawList(&g_MainDrawList);
  EXPECT_EQ(PixelAt(ReadBack(HandleTexture(target)), 32, 5, 5), 0xFF000000u | 300u);
  SetRenderTargetTexture(nullptr);
  FreeTexture(tex);
  FreeTexture(target);
}

}  // namespace
}  // namespace vt::test
