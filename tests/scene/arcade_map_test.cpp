// The next-stage map (keyframe look-up, route record, map matrix, the scene's timing, skip and
// challenger) and the ranking scene (its routing in and out of the attract loop, leaving by mode,
// the scroll clamp), the scenes run through the scene harness.
#include <gtest/gtest.h>

#include <vector>

#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/new_challenger.h"
#include "scene/next_stage_map.h"
#include "scene/ranking_screen.h"
#include "scene/scene_battle.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"

namespace {

using scene_test::SceneTest;

// ---- keyframes ----

TEST(NextStageKeyframes, LookUp) {
  const float d[] = {0.5f, 1.0f, 2.0f, 0.0f};
  struct Row {
    float start, t;
    int index;
    float into, fraction;
  };
  const Row rows[] = {
      {0.0f, 0.0f, 0, 0.0f, 0.0f},   {0.0f, 0.25f, 0, 0.25f, 0.5f},
      {0.0f, 0.5f, 1, 0.0f, 0.0f},   {0.0f, 1.0f, 1, 0.5f, 0.5f},
      {0.0f, 3.0f, 2, 1.5f, 0.75f},  {0.0f, 3.5f, 2, 2.0f, 1.0f},  // past the end
      {1.0f, 9.0f, 2, 2.0f, 1.0f},   {1.0f, 0.5f, 2, 2.0f, 1.0f},  // before the start: the end
      {1.0f, 1.25f, 0, 0.25f, 0.5f},
  };
  for (const Row& r : rows) {
    KeyframeTracker k{r.start, r.t};
    LookUpKeyframeSegment(k, d);
    EXPECT_EQ(k.index, r.index) << r.start << " " << r.t;
    EXPECT_NEAR(k.timeInSegment, r.into, 1e-5f) << r.start << " " << r.t;
    EXPECT_NEAR(k.fraction, r.fraction, 1e-5f) << r.start << " " << r.t;
  }
  // A first duration of 0 or less: segment 0, nothing into it.
  const float none[] = {0.0f, 1.0f, 0.0f};
  KeyframeTracker k{0.0f, 0.5f};
  LookUpKeyframeSegment(k, none);
  EXPECT_EQ(k.index, 0);
  EXPECT_EQ(k.fraction, 0.0f);
}

TEST(NextStageKeyframes, FadeRatio) {
  EXPECT_EQ(ComputeFadeRatio(1, 5.0f, 1.0f, 0.0f), 1.0f);
  EXPECT_EQ(ComputeFadeRatio(1, 0.5f, 1.0f, 2.0f), 1.0f);
  EXPECT_FLOAT_EQ(ComputeFadeRatio(1, 2.0f, 1.0f, 2.0f), 0.5f);
  EXPECT_EQ(ComputeFadeRatio(0, 0.5f, 1.0f, 2.0f), 0.0f);
  EXPECT_FLOAT_EQ(ComputeFadeRatio(0, 2.5f, 1.0f, 2.0f), 0.75f);
  EXPECT_EQ(ComputeFadeRatio(0, 9.0f, 1.0f, 2.0f), 1.0f);
}

// Opponents and stages from a route reach past the tables: they fall back instead of reading
// outside them.
TEST(NextStageTables, OutOfRangeIndexes) {
  EXPECT_EQ(HomeStageOf(0), 2);
  EXPECT_EQ(HomeStageOf(37), 1);
  EXPECT_EQ(HomeStageOf(38), 0);
  EXPECT_EQ(HomeStageOf(199), 0);
  EXPECT_EQ(HomeStageOf(255), 0);
  EXPECT_EQ(HomeStageOf(-1), 0);
  EXPECT_EQ(MapPointOfStage(13), 19);
  EXPECT_EQ(MapPointOfStage(99), 20);
  EXPECT_EQ(MapPointOfStage(100), 0);
  EXPECT_EQ(MapPointOfStage(-3), 0);
}

TEST(NextStageMatrix, HandValues) {
  float x = 0, y = 0;
  // Unswung, the map origin lies on the screen's centre line, 50 pixels down.
  D3DMatrix m = NextStageMapMatrix(0.0f, 0.0f, 346, 308);
  ProjectMapPoint(m, 0, 0, &x, &y);
  EXPECT_NEAR(x, 320.0f, 0.01f);
  EXPECT_NEAR(y, 290.0f, 0.01f);
  // Fully swung, the stage's point takes the origin's place, shifted by (90, 50).
  m = NextStageMapMatrix(1.0f, 0.0f, 346, 308);
  ProjectMapPoint(m, 346 - 256, 308 - 256, &x, &y);
  EXPECT_NEAR(x, 410.0f, 0.01f);
  EXPECT_NEAR(y, 340.0f, 0.01f);
  // Points left of the centre turn the map half a turn: the point still lands there.
  m = NextStageMapMatrix(1.0f, 0.0f, 100, 352);
  ProjectMapPoint(m, 100 - 256, 352 - 256, &x, &y);
  EXPECT_NEAR(x, 410.0f, 0.01f);
  EXPECT_NEAR(y, 340.0f, 0.01f);
  // A point in front of the origin is drawn lower and wider than one behind it.
  m = NextStageMapMatrix(0.0f, 0.0f, 346, 308);
  float fx = 0, fy = 0, bx = 0, by = 0;
  ProjectMapPoint(m, 100, -100, &fx, &fy);
  ProjectMapPoint(m, 100, 100, &bx, &by);
  EXPECT_NE(fy, by);
  EXPECT_GT(std::abs(fx - 320.0f), 0.0f);
}

class NextStageRouteTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    SceneTest::TearDown();
  }
};

