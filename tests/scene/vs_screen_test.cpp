// The VS screens on the scene harness (recording device) with a loader that finishes on a chosen
// frame: exit codes, presses before and after the load, online presses, the loader rule (nothing
// of the load touched before the finish, re-entry and leaving from outside the frame), the
// arcade opponent and stage set-up, and the attract set-up's common-stream draws.
#include "scene/vs_screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/chara_loader.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "boot_title_fixture.h"
#include "menu/training_settings.h"
#include "scene/chara_roster.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/stage_bg.h"
#include "scene/vs_presentation.h"

namespace {

// A loader with no thread: "finished" when the test says so. Start leaves marks in what a real
// load writes; the join notes whether they were still there (nothing freed them under the load).
class FakeLoader : public CCharaDataLoader {
 public:
  int Start() override {
    ++starts;
    if (refuse) return 0;
    running = true;
    finished = false;
    g_PlayerRecords[0].inUse = 1;
    g_SideStatus[0].attackFactor = 1.25f;
    g_SideStatus[1].actionLock = 7;
    std::memcpy(&recordsAtStart, g_PlayerRecords, sizeof recordsAtStart);
    std::memcpy(&sidesAtStart, g_SideStatus, sizeof sidesAtStart);
    std::memcpy(&selectionsAtStart, g_PlayerSelections, sizeof selectionsAtStart);
    return 1;
  }
  int JoinThread() override {
    if (!running) return 0;
    running = false;
    ++joins;
    if (g_PlayerRecords[0].inUse != 1) freedUnderLoad = true;
    return 1;
  }
  int HasThread() override { return running ? 1 : 0; }
  void Reset() {
    refuse = running = finished = freedUnderLoad = false;
    starts = joins = 0;
  }
  int IsFinished() override { return running && finished ? 1 : 0; }

  // The load's data exactly as Start left it.
  bool Untouched() const {
    return std::memcmp(&recordsAtStart, g_PlayerRecords, sizeof recordsAtStart) == 0 &&
           std::memcmp(&sidesAtStart, g_SideStatus, sizeof sidesAtStart) == 0 &&
           std::memcmp(&selectionsAtStart, g_PlayerSelections, sizeof selectionsAtStart) == 0;
  }

  bool refuse = false, running = false, finished = false, freedUnderLoad = false;
  int starts = 0, joins = 0;
  alignas(PlayerRecord) unsigned char recordsAtStart[sizeof g_PlayerRecords];
  alignas(SideStatus) unsigned char sidesAtStart[sizeof g_SideStatus];
  alignas(PlayerSelection) unsigned char selectionsAtStart[sizeof g_PlayerSelections];
};

class VsScreenTest : public boot_title_test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    ASSERT_TRUE(Start(SCENE_OPTION));
    SetVsScreenLoader(&loader_);
    for (int i = 0; i < 2; ++i) {
      g_PlayerSelections[i] = PlayerSelection{};
      g_PlayerSelections[i].character = i;
      g_PlayerSelections[i].side = i;
    }
    g_GameModeFlags = 1;
    g_MatchStage = 3;
  }
  void TearDown() override {
    harness_.Stop();
    SetVsScreenLoader(nullptr);
    SetOnlineModeManager(nullptr);
    HarnessTest::TearDown();
  }

  // Enters `scene` and runs frames (pads: button pressed on the frames in `presses`, counted from
  // 1; the loader finishes before frame `finishAt`) until the scene leaves or `limit` frames ran.
  // Returns the frame that left and the scene it went to.
  std::pair<int, int> Run(int scene, int finishAt, std::vector<int> presses, int limit = 900,
                          bool checkRule = false) {
    ChangeScene(scene);
    for (int frame = 1; frame <= limit; ++frame) {
      if (frame >= finishAt) loader_.finished = true;
      ScenePadFrame pads;
      for (int p : presses)
        if (p == frame) pads = Press();
      const SceneFrameReport r = harness_.RunFrame(pads);
      if (checkRule && !loader_.finished && loader_.running) {
        EXPECT_TRUE(loader_.Untouched()) << "frame " << frame;
      }
      if (r.sceneId != scene) return {frame, r.sceneId};
    }
    return {-1, g_SceneId};
  }

  FakeLoader loader_;
};

