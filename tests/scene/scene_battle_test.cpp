// The battle scene: its start at the first and later rounds, the round step, the leave for
// character select, the match-end routes, the new-challenger check and the attract overlay.
#include "scene/scene_battle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/screen_break.h"
#include "scene/scene_fixture.h"
#include "scene/stage_bg.h"

namespace {

using scene_test::SceneTest;

class SceneBattle : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (!g_AppJoystick) StartAppJoystick();
    g_AppJoystick->ClearAll();
    g_BattleDrawSubmit = false;
    g_CaptureScreenRequest = 0;
  }
  void TearDown() override {
    g_BattleDrawSubmit = true;
    g_AppJoystick->ClearAll();
    g_CaptureScreenRequest = 0;
    SceneTest::TearDown();
  }
  CSceneBattle& scene_ = GetSceneBattle();
};

// The first round applies the rules, loads the win counts, restarts the frame counter and sets
// the round time from the timer speed; a later round keeps the rules and the counts as they are.
TEST_F(SceneBattle, InitBattleFirstAndLaterRounds) {
  static std::vector<std::string> calls;
  calls.clear();
  g_BattleSeams.ResetCpuAiStates = [] { calls.push_back("ResetCpuAiStates"); };
  g_SceneBattleHooks.startTrainingBattle = [] { calls.push_back("StartTrainingBattle"); };
  config_.modes[0] = ModeRecord{1, 1, 3, 2, 0};
  config_.modes[1] = ModeRecord{1, 2, 3, 2, 0};
  g_GameModeFlags = MODE_VS_PLAYER;
  g_StoryBattleRoutes[0].progress[kRouteChallengerCount] = 4;
  g_StoryBattleRoutes[1].progress[kRouteChallengerCount] = 7;
  g_SceneBattleFrame = 50;
  scene_.endState = 3;
  g_RoundCounter = 0;
  g_SceneEnter = 1;
  scene_.InitBattle();
  EXPECT_EQ(g_RoundsToWin, 2);
  EXPECT_EQ(g_DamageLevel, 3);
  EXPECT_EQ(g_TimerSpeed, 2);
  EXPECT_EQ(g_RoundTimer, 4752) << "99 counts of 48 frames at speed 2";
  EXPECT_EQ(scene_.endState, 0);
  EXPECT_EQ(g_SideWinCounts[0], 4);
  EXPECT_EQ(g_SideWinCounts[1], 7);
  EXPECT_EQ(g_SceneBattleFrame, 0);
  EXPECT_EQ(g_SceneEnter, 0);
  EXPECT_EQ(g_CommandLock, 2);
  // The CPU states are cleared at the battle start and again in the round set-up, every round.
  EXPECT_EQ(calls, (std::vector<std::string>{"ResetCpuAiStates", "ResetCpuAiStates"}));

  calls.clear();
  config_.modes[1].WinCount = 3;
  g_StoryBattleRoutes[0].progress[kRouteChallengerCount] = 9;
  g_SceneBattleFrame = 50;
  scene_.endState = 3;
  g_RoundCounter = 1;
  g_SceneEnter = 1;
  g_GameModeFlags = MODE_TRAINING;
  scene_.InitBattle();
  EXPECT_EQ(g_RoundsToWin, 2) << "the rules are applied once per match";
  EXPECT_EQ(g_SideWinCounts[0], 4);
  EXPECT_EQ(g_SceneBattleFrame, 50);
  EXPECT_EQ(scene_.endState, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"ResetCpuAiStates", "StartTrainingBattle", "ResetCpuAiStates"}));
}

TEST_F(SceneBattle, RoundTimePerSpeed) {
  const int32_t expected[5] = {9801, 5940, 4752, 3564, 2673};
  for (int speed = 0; speed < 5; ++speed) {
    config_.modes[0].TimeSpeed = speed;
    g_GameModeFlags = MODE_ARCADE;
    g_RoundCounter = 0;
    scene_.InitBattle();
    EXPECT_EQ(g_RoundTimer, expected[speed]) << speed;
  }
}

