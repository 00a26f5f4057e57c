// The road through the VS screen on the scene harness: the selections written as the select
// leaves them, scene 8 (or the attract screen 13) with the real loader thread loading the sample
// characters and stage while the show plays, then the battle fought on the harness to the
// judge's end; every frame's scene, enter flag and hashes recorded.
#pragma once

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "app/app_config.h"
#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/battle_harness.h"
#include "battle/chara_loader.h"
#include "match_fixture.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/stage_bg.h"
#include "scene/vs_presentation.h"

namespace match_test {

struct RoadOptions {
  int scene = SCENE_VS_SCREEN;
  bool gl = false;
  bool submit = false;
  int pressAt = -1;  // a frame of the VS screen (from 1) with player 1's button pressed
  int battleBudget = kBudget;
  bool waitForLoad = true;
};

struct RoadRun {
  int vsFrames = 0;  // frames the VS screen ran (the one that left included)
  int leftTo = 0;    // the scene it left for
  MatchRun match;
};

class VsRoadTest : public DrivenMatchTest {
 protected:
  void SetUp() override {
    DrivenMatchTest::SetUp();
    namespace fs = std::filesystem;
    for (const char* folder : {"dat", "bgm"})
      if (fs::exists(fs::path(VT_SAMPLE_DIR) / folder))
        fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }

  RoadRun RunRoad(const RoadOptions& options) {
    RoadRun run;
    SceneHarness harness;
    SceneHarnessOptions o;
    o.gl = options.gl;
    o.commonResources = true;
    o.firstScene = SCENE_OPTION;
    if (!harness.Start(o)) {
      ADD_FAILURE() << "the scene harness did not start";
      return run;
    }
    g_BattleDrawSubmit = options.submit;
    ResetAllBattleGlobals();
    EXPECT_TRUE(HarnessLoadCharaList());
    EXPECT_EQ(LoadBgList(), 1);
    ResetBattleClockForMatch();
    GetSceneBattle() = CSceneBattle{};
    SeedRandomGeneratorsFrom(5);
    if (options.scene == SCENE_VS_SCREEN) {
      StartVsPlayer(0);
      const DrivenMatchSetup setup = VersusSetup();
      for (int i = 0; i < 2; ++i) g_PlayerSelections[i] = setup.sides[i];
      g_MatchStage = setup.stage;
    } else {
      g_AttractDemo = 1;
    }
    // The still show: its 564 frames do not hang on the movie decoder's timing (the frames the
    // screen runs move the common stream through the frame's common steps).
    g_AppConfig.NoVsMovie = 1;
    ChangeScene(options.scene);
    // The movie's clock follows the frames run, as a paced game's would.
    SetMovieClock([&harness] { return static_cast<int64_t>(harness.framesRun()) * 1000000000 / 60; });
    for (int frame = 1; frame <= 3000; ++frame) {
      ScenePadFrame pads;
      if (frame == options.pressAt) pads.buttons[0] = 2;
      // The VS frames' count follows the load's wall time (the battle waits for it): only the
      // battle's frames are compared.
      // Runs compare alike only when the show, not the load's wall time, decides the frame the
      // battle starts on: the load is waited for before the show ends.
      if (frame == 500 && options.waitForLoad) GetCharaDataLoader().WaitForLoadEnd();
      const SceneFrameReport r = harness.RunFrame(pads);
      if (r.sceneId != options.scene) {
        run.vsFrames = frame;
        run.leftTo = r.sceneId;
        break;
      }
    }
    if (run.leftTo == SCENE_BATTLE) {
      run.match.started = true;
      run.match.result = RunDrivenMatch(harness, HarnessScriptedMatch(), options.battleBudget,
                                        [&](const DrivenFrame& f) { run.match.frames.push_back(f); });
      run.match.matchWinner = g_MatchWinnerSide;
    }
    EndDrivenMatch(harness);
    harness.Stop();
    SetMovieClock({});
    g_AppConfig.NoVsMovie = 0;
    g_BattleDrawSubmit = true;
    g_AttractDemo = 0;
    return run;
  }
};

}  // namespace match_test
