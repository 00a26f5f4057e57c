// The arcade screens on the offscreen GL device over the sample data: the challenger, the
// continue count, the game over, the credit line with its countdown and with the name entry
// panel, the next-stage map and the ranking. Each picture is checked for what must show and
// saved where VT_ARCADE_SHOTS names a folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Text/system_font.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/continue_screen.h"
#include "scene/credits.h"
#include "scene/name_entry.h"
#include "scene/new_challenger.h"
#include "scene/next_stage_map.h"
#include "scene/ranking_screen.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"

namespace {

namespace fs = std::filesystem;

double Brightness(const std::vector<uint8_t>& px, int x0, int y0, int w, int h) {
  double sum = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const size_t i = (static_cast<size_t>(y) * 640 + static_cast<size_t>(x)) * 4;
      sum += (px[i] + px[i + 1] + px[i + 2]) / 3.0;
    }
  return sum / (w * h);
}

class ArcadeGl : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    for (const char* item : {"grp", "_sysfont.ini", "Shader"})
      if (!fs::exists(item) && fs::exists(fs::path(VT_SAMPLE_DIR) / item))
        fs::copy(fs::path(VT_SAMPLE_DIR) / item, item, fs::copy_options::recursive);
  }
  void TearDown() override {
    FreeContinueGraphics();
    FreeChallengerGraphics();
    FreeNameEntryGraphics();
    vt::text::FreeBitmapFonts();
    harness_.Stop();
    SceneTest::TearDown();
  }
  bool Start(int scene) {
    SceneHarnessOptions o;
    o.gl = true;
    o.width = 640;
    o.height = 480;
    o.firstScene = scene;
    if (!harness_.Start(o)) return false;
    vt::text::LoadSystemFonts();
    LoadContinueGraphics();
    LoadChallengerGraphics();
    LoadNameEntryGraphics();
    return true;
  }
  static std::vector<uint8_t> Shot(const char* name) {
    std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(px, 640, 480, name, "VT_ARCADE_SHOTS");
    return px;
  }
  // A scene that only draws what `draw` queues each frame.
  static void (*s_draw)();
  static int DrawOnly(int) {
    if (g_SceneEnter) g_SceneEnter = 0;
    if (s_draw) s_draw();
    return 1;
  }
  SceneHarness harness_;
};
void (*ArcadeGl::s_draw)() = nullptr;

TEST_F(ArcadeGl, ChallengerContinueAndGameOver) {
  ASSERT_TRUE(Start(SCENE_PROC_TEST));
  RegisterScene(SCENE_PROC_TEST, {DrawOnly, nullptr});
  StartChallengerScreen();
  s_draw = [] {
    UpdateChallengerScreen();
    DrawChallengerScreen();
  };
  for (int i = 0; i < 100; ++i) harness_.RunFrame();  // 1.65 s: silhouettes, title and rule
  std::vector<uint8_t> px = Shot("challenger");
  ASSERT_FALSE(px.empty());
  EXPECT_GT(Brightness(px, 0, 200, 640, 100), 10.0);  // the title band

  ResetContinueScreen();
  s_draw = [] {
    UpdateContinueScreen();
    DrawContinueScreen();
  };
  for (int i = 0; i < 170; ++i) harness_.RunFrame();  // past the first noise burst
  px = Shot("continue_count");
  EXPECT_GT(Brightness(px, 380, 216, 200, 80), 20.0);  // the count's digits
  for (int i = 0; i < 560; ++i) harness_.RunFrame();
  ASSERT_EQ(g_ContinueScreen.state, 3);
  for (int i = 0; i < 60; ++i) harness_.RunFrame();
  px = Shot("game_over");
  EXPECT_GT(Brightness(px, 160, 200, 320, 80), Brightness(px, 0, 0, 640, 60));  // the logo over black
  s_draw = nullptr;
}

TEST_F(ArcadeGl, CreditLineCountdownAndEntryPanel) {
  ASSERT_TRUE(Start(SCENE_PROC_TEST));
  RegisterScene(SCENE_PROC_TEST, {DrawOnly, nullptr});
  g_CreditState.players[0].continueState = 1;
  g_CreditState.players[0].continueTimer = 599;
  g_CreditState.players[1].joined = 0;
  harness_.RunFrame();
  std::vector<uint8_t> px = Shot("credit_countdown");
  ASSERT_FALSE(px.empty());
  EXPECT_GT(Brightness(px, 60, 0, 200, 22), 2.0);
  OpenNameEntry(1, NameEntryStart{3, 26000001, 2, 1, 0});
  UpdateNameEntry(1, 6, 0);
  UpdateNameEntry(1, 0, 1);
  for (int i = 0; i < 3; ++i) harness_.RunFrame();
  px = Shot("credit_entry_panel");
  EXPECT_GT(Brightness(px, 370, 0, 240, 28), 2.0);
}

TEST_F(ArcadeGl, NextStageMap) {
  g_GameModeFlags = MODE_ARCADE;
  ASSERT_TRUE(Start(SCENE_NEXT_STAGE));
  g_GameModeFlags = MODE_ARCADE;
  g_PlayerSelections[0].character = 1;
  StoryBattleRoute& r = g_StoryBattleRoutes[0];
  r.stageCount = 4;
  r.stageIndex = 2;
  const int32_t opponents[4] = {2, 4, 6, 3};
  for (int i = 0; i < 4; ++i) r.stages[i].opponent = opponents[i];
  r.stages[3].flags = 1;
  for (int i = 0; i < 390; ++i) harness_.RunFrame();  // 6.5 s: map swung, list and panel in place
  ASSERT_EQ(g_SceneId, SCENE_NEXT_STAGE);
  const std::vector<uint8_t> px = Shot("next_stage_map");
  ASSERT_FALSE(px.empty());
  EXPECT_GT(Brightness(px, 0, 0, 640, 480), 15.0);
}

TEST_F(ArcadeGl, Ranking) {
  ASSERT_TRUE(Start(SCENE_RANKING));
  static PlayData play;
  FillDefaultPlayData(play);
  std::memcpy(play.ranking.rows[0].initials, "QZ", 3);
  g_PlayData = &play;
  g_RankingFromMenu = 1;
  g_RankingReturnScene = SCENE_MAIN_MENU;
  for (int i = 0; i < 300; ++i) harness_.RunFrame();  // 5 s: the champion panel in
  ASSERT_EQ(g_SceneId, SCENE_RANKING);
  const std::vector<uint8_t> px = Shot("ranking");
  g_PlayData = nullptr;
  ASSERT_FALSE(px.empty());
  EXPECT_GT(Brightness(px, 0, 140, 640, 100), 10.0);  // the champion's row
}

}  // namespace