// A training restart (enter 255) skips the opening screen break-up.
TEST_F(SceneBattle, TrainingRestartSkipsTheScreenBreak) {
  g_GameModeFlags = MODE_TRAINING;
  g_SceneEnter = 255;
  scene_.InitBattle();
  EXPECT_EQ(ScreenBreakProgress(), 1.0f);
  EXPECT_EQ(g_SceneEnter, 0);
  g_SceneEnter = 1;
  scene_.InitBattle();
  EXPECT_EQ(ScreenBreakProgress(), 0.0f);
}

// Each finished round (255) changes the round once: counter modulo 9, enter set, request
// cleared; the scene stays. Nothing happens without a request.
TEST_F(SceneBattle, OneRoundChangePerRequest) {
  g_SceneId = SCENE_BATTLE;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
  EXPECT_EQ(g_RoundCounter, 0);
  for (int round = 1; round <= 10; ++round) {
    g_RoundRestart = 255;
    g_SceneEnter = 0;
    EXPECT_EQ(scene_.UpdateBattleEnd(), 1);
    EXPECT_EQ(g_RoundCounter, round % 9) << "round " << round;
    EXPECT_EQ(g_SceneEnter, 1);
    EXPECT_EQ(g_RoundRestart, 0);
    EXPECT_EQ(g_SceneId, SCENE_BATTLE);
    EXPECT_EQ(scene_.endState, 0);
    // A second call in the same frame changes nothing.
    EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
    EXPECT_EQ(g_RoundCounter, round % 9);
  }
}

// During replay playback the round step counts the replay's rounds; when they are used up the
// battle ends on the title.
TEST_F(SceneBattle, ReplayPlaybackEndsOnTheTitle) {
  static int replayMode, roundsLeft;
  g_BattleSeams.ReplayMode = [] { return replayMode; };
  g_BattleSeams.ReplayNextRound = [] { return --roundsLeft <= 0 ? 1 : 0; };
  replayMode = 2;
  roundsLeft = 2;
  g_SceneId = SCENE_BATTLE;
  g_RoundRestart = 255;
  EXPECT_EQ(scene_.AdvanceRound(), 1);
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
  g_RoundRestart = 255;
  EXPECT_EQ(scene_.AdvanceRound(), 2);
  EXPECT_EQ(g_SceneId, SCENE_TITLE);
  EXPECT_EQ(g_TitleSkipIntro, 1);
  EXPECT_EQ(scene_.endState, 3);
  // Recording counts too, but never ends the battle.
  replayMode = 1;
  roundsLeft = 0;
  g_SceneId = SCENE_BATTLE;
  g_RoundRestart = 255;
  EXPECT_EQ(scene_.AdvanceRound(), 1);
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
}

// 254 leaves the battle for character select as a versus match.
TEST_F(SceneBattle, LeaveToCharacterSelect) {
  g_SceneId = SCENE_BATTLE;
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 1;
  g_StoryBattleRoutes[1].extraRoute = 1;
  g_RoundRestart = 254;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 1);
  EXPECT_EQ(scene_.endState, 3);
  EXPECT_EQ(g_SceneId, SCENE_CHARA_SELECT);
  EXPECT_EQ(g_SceneEnter, 1);
  EXPECT_EQ(g_GameModeFlags, MODE_VS_PLAYER);
  EXPECT_EQ(g_ChallengeState, 2);
  EXPECT_EQ(g_StoryBattleRoutes[1].extraRoute, 255);
  EXPECT_EQ(g_CaptureScreenRequest, 1);
  EXPECT_EQ(g_RoundCounter, 0);
  // Finished: later frames do nothing.
  EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
  // Already in character select: the words change, the scene is not switched again.
  g_SceneEnter = 0;
  g_CaptureScreenRequest = 0;
  GoToCharacterSelect();
  EXPECT_EQ(g_SceneEnter, 0);
  EXPECT_EQ(g_CaptureScreenRequest, 0);
}