TEST_F(NextStageRouteTest, RecordFromTheMainSidesRoute) {
  g_MainSide = 1;
  g_PlayerSelections[1].character = 5;
  StoryBattleRoute& r = g_StoryBattleRoutes[1];
  r.stageCount = 3;
  r.stageIndex = 1;
  r.stages[0].opponent = 2;
  r.stages[0].stage = 14;
  r.stages[1].opponent = 3;  // stage 0: the opponent's home stage
  r.stages[1].stage = 0;
  r.stages[2].opponent = 150;  // outside the home table
  r.stages[2].flags = 1;
  NextStageRoute route;
  g_MatchStage = -1;
  BuildNextStageRoute(route);
  EXPECT_EQ(route.character, 5);
  EXPECT_EQ(route.count, 3);
  EXPECT_EQ(route.current, 1);
  EXPECT_EQ(route.entries[0].stage, 14);
  EXPECT_EQ(route.entries[1].stage, 5);
  EXPECT_EQ(route.entries[2].stage, 0);
  EXPECT_EQ(route.entries[2].hidden, 1);
  EXPECT_EQ(g_MatchStage, 5);
  // More than 16 stages keep 16; a current index past them shows none and keeps the stage.
  r.stageCount = 40;
  r.stageIndex = 20;
  g_MatchStage = 9;
  BuildNextStageRoute(route);
  EXPECT_EQ(route.count, kNextStageEntries);
  EXPECT_EQ(g_MatchStage, 9);
  g_MainSide = 0;
}

// ---- the scenes through the harness ----

class ArcadeSceneRun : public ::testing::Test {
 protected:
  void SetUp() override { vt::SetDebugQuiet(true); }
  void TearDown() override {
    harness_.Stop();
    scene_test::ResetSceneWords();
    vt::SetDebugQuiet(false);
  }
  void StartAt(int scene) {
    SceneHarnessOptions o;
    o.firstScene = scene;
    ASSERT_TRUE(harness_.Start(o));
  }
  static void ArcadeRoute() {
    g_GameModeFlags = MODE_ARCADE;
    g_MainSide = 0;
    g_PlayerSelections[0].character = 1;
    StoryBattleRoute& r = g_StoryBattleRoutes[0];
    r.stageCount = 3;
    r.stageIndex = 1;
    r.stages[0].opponent = 2;
    r.stages[1].opponent = 4;
    r.stages[2].opponent = 6;
  }
  // Frames until the scene leaves `scene` (at most `limit`): the number run.
  int RunWhile(int scene, int limit) {
    for (int i = 0; i < limit; ++i)
      if (harness_.RunFrame().sceneId != scene) return i + 1;
    return -1;
  }
  SceneHarness harness_;
};

struct SkipRow {
  const char* name;
  int pressFrom, pressTo;  // frames the decide button is held
  int leaveAfter;          // frames run until the VS screen
};

TEST_F(ArcadeSceneRun, NextStageLeavesForTheVsScreen) {
  const SkipRow rows[] = {
      {"time out after 10 s", -1, -1, 601},
      // Held over from the last scene and pressed within 0.2 s: no skip.
      {"early press", 0, 5, 601},
      {"press after 0.2 s", 30, 31, 31},
  };
  for (const SkipRow& r : rows) {
    StartAt(SCENE_NEXT_STAGE);
    ArcadeRoute();
    std::vector<ScenePadFrame> pads(700);
    for (int f = r.pressFrom; f >= 0 && f <= r.pressTo; ++f) pads[static_cast<size_t>(f)].buttons[0] = 2;
    harness_.SetPads(pads);
    EXPECT_EQ(RunWhile(SCENE_NEXT_STAGE, 700), r.leaveAfter) << r.name;
    EXPECT_EQ(g_SceneId, SCENE_VS_SCREEN) << r.name;
    EXPECT_EQ(g_MatchStage, HomeStageOf(4)) << r.name;
    harness_.Stop();
  }
}

