// The screen break-up on the GL device (llvmpipe through SDL's offscreen driver): the captured
// picture shows whole at the start, and half way through the left columns are gone while the
// right ones still show it. With VT_SCREENSHOT_DIR set, the half-way frame is written there as
// "screen_break_half.png" to be looked at. The timer and score digits drawn from the sample HUD
// sheets land where their glyphs are placed; with VT_BATTLE_SHOTS set the picture is written
// there as "hud_digits.png".
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/screen_break.h"
#include "battle_fixture.h"
#include "platform/image.h"

namespace {

using namespace vt::gfx;

class ScreenBreakGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("screen break", 640, 480));
    battle_test::ResetWorld();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    std::memset(g_ScreenBreakCells, 0, sizeof g_ScreenBreakCells);
    battle_test::ResetWorld();
    StopGl();
  }

  // The capture holds the last picture: a red field with a white band across rows 200..279.
  static void PaintCapture() {
    SetRenderTargetTexture(g_CaptureTarget);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFFFF0000u);
    DrawRect(nullptr, 0, 200, 640, 80, ~0u, ~0u, ~0u, ~0u, 10);
    RenderMain();
    ResetDrawList(&g_MainDrawList);
  }
  // The break-up at progress p over a black scene target 0; its pixels (B, G, R, A).
  static std::vector<uint8_t> DrawAt(float p) {
    SetRenderTargetTexture(g_SceneTargets[0]);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
    SetScreenBreakProgress(p);
    DrawScreenBreakEffect();
    return RenderScene();
  }
  // Renders the queued draws into scene target 0 and gives its pixels (B, G, R, A).
  static std::vector<uint8_t> RenderScene() {
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    RestoreBackBufferTargets();
    Texture* rt = HandleTexture(g_SceneTargets[0]);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    return sys->Pixels();
  }
  static uint32_t Rgb(const std::vector<uint8_t>& px, int x, int y) {
    const int w = static_cast<int>(HandleTexture(g_SceneTargets[0])->Width());
    const uint8_t* p = px.data() + (static_cast<size_t>(y) * w + x) * 4;
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }
};

TEST_F(ScreenBreakGl, PictureIsWholeAtTheStartAndGoesFromTheLeft) {
  PaintCapture();
  ResetScreenBreakEffect();

  const std::vector<uint8_t> start = DrawAt(0.0f);
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 5) {
      const uint32_t want = (y >= 200 && y < 280) ? 0xFFFFFFu : 0xFF0000u;
      ASSERT_EQ(Rgb(start, x, y), want) << x << "," << y;
    }

  const std::vector<uint8_t> half = DrawAt(0.5f);
  if (const char* dir = std::getenv("VT_SCREENSHOT_DIR")) {
    const int w = static_cast<int>(HandleTexture(g_SceneTargets[0])->Width());
    std::vector<uint8_t> shot(640 * 480 * 4);
    for (int y = 0; y < 480; ++y)
      std::memcpy(&shot[static_cast<size_t>(y) * 640 * 4], &half[static_cast<size_t>(y) * w * 4], 640 * 4);
    EXPECT_TRUE(vt::image::SaveImage(std::string(dir) + "/screen_break_half.png", vt::image::kFilePng,
                                     shot.data(), 640, 480));
  }
  // Columns 0 and 1 have shrunk to nothing and no cell drifts left: the fight shows there.
  for (int y = 0; y < 480; y += 3)
    for (int x = 0; x < 32; x += 3) ASSERT_EQ(Rgb(half, x, y), 0u) << x << "," << y;
  // Column 39 is nearly whole: alpha 248 over black, its picture unmoved.
  const uint32_t red = Rgb(half, 632, 100), band = Rgb(half, 632, 245);
  EXPECT_NEAR(static_cast<int>(red >> 16), 248, 3);
  EXPECT_EQ(red & 0xFFFF, 0u);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((band >> shift) & 0xFF), 248, 3) << shift;
}

// The round timer (57 from 57.3, then the infinity mark) and an arcade score with the side's
// challenger count, from the sample's gauge sheets, over a black scene.
TEST_F(ScreenBreakGl, TimerAndScoreDigitsFromTheSampleSheets) {
  namespace fs = std::filesystem;
  fs::create_directories("grp");
  fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / "Gauge_QZ", "grp/Gauge_QZ",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  ASSERT_EQ(LoadBattleHudTextures(), 1);
  ASSERT_NE(g_BattleHudTextures.gauge[1], nullptr);
  ASSERT_NE(g_BattleHudTextures.gauge[5], nullptr);
  SetRenderTargetTexture(g_SceneTargets[0]);
  ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
  g_TimerShown = 57.3f;
  DrawTimerDigits(20, 255, 400);
  g_TimerShown = -1.0f;
  DrawTimerDigits(100, 160, 400);
  g_SideStatus[0].arcadeTotals[8] = 3;
  g_SideStatus[0].arcadeTotals[9] = 4;
  DrawScoreDigits(40, 200, 1234567, 0);
  DrawDecimalValue(40, 260, 1234, 400);
  DrawDigitString(40, 320, 16, "ROUND 2", 400);
  const std::vector<uint8_t> px = RenderScene();
  FreeBattleHudTextures();
  // Lit pixels inside each drawn row's box and none outside the boxes.
  const auto lit = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Rgb(px, x, y) != 0;
    return n;
  };
  EXPECT_GT(lit(291, 20, 291 + 26 + 32, 60), 50);  // the timer's two digits
  EXPECT_GT(lit(296, 100, 296 + 48, 140), 50);     // the infinity mark
  EXPECT_GT(lit(40, 200, 40 + 100, 216), 50);      // eight score digits and the count
  EXPECT_GT(lit(40, 260, 40 + 84, 284), 50);       // 123.4 and its unit
  EXPECT_GT(lit(40, 320, 40 + 7 * 16, 336), 50);   // the text
  EXPECT_EQ(lit(0, 0, 640, 20), 0);
  EXPECT_EQ(lit(400, 150, 640, 480), 0);
  if (const char* dir = std::getenv("VT_BATTLE_SHOTS")) {
    fs::create_directories(dir);
    const int w = static_cast<int>(HandleTexture(g_SceneTargets[0])->Width());
    std::vector<uint8_t> shot(640 * 480 * 4);
    for (int y = 0; y < 480; ++y)
      std::memcpy(&shot[static_cast<size_t>(y) * 640 * 4], &px[static_cast<size_t>(y) * w * 4], 640 * 4);
    EXPECT_TRUE(vt::image::SaveImage((fs::path(dir) / "hud_digits.png").string(), vt::image::kFilePng,
                                     shot.data(), 640, 480));
  }
}

}  // namespace
