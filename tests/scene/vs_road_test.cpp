// The road through the VS screens on the recording device with the real loader: versus selections
// into a battle fought to its end with the same hashes twice; the attract screen into a CPU battle
// without a press, to the title after the load with one.
#include "vs_road.h"

#include "scene/vs_screen.h"

namespace match_test {
namespace {

TEST_F(VsRoadTest, VersusThroughTheVsScreenToTheJudge) {
  const RoadRun a = RunRoad({});
  ASSERT_EQ(a.leftTo, SCENE_BATTLE);
  // The show is played whole (no press): the battle starts on its last frame, the load long done.
  EXPECT_EQ(a.vsFrames, 564);
  EXPECT_NE(a.match.result.ending, 0) << "the match ran out of frames";
  EXPECT_NE(a.match.result.nextScene, SCENE_BATTLE);
}

TEST_F(VsRoadTest, AttractScreenIntoACpuBattleOrToTheTitle) {
  const RoadRun demo = RunRoad({.scene = SCENE_DEMO_VS_SCREEN, .battleBudget = 600});
  EXPECT_EQ(demo.leftTo, SCENE_BATTLE);
  EXPECT_EQ(demo.vsFrames, 564);
  // Both sides of the attract match are the CPU's.
  const RoadRun pressed = RunRoad({.scene = SCENE_DEMO_VS_SCREEN, .pressAt = 3});
  EXPECT_EQ(pressed.leftTo, SCENE_TITLE);
  EXPECT_GE(pressed.vsFrames, 3);
}

}  // namespace
}  // namespace match_test

namespace match_test {
namespace {

// The VS set-ups' draws from the common stream, in number: the attract screen's stage, two
// characters, two styles and two colours; the arcade opponent's style; the random stage.
TEST_F(VsRoadTest, SetUpDrawsFromTheCommonStream) {
  SceneHarness harness;
  SceneHarnessOptions o;
  o.firstScene = SCENE_OPTION;
  ASSERT_TRUE(harness.Start(o));
  ASSERT_TRUE(HarnessLoadCharaList());
  ASSERT_EQ(LoadBgList(), 1);
  struct Row {
    const char* what;
    int mode;
    int stage;
    bool attract;
    int draws;
  } rows[] = {
      {"versus, stage chosen", 1, 3, false, 0},
      {"versus, random stage", 1, 0, false, 1},
      {"arcade: the opponent's style", 0x10, 0, false, 1},
      {"attract: stage, characters, styles, colours", 0, 0, true, 7},
  };
  for (const Row& r : rows) {
    SeedRandomGeneratorsFrom(9);
    g_GameModeFlags = r.mode;
    g_MatchStage = r.stage;
    g_MainSide = 0;
    for (int i = 0; i < 2; ++i) {
      g_PlayerSelections[i] = VersusSetup().sides[i];
    }
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route = StoryBattleRoute{};
    route.stages[0].opponent = kTester;
    route.stages[0].stage = 2;
    const int32_t before = g_RandDrawCount;
    int hidden = 0, allCpu = 0;
    if (r.attract)
      GetDemoVSScreen().SetUpMatch(&hidden, &allCpu);
    else
      GetNormalVSScreen().SetUpMatch(&hidden, &allCpu);
    EXPECT_EQ(g_RandDrawCount - before, r.draws) << r.what;
  }
  FreeStageList();
  harness.Stop();
}

}  // namespace
}  // namespace match_test