TEST_F(ArcadeSceneRun, SecondPlayersStartOpensTheChallenger) {
  StartAt(SCENE_NEXT_STAGE);
  ArcadeRoute();
  std::vector<ScenePadFrame> pads(800);
  const uint32_t start = ScriptedPadButtons(1, g_AppJoystick->menuMap[1][2]);
  pads[100].buttons[1] = start;
  pads[300].buttons[0] = 2;  // the main side's button no longer skips
  harness_.SetPads(pads);
  for (int i = 0; i < 101; ++i) harness_.RunFrame();
  EXPECT_EQ(g_ChallengeState, 1);
  EXPECT_EQ(g_CreditState.players[1].joined, 1);
  const int more = RunWhile(SCENE_NEXT_STAGE, 700);
  // 5 s of challenger (the frame that started it ran its first update), then the character
  // select for a versus match.
  EXPECT_EQ(more, 300);
  EXPECT_EQ(g_SceneId, SCENE_CHARA_SELECT);
  EXPECT_EQ(g_GameModeFlags, MODE_VS_PLAYER);
}

TEST_F(ArcadeSceneRun, AttractRankingsLeadToTheTitleTwiceThenBoot) {
  StartAt(SCENE_RANKING);
  g_AttractDemo = 1;
  g_AttractRankingCount = 0;
  g_RankingFromMenu = 0;
  g_RankingReturnScene = SCENE_BATTLE;
  const int expected[] = {SCENE_TITLE, SCENE_TITLE, SCENE_BOOT};
  for (int run = 0; run < 3; ++run) {
    g_SceneId = SCENE_RANKING;
    g_SceneEnter = 1;
    g_AttractDemo = 1;
    EXPECT_EQ(RunWhile(SCENE_RANKING, 700), 601) << run;  // 10 s
    EXPECT_EQ(g_SceneId, expected[run]) << run;
    EXPECT_EQ(g_TitleSkipIntro, 0) << run;
  }
  EXPECT_EQ(g_AttractDemo, 0);
  EXPECT_EQ(g_AttractRankingCount, 0);
}

TEST_F(ArcadeSceneRun, RankingLeavesByMode) {
  struct Row {
    const char* name;
    int fromMenu, returnScene, pressAt, player;
    int leaveAfter, next, skipIntro;
  };
  const Row rows[] = {
      // Attract: player 1's button leaves at once, as a start press.
      {"attract, first player's press", 0, SCENE_BATTLE, 20, 0, 21, SCENE_TITLE, 1},
      // Menu: only a button leaves, and only after the first second.
      {"menu, early press", 1, SCENE_MAIN_MENU, 20, 0, -1, SCENE_RANKING, 0},
      {"menu, press after 1 s", 1, SCENE_MAIN_MENU, 80, 0, 81, SCENE_MAIN_MENU, 0},
  };
  for (const Row& r : rows) {
    StartAt(SCENE_RANKING);
    g_AttractDemo = r.fromMenu ? 0 : 1;
    g_AttractRankingCount = 0;
    g_RankingFromMenu = r.fromMenu;
    g_RankingReturnScene = r.returnScene;
    g_TitleSkipIntro = 0;
    std::vector<ScenePadFrame> pads(900);
    pads[static_cast<size_t>(r.pressAt)].buttons[r.player] = 2;
    harness_.SetPads(pads);
    EXPECT_EQ(RunWhile(SCENE_RANKING, 800), r.leaveAfter) << r.name;
    EXPECT_EQ(g_SceneId, r.next) << r.name;
    EXPECT_EQ(g_TitleSkipIntro, r.skipIntro) << r.name;
    harness_.Stop();
  }
}

TEST_F(ArcadeSceneRun, RankingScrollIsClamped) {
  StartAt(SCENE_RANKING);
  g_RankingFromMenu = 1;
  g_RankingReturnScene = SCENE_MAIN_MENU;
  std::vector<ScenePadFrame> pads(500);
  for (int f = 10; f < 200; f += 2) pads[static_cast<size_t>(f)].dir[0] = 2;
  for (int f = 220; f < 400; f += 2) pads[static_cast<size_t>(f)].dir[0] = 8;
  harness_.SetPads(pads);
  for (int f = 0; f < 200; ++f) harness_.RunFrame();
  EXPECT_EQ(g_RankingScreen.scroll, -48);
  for (int f = 200; f < 500; ++f) harness_.RunFrame();
  EXPECT_EQ(g_RankingScreen.scroll, 0);
  EXPECT_EQ(g_SceneId, SCENE_RANKING);  // directions never leave
  // Without play data the table shows zero rows.
  EXPECT_EQ(g_PlayData, nullptr);
  EXPECT_EQ(g_RankingScreen.rows[0].scoreLow, 0u);
}

}  // namespace
