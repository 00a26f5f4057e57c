// The character draw on a GL device: a fighter flashing green with its shadow lying on the floor
// beside a fighter without a flash, through the camera and floor matrices the game wiring
// installs. The picture is written where VT_BATTLE_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle_gl_shots.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

namespace vt::test {
namespace {

class CharacterDrawGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("character draw", 640, 480));
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "Shader", "Shader",
                          std::filesystem::copy_options::recursive);
    battle_test::CopyHarnessSampleData();
    LoadShaderEffects();
    FlushHan6TextureCache();
    vt::SetDebugQuiet(true);
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeFrameRenderTargets();
    HarnessRelease();
    FlushHan6TextureCache();
    g_BattleDrawSubmit = true;
    ResetBattleDrawSeams();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }
  // The character pass alone, rendered into the scene target; its BGRA pixels.
  std::vector<uint8_t> Picture() {
    BindSceneRenderTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF8090A0u);
    DrawCharacters();
    RenderMain();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    return battle_test::ReadSceneTarget(640, 480);
  }
  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name);
  }
};

// Counts the pixels of a screen rectangle that pass a test.
template <typename Test>
int Count(const std::vector<uint8_t>& bgra, int x0, int y0, int x1, int y1, Test test) {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(480, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(640, x1); ++x) {
      const uint8_t* p = &bgra[(static_cast<size_t>(y) * 640 + x) * 4];
      n += test(p[2], p[1], p[0]) ? 1 : 0;
    }
  return n;
}

TEST_F(CharacterDrawGl, FlashingFighterWithItsShadow) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const HarnessScript stand = [](uint32_t, int) { return HarnessPad{}; };
  for (int i = 0; i < 30; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  ResetDrawList(&g_MainDrawList);
  BattleObject& a = g_PlayerRecords[0].obj;
  a.flashKind = 3;  // green blink, shown on even timer values
  a.flashTimer = 8;
  a.flashLength = 8;
  const std::vector<uint8_t> picture = Picture();
  ASSERT_EQ(picture.size(), 640u * 480u * 4u);
  Shot(picture, "character_flash_shadow");
  // Screen x of each fighter's feet; the ground line is at 432 less the camera's height.
  const int ground = 432 - (g_CameraY >> 7);
  const int ax = ((a.posX - g_CameraX) >> 7) + 320;
  const int bx = ((g_PlayerRecords[1].obj.posX - g_CameraX) >> 7) + 320;
  auto green = [](int r, int g, int b) { return g > 200 && g > r + 60 && g > b + 60; };
  // The flashing fighter is green above its feet; the other is not.
  EXPECT_GT(Count(picture, ax - 60, ground - 200, ax + 60, ground, green), 200);
  EXPECT_EQ(Count(picture, bx - 60, ground - 200, bx + 60, ground, green), 0);
  // Both shadows darken the floor just below the feet (the background is 0x8090A0).
  auto dark = [](int r, int g, int b) { return r < 0x70 && g < 0x80 && b < 0x90; };
  EXPECT_GT(Count(picture, ax - 60, ground, ax + 60, ground + 40, dark), 100);
  EXPECT_GT(Count(picture, bx - 60, ground, bx + 60, ground + 40, dark), 100);

  // The camera lowered by 100 pixels shows the whole shadow: it widens toward the viewer.
  g_CameraY += 100 * 128;
  BuildBattleCameraMatrices();
  const std::vector<uint8_t> low = Picture();
  Shot(low, "character_flash_shadow_low");
  const int lowGround = ground - 100;
  const int near = Count(low, ax - 60, lowGround, ax + 60, lowGround + 10, dark);
  const int far = Count(low, ax - 100, lowGround + 40, ax + 100, lowGround + 50, dark);
  EXPECT_GT(near, 0);
  EXPECT_GT(far, near);
  // Below the shadow's reach the floor is clear.
  EXPECT_EQ(Count(low, 0, lowGround + 150, 640, 480, dark), 0);
}

}  // namespace
}  // namespace vt::test
