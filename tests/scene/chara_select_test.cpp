// The character select scene offline, through the scene harness on the recording device: each
// mode's way through the sides (versus player, versus CPU with the hand-over and hand-back, CPU
// against CPU, arcade without the CPU side and the stage select), cancels in the style, colour and
// stage phases, the time limit at 0, the random cell, a challenger joining and a challenger match's
// locked side, the leave box and the quit request, the input lock and the release on leaving.
#include "scene/chara_select.h"

#include <gtest/gtest.h>

#include "MenuWindow/game_menu.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/chara_preview.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/select_fixture.h"

namespace {

using select_test::kCancel;
using select_test::kDecide;
using select_test::kLockFrames;
using select_test::Script;

class CharaSelectTest : public select_test::SelectTest {};

// ---- each mode's way through the sides ----

TEST_F(CharaSelectTest, VersusPlayerBothSidesChooseThenTheStageSelectOpensOnRandom) {
  Enter(StartVsPlayer);
  g_MatchStage = 7;
  // The sides start on character 0 (left) and 11 (right), each driven by its own player.
  EXPECT_EQ(Side(0).controller, 0);
  EXPECT_EQ(Side(1).controller, 1);
  Play(Script().WholeSide(0).WholeSide(1).Wait(2));
  EXPECT_EQ(Side(0).phase, 5);
  EXPECT_EQ(Side(1).phase, 5);
  EXPECT_EQ(Scene().state, kSelectStage);
  EXPECT_EQ(g_MatchStage, 0);
  // Both credit rows locked against a challenger once every side is done.
  EXPECT_EQ(g_CreditState.players[0].joinMode, 1);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 1);
}

TEST_F(CharaSelectTest, VersusCpuOpensTheCpuSideForThePlayerAndCancelHandsItBack) {
  Enter(StartVsCpu);
  EXPECT_EQ(Side(1).controller, -1);
  Play(Script().WholeSide(0).Wait(2));
  EXPECT_EQ(Side(0).phase, 5);
  EXPECT_EQ(Side(1).phase, 0);
  EXPECT_EQ(Side(1).controller, 0);
  EXPECT_EQ(Side(1).link, 0);
  EXPECT_EQ(g_PlayerSelections[0].decided, 1);
  // The player's directions now move side 1's cursor.
  const int cell = Side(1).cursorCell;
  Play(Script().Dir(6).Wait(1));
  EXPECT_NE(Side(1).cursorCell, cell);
  Play(Script().Press(kCancel).Wait(1));
  EXPECT_EQ(Side(0).phase, 0);
  EXPECT_EQ(Side(0).controller, 0);
  EXPECT_EQ(g_PlayerSelections[0].decided, 0);
  EXPECT_EQ(Side(1).controller, -1);
  EXPECT_EQ(Side(1).link, -1);
  EXPECT_EQ(Scene().state, kSelectSides);
}

TEST_F(CharaSelectTest, CpuAgainstCpuOnePlayerPicksBoth) {
  Enter(StartCpuVsCpu);
  Play(Script().WholeSide(0).Wait(2).WholeSide(0).Wait(2));
  EXPECT_EQ(Side(0).phase, 5);
  EXPECT_EQ(Side(1).phase, 5);
  EXPECT_EQ(Side(1).controller, 0);
  EXPECT_EQ(Scene().state, kSelectStage);
  EXPECT_EQ(g_PlayerSelections[0].controller, 1);
  EXPECT_EQ(g_PlayerSelections[1].controller, 1);
}

TEST_F(CharaSelectTest, ArcadeCountsTheCpuSideDoneAndSkipsTheStageSelect) {
  Enter(StartArcadeMode);
  EXPECT_EQ(Side(1).controller, kCpuSideNeedsNoChoice);
  Play(Script().WholeSide(0).Wait(1));
  EXPECT_EQ(Side(0).phase, 5);
  EXPECT_EQ(Side(1).phase, 0);  // never opened
  EXPECT_NE(Scene().state, kSelectStage);
  EXPECT_GE(Scene().state, kSelectStageAgreement);
  // The sample's character 0 has an opening story: the arcade route starts with it.
  EXPECT_EQ(RunUntilSceneLeaves(), SCENE_STORY);
  EXPECT_EQ(g_PlayerSelections[0].character, 0);
  EXPECT_EQ(g_StoryBattleRoutes[1].playerCharacter, -1);
}

