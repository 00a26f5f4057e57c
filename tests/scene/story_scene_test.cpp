// The story scene: the three start operations with and without their scripts, scene 4's load,
// a frame of scene 9 through to its routing, the story with no script, the credit lock, and the
// round flow's calls through the battle seams.
#include "scene/story_scene.h"

#include <gtest/gtest.h>

#include <string>

#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/story_routes.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/select_results.h"
#include "story_fixture.h"
#include "support/test_util.h"

namespace story_test {
namespace {

class StorySceneTest : public StoryTest {
 protected:
  void SetUp() override {
    StoryTest::SetUp();
    LoadCharaSelectList("[CharaNo_000]\r\nName=Tester\r\nFile1=tester\r\nFile2=0\r\n");
    g_PlayerSelections[0].character = 0;
    g_MainSide = 0;
    g_StoryBattleRoutes[0] = StoryBattleRoute{};
    g_StoryBattleRoutes[0].stageIndex = 1;
  }
  void TearDown() override {
    FreeCharaSelectList();
    g_SelectStoryHooks = SelectStoryHooks{};
    g_StoryRouteOpeningHook = nullptr;
    StoryTest::TearDown();
  }
  static void Write(const std::string& name, const std::string& text) {
    vt::test::WriteFile("story/battle/jpn/" + name, text);
  }
};

TEST_F(StorySceneTest, StartOperationsWithAndWithoutTheirScripts) {
  struct Row {
    const char* name;
    bool (*start)();
    const char* file;
    int sceneWithout;
    int kindWith;
  } rows[] = {
      {"stage", StartStageStoryScript, "Tester01A.txt", SCENE_VS_SCREEN, STORY_STAGE},
      {"ending", StartEndingStoryScript, "Tester_ending.txt", SCENE_WINNER_DEMO, STORY_ENDING},
      {"opening", StartOpeningStoryScript, "Tester_start.txt", SCENE_NEXT_STAGE, STORY_OPENING},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    g_SceneId = SCENE_BATTLE;
    g_StoryKind = STORY_NONE;
    EXPECT_FALSE(row.start());
    EXPECT_EQ(g_SceneId, row.sceneWithout) << "a missing script never leaves the flow where it was";
    EXPECT_EQ(g_StoryKind, STORY_NONE);
    Write(row.file, "MD 0 0\r\nX\\\r\nED\r\n");
    g_SceneId = SCENE_BATTLE;
    EXPECT_TRUE(row.start());
    EXPECT_EQ(g_SceneId, SCENE_STORY);
    EXPECT_EQ(g_SceneEnter, kSceneFreshEntry);
    EXPECT_EQ(g_StoryKind, row.kindWith);
    EXPECT_TRUE(S().loaded);
  }
}

TEST_F(StorySceneTest, AStageScriptOfOnlyEdGoesToTheVsScreenWithTheStageReset) {
  Write("Tester01A.txt", "ED\r\n");
  ASSERT_TRUE(StartStageStoryScript());
  EXPECT_EQ(StoryScene(1), 1);
  EXPECT_EQ(g_SceneId, SCENE_VS_SCREEN);
  EXPECT_FALSE(S().loaded) << "the scene ended its script when it routed";
  EXPECT_EQ(g_CreditState.players[0].joinMode, 1);
}

TEST_F(StorySceneTest, SkippingNeedsSixteenFadeFramesBeforeTheVsScreen) {
  Write("Tester01A.txt", "MD 0 0\r\nX\\\r\nED\r\n");
  ASSERT_TRUE(StartStageStoryScript());
  StoryInput skip = Active();
  skip.skip = 1;
  for (int f = 0; f < 17; ++f) RunStoryScript(skip);
  EXPECT_EQ(RouteStoryResult(RunStoryScript(skip)), 1);
  EXPECT_EQ(g_SceneId, SCENE_VS_SCREEN);
}

TEST_F(StorySceneTest, TheEndingLoaderGoesToNineWithoutTheEnterFlagEvenWithoutItsFile) {
  struct Row {
    bool file;
    bool loaded;
  } rows[] = {{false, false}, {true, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    if (row.file) Write("Tester_ending.txt", "XR 10\r\nED\r\n");
    g_SceneId = SCENE_STORY_ENDING;
    g_StoryKind = STORY_ENDING;
    EXPECT_EQ(StoryEndingLoader(1), 1);
    EXPECT_EQ(g_SceneId, SCENE_STORY);
    EXPECT_EQ(g_SceneEnter, 0);
    EXPECT_EQ(S().loaded, row.loaded);
    EXPECT_EQ(g_StoryKind, STORY_ENDING);
  }
}

TEST_F(StorySceneTest, WithNoScriptTheSceneRoutesByKind) {
  struct Row {
    int kind;
    int scene;
  } rows[] = {{STORY_ENDING, SCENE_WINNER_DEMO}, {STORY_STAGE, SCENE_VS_SCREEN}, {STORY_NONE, SCENE_STORY}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    EndStoryScript();
    g_SceneId = SCENE_STORY;
    g_SceneEnter = 0;
    g_StoryKind = row.kind;
    StoryScene(1);
    EXPECT_EQ(g_SceneId, row.scene);
  }
}

TEST_F(StorySceneTest, AnEndingLocksTheCreditLinesAndAStageScriptOpensThem) {
  struct Row {
    int kind;
    int lock;
  } rows[] = {{STORY_ENDING, 1}, {STORY_STAGE, 0}};
  for (const Row& row : rows) {
    Write("Tester01A.txt", "RT\r\nRT\r\nED\r\n");
    ASSERT_TRUE(StartStageStoryScript());
    g_SceneEnter = 0;
    g_StoryKind = row.kind;
    StoryScene(1);
    EXPECT_EQ(g_CreditState.players[0].joinMode, row.lock);
    EXPECT_EQ(g_CreditState.players[1].joinMode, row.lock);
  }
}

TEST_F(StorySceneTest, TheChallengerFreezesTheScriptInput) {
  g_StoryKind = STORY_STAGE;
  g_ChallengeState = 1;
  const StoryInput in = ReadStoryInput();
  EXPECT_EQ(in.active, 0);
  EXPECT_EQ(in.advance + in.fastForward + in.skip, 0);
  g_ChallengeState = 0;
  EXPECT_EQ(ReadStoryInput().active, 1);
  g_StoryKind = STORY_ENDING;
  EXPECT_EQ(ReadStoryInput().ending, 1);
}

TEST_F(StorySceneTest, TheOpeningIsShownOnceThroughTheRouteHook) {
  InstallStoryScene();
  Write("Tester_start.txt", "ED\r\n");
  g_StoryBattleRoutes[0].stageIndex = 0;
  GoToNextArcadeStage();
  EXPECT_EQ(g_SceneId, SCENE_STORY);
  EXPECT_EQ(g_StoryKind, STORY_OPENING);
  g_SceneEnter = 0;
  StoryScene(1);
  EXPECT_EQ(g_SceneId, SCENE_NEXT_STAGE);
  EXPECT_EQ(g_StoryBattleRoutes[0].progress[kRouteOpeningShown], 1);
  GoToNextArcadeStage();
  EXPECT_EQ(g_SceneId, SCENE_NEXT_STAGE) << "shown once";
  ClearSceneTable();
}

TEST_F(StorySceneTest, TheRoundFlowsCallsGoThroughTheSeams) {
  InstallStoryScene();
  g_SceneId = SCENE_BATTLE;
  // No route stage: nothing to load, the fight starts.
  EXPECT_EQ(BattleSeamLoadStoryScript(), 0);
  LoadStoryScriptText("CD 0 0\r\nBD 0\r\nCZ 10\r\nBT\r\n");
  EXPECT_EQ(BattleSeamRunStoryScript(), kStoryFinished) << "254 does not end the talk in the battle";
  EXPECT_EQ(g_DrawCharactersOn, 0);
  BattleSeamEndStoryScript();
  EXPECT_FALSE(S().loaded);
  EXPECT_EQ(g_DrawCharactersOn, 1);
  EXPECT_EQ(g_StoryCharacterVisible[0], 1);
  EXPECT_EQ(g_FixedZoomOn, 0);
  ClearSceneTable();
}

}  // namespace
}  // namespace story_test
