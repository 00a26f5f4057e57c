// The character select in an online match, against the scripted online manager, net-battle
// control view, message windows and session close: the messages each action sends with their
// payloads, the other side following its select record, the decision sounds, the time limit and
// its raises, the stage agreement, a spectator, the message windows' results and the rank-match
// fill at the end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Sound/soundproc.h"
#include "app/input/net_input_link.h"
#include "battle/battle_records.h"
#include "directnet/direct_net_state.h"
#include "scene/chara_select.h"
#include "scene/game_modes.h"
#include "scene/select_fixture.h"

namespace {

using select_test::kDecide;
using select_test::kLockFrames;
using select_test::Script;
using Msg = ScriptedNetCtrl::Message;

class OnlineSelectTest : public select_test::SelectTest {
 protected:
  void SetUp() override {
    SelectTest::SetUp();
    manager_.active = true;
    manager_.netMatchActive = true;
    manager_.netMode = 2;
    SetOnlineModeManager(&manager_);
    SetNetCtrl(&net_);
    SetNetInputLink(&link_);
    GetCharaSelectScene().SetMessageWindows(&windows_);
    GetCharaSelectScene().SetSessionClose(&close_);
  }
  // Enters a network versus match as the given battle role (1 first battler, 2 second, 3
  // spectator).
  void EnterAs(int role) {
    link_.Reset(role);
    // The local pad is player 0's on either battler's machine.
    Enter(StartVsPlayer, 0, [] { g_NetworkMatch = 1; });
    net_.sent.clear();
  }
  // The messages of the given type sent since the last clear.
  std::vector<Msg> Sent(int type) const {
    std::vector<Msg> out;
    for (const Msg& m : net_.sent)
      if (m.type == type) out.push_back(m);
    return out;
  }
  // One side pass outside the frame, so that the frame's sound step has not yet taken the
  // requests.
  void SidePass() {
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    Scene().UpdateSelectSides();
  }
  // The remote side 1 decides everything through its record.
  void RemoteSideDecides() {
    NetSelectRecord& r = net_.records[1];
    r.cell = FindRosterCell(11);
    r.character = 11;
    r.characterDecided = 1;
    r.typeDecided = 1;
    r.colour = 4;
    r.colourDecided = 1;
  }

