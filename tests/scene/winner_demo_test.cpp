// The winner demo through the scene harness: the kind and first step by mode and result, the
// proceed rule, the ways out of a versus match, the match's bookkeeping and the play statistics.
#include "scene/winner_demo.h"

#include <gtest/gtest.h>

#include <string>

#include "Replay/replay_controller.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "directnet/direct_net_state.h"
#include "scene/boot_title_fixture.h"
#include "scene/continue_screen.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/name_entry.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_battle.h"
#include "scene/vs_result_menu.h"
#include "scene/win_quotes.h"
#include "scene/winner_screen.h"
#include "support/test_util.h"

namespace {

constexpr uint32_t kDecide = 1u << 1;  // the harness pad's raw bits: menu button 0

class WinnerDemoTest : public boot_title_test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=Ayla\r\n[CharaNo_001]\r\nName=Bren\r\n"), 2);
    config_.SELECT_LANGUAGE = 1;
    vt::test::WriteFile("story/battle/eng/Ayla_win.txt", "255 0 0 v0 \x82\x6E\x82\x6A\r\nEND\r\n");
    for (StoryBattleRoute& r : g_StoryBattleRoutes) ResetStoryBattleRoute(r);
    g_GameModeFlags = MODE_VS_PLAYER;
    g_ChallengeState = 0;
    g_MainSide = 0;
    g_MatchWinnerSide = 0;
    g_WinnerCharacter = 0;
    g_LoserCharacter = 1;
    g_MainSideLost = 0;
    // The quote gate holds presses back only while the replay controller is off.
    g_ReplayController.mode = kReplayOff;
  }
  void TearDown() override {
    g_ReplayController = ReplayController{};
    // What a test loaded without entering the scene, freed as leaving the scene frees it.
    FreeWinnerScreenParts();
    FreeWinnerScreenTarget();
    HarnessTest::TearDown();
    FreeCharaSelectList();
    g_WinnerDemoArcadeCalls = WinnerDemoArcadeCalls{};
    g_GameModeFlags = 0;
  }
  // Enters scene 5 and runs its first frame.
  void Enter() {
    ASSERT_TRUE(Start(SCENE_WINNER_DEMO));
    harness_.RunFrame();
  }
};

TEST_F(WinnerDemoTest, KindAndFirstStepByModeAndResult) {
  struct Case {
    const char* name;
    int32_t mode;
    uint8_t winner;
    int stageIndex, stageCount;
    int kind;
    int step;  // after the first frame
    bool menu;
  } cases[] = {
      {"versus, side 0 won", MODE_VS_PLAYER, 0, 0, 0, kWinnerWithQuote, kStepShowWinner, true},
      {"versus draw: straight to the menu", MODE_VS_PLAYER, 255, 0, 0, kWinnerVersusDraw, kStepResultMenu,
       true},
      {"versus CPU, side 1 won", MODE_VS_CPU, 1, 0, 0, kWinnerWithQuote, kStepShowWinner, true},
      {"arcade on the route", MODE_ARCADE, 0, 1, 4, kWinnerWithQuote, kStepShowWinner, false},
      {"arcade, route complete on entry: game over", MODE_ARCADE, 0, 4, 4, kWinnerRouteComplete,
       kStepGameOverWait, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_GameModeFlags = c.mode;
    g_MatchWinnerSide = c.winner;
    g_StoryBattleRoutes[0].stageIndex = c.stageIndex;
    g_StoryBattleRoutes[0].stageCount = c.stageCount;
    Enter();
    const CSceneWinnerDemo& d = GetWinnerDemo();
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.step, c.step);
    EXPECT_EQ(g_VsResultMenu != nullptr, c.menu);
    EXPECT_EQ(g_SceneId, SCENE_WINNER_DEMO);
    harness_.Stop();
  }
}

TEST_F(WinnerDemoTest, QuoteAndRecordForTheWinner) {
  g_MatchWinnerSide = 0;
  Enter();
  EXPECT_EQ(g_WinQuoteTable.count, 1u);
  EXPECT_EQ(GetWinnerScreen().walkText, "\x82\x6E\x82\x6A");  // the quote's two full-width letters
  EXPECT_EQ(GetWinnerScreen().voice, "v0");
  EXPECT_EQ(GetWinnerDemo().record.kindCode, 0);
  // The winner screen's particles drew four numbers each from stream 1.
}

