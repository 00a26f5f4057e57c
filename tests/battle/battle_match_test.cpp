// The scripted three-round match: the duelist fights itself from scripted pads only, as the game
// starts rounds (intros, round call, fight call), at timer speed 4. Round 1 ends in a knock-out
// by side 0, round 2 in a time over won on life by side 1, round 3 in a knock-out by side 1 that
// ends the match 2-1. The per-frame state hashes agree across runs and processes and match the
// recorded ones, which every build (-O0 with sanitizers, optimised) checks.
#include <gtest/gtest.h>
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"

namespace {

constexpr int kBudget = 12000;

// What a round left when its judgement finished.
struct RoundEnd {
  int frame = 0;  // frames run since the match started, this one included
  uint8_t winner = 0;
  int32_t kind = 0;
  int32_t outcome = 0;
  uint8_t restart = 0;
  std::array<int32_t, 12> marks[2] = {};
  int32_t life[2] = {};
  std::vector<int> judgeStates;  // the judge's states in order, without repeats
};

struct MatchRun {
  HarnessMatchResult result;
  std::vector<uint64_t> hashes;
  std::vector<RoundEnd> rounds;
};

// The scripted match; `script` replaces the harness's match script when given.
MatchRun RunScriptedMatch(uint32_t seed, int budget = kBudget, HarnessScript script = {}) {
  MatchRun run;
  g_TimerSpeed = 4;
  // Headless: the drawing half makes its state changes and queues nothing (no device takes the
  // lists here); the GL test renders the same match and finds the same hashes.
  g_BattleDrawSubmit = false;
  const bool loaded = HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame, seed);
  if (!loaded) {
    g_BattleDrawSubmit = true;
    return run;
  }
  std::vector<int> states;
  if (!script) script = HarnessScriptedMatch();
  run.result = HarnessRunMatch(script, budget, [&](uint64_t hash) {
    run.hashes.push_back(hash);
    if (states.empty() || states.back() != g_JudgeState) states.push_back(g_JudgeState);
    if (g_RoundRestart == 0) return;
    RoundEnd e;
    e.frame = static_cast<int>(run.hashes.size());
    e.winner = g_RoundWinner;
    e.kind = g_RoundResultKind;
    e.outcome = g_MatchOutcome;
    e.restart = g_RoundRestart;
    for (int s = 0; s < 2; ++s) {
      for (int i = 0; i < 12; ++i)
        e.marks[s][static_cast<size_t>(i)] = g_BattleState[BattleStateIndex::kRoundMarks + 12 * s + i];
      e.life[s] = g_PlayerRecords[s].obj.life;
    }
    e.judgeStates = std::move(states);
    states.clear();
    run.rounds.push_back(std::move(e));
  });
  g_BattleDrawSubmit = true;
  return run;
}

uint64_t Digest(const std::vector<uint64_t>& hashes) {
  return XXH3_64bits(hashes.data(), hashes.size() * sizeof(uint64_t));
}

class BattleMatch : public battle_test::HarnessSampleTest {};

// Marks of a side: rounds won, rounds needed, then the kind of each won round.
std::array<int32_t, 12> Marks(int won, std::vector<int32_t> kinds) {
  std::array<int32_t, 12> m{};
  m[0] = won;
  m[1] = 2;
  for (size_t i = 0; i < kinds.size(); ++i) m[2 + i] = kinds[i];
  return m;
}