  ScriptedOnlineModeManager manager_;
  ScriptedNetCtrl net_;
  LoopbackNetInputLink link_;
  ScriptedMessageWindows windows_;
  ScriptedSessionClose close_;
};

TEST_F(OnlineSelectTest, EntryBeginsTheMatchWithTwentySecondsAndTheKillInfo) {
  EnterAs(1);
  EXPECT_EQ(manager_.beginNetMatchCalls, 1);
  EXPECT_EQ(windows_.killInfoLoads, 1);
  EXPECT_GT(g_SelectTimeLimit, 0.0f);
  EXPECT_LE(g_SelectTimeLimit, 20.0f);
}

TEST_F(OnlineSelectTest, EachActionOfTheFirstBattlerSendsItsMessage) {
  EnterAs(1);
  // Phase 0: a move sends the cell, a decide the chosen cell.
  Play(Script().Dir(6).Wait(1));
  const int cell = Side(0).cursorCell;
  EXPECT_EQ(Sent(kNetMsgCursor), (std::vector<Msg>{{kNetMsgCursor, {0, cell}}}));
  Play(Script().Press(kDecide).Wait(1));
  EXPECT_EQ(Sent(kNetMsgCharacter), (std::vector<Msg>{{kNetMsgCharacter, {0, cell}}}));
  EXPECT_EQ(Side(0).phase, 0);  // not before the record reports the decision
  net_.records[0].cell = cell;
  net_.records[0].character = RosterCellCharacter(cell);
  net_.records[0].characterDecided = 1;
  Play(Script().Wait(kLockFrames));
  ASSERT_EQ(Side(0).phase, 1);
  // Phase 1: the present type every frame, and the decided type once.
  net_.sent.clear();
  Play(Script().Wait(3));
  const std::vector<Msg> types = Sent(kNetMsgType);
  ASSERT_GE(types.size(), 3u);
  EXPECT_EQ(types.back(), (Msg{kNetMsgType, {0, Side(0).type}}));
  Play(Script().Press(kDecide).Wait(1));
  EXPECT_EQ(Sent(kNetMsgTypeDecided), (std::vector<Msg>{{kNetMsgTypeDecided, {0, Side(0).type}}}));
  net_.records[0].type = static_cast<uint8_t>(Side(0).type);
  net_.records[0].typeDecided = 1;
  Play(Script().Wait(kLockFrames));
  ASSERT_EQ(Side(0).phase, 2);
  // Phase 2: a colour move and the decided colour.
  net_.sent.clear();
  Play(Script().Dir(2).Wait(1));
  EXPECT_EQ(Sent(kNetMsgColourCursor), (std::vector<Msg>{{kNetMsgColourCursor, {0, 0, 1}}}));
  Play(Script().Press(kDecide).Wait(1));
  EXPECT_EQ(Sent(kNetMsgColourDecided), (std::vector<Msg>{{kNetMsgColourDecided, {0, 1}}}));
  net_.records[0].colour = 1;
  net_.records[0].colourDecided = 1;
  RemoteSideDecides();
  Play(Script().Wait(kLockFrames));
  ASSERT_EQ(Scene().state, kSelectStage);
  // The stage select: the first battler's move and decision.
  WaitForStagePanel();
  net_.sent.clear();
  Play(Script().Dir(2).Wait(1));
  EXPECT_EQ(Sent(kNetMsgStageCursor), (std::vector<Msg>{{kNetMsgStageCursor, {g_MatchStage}}}));
  Play(Script().Press(kDecide).Wait(1));
  EXPECT_EQ(Sent(kNetMsgStageDecided), (std::vector<Msg>{{kNetMsgStageDecided, {g_MatchStage}}}));
  EXPECT_EQ(Scene().state, kSelectStage);  // until the settings are fixed
  net_.stage = g_MatchStage;
  net_.settingsFixed = 1;
  Play(Script().Wait(2));
  EXPECT_GE(Scene().state, kSelectExitFade);
  EXPECT_EQ(net_.syncSteps.front(), 4);
}

TEST_F(OnlineSelectTest, TheRandomCellIsResolvedBeforeItIsSent) {
  EnterAs(1);
  const int random = FindRosterCell(kRosterRandomCell);
  Side(0).cursorCell = random;
  Play(Script().Press(kDecide).Wait(1));
  const std::vector<Msg> sent = Sent(kNetMsgCharacter);
  ASSERT_EQ(sent.size(), 1u);
  const int cell = sent[0].payload[1];
  EXPECT_NE(cell, random);
  EXPECT_TRUE(IsRosterCharacterPresent(RosterCellCharacter(cell)));
  EXPECT_EQ(Side(0).cursorCell, cell);
}

TEST_F(OnlineSelectTest, TheOtherSideFollowsItsRecordWithTheCursorSound) {
  EnterAs(1);
  const int cell = FindRosterCell(7);
  net_.records[1].cell = cell;
  SidePass();
  EXPECT_EQ(Side(1).cursorCell, cell);
  EXPECT_EQ(Side(1).character, 7);
  EXPECT_EQ(g_SeRequest[152], 1);
  // Nothing new: no sound.
  SidePass();
  EXPECT_EQ(g_SeRequest[152], 0);
  EXPECT_TRUE(net_.sent.empty());  // the other side's moves are not sent back
}

TEST_F(OnlineSelectTest, TheOtherSidesColourDecisionSoundsOncePerSide) {
  EnterAs(1);
  RemoteSideDecides();
  SidePass();  // character
  SidePass();  // style
  EXPECT_EQ(Side(1).phase, 2);
  SidePass();  // colour
  EXPECT_EQ(Side(1).phase, 4);
  EXPECT_EQ(Side(1).colour, 4);
  EXPECT_EQ(g_SeRequest[151], 1);
  EXPECT_EQ(g_SelectColourSoundPlayed[1], 1);
  // Sent back to the colour phase, a second decision of the record plays nothing.
  Side(1).phase = 2;
  SidePass();
  EXPECT_EQ(Side(1).phase, 4);
  EXPECT_EQ(g_SeRequest[151], 0);
}

TEST_F(OnlineSelectTest, BothCharactersDecidedRaiseTheTimeLimitToEightSeconds) {
  struct Row {
    float before, after;
  };
  for (const Row& r : {Row{3.0f, 8.0f}, Row{12.0f, 12.0f}}) {
    SCOPED_TRACE(r.before);
    EnterAs(1);
    g_SelectTimeLimit = r.before;
    net_.records[0].cell = Side(0).cursorCell;
    net_.records[0].character = Side(0).character;
    net_.records[0].characterDecided = 1;
    net_.records[1].characterDecided = 1;
    net_.records[1].character = 11;
    SidePass();
    EXPECT_EQ(Side(0).phase, 1);
    EXPECT_EQ(Scene().timeLimitDecision, 0);
    EXPECT_EQ(g_SelectTimeLimit, r.after);
    harness_.Stop();
    net_ = ScriptedNetCtrl{};
  }
}

TEST_F(OnlineSelectTest, TheStageSelectRaisesTheLimitToTwentySeconds) {
  EnterAs(1);
  net_.records[0] = NetSelectRecord{Side(0).cursorCell, 1, Side(0).character, 0, 1, 0, 0, 1};
  RemoteSideDecides();
  g_SelectTimeLimit = 2.0f;
  Play(Script().Wait(8));
  ASSERT_EQ(Scene().state, kSelectStage);
  EXPECT_GE(g_SelectTimeLimit, 19.0f);
}

TEST_F(OnlineSelectTest, TheSecondBattlerTakesTheStageFromTheWordAndHearsTheDecision) {
  EnterAs(2);
  net_.records[0] = NetSelectRecord{FindRosterCell(0), 1, 0, 0, 1, 0, 0, 1};
  net_.records[1] = NetSelectRecord{Side(1).cursorCell, 1, Side(1).character, 0, 1, 2, 0, 1};
  Play(Script().Wait(8));
  ASSERT_EQ(Scene().state, kSelectStage);
  net_.stage = 5;
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  Play(Script().Wait(1));
  EXPECT_EQ(g_MatchStage, 5);
  EXPECT_TRUE(Sent(kNetMsgStageCursor).empty());
  EXPECT_TRUE(Sent(kNetMsgStageDecided).empty());
  net_.settingsFixed = 1;
  Play(Script().Wait(2));
  EXPECT_GE(Scene().state, kSelectStageAgreement);
}

TEST_F(OnlineSelectTest, ASpectatorFillsNoSlot) {
  EnterAs(3);
  const int cells[2] = {Side(0).cursorCell, Side(1).cursorCell};
  Play(Script().Dir(6, 0).Dir(6, 1).Press(kDecide, 0).Press(kDecide, 1).Wait(2));
  EXPECT_EQ(Side(0).cursorCell, cells[0]);
  EXPECT_EQ(Side(1).cursorCell, cells[1]);
  EXPECT_TRUE(net_.sent.empty());
}

TEST_F(OnlineSelectTest, TheMessageWindowsResults) {
  struct Row {
    const char* name;
    int result;
    bool closeStarts;
    bool closing;
    int scene;
    int requests, steps, closedCalls, waits;
    std::vector<int> notices;
  };
  const Row rows[] = {
      {"notice running", 1, true, false, SCENE_CHARA_SELECT, 0, 0, 0, 0, {}},
      {"leave answered yes", 2, true, false, SCENE_CHARA_SELECT, 1, 0, 0, 1, {}},
      {"close cannot start", 2, false, false, SCENE_NETWORK_MENU, 1, 0, 0, 1, {}},
      {"notice ran out (3)", 3, true, false, SCENE_NETWORK_MENU, 0, 0, 0, 0, {}},
      {"notice ran out (4)", 4, true, false, SCENE_NETWORK_MENU, 0, 0, 0, 0, {}},
      {"close under way", 5, true, false, SCENE_CHARA_SELECT, 0, 1, 0, 0, {}},
      {"close may finish", 6, true, true, SCENE_CHARA_SELECT, 0, 0, 1, -1, {1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EnterAs(1);
    windows_ = ScriptedMessageWindows{};
    close_ = ScriptedSessionClose{};
    close_.startAnswer = r.closeStarts;
    if (r.closing) close_.state = 1;
    windows_.active = true;
    windows_.results = {r.result};
    harness_.RunFrame(ScenePadFrame{});
    EXPECT_EQ(g_SceneId, r.scene);
    EXPECT_EQ(close_.requests, r.requests);
    EXPECT_EQ(close_.steps, r.steps);
    EXPECT_EQ(close_.closedCalls, r.closedCalls);
    EXPECT_EQ(windows_.connectionWaits, r.waits);
    EXPECT_EQ(windows_.notices, r.notices);
    harness_.Stop();
  }
}

TEST_F(OnlineSelectTest, ACancelOpensThePlayersPromptInANetworkMatchOrADirectSession) {
  // The prompt belongs to the choosing path that reads the player's own pads (no online match
  // by the manager's account, the network-match words set).
  struct Row {
    const char* name;
    int32_t direct;
    int prompt;
  };
  const Row rows[] = {{"network match", 0, 0 * 10 + 1}, {"direct session", 1, 0 * 10 + 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    manager_.netMatchActive = false;
    windows_ = ScriptedMessageWindows{};
    EnterAs(1);
    g_DirectNetSession = r.direct;
    Play(Script().Press(select_test::kCancel).Wait(1));
    EXPECT_EQ(Scene().state, kSelectSides);
    EXPECT_EQ(windows_.prompts, (std::vector<int>{r.prompt}));
    g_DirectNetSession = 0;
    harness_.Stop();
  }
}

TEST_F(OnlineSelectTest, TheRankRecordsAreFilledOnlyInARankMatch) {
  struct Row {
    int32_t netMode;
    int fills;
  };
  for (const Row& r : {Row{13, 1}, Row{2, 0}}) {
    SCOPED_TRACE(r.netMode);
    manager_.netMode = r.netMode;
    EnterAs(1);
    net_.records[0] = NetSelectRecord{Side(0).cursorCell, 1, Side(0).character, 1, 1, 3, 0, 1};
    RemoteSideDecides();
    Play(Script().Wait(8));
    ASSERT_EQ(Scene().state, kSelectStage);
    net_.stage = 2;
    net_.settingsFixed = 1;
    EXPECT_EQ(RunUntilSceneLeaves(), SCENE_VS_SCREEN);
    EXPECT_EQ(net_.rankFills, r.fills);
    EXPECT_EQ(g_MatchStage, 2);
    EXPECT_EQ(g_PlayerSelections[0].color, 3);
    EXPECT_EQ(g_PlayerSelections[1].character, 11);
    EXPECT_EQ(net_.sides[1].character, 11);
    harness_.Stop();
    net_ = ScriptedNetCtrl{};
  }
}

}  // namespace
