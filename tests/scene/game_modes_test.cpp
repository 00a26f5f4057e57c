// Game modes and match rules: the rules each mode applies, the online override, the mode
// starters, the per-match reset, the arcade extra route, the challenger count and the attract
// timeout.
#include "scene/game_modes.h"

#include <gtest/gtest.h>

#include "Sound/soundproc.h"
#include "scene/scene_fixture.h"

namespace {

using scene_test::SceneTest;

class GameModes : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    // Distinct values in every rule field, so that a rule read from the wrong field shows.
    config_.modes[0] = ModeRecord{3, 1, 4, 2, 0};
    config_.modes[1] = ModeRecord{0, 3, 0, 0, 0};
  }
};

TEST_F(GameModes, ApplyMatchRulesPerMode) {
  struct Case {
    int32_t mode;
    int32_t cpu, damage, rounds, timer;
  };
  // Before: CPU 9, damage 9, rounds 9, timer 9 (the values the first step does not leave).
  const Case cases[] = {
      {MODE_VS_PLAYER, 3, 4, 3, 2}, {MODE_VS_CPU, 3, 4, 3, 2},   {MODE_CPU_VS_CPU, 3, 4, 3, 2},
      {MODE_ARCADE, 3, 4, 1, 2},    {MODE_TRAINING, 3, 4, 0, 0}, {MODE_TEAM_BATTLE, 3, 4, 1, 2},
      {MODE_NETWORK, 3, 4, 1, 2},
  };
  for (const Case& c : cases) {
    g_GameModeFlags = c.mode;
    g_CpuLevel = g_DamageLevel = g_RoundsToWin = 9;
    g_TimerSpeed = 9;
    ApplyMatchRules();
    EXPECT_EQ(g_CpuLevel, c.cpu) << c.mode;
    EXPECT_EQ(g_DamageLevel, c.damage) << c.mode;
    EXPECT_EQ(g_RoundsToWin, c.rounds) << c.mode;
    EXPECT_EQ(g_TimerSpeed, c.timer) << c.mode;
  }
}

// ApplyModeRules alone leaves the rules of the modes it does not name untouched.
TEST_F(GameModes, ApplyModeRulesLeavesOtherModes) {
  for (int32_t mode : {MODE_TEAM_BATTLE, MODE_TAG_BATTLE, MODE_NETWORK, 0x1010 | 0x1}) {
    g_GameModeFlags = mode;
    g_CpuLevel = g_DamageLevel = g_RoundsToWin = 7;
    g_TimerSpeed = 7;
    ApplyModeRules();
    EXPECT_EQ(g_CpuLevel, 7);
    EXPECT_EQ(g_DamageLevel, 7);
    EXPECT_EQ(g_RoundsToWin, 7);
    EXPECT_EQ(g_TimerSpeed, 7);
  }
}

TEST_F(GameModes, OnlineMatchPlaysAtLevelTwoWithTheSessionsRounds) {
  g_BattleSeams.IsNetMatchActive = [] { return 1; };
  g_MatchRuleHooks.netRoundsToWin = [] { return int32_t{3}; };
  g_MatchRuleHooks.netTimerSpeed = [] { return int32_t{4}; };
  static int synced;
  synced = 0;
  g_MatchRuleHooks.syncReplaySettings = [] { ++synced; };
  config_.modes[0].Difficulty = 4;
  config_.modes[0].DamageLevel = 0;
  g_GameModeFlags = MODE_VS_PLAYER;
  ApplyMatchRules();
  EXPECT_EQ(g_CpuLevel, 2);
  EXPECT_EQ(g_DamageLevel, 2);
  EXPECT_EQ(g_RoundsToWin, 3);
  EXPECT_EQ(g_TimerSpeed, 4);
  EXPECT_EQ(synced, 1);
}

struct StarterCase {
  const char* name;
  void (*start)(int);
  int configMode;
  int32_t mode;
  int replayMode;  // -1: not set
  int32_t menuPlayer;
  uint8_t challenge;
  int32_t joined[2];
  int32_t joinMode;  // the rows' join mode after (they start at 0)
  int32_t networkMatch;
  int attractMute;  // after (it starts at 1)
};