TEST_F(SceneBattle, MatchEndRoutes) {
  struct Case {
    int32_t mode;
    int32_t attract;
    uint8_t restart;
    int replay;
    uint8_t challenge;
    int route;
    int scene;
    int32_t stageIndex;  // the main side's route stage index after (it starts at 3 of 8)
  };
  const Case cases[] = {
      {MODE_VS_PLAYER, 0, 2, 0, 0, 6, SCENE_WINNER_DEMO, 3},
      {MODE_VS_CPU, 0, 2, 0, 0, 6, SCENE_CHARA_SELECT, 3},
      {MODE_CPU_VS_CPU, 0, 2, 0, 0, 6, SCENE_CHARA_SELECT, 3},
      {MODE_VS_PLAYER, 0, 2, 1, 0, 7, SCENE_WINNER_DEMO, 3},
      {MODE_ARCADE, 0, 2, 0, 1, 7, SCENE_WINNER_DEMO, 8},
      {MODE_VS_PLAYER, 0, 2, 0, 255, 7, SCENE_WINNER_DEMO, 3},
      {MODE_ARCADE, 0, 3, 0, 0, 5, SCENE_NEXT_STAGE, 4},
      {MODE_ARCADE, 0, 4, 0, 0, 4, SCENE_VS_SCREEN, 3},
      {MODE_ARCADE, 0, 13, 0, 0, 3, -1, 8},
      {MODE_ARCADE, 0, 14, 0, 0, 2, -1, 4},
      {MODE_VS_PLAYER, 0, 1, 0, 0, 8, SCENE_WINNER_DEMO, 3},
      {MODE_ARCADE, 0, 1, 0, 0, 8, SCENE_WINNER_DEMO, 3},
      {MODE_VS_PLAYER, 1, 1, 0, 0, 9, SCENE_RANKING, 3},
      {MODE_VS_PLAYER, 1, 3, 0, 0, 9, SCENE_RANKING, 3},
      {MODE_VS_PLAYER, 1, 100, 0, 0, 11, SCENE_TITLE, 3},
      {MODE_TRAINING, 0, 1, 0, 0, 12, SCENE_TITLE, 3},
      {MODE_NETWORK, 0, 3, 0, 0, 12, SCENE_TITLE, 3},
      {MODE_TEAM_BATTLE, 0, 3, 0, 0, 12, SCENE_TITLE, 3},
  };
  static int replay;
  static int storySteps;
  g_BattleSeams.ReplayMode = [] { return replay; };
  g_SceneBattleHooks.storyAfterBattle = [] { storySteps += 1; };
  g_SceneBattleHooks.storyRouteEnd = [] { storySteps += 10; };
  for (const Case& c : cases) {
    const std::string name =
        std::to_string(c.mode) + "/" + std::to_string(c.restart) + "/" + std::to_string(c.attract);
    scene_ = CSceneBattle{};
    g_GameModeFlags = c.mode;
    g_AttractDemo = c.attract;
    g_RoundRestart = c.restart;
    replay = c.replay;
    g_ChallengeState = c.challenge;
    g_MainSide = 0;
    g_StoryBattleRoutes[0].stageIndex = 3;
    g_StoryBattleRoutes[0].stageCount = 8;
    g_SceneId = SCENE_BATTLE;
    g_SceneEnter = 0;
    g_TitleSkipIntro = g_RankingReturnScene = 0;
    g_RankingFromMenu = 1;
    g_CaptureScreenRequest = 0;
    storySteps = 0;
    EXPECT_EQ(GetMatchEndRoute(), c.route) << name;
    EXPECT_EQ(scene_.UpdateBattleEnd(), 1) << name;
    EXPECT_EQ(scene_.endState, 3) << name;
    EXPECT_EQ(g_SceneEnter, 1) << name;
    EXPECT_EQ(g_CaptureScreenRequest, 1) << name;
    EXPECT_EQ(g_SceneId, c.scene == -1 ? SCENE_BATTLE : c.scene) << name;
    EXPECT_EQ(g_StoryBattleRoutes[0].stageIndex, c.stageIndex) << name;
    EXPECT_EQ(g_TitleSkipIntro, c.scene == SCENE_TITLE ? 1 : 0) << name;
    EXPECT_EQ(g_RankingReturnScene, c.route == 9 ? 1 : 0) << name;
    EXPECT_EQ(g_RankingFromMenu, c.route == 9 ? 0 : 1) << name;
    EXPECT_EQ(storySteps, c.route == 2 ? 1 : c.route == 3 ? 10 : 0) << name;
  }
}

