// The battle scene on a GL device: the scripted match driven through the scene and rendered into
// the scene targets every frame gives the same per-frame battle and stage hashes as the headless
// run. A picture of the fight over the stage is written where VT_SCENE_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_gl_shots.h"
#include "battle/character_draw.h"
#include "battle/particle_draw.h"
#include "scene/match_driver.h"
#include "scene/scene_fixture.h"
#include "scene/stage_bg.h"

namespace vt::test {
namespace {

class SceneBattleGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("battle scene", 640, 480));
    namespace fs = std::filesystem;
    battle_test::CopyHarnessSampleData();
    for (const char* folder : {"Bg", "Shader", "grp"})
      if (!fs::exists(folder))
        fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    vt::SetDebugQuiet(true);
    LoadShaderEffects();
    FlushHan6TextureCache();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    FillDefaultGameData(config_);
    config_.modes[0] = ModeRecord{2, 2, 2, 4, 0};
    config_.modes[1] = ModeRecord{2, 2, 2, 4, 0};
    g_GameData = &config_;
    // The common battle graphics start-up loads.
    LoadBattleHudTextures();
    LoadSystemEffectTextures();
  }
  void TearDown() override {
    EndDrivenMatch();
    FreeSystemEffectTextures();
    FreeBattleHudTextures();
    ResetStageBg();
    g_GameData = nullptr;
    scene_test::ResetSceneWords();
    g_BattleDrawSubmit = true;
    FreeFrameRenderTargets();
    FlushHan6TextureCache();
    ResetBattleDrawSeams();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  static DrivenMatchSetup MatchSetup() {
    DrivenMatchSetup s;
    for (int i = 0; i < 2; ++i) {
      s.sides[i].character = 1;  // the duelist
      s.sides[i].side = i;
      s.sides[i].color = i;
      s.sides[i].decided = 1;
    }
    s.stage = 1;
    s.seed = 5;
    return s;
  }

  static std::vector<uint8_t> ReadScene() { return battle_test::ReadSceneTarget(640, 480); }
  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name, "VT_SCENE_SHOTS");
  }

  // The scripted match, `frames` frames of it; rendered every frame when `submit`. The picture
  // of frame `shotFrame` goes to `shot`.
  std::vector<DrivenFrame> Run(bool submit, int frames, int shotFrame, std::vector<uint8_t>* shot) {
    g_BattleDrawSubmit = submit;
    std::vector<DrivenFrame> out;
    EXPECT_TRUE(StartDrivenMatch(MatchSetup()));
    if (::testing::Test::HasFailure()) return out;
    const HarnessScript script = HarnessScriptedMatch();
    for (int i = 0; i < frames && g_SceneId == SCENE_BATTLE; ++i) {
      const auto render = [&] {
        if (!submit) return;
        BindSceneRenderTargets();
        ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
        {
          std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
          RenderDrawList(g_MainDrawList.slots);
        }
        RestoreBackBufferTargets();
        ReleaseEffectTags();
        AgeHan6TextureCache();
        if (i == shotFrame && shot) *shot = ReadScene();
      };
      out.push_back(RunDrivenFrame(script, render));
    }
    EndDrivenMatch();
    return out;
  }
  GameData config_{};
};

TEST_F(SceneBattleGl, RenderedRunHashesAsHeadless) {
  constexpr int kFrames = 1500;
  std::vector<uint8_t> picture;
  const std::vector<DrivenFrame> rendered = Run(true, kFrames, 700, &picture);
  const std::vector<DrivenFrame> headless = Run(false, kFrames, -1, nullptr);
  ASSERT_EQ(rendered.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(headless.size(), rendered.size());
  for (size_t i = 0; i < rendered.size(); ++i) {
    ASSERT_EQ(rendered[i].battleHash, headless[i].battleHash) << "frame " << i;
    ASSERT_EQ(rendered[i].stageHash, headless[i].stageHash) << "frame " << i;
  }
  ASSERT_FALSE(picture.empty());
  Shot(picture, "fight_over_stage");
  // The stage fills the picture: no pixel of the cleared black at the centre of the sky.
  const size_t centre = (static_cast<size_t>(120) * 640 + 320) * 4;
  EXPECT_NE(picture[centre] | picture[centre + 1] | picture[centre + 2], 0);
}

}  // namespace
}  // namespace vt::test
