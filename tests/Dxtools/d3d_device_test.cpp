// The device layer on the recording device: presentation parameters, the recovery sequence with
// handles staying valid, colour and format helpers, sprite geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "gfx_test_env.h"
#include "platform/gfx/adapter.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

TEST(PresentParameters, WindowAndFullScreenRequests) {
  AdapterInfo info;
  info.backBufferFormat32 = FMT_X8R8G8B8;
  info.backBufferFormat16 = FMT_X1R5G5B5;
  struct Case {
    int windowed, bpp;
    Format format;
    uint32_t count;
  };
  const Case cases[] = {{1, 32, FMT_UNKNOWN, 0}, {0, 32, FMT_X8R8G8B8, 1}, {0, 16, FMT_X1R5G5B5, 1}};
  for (const Case& c : cases) {
    DeviceRequest req;
    req.windowed = c.windowed;
    req.bitsPerPixel = c.bpp;
    req.width = 1280;
    req.height = 720;
    PresentParameters p = BuildPresentParameters(req, info);
    EXPECT_EQ(p.BackBufferFormat, c.format);
    EXPECT_EQ(p.BackBufferCount, c.count);
    EXPECT_EQ(p.SwapEffect, SWAPEFFECT_COPY);
    EXPECT_EQ(p.PresentationInterval, PRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.EnableAutoDepthStencil, 1);
    EXPECT_EQ(p.AutoDepthStencilFormat, FMT_D16);
    EXPECT_EQ(p.BackBufferWidth, 1280u);
  }
}

TEST(AdapterAnswers, ShaderModelThreeAnd32BitIndices) {
  DeviceCaps caps = GetDeviceCaps();
  EXPECT_GE(caps.PixelShaderVersion & 0xFFFF, 0x0300u);
  EXPECT_GE(caps.VertexShaderVersion & 0xFFFF, 0x0300u);
  EXPECT_GT(caps.MaxVertexIndex, 0xFFFFu);
  EXPECT_TRUE(CheckDeviceFormat(FMT_X8R8G8B8, 0, FMT_A8R8G8B8));
  EXPECT_TRUE(CheckDeviceFormat(FMT_X8R8G8B8, 0, FMT_DXT5));
}

class DeviceTest : public RecordingGfx {};

TEST_F(DeviceTest, NoDeviceTwiceAndNoParametersWithoutDevice) {
  DeviceRequest req;
  EXPECT_EQ(CreateD3DDevice(req), 0);  // one exists already
  EXPECT_EQ(GetPresentParameters().BackBufferWidth, 1280u);
  StopTools();
  EXPECT_EQ(GetPresentParameters().BackBufferWidth, 0u);
  EXPECT_EQ(CreateTexture(16, 16, 0), nullptr);
  EXPECT_EQ(ClearScreen(CLEAR_TARGET, 0), 0);
  StartTools(nullptr, 1280, 720);
}

TEST_F(DeviceTest, RecoveryRebuildsDefaultPoolBehindTheSameHandles) {
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  TextureHandle* managed = CreateTexture(32, 32, 0);
  Texture* managedBefore = HandleTexture(managed);
  uint64_t before[3];
  for (int i = 0; i < 3; ++i) before[i] = HandleTexture(g_SceneTargets[i])->Serial();
  uint64_t backBefore = g_BackBufferSurface->Serial();
  static int effectsResetAtFlush = -1;
  static size_t registered = 0;
  static bool texturesBackAtFlush = false;
  // A stand-in effect slot to see the lose / restore calls.
  LoadEffect(nullptr, 1, nullptr);
  g_EffectSlots[1]->effect = Effect::Create(
      "param float a\ntechnique T\npass\nglsl\nvoid main(){}\nendglsl\nendpass\nendtechnique\n", nullptr);
  ASSERT_NE(g_EffectSlots[1]->effect, nullptr);
  SetDeviceResetFlushHook([] {
    effectsResetAtFlush = g_EffectSlots[1]->effect->ResetCount();
    registered = DefaultPoolTextureCount();
    texturesBackAtFlush = HandleTexture(g_SceneTargets[0]) != nullptr;
  });
  // New parameters from a screen-mode switch, then the window thread's sequence.
  PresentParameters p = GetPresentParameters();
  p.BackBufferWidth = 800;
  p.BackBufferHeight = 600;
  SetPresentParameters(p);
  g_D3DDevice->ForceLost();
  EXPECT_EQ(TestCooperativeLevel(), kErrDeviceLost);
  EXPECT_EQ(TestCooperativeLevel(), kErrDeviceNotReset);
  EXPECT_EQ(RecoverDevice(), 1);
  SetDeviceResetFlushHook(nullptr);
  EXPECT_EQ(TestCooperativeLevel(), kOk);
  EXPECT_EQ(effectsResetAtFlush, 1);
  EXPECT_EQ(g_EffectSlots[1]->effect->LostCount(), 1);
  EXPECT_TRUE(texturesBackAtFlush);
  EXPECT_EQ(registered, 4u);
  for (int i = 0; i < 3; ++i) {
    Texture* t = HandleTexture(g_SceneTargets[i]);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(t->Serial(), before[i]);
    EXPECT_EQ(g_SceneTargets[i]->dx->usedWidth, 1280);
    EXPECT_EQ(t->Width(), 2048u);
    EXPECT_TRUE(t->IsRenderTarget());
  }
  EXPECT_EQ(HandleTexture(managed), managedBefore);  // managed textures are untouched
  EXPECT_NE(g_BackBufferSurface->Serial(), backBefore);
  EXPECT_EQ(g_BackBufferSurface->Width(), 800u);
  // Drawing into the rebuilt targets works.
  BindSceneRenderTargets();
  DrawRect(nullptr, 0, 0, 8, 8, ~0u, ~0u, ~0u, ~0u, 1);
  EXPECT_EQ(RenderMain(), 1);
  EXPECT_EQ(Draws().back()->targetSerial[0], HandleTexture(g_SceneTargets[0])->Serial());
  RestoreBackBufferTargets();
  FreeTexture(managed);
  FreeShaderEffects();
}