// In a direct-netplay session the match end waits at the barrier: step 4 sent, then step 1 once
// both sides reported 4, and the route once both reported 1. A failed send goes back to the
// network menu.
TEST_F(SceneBattle, DirectNetplayEndBarrier) {
  static std::vector<int> sent;
  static int reported, sendOk, menus;
  sent.clear();
  reported = 0;
  sendOk = 1;
  menus = 0;
  g_SceneBattleHooks.sendBarrierStep = [](int step) {
    sent.push_back(step);
    return sendOk;
  };
  g_SceneBattleHooks.bothReportedStep = [](int step) { return step == reported ? 1 : 0; };
  g_SceneBattleHooks.returnToNetworkMenu = [] { ++menus; };
  g_DirectNetMode = g_NetworkMatch = g_DirectNetSession = 1;
  g_GameModeFlags = MODE_VS_PLAYER;
  g_SceneId = SCENE_BATTLE;
  g_RoundRestart = 1;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
  EXPECT_EQ(scene_.endState, 1);
  EXPECT_EQ(sent, (std::vector<int>{4}));
  EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
  reported = 4;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 0);
  EXPECT_EQ(scene_.endState, 2);
  EXPECT_EQ(sent, (std::vector<int>{4, 1}));
  EXPECT_EQ(g_SceneId, SCENE_BATTLE);
  reported = 1;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 1);
  EXPECT_EQ(scene_.endState, 3);
  EXPECT_EQ(g_SceneId, SCENE_WINNER_DEMO);
  EXPECT_EQ(menus, 0);

  scene_ = CSceneBattle{};
  sendOk = 0;
  g_SceneId = SCENE_BATTLE;
  EXPECT_EQ(scene_.UpdateBattleEnd(), 1);
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(scene_.endState, 3);
}

class NewChallenger : public SceneBattle {
 protected:
  void SetUp() override {
    SceneBattle::SetUp();
    g_GameModeFlags = MODE_ARCADE;
    g_MainSide = 0;
    g_StoryBattleRoutes[0].stageIndex = 2;
    g_StoryBattleRoutes[0].stageCount = 8;
    g_CreditState.players[0].joined = 1;
  }
  // Player 1 presses menu button 2 this frame (or not).
  void Press(bool pressed) {
    g_AppJoystick->ClearAll();
    g_AppJoystick->rawStates[1] = PadRawState{};
    if (pressed) g_AppJoystick->rawStates[1].buttons = g_AppJoystick->menuMap[1][2];
    g_AppJoystick->UpdateBanks();
  }
};

TEST_F(NewChallenger, Guards) {
  struct Case {
    const char* name;
    void (*set)();
    bool press;
  };
  const Case cases[] = {
      {"no press", [] {}, false},
      {"challenge running", [] { g_ChallengeState = 1; }, true},
      {"paused", [] { g_Paused = 1; }, true},
      {"route finished", [] { g_StoryBattleRoutes[0].stageIndex = 8; }, true},
      {"replay playing", [] { g_BattleSeams.ReplayMode = [] { return 2; }; }, true},
      {"joining locked", [] { g_CreditState.players[0].joinMode = 1; }, true},
      {"only the main side", [] { g_CreditState.players[0].joinMode = 2; }, true},
      {"already joined", [] { g_CreditState.players[1].joined = 1; }, true},
      {"name entry running",
       [] { GetInputGameHooks().nameEntryState = [](int p) { return p == 1 ? 1 : 0; }; }, true},
  };
  const InputGameHooks saved = GetInputGameHooks();
  for (const Case& c : cases) {
    SetUp();
    c.set();
    Press(c.press);
    EXPECT_EQ(CheckNewChallenger(), 0) << c.name;
    EXPECT_EQ(g_CreditState.players[1].joined, std::string(c.name) == "already joined" ? 1 : 0) << c.name;
    GetInputGameHooks() = saved;
    g_BattleSeams.ReplayMode = nullptr;
    g_Paused = 0;
    g_ChallengeState = 0;
    g_CreditState = CreditState{};
  }
}