TEST_F(WinnerDemoTest, ParticlesTakeFortyDrawsOfStreamOne) {
  SeedRandStream(1, 99);
  RandStream expect = g_RandStreams[1];
  for (int i = 0; i < 40; ++i) OwnRandStreamNext(expect);
  GetWinnerScreen().character = 5;  // no such character: no pictures, still the particles
  LoadWinnerScreen(1);
  EXPECT_EQ(std::memcmp(&expect, &g_RandStreams[1], sizeof expect), 0);
  for (const WinnerScreenParticle& p : GetWinnerScreen().particles) {
    EXPECT_GE(p.x, -128.0f);
    EXPECT_LT(p.x, 512.0f);
    EXPECT_GE(p.y, 10.0f);
    EXPECT_LT(p.y, 470.0f);
    EXPECT_GE(p.row, 0);
    EXPECT_LT(p.row, 4);
  }
}

TEST_F(WinnerDemoTest, ProceedRule) {
  struct Case {
    const char* name;
    bool press;
    uint8_t mainLost;
    int maxFrames;
    int wantStepLeftBy;  // frames by which step 0 was left (-1: not within maxFrames)
  } cases[] = {
      // A press counts from frame 30 on.
      {"press from the start", true, 0, 40, 30},
      // The quote starts at 2.5 s and is short; 300 frames after it the screen moves on.
      {"no press", false, 0, 700, 0},
      // The main side lost: presses do not skip the quote while it is written.
      {"main side lost, pressing", true, 1, 120, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_MainSideLost = c.mainLost;
    g_MatchWinnerSide = c.mainLost ? 1 : 0;
    g_WinnerCharacter = 0;
    ASSERT_TRUE(Start(SCENE_WINNER_DEMO));
    int left = -1;
    for (int f = 1; f <= c.maxFrames; ++f) {
      ScenePadFrame p;
      p.buttons[0] = c.press && (f % 2) ? kDecide : 0;  // a new press every other frame
      harness_.RunFrame(p);
      if (GetWinnerDemo().step != kStepShowWinner) {
        left = f;
        break;
      }
    }
    if (c.wantStepLeftBy < 0) {
      EXPECT_EQ(left, -1);
    } else if (c.wantStepLeftBy > 0) {
      EXPECT_GE(left, c.wantStepLeftBy);
      EXPECT_LE(left, c.wantStepLeftBy + 2);
    } else {
      // 2.5 s, the text written, then more than 300 frames of silence.
      EXPECT_GT(left, 150 + 300);
      EXPECT_LT(left, 700);
    }
    EXPECT_EQ(GetWinnerDemo().step == kStepResultMenu, left > 0);
    harness_.Stop();
  }
}

TEST_F(WinnerDemoTest, LeavingAVersusMatchByChoice) {
  struct Case {
    int choice;
    int scene;
  } cases[] = {
      {kVsOnceAgain, SCENE_VS_SCREEN},
      {kVsCharacterSelect, SCENE_CHARA_SELECT},
      {kVsReturnTitle, SCENE_MAIN_MENU},
      {kVsExitVsGame, SCENE_NETWORK_MENU},
      {kVsReplayFileSelect, SCENE_REPLAY_SELECT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    g_GameModeFlags = MODE_VS_PLAYER;
    Enter();
    GetWinnerDemo().step = kStepLeave;
    g_VsResultChoice = c.choice;
    harness_.RunFrame();
    EXPECT_EQ(g_SceneId, c.scene);
    harness_.Stop();
  }
}

TEST_F(WinnerDemoTest, FadeThenLeave) {
  Enter();
  GetWinnerDemo().step = kStepDarkFade;
  GetWinnerDemo().frames = 0;
  g_VsResultChoice = kVsReturnTitle;
  int frames = 0;
  while (g_SceneId == SCENE_WINNER_DEMO && frames < 60) {
    harness_.RunFrame();
    ++frames;
  }
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
  EXPECT_EQ(frames, 31);  // 30 fade frames, then the leave
}

TEST(PlayCountIncrementsTable, ReasonsAndSides) {
  GameData config{};
  FillDefaultGameData(config);
  g_GameData = &config;
  struct Case {
    int configMode, side, reason;
    int count1, count2, flag0, flag1, modeFlag;
  } cases[] = {
      {0, 1, 0, 2, 1, 0, 1, 1}, {1, 0, 0, 1, 1, 1, 0, 1}, {0, 1, 1, 1, 1, 1, 0, 1},
      {0, 0, 2, 0, 0, 0, 0, 0}, {0, 0, 3, 1, 0, 0, 1, 0},  // reason 3 marks the main side (1 here)
  };
  g_MainSide = 1;
  for (const Case& c : cases) {
    config.ConfigMode = c.configMode;
    g_PlayCountIncrements = PlayCountIncrements{};
    SetPlayCountIncrements(c.side, c.reason);
    const PlayCountIncrements& p = g_PlayCountIncrements;
    EXPECT_EQ(p.count1, c.count1) << c.reason;
    EXPECT_EQ(p.count2, c.count2) << c.reason;
    EXPECT_EQ(p.sideFlag[0], c.flag0) << c.reason;
    EXPECT_EQ(p.sideFlag[1], c.flag1) << c.reason;
    EXPECT_EQ(p.modeFlag, c.modeFlag) << c.reason;
  }
  g_MainSide = 0;
  g_GameData = nullptr;
}

TEST(PlayStatistics, CountsSaturate) {
  PlayData data{};
  FillDefaultPlayData(data);
  g_PlayData = &data;
  data.playCount = UINT32_MAX - 1;
  data.modePlayCount = 5;
  g_PlayCountIncrements = PlayCountIncrements{};
  g_PlayCountIncrements.count1 = 2;
  g_PlayCountIncrements.count2 = 1;
  UpdatePlayStatistics();
  EXPECT_EQ(data.playCount, UINT32_MAX);
  EXPECT_EQ(data.modePlayCount, 6u);
  g_PlayData = nullptr;
  g_PlayCountIncrements = PlayCountIncrements{};
}

TEST_F(WinnerDemoTest, VersusWinLimitEndsTheGame) {
  struct Case {
    int configMode;
    int priorWins;
    int gameOver;
  } cases[] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}, {2, 2, 1}, {3, 4, 1}};
  for (const Case& c : cases) {
    config_.ConfigMode = c.configMode;
    ResetStoryBattleRoute(g_StoryBattleRoutes[0]);
    g_StoryBattleRoutes[0].progress[kRouteChallengerCount] = c.priorWins;
    Enter();
    EXPECT_EQ(GetWinnerDemo().gameOver, c.gameOver) << c.configMode << " " << c.priorWins;
    EXPECT_EQ(g_StoryBattleRoutes[0].progress[kRouteChallengerCount], c.priorWins + 1);
    harness_.Stop();
  }
}