TEST_F(BattleMatch, ThreeScriptedRoundsEndTwoToOne) {
  const MatchRun run = RunScriptedMatch(1);
  HarnessRelease();
  // A second run in the same process agrees frame by frame.
  const MatchRun again = RunScriptedMatch(1);
  ASSERT_EQ(again.hashes.size(), run.hashes.size());
  for (size_t i = 0; i < run.hashes.size(); ++i) ASSERT_EQ(again.hashes[i], run.hashes[i]) << "frame " << i;
  for (size_t i = 0; i < run.rounds.size(); ++i)
    std::printf("round %zu: ends at frame %d, winner %d, kind %d, life %d %d\n", i + 1, run.rounds[i].frame,
                run.rounds[i].winner, run.rounds[i].kind, run.rounds[i].life[0], run.rounds[i].life[1]);
  ASSERT_EQ(run.rounds.size(), 3u) << "the match ran " << run.result.frames << " frames, judge state "
                                   << int{g_JudgeState} << ", phase " << g_BattlePhase;
  const struct {
    uint8_t winner;
    int32_t kind, outcome;
    uint8_t restart;
    std::array<int32_t, 12> marks[2];
  } expected[] = {
      {0, 0, 255, 255, {Marks(1, {0}), Marks(0, {})}},
      {1, 2, 255, 255, {Marks(1, {0}), Marks(1, {2})}},
      {1, 0, 1, 1, {Marks(1, {0}), Marks(2, {2, 0})}},
  };
  for (size_t i = 0; i < 3; ++i) {
    const RoundEnd& e = run.rounds[i];
    SCOPED_TRACE("round " + std::to_string(i + 1));
    EXPECT_EQ(e.winner, expected[i].winner);
    EXPECT_EQ(e.kind, expected[i].kind);
    EXPECT_EQ(e.outcome, expected[i].outcome);
    EXPECT_EQ(e.restart, expected[i].restart);
    for (int s = 0; s < 2; ++s) EXPECT_EQ(e.marks[s], expected[i].marks[s]) << "side " << s;
  }
  // Knock-outs leave the loser without life; the time over leaves both standing, side 1 ahead.
  EXPECT_EQ(run.rounds[0].life[1], 0);
  EXPECT_GT(run.rounds[0].life[0], 0);
  EXPECT_GT(run.rounds[1].life[0], 0);
  EXPECT_GT(run.rounds[1].life[1], run.rounds[1].life[0]);
  EXPECT_EQ(run.rounds[2].life[0], 0);
  // The judge's paths: a knock-out settles and poses the winner; the time over pauses, then
  // poses the winner and the loser in turn.
  const std::vector<int> knockOut = {0, 199, 2, 4, 250, 251, 252, 253, 255};
  const std::vector<int> timeOver = {0, 199, 250, 99, 100, 101, 105, 120, 251, 252, 253, 255};
  EXPECT_EQ(run.rounds[0].judgeStates, knockOut);
  EXPECT_EQ(run.rounds[1].judgeStates, timeOver);
  // The last round's judgement ends the match (200) instead of asking for the next round.
  std::vector<int> lastRound = knockOut;
  lastRound.push_back(200);
  EXPECT_EQ(run.rounds[2].judgeStates, lastRound);
  // The match: won by side 1, ended by the last round's judgement.
  EXPECT_EQ(run.result.rounds, 3);
  EXPECT_EQ(run.result.ending, 1);
  EXPECT_EQ(g_RoundRestart, 1);
  EXPECT_EQ(g_MatchOutcome, 1);
  EXPECT_EQ(g_MatchWinnerSide, 1);
  EXPECT_EQ(run.result.frames, run.rounds[2].frame);
  // The recorded match, the same from every build (-O0 with sanitizers, optimised) and machine:
  // the frame each round's judgement finished, the last state hash and the digest of all of
  // them. They change, on purpose, whenever the engine's rules or the sample data change:
  // record the new values.
  ASSERT_FALSE(run.hashes.empty());
  std::printf("match: %d frames; final hash %016llx, digest %016llx\n", run.result.frames,
              static_cast<unsigned long long>(run.hashes.back()),
              static_cast<unsigned long long>(Digest(run.hashes)));
  EXPECT_EQ(run.rounds[0].frame, 2112);
  EXPECT_EQ(run.rounds[1].frame, 5659);
  EXPECT_EQ(run.rounds[2].frame, 7753);
  EXPECT_EQ(run.hashes.back(), 0xa741d9909f232bbaull);
  EXPECT_EQ(Digest(run.hashes), 0x1a98e897e666a28full);
}

