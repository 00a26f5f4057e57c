// The VS screens against the real loader thread over the sample characters and stage (run under
// ThreadSanitizer in the thread build): unpaced frames play the show, take presses and run the
// frame loop's common steps while the load runs; then the battle starts after the join. Again with
// the screen left in the middle of the load from outside its frame, and entered anew mid-load.
#include "battle/chara_loader.h"
#include "vs_road.h"

namespace match_test {
namespace {

class VsLoaderThread : public VsRoadTest {
 protected:
  void Begin(int scene) {
    SceneHarnessOptions o;
    o.commonResources = true;
    o.firstScene = SCENE_OPTION;
    ASSERT_TRUE(harness_.Start(o));
    g_BattleDrawSubmit = false;
    ResetAllBattleGlobals();
    ASSERT_TRUE(HarnessLoadCharaList());
    ASSERT_EQ(LoadBgList(), 1);
    SeedRandomGeneratorsFrom(7);
    StartVsPlayer(0);
    const DrivenMatchSetup setup = VersusSetup(kDuelist, kTester);
    for (int i = 0; i < 2; ++i) g_PlayerSelections[i] = setup.sides[i];
    g_MatchStage = setup.stage;
    if (scene == SCENE_DEMO_VS_SCREEN) g_AttractDemo = 1;
    g_AppConfig.NoVsMovie = 1;  // the show's 564 frames on the frame clock
    ChangeScene(scene);
  }
  void End() {
    EndDrivenMatch(harness_);
    harness_.Stop();
    g_BattleDrawSubmit = true;
    g_AttractDemo = 0;
    g_AppConfig.NoVsMovie = 0;
  }
  // A frame with a press now and then (the normal screen forgets them while loading); true
  // while the load was still running after it.
  bool Frame(int n) {
    ScenePadFrame pads;
    if (n % 7 == 3) pads.buttons[0] = 2;
    harness_.RunFrame(pads);
    CCharaDataLoader& loader = GetCharaDataLoader();
    return loader.HasThread() && !loader.IsFinished();
  }
  SceneHarness harness_;
};

TEST_F(VsLoaderThread, FramesRunWhileTheLoadRunsThenTheBattle) {
  for (int scene : {SCENE_VS_SCREEN, SCENE_DEMO_VS_SCREEN}) {
    Begin(scene);
    int whileLoading = 0, n = 0;
    while (g_SceneId == scene && n < 5000) whileLoading += Frame(++n) ? 1 : 0;
    EXPECT_GT(whileLoading, 0) << scene;
    // The attract screen takes the presses as a skip: to the title once loaded.
    EXPECT_EQ(g_SceneId, scene == SCENE_VS_SCREEN ? SCENE_BATTLE : SCENE_TITLE) << scene;
    EXPECT_EQ(GetCharaDataLoader().HasThread(), 0);
    if (g_SceneId == SCENE_BATTLE)
      for (int i = 0; i < 30; ++i) harness_.RunFrame();  // the battle reads what was loaded
    End();
  }
}

TEST_F(VsLoaderThread, LeftMidLoadFromOutsideItsFrame) {
  for (int scene : {SCENE_VS_SCREEN, SCENE_DEMO_VS_SCREEN}) {
    Begin(scene);
    bool loading = false;
    for (int n = 1; n <= 2; ++n) loading = Frame(n);
    EXPECT_TRUE(loading) << scene;
    ChangeScene(SCENE_OPTION);
    harness_.RunFrame();
    EXPECT_EQ(g_SceneId, SCENE_OPTION);
    EXPECT_EQ(GetCharaDataLoader().HasThread(), 0) << scene;
    End();
  }
}

TEST_F(VsLoaderThread, EnteredAgainMidLoad) {
  for (int scene : {SCENE_VS_SCREEN, SCENE_DEMO_VS_SCREEN}) {
    Begin(scene);
    bool loading = false;
    for (int n = 1; n <= 2; ++n) loading = Frame(n);
    EXPECT_TRUE(loading) << scene;
    ChangeScene(scene);
    int n = 2;
    while (g_SceneId == scene && n < 5000) harness_.RunFrame(), ++n;
    EXPECT_NE(g_SceneId, scene);
    EXPECT_EQ(GetCharaDataLoader().HasThread(), 0) << scene;
    End();
  }
}

}  // namespace
}  // namespace match_test