TEST_F(DeviceTest, RenderTargetsSaveAndRestore) {
  TextureHandle* a = CreateRenderTargetTexture(64, 64, 0);
  TextureHandle* b = CreateRenderTargetTexture(64, 64, 0);
  g_D3DDevice->SetRenderTarget(0, HandleTexture(a));
  g_D3DDevice->SetRenderTarget(1, HandleTexture(b));
  EXPECT_EQ(g_D3DDevice->GetViewport().Width, 64u);
  D3DSurface* saved[3];
  SaveRenderTargets(saved);
  SetRenderTargetTexture(nullptr);
  EXPECT_TRUE(g_D3DDevice->GetRenderTarget(0)->IsBackBuffer());
  EXPECT_EQ(g_D3DDevice->GetViewport().Width, 1280u);
  RestoreRenderTargets(saved);
  ReleaseRenderTargets(saved);
  EXPECT_EQ(g_D3DDevice->GetRenderTarget(0).get(), HandleTexture(a));
  EXPECT_EQ(g_D3DDevice->GetRenderTarget(1).get(), HandleTexture(b));
  EXPECT_EQ(g_D3DDevice->GetRenderTarget(2).get(), nullptr);
  RestoreBackBufferTargets();
  // The depth buffer grew for the targets but never shrinks.
  uint32_t dw, dh;
  g_D3DDevice->GetDepthBufferSize(&dw, &dh);
  EXPECT_EQ(dw, 1280u);
  GrowDepthBuffer(4096, 16);
  g_D3DDevice->GetDepthBufferSize(&dw, &dh);
  EXPECT_EQ(dw, 4096u);
  EXPECT_EQ(dh, 720u);
  FreeTexture(a);
  FreeTexture(b);
}

