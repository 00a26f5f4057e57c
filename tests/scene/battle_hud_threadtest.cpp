// The character loader thread loads the HUD graphics of its slots (faces and palette chips
// through the texture loads any thread may make, cut-ins by asynchronous reads) while the logic
// thread renders frames with the HUD and asks for the cut-ins; freeing waits for reads still
// running. Run under ThreadSanitizer this shows the graphics table is shared only under its lock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "battle/character_draw.h"
#include "scene/battle_hud.h"
#include "support/test_util.h"

namespace {

class HudLoaderThread : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    for (const char* folder : {"data", "grp"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    InstallBattleHud();
    battle_test::UseTwoSampleCharacters();
    const std::string list = vt::test::ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / "charaselect.txt");
    ASSERT_EQ(LoadCharaSelectList(list), 31);  // the select's whole grid
    InitScreenMessages();
    LoadBattleHudTextures();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    FreeBattleHudGraphics();
    FreeBattleHudTextures();
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    FreeScreenMessages();
    FreeCharaSelectList();
    ResetDrawList(&g_MainDrawList);
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    RecordingGfx::TearDown();
  }

  // One logic frame while the loader runs (the battle records are the loader's until the join,
  // so the HUD's graphics are all the frame reads of it): the faces, chips and cut-ins queued,
  // then the test scene rendered and presented.
  void Frame(TextureHandle* sprite, int frame) {
    for (int player = 0; player < 4; ++player) {
      DrawSprite(nullptr, GetHudFace(player), 0, 0, 256, 96, 0, 0, 256, 96, 0xFFFFFFFFu, 0, 705);
      DrawSprite(nullptr, GetHudPaletteChip(player), 72, 70, 28, 10, 2, 3, 28, 10, 0xFFFFFFFFu, 0, 707);
      for (int i = 0; i < 5; ++i)
        DrawSprite(nullptr, g_BattleDrawSeams.CutInTexture(player, i), 0, 200, 512, 128, 0, 0, 512, 256,
                   0xFFFFFFFFu, 0, 600);
    }
    vt::test::DrawTestSceneFrame(sprite, frame);
  }
};

TEST_F(HudLoaderThread, GraphicsLoadOnTheLoaderThreadWhileFramesRender) {
  TextureHandle* sprite = SolidTexture(64, 64, 0xFF40C080u);
  CCharaDataLoader& loader = GetCharaDataLoader();
  for (int pass = 0; pass < 2; ++pass) {
    loader.allCpu = 0;
    loader.progress = 0;
    ASSERT_EQ(loader.Start(), 1);
    int frames = 0;
    while (!loader.IsFinished() || frames < 3) Frame(sprite, frames++);
    EXPECT_EQ(loader.JoinThread(), 1);
    // The HUD pass reads the loaded records after the join.
    DrawBattleHud();
    // Each side's face, as the loader passes it (character and side).
    EXPECT_NE(GetHudFace(0), nullptr);
    EXPECT_NE(GetHudFace(1), nullptr);
    EXPECT_NE(GetHudPaletteChip(0), nullptr);
    if (pass == 0) {
      // The cut-in's read finishes on its own; the lookup makes its texture.
      TextureHandle* cut = nullptr;
      for (int i = 0; i < 1000 && cut == nullptr; ++i) {
        cut = GetBattleHudTexture(0, 0);
        Frame(sprite, frames++);
      }
      EXPECT_NE(cut, nullptr);
    }
    // Freeing right after the loads (the cut-ins' reads may still run) waits for them.
    FreeBattleHudGraphics();
    for (int player = 0; player < 4; ++player) {
      EXPECT_EQ(GetHudFace(player), nullptr);
      for (int i = 0; i < 5; ++i) EXPECT_EQ(GetBattleHudTexture(player, i), nullptr);
    }
  }
  FreeTexture(sprite);
}

}  // namespace