// In an online match the after-match sequence runs first: until it has stored the results the
// demo does nothing else (its screen stands still), and when it finishes there it hands back to
// the network menu at the resume state its result names.
TEST_F(WinnerDemoTest, OnlineSequenceBeforeTheResultsAreStored) {
  struct Case {
    int result;
    int32_t resume;
  } cases[] = {{1, 5}, {2, 9}, {3, 11}, {0, 77}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    ScriptedOnlineModeManager online;
    online.active = online.netMatchActive = true;
    online.resumeState = 77;
    ScriptedMatchResultSeq seq;
    seq.storedFrom = 100;  // never stored
    seq.subStates = {1, 2, 3, CSteamNetSeqMatchResult::kSubStateDone};
    seq.result = c.result;
    SetOnlineModeManager(&online);
    SetNetMatchResultSeq(&seq);
    Enter();
    EXPECT_EQ(seq.resets, 1);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(harness_.RunFrame(Press()).sceneId, SCENE_WINNER_DEMO);
    EXPECT_EQ(GetWinnerScreen().frames, 0);
    EXPECT_EQ(GetWinnerDemo().step, kStepShowWinner);
    harness_.RunFrame();
    EXPECT_EQ(g_SceneId, SCENE_NETWORK_MENU);
    EXPECT_EQ(online.resumeState, c.resume);
    harness_.Stop();
    SetOnlineModeManager(nullptr);
    SetNetMatchResultSeq(nullptr);
  }
}

