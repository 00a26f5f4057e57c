// The character select on the offscreen GL device over the sample data: the player-against-player
// road from the grid through the style disk, the colour list and the stage select, each phase
// rendered and written as a picture where VT_SELECT_SHOTS names a folder; then the chosen pair is
// fought headless to the judge's end and rendered for its first frames, which must give the same
// per-frame hashes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Text/system_font.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/round_flow.h"
#include "scene/chara_select.h"
#include "scene/game_modes.h"
#include "scene/match_fixture.h"
#include "scene/select_fixture.h"

namespace {

using select_test::Script;

class SelectGl : public match_test::DrivenMatchTest {
 protected:
  void SetUp() override {
    DrivenMatchTest::SetUp();
    select_test::CopySampleFolders();
  }
  static std::vector<uint8_t> Shot(const std::string& name) {
    std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(px, 640, 480, name, "VT_SELECT_SHOTS");
    return px;
  }
};

TEST_F(SelectGl, EachPhaseRenderedThenThePairFoughtRenderedAndHeadless) {
  SceneHarness h;
  SceneHarnessOptions o;
  o.gl = true;
  o.width = 640;
  o.height = 480;
  ASSERT_TRUE(h.Start(o));
  vt::text::LoadSystemFonts();
  select_test::LoadSelectLists();
  StartVsPlayer(0);
  ChangeScene(SCENE_CHARA_SELECT);
  ASSERT_TRUE(select_test::RunUntilGridReady(h));
  h.Run(40);  // the previews load and slide in
  std::vector<std::vector<uint8_t>> shots;
  shots.push_back(Shot("select_grid"));
  select_test::Play(h, Script().Decide(0));
  ASSERT_EQ(g_CharaSelectSides[0].phase, 1);
  shots.push_back(Shot("select_style_disk"));
  select_test::Play(h, Script().Decide(0).Dir(2).Wait(10));
  ASSERT_EQ(g_CharaSelectSides[0].phase, 2);
  shots.push_back(Shot("select_colour_list"));
  select_test::Play(h, Script().Decide(0).WholeSide(1).Wait(2));
  ASSERT_EQ(GetCharaSelectScene().state, kSelectStage);
  select_test::WaitForStagePanel(h);
  select_test::Play(h, Script().Dir(2).Wait(20));
  shots.push_back(Shot("select_stage"));
  select_test::Play(h, Script().Press(select_test::kDecide).Wait(1));
  EXPECT_EQ(select_test::RunUntilSceneLeaves(h), SCENE_VS_SCREEN);
  for (const std::vector<uint8_t>& s : shots) ASSERT_EQ(s.size(), 640u * 480u * 4u);

  DrivenMatchSetup setup;
  setup.sides[0] = g_PlayerSelections[0];
  setup.sides[1] = g_PlayerSelections[1];
  setup.stage = g_MatchStage;
  setup.starter = StartVsPlayer;
  setup.seed = 5;
  vt::text::FreeBitmapFonts();
  h.Stop();

  const match_test::MatchRun headless = RunMatch(select_test::SideZeroAttacks(), setup);
  ASSERT_TRUE(headless.started);
  // A rendered whole match costs minutes on llvmpipe: its first 600 frames (into the fight) are
  // held against the headless run's.
  match_test::RunOptions gl;
  gl.gl = true;
  gl.submit = true;
  gl.budget = 600;
  const match_test::MatchRun rendered = RunMatch(select_test::SideZeroAttacks(), setup, gl);
  ASSERT_TRUE(rendered.started);
  ASSERT_FALSE(rendered.frames.empty());
  ASSERT_LE(rendered.frames.size(), headless.frames.size());
  for (size_t i = 0; i < rendered.frames.size(); ++i) {
    ASSERT_EQ(rendered.frames[i].sceneId, headless.frames[i].sceneId) << "frame " << i;
    ASSERT_EQ(rendered.frames[i].battleHash, headless.frames[i].battleHash) << "frame " << i;
    ASSERT_EQ(rendered.frames[i].stageHash, headless.frames[i].stageHash) << "frame " << i;
  }
}

}  // namespace