TEST_F(VsScreenTest, ExitCodes) {
  struct Row {
    const char* what;
    int scene;
    bool refuse;
    int finishAt;
    std::vector<int> presses;
    bool online;
    int frame, next;
  } rows[] = {
      {"no loader thread: the title at once", 8, true, 1, {}, false, 1, SCENE_TITLE},
      {"loaded, show whole: the battle", 8, false, 10, {}, false, 564, SCENE_BATTLE},
      {"press while loading is forgotten", 8, false, 10, {5}, false, 564, SCENE_BATTLE},
      {"press after loading skips", 8, false, 10, {100}, false, 100, SCENE_BATTLE},
      {"slow load: the battle waits for it", 8, false, 700, {}, false, 700, SCENE_BATTLE},
      {"online: presses ignored", 8, false, 10, {100, 200}, true, 564, SCENE_BATTLE},
      {"attract, no press: the CPU battle", 13, false, 10, {}, false, 564, SCENE_BATTLE},
      {"attract, press while loading: title once loaded", 13, false, 300, {5}, false, 300, SCENE_TITLE},
      {"attract, press after loading: title", 13, false, 10, {100}, false, 100, SCENE_TITLE},
      {"attract, no thread: the title", 13, true, 1, {}, false, 1, SCENE_TITLE},
  };
  ScriptedOnlineModeManager online;
  online.active = true;
  online.netMatchActive = true;
  for (const Row& r : rows) {
    loader_.Reset();
    loader_.refuse = r.refuse;
    SetOnlineModeManager(r.online ? &online : nullptr);
    g_SceneId = SCENE_OPTION;
    harness_.RunFrame();
    const auto [frame, next] = Run(r.scene, r.finishAt, r.presses);
    EXPECT_EQ(frame, r.frame) << r.what;
    EXPECT_EQ(next, r.next) << r.what;
    // Every way out joined the load and let go of the presentation.
    EXPECT_EQ(loader_.running, false) << r.what;
    EXPECT_FALSE(loader_.freedUnderLoad) << r.what;
    if (next == SCENE_TITLE) {
      EXPECT_EQ(g_TitleSkipIntro, 1) << r.what;
    }
    g_TitleSkipIntro = 0;
    harness_.LeaveScene();
    g_SceneId = SCENE_OPTION;
  }
}

TEST_F(VsScreenTest, NothingOfTheLoadIsTouchedBeforeItFinishes) {
  const auto [frame, next] = Run(SCENE_VS_SCREEN, 200, {50, 150}, 900, true);
  EXPECT_EQ(frame, 564);
  EXPECT_EQ(next, SCENE_BATTLE);
  EXPECT_EQ(loader_.joins, 1);
  // After the join the battle's set-up ran on the records.
  EXPECT_FALSE(loader_.Untouched());
}

TEST_F(VsScreenTest, ReEntryWhileLoadingJoinsBeforeFreeing) {
  ChangeScene(SCENE_VS_SCREEN);
  for (int i = 0; i < 20; ++i) harness_.RunFrame();
  ASSERT_TRUE(loader_.running);
  // Another entry of the same scene while the first load runs.
  ChangeScene(SCENE_VS_SCREEN);
  harness_.RunFrame();
  EXPECT_EQ(loader_.starts, 2);
  EXPECT_EQ(loader_.joins, 1);
  EXPECT_FALSE(loader_.freedUnderLoad);
  EXPECT_TRUE(loader_.running);
  EXPECT_EQ(g_SceneId, SCENE_VS_SCREEN);
}

TEST_F(VsScreenTest, LeftFromOutsideItsFrameReleasesAndKeepsTheChosenScene) {
  ChangeScene(SCENE_DEMO_VS_SCREEN);
  for (int i = 0; i < 20; ++i) harness_.RunFrame();
  ASSERT_TRUE(loader_.running);
  ASSERT_TRUE(GetDemoVSScreen().Holding());
  // Another part of the program moves the scene between frames.
  ChangeScene(SCENE_OPTION);
  harness_.RunFrame();
  EXPECT_EQ(g_SceneId, SCENE_OPTION);
  EXPECT_FALSE(loader_.running);
  EXPECT_EQ(loader_.joins, 1);
  EXPECT_FALSE(loader_.freedUnderLoad);
  EXPECT_FALSE(GetDemoVSScreen().Holding());
  // The released load's data is gone.
  EXPECT_EQ(g_PlayerRecords[0].inUse, 0);
}

TEST_F(VsScreenTest, ChangedWithinItsFrameGoesToTheTitle) {
  // Kept on purpose: a change that reaches CheckLeave sends the screen to the title.
  CSceneNormalVSScreen& screen = GetNormalVSScreen();
  g_SceneId = SCENE_VS_SCREEN;
  g_SceneEnter = 0;
  EXPECT_EQ(screen.CheckLeave(kVsBattle), kVsBattle);
  EXPECT_EQ(screen.CheckLeave(kVsChosen), kVsChosen);
  g_SceneId = SCENE_MAIN_MENU;
  EXPECT_EQ(screen.CheckLeave(kVsStay), kVsTitle);
  g_SceneId = SCENE_VS_SCREEN;
  g_SceneEnter = 1;
  EXPECT_EQ(screen.CheckLeave(kVsBattle), kVsTitle);
  EXPECT_EQ(screen.CheckLeave(kVsChosen), kVsChosen);
}