// Once the results are stored the demo shows its screen; a press fades it out only after the
// sequence is done, and the way out is the network menu.
TEST_F(WinnerDemoTest, OnlineSequenceAfterTheResultsAreStored) {
  ScriptedOnlineModeManager online;
  online.active = online.netMatchActive = true;
  ScriptedMatchResultSeq seq;
  seq.storedFrom = 2;
  seq.subStates = {2};
  seq.result = 2;
  SetOnlineModeManager(&online);
  SetNetMatchResultSeq(&seq);
  Enter();
  for (int i = 0; i < 40; ++i) harness_.RunFrame();
  EXPECT_GT(GetWinnerScreen().frames, 30);
  for (int i = 0; i < 5; ++i) harness_.RunFrame(Press());
  EXPECT_EQ(GetWinnerDemo().step, kStepShowWinner);  // waits for the sequence
  seq.subStates = {CSteamNetSeqMatchResult::kSubStateDone};
  harness_.RunFrame();
  harness_.RunFrame(Press());
  EXPECT_EQ(GetWinnerDemo().step, kStepDarkFade);
  for (int i = 0; i < 40 && g_SceneId == SCENE_WINNER_DEMO; ++i) harness_.RunFrame();
  EXPECT_EQ(g_SceneId, SCENE_NETWORK_MENU);
  EXPECT_EQ(online.resumeState, 9);
  SetOnlineModeManager(nullptr);
  SetNetMatchResultSeq(nullptr);
}

// Offline the sequence is never touched.
TEST_F(WinnerDemoTest, OfflineRunsNoSequence) {
  ScriptedMatchResultSeq seq;
  SetNetMatchResultSeq(&seq);
  Enter();
  for (int i = 0; i < 5; ++i) harness_.RunFrame();
  EXPECT_EQ(seq.resets, 0);
  EXPECT_EQ(seq.updates, 0);
  EXPECT_GT(GetWinnerScreen().frames, 0);
  SetNetMatchResultSeq(nullptr);
}

// A network match loads the message windows' texts on entry and frees them on the way out.
TEST_F(WinnerDemoTest, NetMessageTextsLiveWithTheDemo) {
  ScriptedMessageWindows windows;
  GetWinnerDemo().SetMessageWindows(&windows);
  g_NetworkMatch = 1;
  Enter();
  EXPECT_EQ(windows.killInfoLoads, 1);
  EXPECT_EQ(windows.killInfoFrees, 0);
  harness_.LeaveScene();
  EXPECT_EQ(windows.killInfoFrees, 1);
  g_NetworkMatch = 0;
  GetWinnerDemo().SetMessageWindows(nullptr);
}

// The installed arcade calls reach the continue screen, the credit rows and the name entry.
TEST_F(WinnerDemoTest, InstalledArcadeCallsReachTheArcadeScreens) {
  InstallWinnerDemo();
  const WinnerDemoArcadeCalls& a = g_WinnerDemoArcadeCalls;
  ASSERT_TRUE(a.continueState && a.updateContinueScreen && a.drawContinueScreen && a.continueCount &&
              a.continueStateSeconds && a.acceptContinue && a.expireAllCredits && a.expireMainSideIfRanked &&
              a.startChallengerScreen && a.updateChallengerScreen && a.drawChallengerScreen &&
              a.challengerSeconds && a.nameEntryOpen);
  g_ContinueScreen.state = 3;
  g_ContinueScreen.gameOverTime = 6.0f;
  g_ContinueScreen.count = 420;
  EXPECT_EQ(a.continueState(), 3);
  EXPECT_EQ(a.continueStateSeconds(), 6.0f);
  EXPECT_EQ(a.continueCount(), 420);
  g_NameEntries[1].active = 1;
  EXPECT_EQ(a.nameEntryOpen(), 1);
  g_NameEntries[1].active = 0;
  EXPECT_EQ(a.nameEntryOpen(), 0);
  g_MainSide = 1;
  g_CreditState.players[1].joined = 0;
  EXPECT_EQ(a.acceptContinue(), 1);
  EXPECT_EQ(g_CreditState.players[1].joined, 1);
  g_MainSide = 0;
  g_ContinueScreen = ContinueScreen{};
  g_CreditState = CreditState{};
}

}  // namespace