// ---- cancels ----

TEST_F(CharaSelectTest, CancelInTheStyleOrColourPhaseGoesBackToTheCharacter) {
  struct Row {
    const char* name;
    int decisions;  // 1: in the style phase, 2: in the colour phase
  };
  const Row rows[] = {{"style", 1}, {"colour", 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Enter(StartVsPlayer);
    Script s;
    for (int i = 0; i < r.decisions; ++i) s.Decide(0);
    Play(s);
    ASSERT_EQ(Side(0).phase, r.decisions);
    Play(Script().Press(kCancel).Wait(1));
    EXPECT_EQ(Side(0).phase, 0);
    EXPECT_EQ(Scene().state, kSelectSides);
    harness_.Stop();
  }
}

TEST_F(CharaSelectTest, CancelInTheStageSelectSendsEverySideBackWithItsChoicesKept) {
  Enter(StartVsPlayer);
  Play(Script().Dir(6, 0).Decide(0).Dir(2, 0).Decide(0).Dir(2, 0).Dir(2, 0).Decide(0).WholeSide(1).Wait(2));
  ASSERT_EQ(Scene().state, kSelectStage);
  const CharaSelectSide before[2] = {Side(0), Side(1)};
  Play(Script().Press(kCancel, 1).Wait(1));
  EXPECT_EQ(Scene().state, kSelectSides);
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(Side(s).phase, 0);
    EXPECT_EQ(Side(s).character, before[s].character);
    EXPECT_EQ(Side(s).type, before[s].type);
    EXPECT_EQ(Side(s).colour, before[s].colour);
    EXPECT_EQ(Side(s).cursorCell, before[s].cursorCell);
  }
}

// ---- the time limit ----

TEST_F(CharaSelectTest, AtZeroSecondsOnlyTheLowestOpenPhaseIsDecidedFor) {
  Enter(StartVsPlayer);
  Play(Script().Decide(0).Decide(0));
  ASSERT_EQ(Side(0).phase, 2);
  ASSERT_EQ(Side(1).phase, 0);
  g_SelectTimeLimit = 0.0f;
  // Frame by frame: side 1 catches up from the character to the colour, then both are decided.
  struct Row {
    int phase0, phase1;
  };
  const Row rows[] = {{2, 1}, {2, 2}, {4, 4}, {5, 5}};
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    harness_.RunFrame(ScenePadFrame{});
    EXPECT_EQ(Side(0).phase, rows[i].phase0);
    EXPECT_EQ(Side(1).phase, rows[i].phase1);
  }
}

TEST_F(CharaSelectTest, WithoutATimeLimitNothingIsDecidedForAPlayer) {
  Enter(StartVsPlayer);
  EXPECT_LT(g_SelectTimeLimit, 0.0f);
  harness_.Run(300);
  EXPECT_EQ(Side(0).phase, 0);
  EXPECT_EQ(Side(1).phase, 0);
}

// ---- the random cell ----

TEST_F(CharaSelectTest, TheRandomCellKeepsTheCursorWhileTheSideTakesARandomCharacter) {
  Enter(StartVsPlayer);
  const int random = FindRosterCell(kRosterRandomCell);
  Side(0).cursorCell = random;
  Play(Script().Wait(1));
  EXPECT_EQ(Side(0).character, kRosterRandomCell);
  Play(Script().Press(kDecide).Wait(2));
  EXPECT_EQ(Side(0).phase, 1);
  EXPECT_EQ(Side(0).cursorCell, random);
  EXPECT_NE(Side(0).character, kRosterRandomCell);
  EXPECT_TRUE(IsRosterCharacterPresent(Side(0).character));
  // The style phase wrote the drawn character into the selection.
  EXPECT_EQ(g_PlayerSelections[0].character, Side(0).character);
}

TEST_F(CharaSelectTest, AnEmptyCellCannotBeConfirmed) {
  Enter(StartVsPlayer);
  Side(0).cursorCell = 0;  // the top left corner holds nobody
  Play(Script().Press(kDecide).Wait(2));
  EXPECT_EQ(Side(0).phase, 0);
}

