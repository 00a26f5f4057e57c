// Whole battles on the scene harness: the match driver loads two selections and a stage as the
// VS screen will, then the game's logic frame runs the battle scene through the dispatcher with
// scripted pads on the fake input device until the battle routes the game on. Versus matches to
// two round wins (timer speed 4) with rounds won by knock-out and on time and a drawn round end on
// the winner demo with the judge's results in place, and two runs give the same per-frame scene,
// battle and stage reports.
#include "scene/match_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "scene/match_fixture.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

namespace {

using match_test::kBudget;
using match_test::kDuelist;
using match_test::MatchRun;
using match_test::RoundEnd;

// Round 1: both stand until the clock runs out on equal life (a draw, which marks a round for
// both sides). Round 2: side 0 attacks until a knock-out. The pads stay neutral while the
// fighters are held or the round is decided.
HarnessScript DrawThenKnockOut() {
  return [](uint32_t frame, int side) {
    HarnessPad pad;
    if (g_CommandLock != 0 || g_JudgeState != 0 || g_BattlePhase != 255) return pad;
    if (g_RoundCounter == 0 || side == 1) return pad;
    const int64_t dx = int64_t{g_PlayerRecords[1].obj.posX} - g_PlayerRecords[0].obj.posX;
    if (dx > 64 * 128 || dx < -64 * 128)
      pad.dir = dx > 0 ? 6 : 4;
    else if (frame % 24 < 2)
      pad.buttons = 0x4;
    return pad;
  };
}

class MatchDriver : public match_test::DrivenMatchTest {};

// The battle engine's scripted match through the scene keeps its round winners: a knock-out by
// side 0, a time over won on life by side 1, a knock-out by side 1; the match is decided (the
// judge's 1, route 8) and the winner demo follows with the judge's results in place.
TEST_F(MatchDriver, ScriptedMatchRoutesToTheWinnerDemo) {
  const MatchRun run = RunMatch(HarnessScriptedMatch());
  ASSERT_FALSE(run.frames.empty());
  // The first frame entered the scene (its initialisation cleared the flag); the last one left
  // for the winner demo, which enters on the next frame.
  EXPECT_EQ(run.frames.front().sceneId, SCENE_BATTLE);
  EXPECT_EQ(run.frames.front().enter, 0);
  EXPECT_EQ(run.frames.back().sceneId, SCENE_WINNER_DEMO);
  EXPECT_EQ(run.frames.back().enter, 1);
  EXPECT_EQ(run.result.nextScene, SCENE_WINNER_DEMO);
  EXPECT_EQ(run.result.ending, 1) << "decided";
  EXPECT_EQ(run.result.route, 8);
  EXPECT_EQ(run.mode, MODE_VS_PLAYER);
  EXPECT_EQ(run.roundsToWin, 2);
  EXPECT_EQ(run.timerSpeed, 4);
  ASSERT_EQ(run.rounds.size(), 3u);
  const RoundEnd expected[3] = {{0, 0}, {1, 2}, {1, 0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(run.rounds[i].winner, expected[i].winner) << "round " << i;
    EXPECT_EQ(run.rounds[i].kind, expected[i].kind) << "round " << i;
  }
  // What the winner demo reads.
  EXPECT_EQ(run.matchWinner, 1);
  EXPECT_EQ(run.winnerCharacter, kDuelist);
  EXPECT_EQ(run.loserCharacter, kDuelist);
  EXPECT_EQ(run.mainSideLost, 1);
  // The time-over round at speed 4 lasts at least its 99 x 27 frames.
  EXPECT_GT(run.result.frames, 2673);
}

// A drawn round on time marks a round for both sides; the knock-out that follows wins side 0
// the match.
TEST_F(MatchDriver, DrawnRoundThenKnockOut) {
  const MatchRun run = RunMatch(DrawThenKnockOut());
  ASSERT_EQ(run.rounds.size(), 2u);
  EXPECT_EQ(run.rounds[0].winner, 255);
  EXPECT_EQ(run.rounds[0].kind, 2);
  EXPECT_EQ(run.rounds[1].winner, 0);
  EXPECT_EQ(run.rounds[1].kind, 0);
  EXPECT_EQ(run.result.nextScene, SCENE_WINNER_DEMO);
  EXPECT_EQ(run.matchWinner, 0);
  EXPECT_EQ(run.mainSideLost, 0);
}

TEST_F(MatchDriver, TwoRunsGiveTheSameHashes) {
  const MatchRun a = RunMatch(HarnessScriptedMatch());
  const MatchRun b = RunMatch(HarnessScriptedMatch());
  ExpectSameFrames(a, b);
  // The stage animates: its hash moves during the match.
  EXPECT_NE(a.frames[10].stageHash, a.frames[500].stageHash);
}

// The CPU opponent through the scene: versus CPU (the scripted player on side 0 against the CPU on
// side 1) and CPU against CPU (both sides the CPU's, the pads untouched) play to the judge's end
// and route on as the judge's result and the mode give; each the same frame by frame twice.
struct CpuRow {
  const char* name;
  void (*starter)(int side);
  uint8_t controllers[2];
  int character1;
};
const CpuRow kCpuRows[] = {
    {"versus CPU", StartVsCpu, {0, 1}, kDuelist},
    {"CPU against CPU", StartCpuVsCpu, {1, 1}, match_test::kTester},
};

TEST_F(MatchDriver, CpuMatchesPlayToTheJudgementTheSameTwice) {
  for (const CpuRow& row : kCpuRows) {
    SCOPED_TRACE(row.name);
    DrivenMatchSetup setup = VersusSetup(kDuelist, row.character1);
    setup.starter = row.starter;
    for (int i = 0; i < 2; ++i) setup.sides[i].controller = row.controllers[i];
    const MatchRun a = RunMatch(HarnessScriptedMatch(), setup);
    const MatchRun b = RunMatch(HarnessScriptedMatch(), setup);
    std::printf("%s: %d frames, %zu rounds, ending %d, route %d, winner %d\n", row.name, a.result.frames,
                a.rounds.size(), a.result.ending, a.result.route, a.matchWinner);
    ASSERT_NE(a.result.nextScene, 0) << "the match ended within the budget";
    EXPECT_EQ(a.mode, row.starter == StartVsCpu ? MODE_VS_CPU : MODE_CPU_VS_CPU);
    EXPECT_GE(a.rounds.size(), 2u);
    // A decided match (the judge's 1) takes route 8 to the winner demo in every versus mode; a
    // drawn one (2) of a recorded match route 7, to the winner demo too.
    EXPECT_TRUE(a.result.ending == 1 || a.result.ending == 2) << int{a.result.ending};
    EXPECT_EQ(a.result.route, a.result.ending == 1 ? 8 : 7);
    EXPECT_EQ(a.result.nextScene, SCENE_WINNER_DEMO);
    ExpectSameFrames(a, b);
  }
}

// The stage-animation option only changes what the stage draw changes: with the background still
// ("STAGE ANIMATION OFF", stored 1) the battle runs frame for frame as with it animating, once the
// hash leaves out the fields the stage draw moves (its random stream and screen word); with them
// the hashes part, and the stage's own hash parts.
TEST_F(MatchDriver, StageAnimationOptionLeavesTheBattleAlone) {
  struct Flip {
    MatchRun run;
    std::vector<uint64_t> withoutStageDraw;
  };
  Flip flips[2];
  for (int option = 0; option < 2; ++option) {
    config_.StageAnimation = option;
    match_test::RunOptions o;
    o.afterFrame = [&](int, const DrivenFrame&) {
      flips[option].withoutStageDraw.push_back(BattleStateHashWithout(kHashStageDraw));
    };
    flips[option].run = RunMatch(HarnessScriptedMatch(), VersusSetup(), o);
  }
  const Flip& on = flips[0];
  const Flip& off = flips[1];
  ASSERT_EQ(on.withoutStageDraw.size(), off.withoutStageDraw.size());
  ASSERT_FALSE(on.withoutStageDraw.empty());
  int battleParted = 0, stageParted = 0;
  for (size_t i = 0; i < on.withoutStageDraw.size(); ++i) {
    ASSERT_EQ(on.withoutStageDraw[i], off.withoutStageDraw[i]) << "frame " << i;
    battleParted += on.run.frames[i].battleHash != off.run.frames[i].battleHash;
    stageParted += on.run.frames[i].stageHash != off.run.frames[i].stageHash;
  }
  EXPECT_GT(battleParted, 0) << "the stage draw's fields are in the whole hash";
  EXPECT_GT(stageParted, 0);
  EXPECT_EQ(on.run.rounds.size(), off.run.rounds.size());
}

// The last battle and stage hashes of the scripted match through the scene, the same from every
// build (-O0 with sanitizers, -O2) and machine. They change, on purpose, whenever the rules of the
// battle, the scene or the stage change (the HUD's and the calls' state joining the hash among
// them): record the new values then.
constexpr uint64_t kRecordedBattleHash = 0x3f4b780d7ed6ec52;
constexpr uint64_t kRecordedStageHash = 0x41650ca2aa1f0508;

// The battle scene goes through the scene process's common step: when the direct connection
// fails mid-fight, the game goes to the network menu and that frame's battle does not run.
TEST_F(MatchDriver, AFailedDirectConnectionLeavesTheBattleForTheNetworkMenu) {
  static int latchCleared;
  latchCleared = 0;
  match_test::RunOptions options;
  options.afterFrame = [](int frame, const DrivenFrame&) {
    if (frame != 400) return;
    GetDirectNetHooks().updateConnection = [] { return 0; };
    GetDirectNetHooks().clearFailureLatch = [] { ++latchCleared; };
  };
  const MatchRun run = RunMatch(HarnessScriptedMatch(), VersusSetup(), options);
  ResetDirectNetHooks();
  ASSERT_EQ(run.frames.size(), 402u);
  const DrivenFrame& last = run.frames.back();
  EXPECT_EQ(last.sceneId, SCENE_NETWORK_MENU);
  EXPECT_EQ(last.enter, 1);
  EXPECT_EQ(last.battleHash, run.frames[400].battleHash) << "the failing frame's battle ran";
  EXPECT_EQ(latchCleared, 1);
}

TEST_F(MatchDriver, MatchesTheRecordedRun) {
  const MatchRun run = RunMatch(HarnessScriptedMatch());
  ASSERT_FALSE(run.frames.empty());
  std::printf("recorded run: %016llx %016llx\n",
              static_cast<unsigned long long>(run.frames.back().battleHash),
              static_cast<unsigned long long>(run.frames.back().stageHash));
  EXPECT_EQ(run.frames.back().battleHash, kRecordedBattleHash);
  EXPECT_EQ(run.frames.back().stageHash, kRecordedStageHash);
}

}  // namespace