// A join ends the other side's running countdown and counts a challenger for that side.
TEST_F(NewChallenger, JoinEndsTheCountdown) {
  Press(true);
  EXPECT_EQ(CheckNewChallenger(), 1);
  EXPECT_EQ(g_CreditState.players[1].joined, 1);
  EXPECT_EQ(g_SideStatus[1].arcadeTotals[9], 0) << "no countdown ran";

  g_CreditState.players[1] = CreditPlayer{0, 0, 0, 0, 1, 300, 1};
  g_SideStatus[1].arcadeTotals[9] = 99;
  Press(true);
  EXPECT_EQ(CheckNewChallenger(), 1);
  const CreditPlayer& p = g_CreditState.players[1];
  EXPECT_EQ(p.continueState + p.continueTimer + p.playTimeOpen, 0);
  EXPECT_EQ(p.joined, 1);
  EXPECT_EQ(g_SideStatus[1].arcadeTotals[9], 99) << "capped";
  g_SideStatus[1].arcadeTotals[9] = 3;
  g_CreditState.players[1] = CreditPlayer{0, 0, 0, 0, 1, 300, 1};
  Press(true);
  EXPECT_EQ(CheckNewChallenger(), 1);
  EXPECT_EQ(g_SideStatus[1].arcadeTotals[9], 4);
}

// The attract demo ends its match once the fight time passes 1800 frames or the battle frame
// 4800; outside the demo nothing happens.
TEST_F(SceneBattle, AttractOverlayEndsTheDemo) {
  struct Case {
    int32_t attract, fightTime;
    uint32_t battleFrame;
    uint8_t restart;
  };
  const Case cases[] = {
      {1, 1800, 4800, 0}, {1, 1801, 0, 1}, {1, 0, 4801, 1}, {0, 1801, 4801, 0}, {2, 1801, 4801, 0},
  };
  for (const Case& c : cases) {
    g_AttractDemo = c.attract;
    g_FightTime = c.fightTime;
    g_BattleFrame = c.battleFrame;
    g_RoundRestart = 0;
    UpdateAttractOverlay();
    EXPECT_EQ(g_RoundRestart, c.restart) << c.fightTime << " " << c.battleFrame;
  }
}

// The leave hook releases what the battle holds; the stage stays for the winner demo.
TEST_F(SceneBattle, LeaveHookKeepsTheStageForTheWinnerDemo) {
  static int freed, closed;
  freed = closed = 0;
  g_BattleSeams.FreeBattleHudGraphics = [] { ++freed; };
  g_SceneBattleHooks.closeTrainingMenu = [] { ++closed; };
  g_LoadedStagePath = "kept";
  g_SceneId = SCENE_WINNER_DEMO;
  LeaveBattleScene();
  EXPECT_EQ(g_LoadedStagePath, "kept");
  g_SceneId = SCENE_TITLE;
  LeaveBattleScene();
  EXPECT_EQ(g_LoadedStagePath, "");
  EXPECT_GE(freed, 2);  // each leave frees the HUD graphics
  EXPECT_EQ(closed, 2);
}

// The scene registers its entry and leave hook, and answers the seams and input hooks.
TEST_F(SceneBattle, InstallFillsTheSeams) {
  ClearSceneTable();
  InstallBattleScene();
  EXPECT_NE(GetSceneHandlers(SCENE_BATTLE).process, nullptr);
  EXPECT_EQ(GetSceneHandlers(SCENE_BATTLE).leave, &LeaveBattleScene);
  g_ArcadeVariant = 1;
  EXPECT_EQ(BattleSeamArcadeVariant(), 1);
  BattleSeamSetDrawCharactersOn(0);
  EXPECT_EQ(g_DrawCharactersOn, 0);
  EXPECT_EQ(BattleSeamDrawCharactersOn(), 0);
  BattleSeamSetDrawCharactersOn(1);
  BattleSeamSetCreditLocks(1);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 1);
  g_GameModeFlags = MODE_VS_CPU;
  g_MainSide = 1;
  EXPECT_EQ(GetInputGameHooks().gameMode(), MODE_VS_CPU);
  EXPECT_EQ(GetInputGameHooks().mainSide(), 1);
  g_CreditState.players[1].joined = 1;
  GetInputGameHooks().clearJoined(1);
  EXPECT_EQ(g_CreditState.players[1].joined, 0);
  GetInputGameHooks() = InputGameHooks{};
  ClearSceneTable();
}

}  // namespace