TEST_F(VsScreenTest, ArcadeOpponentAndStage) {
  struct Row {
    const char* what;
    int extraRoute, flags, stage, variant;
    int opponent, type, hidden, stageOut, stageByte, mainOverride[2];
  } rows[] = {
      {"route entry", 0, 0, 5, 0, 7, -2, -1, 5, 5, {0, 0}},
      {"extra route", 1, 0, 5, 0, 51, 9, -1, 18, 18, {0, 0}},
      {"flag 1 hides the CPU side", 0, 0x1, 5, 0, 7, -2, 1, 5, 5, {0, 0}},
      {"flag 0x400: special form", 0, 0x400, 5, 0, 7, -2, -1, 5, 5, {1, 1}},
      {"flag 0x800: partner words 2 and 9", 0, 0x800, 5, 0, 7, -2, -1, 5, 5, {2, 9}},
      {"stage-byte override", 0, 0, 5, 40, 7, -2, -1, 5, 40, {0, 0}},
  };
  for (const Row& r : rows) {
    g_GameModeFlags = 0x10;
    g_MainSide = 0;
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route = StoryBattleRoute{};
    route.stageIndex = 2;
    route.extraRoute = r.extraRoute;
    route.stages[2].opponent = 7;
    route.stages[2].stage = r.stage;
    route.stages[2].stageVariant = r.variant;
    route.stages[2].flags = r.flags;
    g_PlayerSelections[0].overrideMode = g_PlayerSelections[0].overrideValue = 5;
    const int hidden = SetUpVersusStageAndOpponent();
    const PlayerSelection& cpu = g_PlayerSelections[1];
    EXPECT_EQ(hidden, r.hidden) << r.what;
    EXPECT_EQ(cpu.character, r.opponent) << r.what;
    if (r.type >= 0) EXPECT_EQ(cpu.type, r.type) << r.what;
    EXPECT_EQ(cpu.controller, 1) << r.what;
    EXPECT_EQ(cpu.color, 0) << r.what;
    EXPECT_EQ(g_MatchStage, r.stageOut) << r.what;
    EXPECT_EQ(g_MatchStageByte, r.stageByte) << r.what;
    EXPECT_EQ(g_PlayerSelections[0].overrideMode, r.mainOverride[0]) << r.what;
    EXPECT_EQ(g_PlayerSelections[0].overrideValue, r.mainOverride[1]) << r.what;
    EXPECT_EQ(g_AirRecoveryMode, 4) << r.what;
  }
}

TEST_F(VsScreenTest, NormalSetUpClearsTheSideWordAndLocksTheCreditRows) {
  g_SideStatus[0].perMatchWord = 11;
  g_SideStatus[1].perMatchWord = 12;
  int hidden = 0, allCpu = 1;
  EXPECT_EQ(GetNormalVSScreen().SetUpMatch(&hidden, &allCpu), 1);
  EXPECT_EQ(g_SideStatus[0].perMatchWord, 0);
  EXPECT_EQ(g_SideStatus[1].perMatchWord, 0);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 1);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 1);
  EXPECT_EQ(hidden, -1);
  EXPECT_EQ(allCpu, 0);
  // Training: recovery settings 0.
  g_GameModeFlags = 0x1010;
  SetUpVersusStageAndOpponent();
  EXPECT_EQ(g_AirRecoveryMode, 0);
  EXPECT_EQ(g_DownRecoveryMode, 0);
}

// The set-up writes the training settings the battle reads: both recoveries RANDOM2 in the
// versus modes, both and the enemy status back to their first values in training, nothing in
// arcade.
TEST_F(VsScreenTest, SetUpWritesTheTrainingSettings) {
  struct Row {
    int mode;
    int32_t status, air, down;
  } rows[] = {
      {MODE_VS_PLAYER, 2, 4, 4}, {MODE_VS_CPU, 2, 4, 4}, {MODE_CPU_VS_CPU, 2, 4, 4},
      {MODE_TRAINING, 0, 0, 0},  {MODE_ARCADE, 2, 1, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mode);
    g_GameModeFlags = r.mode;
    g_MainSide = 0;
    g_StoryBattleRoutes[0] = StoryBattleRoute{};
    g_TrainingSettings[ENEMY_STATUS] = 2;
    g_TrainingSettings[AIR_RECOVERY] = 1;
    g_TrainingSettings[DOWN_RECOVERY] = 1;
    SetUpVersusStageAndOpponent();
    EXPECT_EQ(g_TrainingSettings[ENEMY_STATUS], r.status);
    EXPECT_EQ(g_TrainingSettings[AIR_RECOVERY], r.air);
    EXPECT_EQ(g_TrainingSettings[DOWN_RECOVERY], r.down);
  }
  ResetTrainingSettings();
}

}  // namespace