// ---- challengers ----

TEST_F(CharaSelectTest, AChallengerJoiningAnArcadeSelectMakesItAVersusSelect) {
  Enter(StartArcadeMode);
  Play(Script().Decide(0));
  ASSERT_EQ(Side(0).phase, 1);
  ScenePadFrame join;
  join.buttons[1] = ScriptedPadButtons(1, g_AppJoystick->menuMap[1][2]);
  harness_.RunFrame(join);
  EXPECT_EQ(g_GameModeFlags, MODE_VS_PLAYER);
  EXPECT_EQ(g_ChallengeState, 255);
  EXPECT_EQ(Side(1).phase, 0);
  EXPECT_EQ(Side(1).controller, 1);
  EXPECT_EQ(Side(1).character, 11);
  EXPECT_EQ(Side(1).colour, 0);
  EXPECT_EQ(Side(0).phase, 1);  // the main side keeps its progress
  EXPECT_EQ(g_PlayerSelections[0].decided, 0);
  EXPECT_EQ(g_PlayerSelections[1].decided, 0);
  EXPECT_EQ(g_SelectTimeLimit, -1.0f);
  // A challenger match has no stage select.
  Play(Script().Wait(1).Decide(0).Decide(0).WholeSide(1).Wait(2));
  EXPECT_GE(Scene().state, kSelectStageAgreement);
}

TEST_F(CharaSelectTest, AChallengerMatchLocksTheMainSideFromItsRoute) {
  Enter(StartVsPlayer, 0, [] {
    g_ChallengeState = 2;
    StoryBattleRoute& r = g_StoryBattleRoutes[0];
    r.playerCharacter = 7;
    r.playerColor = 3;
    r.playerType = 0;
  });
  // Confirmed at once with the route's character, then the style decides straight to finishing.
  EXPECT_EQ(Side(0).locked, 2);
  EXPECT_EQ(Side(0).phase, 1);
  EXPECT_EQ(Side(0).character, 7);
  Play(Script().Wait(kLockFrames).Decide(0).Wait(2));
  EXPECT_EQ(Side(0).phase, 5);
  EXPECT_EQ(Side(0).colour, 3);
}

TEST_F(CharaSelectTest, CancelOnTheLockedSideInItsStylePhaseAsksToLeave) {
  Enter(StartVsPlayer, 0, [] {
    g_ChallengeState = 2;
    g_StoryBattleRoutes[0].playerCharacter = 7;
  });
  Play(Script().Wait(kLockFrames).Press(kCancel).Wait(2));
  EXPECT_EQ(Scene().state, kSelectLeaveBox);
  EXPECT_EQ(Scene().leavingPlayer, 0);
}

// ---- leaving ----

TEST_F(CharaSelectTest, TheLeaveBoxOfPlayerTwoAndItsAnswers) {
  struct Row {
    const char* name;
    Script answer;
    int scene;
    int32_t state;
  };
  const Row rows[] = {
      {"cancel is no", Script().Wait(30).Dir(8, 1).Press(kCancel, 1).Wait(30), SCENE_CHARA_SELECT,
       kSelectSides},
      {"no", Script().Wait(30).Press(kDecide, 1).Wait(30), SCENE_CHARA_SELECT, kSelectSides},
      {"yes", Script().Wait(30).Dir(8, 1).Press(kDecide, 1).Wait(30), SCENE_MAIN_MENU, kSelectLeaveBox},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Enter(StartVsPlayer);
    Play(Script().Press(kCancel, 1).Wait(2));
    ASSERT_EQ(Scene().state, kSelectLeaveBox);
    ASSERT_NE(Scene().LeaveBox(), nullptr);
    EXPECT_EQ(Scene().LeaveBox()->title, "Check (2P)");
    EXPECT_EQ(Scene().leavingPlayer, 1);
    Play(r.answer);
    EXPECT_EQ(g_SceneId, r.scene);
    if (r.scene == SCENE_CHARA_SELECT) {
      EXPECT_EQ(Scene().state, r.state);
      EXPECT_EQ(Scene().LeaveBox(), nullptr);
    }
    harness_.Stop();
  }
}