TEST(ColourHelpers, Table) {
  struct Case {
    const char* name;
    uint32_t got, want;
  };
  const Case cases[] = {
      {"modulate self", ModulateColour(0x80808080u, 0x80808080u), 0x80808080u},
      {"modulate", ModulateColour(0xFF804020u, 0x80FFFFFFu), 0x80804020u},
      {"modulate half", ModulateColour(0xFFFFFFFFu, 0x80808080u), 0x80808080u},
      {"scale 1 keeps", ScaleColour(0x12345678u, 1.0f), 0x12345678u},
      {"scale half", ScaleColour(0x80FF8040u, 0.5f), 0x807F4020u},
      {"lerp half", LerpColour(0x40000000u, 0xFFFFFFFFu, 0.5f), 0x407F7F7Fu},
      {"lerp 0", LerpColour(0x11223344u, 0xFFFFFFFFu, 0.0f), 0x11223344u},
      {"lerp past 1", LerpColour(0x11223344u, 0xAABBCCDDu, 1.5f), 0xAABBCCDDu},
      {"lerp alpha", LerpColourAlpha(0x00000000u, 0xFFFFFFFFu, 0.5f), 0x7F7F7F7Fu},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name << std::hex << " got " << c.got;
}

TEST(FormatHelpers, NamesAndBits) {
  EXPECT_STREQ(D3DFormatName(0), "D3DFMT_UNKNOWN");
  EXPECT_STREQ(D3DFormatName(21), "D3DFMT_A8R8G8B8");
  EXPECT_STREQ(D3DFormatName(FMT_DXT5), "D3DFMT_DXT5");
  EXPECT_STREQ(D3DFormatName(80), "D3DFMT_D16");
  EXPECT_STREQ(D3DFormatName(12345), "D3DFMT_UNKNOWN");
  EXPECT_EQ(FormatBitsPerPixel(20), 24);
  EXPECT_EQ(FormatBitsPerPixel(22), 32);
  EXPECT_EQ(FormatBitsPerPixel(26), 16);
  EXPECT_EQ(FormatBitsPerPixel(41), 8);
  EXPECT_EQ(FormatBitsPerPixel(FMT_DXT5), 0);
}

TEST(Letterbox, FitsByTheDisplayAspect) {
  struct Case {
    int w, h;
    float dw, dh;
    FitRect want;
  };
  const Case cases[] = {
      {1280, 720, 16, 9, {160, 0, 960, 720}},
      {1280, 960, 4, 3, {0, 0, 1280, 960}},
      {1024, 768, 16, 9, {128, 0, 768, 768}},  // non-square pixels: the monitor stretches to 16:9
      {1280, 1024, 5, 4, {0, 32, 1280, 960}},  // taller display: bars top and bottom
  };
  for (const Case& c : cases) {
    FitRect r = FitLetterbox(c.w, c.h, 4, 3, c.dw, c.dh);
    EXPECT_EQ(r.x, c.want.x);
    EXPECT_EQ(r.y, c.want.y);
    EXPECT_EQ(r.w, c.want.w);
    EXPECT_EQ(r.h, c.want.h);
  }
}

class SpriteGeometry : public RecordingGfx {};

TEST_F(SpriteGeometry, RotationAboutZTurnsCornersClockwiseOnScreen) {
  // 10 x 4 sprite, pivot at its top-left, placed at (100, 50), rotated 90 degrees.
  ASSERT_EQ(DrawSprite3D(nullptr, nullptr, 100, 50, 0, 10, 4, 0, 0, 0, 0, 10, 4, 0, 0, 90, ~0u, 0, 1), 1);
  RenderMain();
  const auto& v = Draws().at(0)->vertices;
  EXPECT_NEAR(v[0].x, 100.0f, 1e-4);
  EXPECT_NEAR(v[0].y, 50.0f, 1e-4);
  EXPECT_NEAR(v[1].x, 100.0f, 1e-4);  // (10, 0) turns to (0, 10)
  EXPECT_NEAR(v[1].y, 60.0f, 1e-4);
  EXPECT_NEAR(v[2].x, 96.0f, 1e-4);  // (0, 4) turns to (-4, 0)
  EXPECT_NEAR(v[2].y, 50.0f, 1e-4);
  EXPECT_FLOAT_EQ(v[0].z, 0.0f);
  EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);
}

TEST_F(SpriteGeometry, MatrixSpriteAppliesTranslationAfterScale) {
  D3DMatrix m;
  MultiplyMatrix(&m, D3DMatrix::Scaling(2, 3, 1), D3DMatrix::Translation(5, 7, 0));
  DrawSpriteMatrix(nullptr, nullptr, &m, 10, 10, 5, 5, 0, 0, 10, 10, ~0u, 0, 1);
  RenderMain();
  const auto& v = Draws().at(0)->vertices;
  EXPECT_FLOAT_EQ(v[0].x, -10.0f + 5.0f);
  EXPECT_FLOAT_EQ(v[0].y, -15.0f + 7.0f);
  EXPECT_FLOAT_EQ(v[3].x, 10.0f + 5.0f);
  EXPECT_FLOAT_EQ(v[3].y, 15.0f + 7.0f);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(DeviceTest, TestSceneOnTheRecordingDevice) {
  for (const char* folder : {"Shader", "grp"})
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                          std::filesystem::copy_options::recursive);
  LoadShaderEffects();
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  TextureHandle* sprite = SolidTexture(64, 64, 0xC0FFC040u);
  DrawTestSceneFrame(sprite, 0);
  // Scene pass: floor, sprites in runs of blend modes, the fade; then the capture copy; then the
  // letterboxed composition into the back buffer.
  std::vector<std::string> programs;
  uint64_t capture = HandleTexture(g_CaptureTarget)->Serial();
  uint64_t scene0 = HandleTexture(g_SceneTargets[0])->Serial();
  const DeviceRecord* captureDraw = nullptr;
  const DeviceRecord* composeDraw = nullptr;  // the scene, drawn last into the back buffer
  for (const DeviceRecord* d : Draws()) {
    programs.push_back(d->program);
    if (d->targetSerial[0] == capture) captureDraw = d;
    if (d->targetSerial[0] == g_BackBufferSurface->Serial()) composeDraw = d;
  }
  EXPECT_EQ(std::count(programs.begin(), programs.end(), "TecFade_ExFade0/0"), 1);
  ASSERT_NE(captureDraw, nullptr);
  EXPECT_EQ(captureDraw->textureSerial, scene0);
  ASSERT_NE(composeDraw, nullptr);
  EXPECT_EQ(composeDraw->textureSerial, scene0);
  EXPECT_FLOAT_EQ(composeDraw->vertices[0].x, 160.0f);
  EXPECT_FLOAT_EQ(composeDraw->vertices[3].x, 1120.0f);
  EXPECT_EQ(g_CaptureScreenRequest.load(), 0);
  EXPECT_EQ(g_D3DDevice->GetRenderTarget(0).get(), g_BackBufferSurface);
  FreeTexture(sprite);
  FreeShaderEffects();
}

}  // namespace
}  // namespace vt::test