TEST_F(BattleMatch, AnotherSeedGivesOtherHashes) {
  // The random streams are live in the match (the particles' draws): another seed gives other
  // hashes over the same pads, through the first round's intros, calls and fight.
  constexpr int kFrames = 1500;
  const MatchRun a = RunScriptedMatch(1, kFrames);
  HarnessRelease();
  const MatchRun c = RunScriptedMatch(2, kFrames);
  ASSERT_EQ(a.hashes.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(c.hashes.size(), a.hashes.size());
  size_t differ = 0;
  for (size_t i = 0; i < a.hashes.size(); ++i) differ += a.hashes[i] != c.hashes[i];
  EXPECT_GT(differ, a.hashes.size() / 2);
}

// The round start's screen break-up plays out: the round flow raises it by 0.025 on every
// unpaused step, so it is whole after 41 frames, queues no sprite afterwards and starts again
// with the next round. Pausing holds it.
TEST_F(BattleMatch, ScreenBreakUpEndsAfterFortyOneSteps) {
  g_TimerSpeed = 4;
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame));
  const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
  EXPECT_EQ(ScreenBreakProgress(), 0.0f);
  g_Paused = 1;
  ResetDrawList(&g_MainDrawList);
  HarnessRunFrame(idle);
  EXPECT_EQ(ScreenBreakProgress(), 0.0f);
  EXPECT_GE(g_MainDrawList.quadCount, kScreenBreakCellCount);  // drawn while paused, not raised
  g_Paused = 0;
  int steps = 0;
  while (ScreenBreakProgress() < 1.0f && steps < 100) {
    HarnessRunFrame(idle);
    ++steps;
  }
  EXPECT_EQ(steps, 41);
  EXPECT_EQ(ScreenBreakProgress(), 1.0f);
  ResetDrawList(&g_MainDrawList);
  HarnessRunFrame(idle);
  EXPECT_LT(g_MainDrawList.quadCount, kScreenBreakCellCount);  // the fighters' draws only
  EXPECT_EQ(ScreenBreakProgress(), 1.0f);
  ResetDrawList(&g_MainDrawList);
}

// Nothing locks a standing fighter once the round is decided: after the time over both still
// act on their pads. Players who press B through every ending (as they would to skip it) keep
// starting attacks, so the time over's poses never find both fighters back in pattern 0; the
// capped pose wait ends the round all the same, and the match still ends 2-1.
TEST_F(BattleMatch, PressesThroughTheEndingsCannotHoldTheMatch) {
  const HarnessScript plain = HarnessScriptedMatch();
  const HarnessScript pressing = [plain](uint32_t frame, int side) {
    HarnessPad pad = plain(frame, side);
    if (g_JudgeState != 0 && frame % 3 == 0) pad.buttons |= 0x2;
    return pad;
  };
  const MatchRun run = RunScriptedMatch(1, kBudget, pressing);
  ASSERT_EQ(run.rounds.size(), 3u);
  EXPECT_EQ(run.result.ending, 1);
  EXPECT_EQ(g_MatchWinnerSide, 1);
  const uint8_t winners[3] = {0, 1, 1};
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(run.rounds[i].winner, winners[i]) << "round " << i + 1;
  // The time over's judgement waited out the cap on its last poses (the pressing fighters
  // never settled): the round runs over 600 frames longer than the plain one (3505 frames), whose
  // judgement takes 566 frames from the time over to its end.
  std::printf("pressing: rounds end at frames %d, %d, %d\n", run.rounds[0].frame, run.rounds[1].frame,
              run.rounds[2].frame);
  const std::vector<int>& states = run.rounds[1].judgeStates;
  EXPECT_NE(std::find(states.begin(), states.end(), 120), states.end());
  EXPECT_GT(run.rounds[1].frame - run.rounds[0].frame, 3505 + kMaxRoundWaitFrames - 600);
}

// Run by the test below in a second process: writes the match's hashes to the named file.
TEST_F(BattleMatch, WriteHashesForAnotherProcess) {
  const char* out = std::getenv("VT_MATCH_OUT");
  if (!out) GTEST_SKIP() << "only run as the child of CrossProcess";
  std::ofstream f(out);
  for (uint64_t h : RunScriptedMatch(1).hashes) f << std::hex << h << "\n";
}

TEST_F(BattleMatch, CrossProcess) {
  const std::vector<uint64_t> child =
      battle_test::HashesFromAnotherProcess("BattleMatch.WriteHashesForAnotherProcess", "VT_MATCH_OUT");
  const std::vector<uint64_t> mine = RunScriptedMatch(1).hashes;
  ASSERT_FALSE(mine.empty());
  ASSERT_EQ(child.size(), mine.size());
  for (size_t i = 0; i < mine.size(); ++i) ASSERT_EQ(child[i], mine[i]) << "frame " << i;
}

}  // namespace
