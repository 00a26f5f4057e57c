// The replay controller: what a round start records and restores, the frame limit, the round
// opening's gate, the generators in step between recording and playback, the header checks of a
// playback start, settings and selections synced both ways, and the training dummy's slots.
#include "Replay/replay_controller.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/game_wiring.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/story_routes.h"

namespace {

class ReplayControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAllBattleGlobals();
    InstallGameWiring();
    LoadCharaSelectList("[CharaNo_000]\r\nName=Alder\r\n[CharaNo_001]\r\nName=Birch\r\n");
    g_ReplayController = ReplayController{};
    g_ReplaySceneCalls = {};
    SeedRandomGeneratorsFrom(1234);
    g_CommandLock = 0;
  }
  void TearDown() override {
    g_ReplayController = ReplayController{};
    FreeCharaSelectList();
    ResetAllBattleGlobals();
  }
  static void Frame(int slot, uint8_t dir, uint32_t buttons) {
    BattleObject& o = g_PlayerRecords[slot].obj;
    o.inputDir = dir;
    o.inputButtons = buttons;
    o.inputReleased = 0;
    BattleSeamReplayInputHook(&o, slot);
  }
};

TEST_F(ReplayControllerTest, RecordingStopsOnlyPastTheFrameLimit) {
  ReplayController& c = g_ReplayController;
  c.mode = 1;
  ReplayRoundStart();
  for (uint32_t i = 0; i < kReplayRecordLimit; ++i) c.file.AppendInput(0, {5, 0, 0});
  ReplayFrameTick();
  EXPECT_EQ(c.recordingAllowed, 1) << "exactly the limit keeps recording";
  c.file.AppendInput(0, {5, 0, 0});
  ReplayFrameTick();
  EXPECT_EQ(c.recordingAllowed, 0);
}

TEST_F(ReplayControllerTest, NothingIsRecordedOrPlayedThroughTheRoundOpening) {
  ReplayController& c = g_ReplayController;
  c.mode = 1;
  ReplayRoundStart();
  g_CommandLock = 2;
  Frame(0, 6, 0x10);
  // The live pad does not reach the character either.
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.inputButtons, 0u);
  const int32_t draws = g_RandDrawCount;
  ReplayFrameTick();
  EXPECT_EQ(g_RandDrawCount, draws);
  EXPECT_TRUE(c.file.rounds[0].streams[0].entries.empty());
  g_CommandLock = 0;
  Frame(0, 6, 0x10);
  EXPECT_EQ(c.file.rounds[0].streams[0].entries.size(), 1u);
}

// Records two rounds of one slot's input, then plays them back: the same input per frame and
// the same generator tables at each round start, recording drawing 11 values there and playback
// none.
TEST_F(ReplayControllerTest, PlaybackGivesTheRecordedInputAndGenerators) {
  ReplayController& c = g_ReplayController;
  c.mode = 1;
  std::vector<std::vector<uint8_t>> recorded(2);
  RandStream tables[2][kRandStreamCount];
  for (int round = 0; round < 2; ++round) {
    const int32_t before = g_RandDrawCount;
    ReplayRoundStart();
    EXPECT_EQ(g_RandDrawCount - before, 22) << "eleven draws, each counted twice";
    std::memcpy(tables[round], g_RandStreams, sizeof tables[round]);
    for (int f = 0; f < 30; ++f) {
      const uint8_t dir = static_cast<uint8_t>(1 + (f / 4 + round) % 9);
      Frame(0, dir, f % 7 == 0 ? 0x1010u : 0u);
      recorded[round].push_back(dir);
      ReplayFrameTick();
    }
    AdvanceReplayRound();
  }
  ASSERT_EQ(c.file.rounds.size(), 2u);
  EXPECT_EQ(c.file.rounds[0].randomLog.size(), 30u);

  c.mode = 2;
  c.file.RewindAll();
  SeedRandomGeneratorsFrom(999);  // the viewer's generators are anything
  for (int round = 0; round < 2; ++round) {
    const int32_t before = g_RandDrawCount;
    ReplayRoundStart();
    EXPECT_EQ(g_RandDrawCount, before);
    for (int s = 0; s < kRandStreamCount; ++s)
      EXPECT_EQ(std::memcmp(&tables[round][s], &g_RandStreams[s], sizeof(RandStream)), 0)
          << round << " " << s;
    for (int f = 0; f < 30; ++f) {
      Frame(0, 5, 0xFFFF);  // whatever the viewer holds
      EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, recorded[round][static_cast<size_t>(f)])
          << round << " " << f;
      ReplayFrameTick();
    }
    Frame(0, 5, 0xFFFF);
    EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 0) << "past the stream: a zero entry";
    EXPECT_EQ(AdvanceReplayRound(), round == 1 ? 1 : 0);
  }
}

