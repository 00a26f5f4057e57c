// The battle HUD on a GL device over a plain background, mid-fight, from the sample HUD sheets,
// faces and palette chips: the bars and frames land where the sheets put them. The picture is
// written where VT_HUD_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_tables.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/round_flow.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"
#include "scene/battle_hud.h"
#include "scene/scene_battle.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

class BattleHudGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("battle hud", 640, 480));
    for (const char* folder : {"Shader", "grp"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    InstallBattleHud();
    ResetHudSlots();
    vt::SetDebugQuiet(true);
    LoadBattleHudTextures();
    const std::string list = ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / "charaselect.txt");
    ASSERT_EQ(LoadCharaSelectList(list), 31);  // the select's whole grid
  }
  void TearDown() override {
    FreeBattleHudGraphics();
    FreeBattleHudTextures();
    FreeCharaSelectList();
    ResetDrawList(&g_MainDrawList);
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    FreeFrameRenderTargets();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // The scene target's 640 x 480 picture after the HUD over a plain background.
  std::vector<uint8_t> Picture() {
    BindSceneRenderTargets();
    ClearScreen(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0xFF3A4A5Au);
    ResetDrawList(&g_MainDrawList);
    DrawBattleHud();
    RenderMain();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    return battle_test::ReadSceneTarget(640, 480);
  }
  static uint32_t Pixel(const std::vector<uint8_t>& bgra, int x, int y) {
    const uint8_t* p = &bgra[(static_cast<size_t>(y) * 640 + x) * 4];
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }
  battle_test::TestFrameData data_;
};

TEST_F(BattleHudGl, HudMidFight) {
  battle_test::FrameDef hold;
  hold.duration = 100;
  data_.Pattern(0, {hold});
  for (int i = 0; i < 2; ++i) {
    BattleObject& o = battle_test::PlaceCharacter(i, data_.Set(), i == 0 ? -10000 : 10000);
    g_SideStatus[i].activePlayer = i;
    LoadBattleHudGraphics(i, i, i);
    o.type = static_cast<int16_t>(i);
  }
  for (TypeParams& t : g_TypeParams) {
    t.magicCircuitMax = 30000;
    t.ggMaxVal = 1000.0f;
    t.gqMaxVal = 100.0f;
  }
  g_GameModeFlags = MODE_VS_PLAYER;
  g_TimerSpeed = 1;
  g_RoundTimer = 62 * 60;
  g_RoundCounter = 1;
  g_SideWinCounts[0] = 1;
  g_BattleState[BattleStateIndex::kRoundMarks + 0] = 1;
  g_BattleState[BattleStateIndex::kRoundMarks + 1] = 2;
  g_BattleState[BattleStateIndex::kRoundMarks + 13] = 2;
  BattleObject& p1 = g_PlayerRecords[0].obj;
  BattleObject& p2 = g_PlayerRecords[1].obj;
  p1.life = kMaxLife * 7 / 10;
  p1.redLife = kMaxLife * 8 / 10;
  p1.guardGauge = 800.0f;
  p1.circuit = 17000;
  g_PlayerSelections[0].color = 4;
  p2.life = kMaxLife * 35 / 100;
  p2.redLife = kMaxLife / 2;
  p2.guardGauge = 350.0f;
  p2.guardQuality = 70.0f;
  p2.gaugeMode = 1;
  p2.heatTimer = 400;
  p2.gaugeModeMax = 600;
  g_PlayerSelections[1].color = 11;
  for (int i = 0; i < 60; ++i) {
    ++g_BattleFrame;
    ResetDrawList(&g_MainDrawList);
    DrawBattleHud();
  }
  const std::vector<uint8_t> bgra = Picture();
  ASSERT_EQ(bgra.size(), 640u * 480u * 4u);
  // Side 0's life bar is yellow at its right end (x 272, y 45), the background shows far from
  // any HUD part, and the meter's level-2 bar (yellow) fills from x 35.
  const uint32_t life = Pixel(bgra, 270, 45);
  EXPECT_GT(life >> 16 & 0xFF, 180u) << std::hex << life;
  EXPECT_GT(life >> 8 & 0xFF, 120u) << std::hex << life;
  EXPECT_LT(life & 0xFF, 140u) << std::hex << life;
  EXPECT_EQ(Pixel(bgra, 320, 300), 0x3A4A5Au);
  battle_test::SaveBattleShot(bgra, 640, 480, "hud_mid_fight", "VT_HUD_SHOTS");
}

}  // namespace
}  // namespace vt::test