TEST_F(GameModes, Starters) {
  const StarterCase cases[] = {
      {"arcade", StartArcadeMode, 0, MODE_ARCADE, 0, 1, 0, {0, 1}, 1, 0, 0},
      {"arcade, title", StartArcadeModeFromTitle, 0, MODE_ARCADE, -1, 1, 0, {5, 1}, 1, 0, 0},
      {"arcade, event mode", StartArcadeMode, 1, MODE_VS_PLAYER, 0, 1, 255, {1, 1}, 1, 0, 0},
      {"arcade, title, event mode", StartArcadeModeFromTitle, 1, MODE_VS_PLAYER, -1, 1, 255, {1, 1}, 1, 0, 0},
      {"training", StartTrainingMode, 0, MODE_TRAINING, 0, 1, 0, {1, 1}, 0, 0, 0},
      {"versus player", StartVsPlayer, 0, MODE_VS_PLAYER, 1, 1, 0, {1, 1}, 0, 0, 0},
      {"versus CPU", StartVsCpu, 0, MODE_VS_CPU, 1, 1, 0, {1, 1}, 0, 0, 0},
      {"CPU versus CPU", StartCpuVsCpu, 0, MODE_CPU_VS_CPU, 1, 1, 0, {1, 1}, 0, 0, 0},
      {"replay", StartReplayMode, 0, MODE_VS_PLAYER, 2, 1, 0, {1, 1}, 0, 0, 0},
      {"network", StartNetworkMode, 0, MODE_NETWORK, -1, 2, 0, {1, 1}, 0, 1, 1},
      {"rematch", StartRematchVsPlayer, 0, MODE_VS_PLAYER, -1, 1, 0, {5, 5}, 0, 0, 1},
  };
  static int replayMode;
  g_MatchRuleHooks.setReplayMode = [](int mode) { replayMode = mode; };
  for (const StarterCase& c : cases) {
    config_.ConfigMode = c.configMode;
    replayMode = -1;
    g_AttractMute = 1;
    g_ChallengeState = 9;
    g_NetworkMatch = 7;
    g_GameModeFlags = 0;
    for (CreditPlayer& p : g_CreditState.players) p = CreditPlayer{5, 0, 5, 0};
    c.start(1);
    EXPECT_EQ(g_GameModeFlags, c.mode) << c.name;
    EXPECT_EQ(g_MainSide, 1) << c.name;
    EXPECT_EQ(g_MenuPlayer, c.menuPlayer) << c.name;
    EXPECT_EQ(replayMode, c.replayMode) << c.name;
    EXPECT_EQ(g_ChallengeState, c.challenge) << c.name;
    EXPECT_EQ(g_NetworkMatch, c.networkMatch) << c.name;
    EXPECT_EQ(g_AttractMute, c.attractMute) << c.name;
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(g_CreditState.players[i].joined, c.joined[i]) << c.name << " player " << i;
      EXPECT_EQ(g_CreditState.players[i].joinMode, c.joinMode) << c.name << " player " << i;
    }
  }
  g_AttractMute = 0;
}

// The menu screens' prelude: no reset, the mode stays, both players joined.
TEST_F(GameModes, PrepareMenuScreenKeepsTheMatch) {
  g_GameModeFlags = MODE_VS_CPU;
  g_MainSide = 1;
  g_ChallengeState = 1;
  g_AttractMute = 1;
  PrepareMenuScreen(0);
  EXPECT_EQ(g_GameModeFlags, MODE_VS_CPU);
  EXPECT_EQ(g_MainSide, 1);
  EXPECT_EQ(g_ChallengeState, 1);
  EXPECT_EQ(g_AttractMute, 0);
  EXPECT_EQ(g_CreditState.players[0].joined, 1);
  EXPECT_EQ(g_CreditState.players[1].joined, 1);
}

TEST_F(GameModes, ResetMatchStateClearsTheMatchAndKeepsTheRest) {
  g_Paused = 1;
  g_ObjectPool[3].inUse = 1;
  g_GameModeFlags = MODE_VS_CPU;
  g_MainSide = 1;
  g_ChallengeState = 255;
  g_DirectNetMode = g_DirectNetSession = g_NetworkMatch = 1;
  g_ArcadeVariant = 1;
  g_AirRecoveryMode = g_DownRecoveryMode = 4;
  g_SideStatus[1].arcadeTotals[9] = 5;
  // Kept: the menu player, the rules, the stage and the credit table.
  g_MenuPlayer = 2;
  g_CpuLevel = 4;
  g_RoundsToWin = 3;
  g_MatchStage = 7;
  g_CreditState.players[0].joined = 1;
  static int trainingCleared;
  trainingCleared = 0;
  g_MatchRuleHooks.clearTrainingRecovery = [] { ++trainingCleared; };
  ResetMatchState();
  EXPECT_EQ(trainingCleared, 1);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_ObjectPool[3].inUse, 0);
  EXPECT_EQ(g_GameModeFlags, MODE_ARCADE);
  EXPECT_EQ(g_MainSide, 0);
  EXPECT_EQ(g_ChallengeState, 0);
  EXPECT_EQ(g_DirectNetMode + g_DirectNetSession + g_NetworkMatch, 0);
  EXPECT_EQ(g_ArcadeVariant, 0);
  EXPECT_EQ(g_AirRecoveryMode, 4) << "the engine's words are the match set-up's";
  EXPECT_EQ(g_DownRecoveryMode, 4);
  EXPECT_EQ(g_SideStatus[1].arcadeTotals[9], 0);
  EXPECT_EQ(g_MenuPlayer, 2);
  EXPECT_EQ(g_CpuLevel, 4);
  EXPECT_EQ(g_RoundsToWin, 3);
  EXPECT_EQ(g_MatchStage, 7);
  EXPECT_EQ(g_CreditState.players[0].joined, 1);
}