TEST_F(ReplayControllerTest, ModeZeroRunsNoHook) {
  g_ReplayController.mode = 0;
  g_BattleState[BattleStateIndex::kRoundMarks] = 2;
  const int32_t draws = g_RandDrawCount;
  ReplayRoundStart();
  ReplayFrameTick();
  Frame(0, 6, 0x10);
  EXPECT_EQ(g_RandDrawCount, draws);
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 6);
  EXPECT_TRUE(g_ReplayController.file.rounds.empty());
  EXPECT_EQ(ReplayLocksLivePads(), 0);
}

TEST_F(ReplayControllerTest, RoundStartStoresAndRestoresTheStartState) {
  ReplayController& c = g_ReplayController;
  c.mode = 1;
  int32_t* marks0 = &g_BattleState[BattleStateIndex::kRoundMarks];
  marks0[0] = 1;
  marks0[2] = 2;
  g_BattleState[BattleStateIndex::kMatchPoint0] = 1;
  g_FinalRound = 255;
  g_PlayerRecords[1].obj.circuit = 321;
  ReplayRoundStart();
  marks0[0] = 0;
  marks0[2] = 0;
  g_BattleState[BattleStateIndex::kMatchPoint0] = 0;
  g_FinalRound = 0;
  g_PlayerRecords[1].obj.circuit = 0;
  // A later round's mark left in the block, as a playback that goes back a round has it.
  marks0[3] = 7;
  c.mode = 2;
  c.file.RewindAll();
  ReplayRoundStart();
  EXPECT_EQ(marks0[0], 1);
  EXPECT_EQ(marks0[2], 2);
  EXPECT_EQ(marks0[3], 0) << "marks past the count are cleared";
  EXPECT_EQ(g_BattleState[BattleStateIndex::kMatchPoint0], 1);
  EXPECT_EQ(g_FinalRound, 255);
  EXPECT_EQ(g_PlayerRecords[1].obj.circuit, 321);
  // A round beyond the loaded ones: a default state and zero entries.
  c.file.roundIndex = 5;
  ReplayRoundStart();
  EXPECT_EQ(marks0[0], 0);
  EXPECT_EQ(g_PlayerRecords[1].obj.circuit, 0);
  Frame(0, 6, 0x10);
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 0);
}

TEST_F(ReplayControllerTest, SettingsAndStageSyncBothWays) {
  ReplayController& c = g_ReplayController;
  c.mode = 1;
  g_CpuLevel = 3;
  g_DamageLevel = 1;
  g_RoundsToWin = 3;
  g_TimerSpeed = 4;
  g_MatchStage = 7;
  g_PlayerSelections[1].character = 1;
  g_PlayerSelections[1].color = 9;
  SyncReplaySettings();
  SyncReplayStageAndPlayers();
  EXPECT_EQ(c.file.header.cpuLevel, 3u);
  EXPECT_EQ(c.file.header.timerSpeed, 4u);
  EXPECT_EQ(c.file.header.stage, 7u);
  EXPECT_EQ(c.file.header.players[1].colour, 9u);
  c.mode = 2;
  g_CpuLevel = g_DamageLevel = g_RoundsToWin = 0;
  g_TimerSpeed = 0;
  g_MatchStage = 0;
  SyncReplaySettings();
  SyncReplayStageAndPlayers();
  EXPECT_EQ(g_CpuLevel, 3);
  EXPECT_EQ(g_RoundsToWin, 3);
  EXPECT_EQ(g_TimerSpeed, 4);
  EXPECT_EQ(g_MatchStage, 7);
  EXPECT_EQ(g_MatchStageByte, 7);
  // Arcade: the main side's route stage names the stage byte.
  g_GameModeFlags = MODE_ARCADE;
  g_StoryBattleRoutes[0].stageIndex = 0;
  g_StoryBattleRoutes[0].stages[0].stage = 12;
  SyncReplayStageAndPlayers();
  EXPECT_EQ(g_MatchStage, 7);
  EXPECT_EQ(g_MatchStageByte, 12);
  // The dummy's controller leaves the rules alone.
  c.dummyMode = 1;
  g_CpuLevel = 0;
  SyncReplaySettings();
  EXPECT_EQ(g_CpuLevel, 0);
}