TEST_F(CharaSelectTest, AQuitRequestOpensTheLeaveBoxExceptInTheTestMode) {
  struct Row {
    uint8_t testMode;
    int32_t state;
  };
  for (const Row& r : {Row{0, kSelectLeaveBox}, Row{1, kSelectSides}}) {
    SCOPED_TRACE(r.testMode);
    Enter(StartVsPlayer);
    g_AppRunState->testMode = r.testMode;
    g_AppRunState->quitRequested = 1;
    harness_.RunFrame(ScenePadFrame{});
    EXPECT_EQ(Scene().state, r.state);
    g_AppRunState->quitRequested = 0;
    g_AppRunState->testMode = 0;
    harness_.Stop();
  }
}

// ---- input ----

TEST_F(CharaSelectTest, AConfirmationKeepsThePlayerOutForSixteenFrames) {
  // Kept: the local slots pass the lock step twice a frame, so a lock of 30 lasts 16 frames.
  // The colour decision locks player 0, whose next side (the CPU's) opens at once.
  struct Row {
    int after;  // frames after the confirming frame at which the direction comes
    bool taken;
  };
  for (const Row& r : {Row{16, false}, Row{17, true}}) {
    SCOPED_TRACE(r.after);
    Enter(StartVsCpu);
    Play(Script().Decide(0).Decide(0).Press(kDecide));  // the confirming frame and one more
    ASSERT_EQ(Side(1).controller, 0);
    const int cell = Side(1).cursorCell;
    Play(Script().Wait(r.after - 2).Dir(6).Wait(1));
    EXPECT_EQ(Side(1).cursorCell != cell, r.taken);
    harness_.Stop();
  }
}

TEST_F(CharaSelectTest, TheOtherPlayersInputDoesNotMoveASide) {
  Enter(StartVsPlayer);
  const int cells[2] = {Side(0).cursorCell, Side(1).cursorCell};
  Play(Script().Dir(6, 1).Wait(1));
  EXPECT_EQ(Side(0).cursorCell, cells[0]);
  EXPECT_NE(Side(1).cursorCell, cells[1]);
}

// ---- entry and release ----

TEST_F(CharaSelectTest, EntryResetsTheSceneAndLeavingReleasesWhatItLoaded) {
  Enter(StartVsPlayer);
  EXPECT_NE(GetCharaPreviewSlot(0), nullptr);
  EXPECT_EQ(g_SelectExitFade, 0.0f);
  // Restarted on entry: it rises only from the frame the grid is ready, which Enter just reached.
  EXPECT_LE(g_SelectOpeningFadeIn, 1.0f / 30.0f + 1e-6f);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 0);
  // Another part moves the scene: the leave hook frees the previews.
  ChangeScene(SCENE_MAIN_MENU);
  harness_.RunFrame(ScenePadFrame{});
  EXPECT_EQ(GetCharaPreviewSlot(0), nullptr);
}

TEST_F(CharaSelectTest, VersusPlayerRunsOnToTheVsScreenWithBothSelections) {
  Enter(StartVsPlayer);
  Play(Script().WholeSide(0).WholeSide(1).Wait(2));
  ASSERT_EQ(Scene().state, kSelectStage);
  WaitForStagePanel();
  Play(Script().Dir(2).Press(kDecide).Wait(1));
  const int32_t stage = g_MatchStage;
  EXPECT_EQ(stage, StepStage(0, 1));
  EXPECT_EQ(RunUntilSceneLeaves(), SCENE_VS_SCREEN);
  EXPECT_EQ(g_SelectExitFade, 1.0f);
  EXPECT_EQ(g_MatchStage, stage);
  const int characters[2] = {0, 11};
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    const PlayerSelection& p = g_PlayerSelections[s];
    EXPECT_EQ(p.character, characters[s]);
    EXPECT_EQ(p.side, s);
    EXPECT_EQ(p.controller, 0);
    EXPECT_EQ(p.decided, 1);
    EXPECT_EQ(p.ratio, 100);
    EXPECT_EQ(p.color, Side(s).colour);
    EXPECT_EQ(p.type, Side(s).type);
  }
}

}  // namespace