TEST_F(GameModes, CheckArcadeExtraRoute) {
  struct Case {
    int32_t state, stageIndex, roundsToWin, matchPerfect, routePerfect;
    int opens;
  };
  const Case cases[] = {
      {0, 6, 1, 2, 3, 1},    // one-round matches: 5 opens it
      {0, 6, 1, 1, 3, 0},    // 4 does not
      {0, 6, 2, 3, 4, 0},    // two-round matches need 8
      {0, 6, 2, 3, 5, 1},    //
      {0, 5, 1, 9, 9, 0},    // only at stage index 6
      {1, 6, 1, 9, 9, 0},    // already open
      {255, 6, 1, 9, 9, 0},  // closed by a challenger
  };
  g_MainSide = 1;
  for (const Case& c : cases) {
    StoryBattleRoute& r = g_StoryBattleRoutes[1];
    r.extraRoute = c.state;
    r.stageIndex = c.stageIndex;
    r.progress[kRoutePerfectWins] = c.routePerfect;
    g_RoundsToWin = c.roundsToWin;
    g_MatchPerfectWins = c.matchPerfect;
    EXPECT_EQ(CheckArcadeExtraRoute(), c.opens) << c.stageIndex << " " << c.matchPerfect;
    EXPECT_EQ(r.extraRoute, c.opens ? 1 : c.state);
    EXPECT_EQ(IsArcadeExtraRoute(), r.extraRoute == 1 ? 1 : 0);
  }
}

TEST_F(GameModes, CountChallengerMatch) {
  // ConfigMode -> the number of challenger matches after which arcade ends (0: never).
  const int limits[] = {0, 0, 3, 5, 8, 10, 0};
  for (int mode = 0; mode <= 6; ++mode) {
    config_.ConfigMode = mode;
    g_StoryBattleRoutes[0].progress[kRouteChallengerCount] = 0;
    for (int n = 1; n <= 12; ++n) {
      const int expected = limits[mode] != 0 && n >= limits[mode] ? 0 : 1;
      EXPECT_EQ(CountChallengerMatch(0), expected) << "config mode " << mode << " match " << n;
    }
  }
  // The counter stops at 99.
  g_StoryBattleRoutes[1].progress[kRouteChallengerCount] = 99;
  CountChallengerMatch(1);
  EXPECT_EQ(g_StoryBattleRoutes[1].progress[kRouteChallengerCount], 99);
}

TEST_F(GameModes, CheckAttractTimeout) {
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 1;
  g_MenuPlayer = 1;
  for (int i = 1; i <= 2400; ++i) ASSERT_EQ(CheckAttractTimeout(), 0) << i;
  EXPECT_EQ(g_AttractDemo, 0);
  // A credit input starts the count again.
  g_CreditState.creditInput[1] = 1;
  EXPECT_EQ(CheckAttractTimeout(), 0);
  EXPECT_EQ(g_AttractIdleFrames, 0);
  g_CreditState.creditInput[1] = 0;
  for (int i = 1; i <= 2400; ++i) ASSERT_EQ(CheckAttractTimeout(), 0) << i;
  // Frame 2401 starts the demo.
  EXPECT_EQ(CheckAttractTimeout(), 5);
  EXPECT_EQ(g_AttractDemo, 1);
  EXPECT_EQ(g_GameModeFlags, MODE_VS_PLAYER);
  EXPECT_EQ(g_MainSide, 0);
  EXPECT_EQ(g_MenuPlayer, 0);
  EXPECT_EQ(g_AirRecoveryMode, 4);
  EXPECT_EQ(g_DownRecoveryMode, 4);
}

TEST_F(GameModes, DirectNetMatchOnlyWithoutASession) {
  EXPECT_EQ(IsDirectNetMatch(), 0);
  g_DirectNetMode = g_NetworkMatch = 1;
  EXPECT_EQ(IsDirectNetMatch(), 1);
  g_DirectNetSession = 1;
  EXPECT_EQ(IsDirectNetMatch(), 0);
}

}  // namespace