TEST_F(ReplayControllerTest, PlaybackStartsOnlyFromAGoodHeaderWithRounds) {
  ReplayController& c = g_ReplayController;
  auto good = [] {
    ReplayFileHeader h;
    h.Init();
    h.stage = 3;
    h.players[0] = {0, 0, 1, 4};
    h.players[1] = {1, 1, 0, 2};
    return h;
  };
  const struct {
    const char* name;
    void (*spoil)(ReplayFileHeader&);
    const char* why;
  } cases[] = {
      {"stage", [](ReplayFileHeader& h) { h.stage = 100; }, "stage 100"},
      {"CPU level", [](ReplayFileHeader& h) { h.cpuLevel = 5; }, "CPU level"},
      {"damage level", [](ReplayFileHeader& h) { h.damageLevel = 9; }, "damage level"},
      {"rounds to win", [](ReplayFileHeader& h) { h.roundsToWin = 0; }, "rounds to win"},
      {"timer speed", [](ReplayFileHeader& h) { h.timerSpeed = 5; }, "timer speed"},
      {"absent character", [](ReplayFileHeader& h) { h.players[1].character = 7; }, "player 2: character 7"},
      {"colour", [](ReplayFileHeader& h) { h.players[0].colour = 300; }, "player 1"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    ReplayFileHeader h = good();
    k.spoil(h);
    std::string why;
    EXPECT_EQ(CheckReplayHeader(h, &why), 0);
    EXPECT_NE(why.find(k.why), std::string::npos) << why;
    c.file.header = h;
    c.file.rounds.resize(1);
    c.mode = 1;
    EXPECT_EQ(StartReplayPlayback(), 0);
    EXPECT_EQ(c.mode, 1u);
  }
  c.file.header = good();
  c.file.rounds.clear();
  EXPECT_EQ(StartReplayPlayback(), 0) << "a replay of no rounds";

  static int resets, entered;
  resets = entered = 0;
  g_ReplaySceneCalls.resetMatchState = [] {
    ++resets;
    g_MainSide = 0;
  };
  g_ReplaySceneCalls.enterVsScreen = [] { ++entered; };
  c.file.rounds.resize(2);
  c.file.roundIndex = 1;
  g_MainSide = 1;
  ASSERT_EQ(StartReplayPlayback(), 1);
  EXPECT_EQ(c.mode, 2u);
  EXPECT_EQ(c.file.roundIndex, 0u);
  EXPECT_EQ(g_MainSide, 1) << "the side that started the playback keeps the menus";
  EXPECT_EQ(g_GameModeFlags, MODE_VS_PLAYER);
  EXPECT_EQ(g_PlayerSelections[1].controller, 1);
  EXPECT_EQ(g_PlayerSelections[0].color, 4);
  EXPECT_EQ(g_StoryBattleRoutes[1].stageCount, 1);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(entered, 1);
}

TEST_F(ReplayControllerTest, ResetAndClearRounds) {
  ReplayController& c = g_ReplayController;
  c.mode = 2;
  c.dummyMode = 1;
  c.hold = 1;
  c.recordingAllowed = 0;
  c.file.rounds.resize(3);
  c.file.roundIndex = 2;
  c.ClearRounds();
  EXPECT_EQ(c.mode, 2u);
  EXPECT_EQ(c.dummyMode, 1u);
  EXPECT_EQ(c.hold, 0u);
  EXPECT_EQ(c.recordingAllowed, 1);
  EXPECT_TRUE(c.file.rounds.empty());
  EXPECT_EQ(c.file.roundIndex, 0u);
  c.Reset();
  EXPECT_EQ(c.mode, 0u);
  EXPECT_EQ(c.dummyMode, 0u);
}

// A dummy recording made on side 1 plays on whichever side is not the main side, in streams 0
// and 2 only, the main side keeping its pad; a missing slot plays nothing; the judged round stops
// both.
TEST_F(ReplayControllerTest, DummySlots) {
  ReplayController& c = g_ReplayController;
  g_MainSide = 0;
  c.StartDummyRecording(3);
  EXPECT_EQ(c.file.rounds.size(), 10u);
  EXPECT_EQ(ReplayLocksLivePads(), 0);
  Frame(0, 4, 0);  // the main side: not recorded, its pad stays
  Frame(1, 6, 0x10);
  Frame(3, 2, 0);  // the dummy's partner
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 4);
  const ReplayRound& slot = c.file.rounds[3];
  EXPECT_EQ(slot.streams[0].entries.size(), 1u);
  EXPECT_EQ(slot.streams[2].entries.size(), 1u);
  EXPECT_TRUE(slot.streams[1].entries.empty());
  EXPECT_TRUE(slot.streams[3].entries.empty());
  EXPECT_EQ(c.file.rounds[3].GetLength(), 1u);
  g_JudgeState = 1;
  Frame(1, 8, 0);
  EXPECT_EQ(c.file.rounds[3].streams[0].entries.size(), 1u) << "judged: nothing recorded";
  g_JudgeState = 0;

  // Played back with the main side now 1: the dummy is side 0.
  g_MainSide = 1;
  c.StartDummyPlayback(3);
  Frame(0, 5, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 6);
  Frame(1, 9, 0);
  EXPECT_EQ(g_PlayerRecords[1].obj.inputDir, 9) << "the main side keeps its pad";
  c.StartDummyPlayback(12);
  Frame(0, 5, 0);
  EXPECT_EQ(g_PlayerRecords[0].obj.inputDir, 0) << "a missing slot plays nothing";
  c.ClearRoundSlot(3);
  EXPECT_TRUE(c.file.rounds[3].streams[0].entries.empty());
}

}  // namespace
