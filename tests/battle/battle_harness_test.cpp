// Determinism: the headless harness runs the two sample characters from scripted input and
// the per-frame state hashes agree across runs, across a threaded and a direct load, and
// across processes.
#include "battle/battle_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/battle_records.h"
#include "battle/battle_rules.h"
#include "battle/battle_seams.h"
#include "battle/round_flow.h"
#include "support/test_util.h"

namespace {

constexpr int kFrames = 3600;

class BattleHarness : public battle_test::HarnessSampleTest {};

int g_MaxLive = 0;

std::vector<uint64_t> RunMatch(bool thread, uint32_t seed, int frames) {
  if (!HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, thread, RoundStart::kFightersFree)) return {};
  const HarnessScript script = HarnessDefaultScript(seed);
  std::vector<uint64_t> hashes;
  hashes.reserve(static_cast<size_t>(frames));
  g_MaxLive = 0;
  for (int i = 0; i < frames; ++i) {
    hashes.push_back(HarnessRunFrame(script));
    int live = 0;
    for (const ObjectPoolSlot& s : g_ObjectPool) live += s.inUse;
    g_MaxLive = std::max(g_MaxLive, live);
  }
  return hashes;
}

TEST_F(BattleHarness, TwoRunsAgreeFrameByFrame) {
  const std::vector<uint64_t> a = RunMatch(true, 7, kFrames);
  ASSERT_EQ(a.size(), static_cast<size_t>(kFrames));
  // The battle moves: the second character walks and the orb special spawns.
  EXPECT_GE(g_MaxLive, 1);
  EXPECT_NE(g_PlayerRecords[1].obj.posX, 128 * 128);
  const int32_t x1 = g_PlayerRecords[1].obj.posX;
  HarnessRelease();
  const std::vector<uint64_t> b = RunMatch(false, 7, kFrames);
  ASSERT_EQ(b.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "frame " << i;
  EXPECT_EQ(g_PlayerRecords[1].obj.posX, x1);
  size_t distinct = 0;
  for (size_t i = 1; i < a.size(); ++i) distinct += a[i] != a[i - 1];
  EXPECT_GT(distinct, a.size() / 2);
  // A different script gives a different battle.
  HarnessRelease();
  const std::vector<uint64_t> c = RunMatch(false, 8, 600);
  EXPECT_NE(c.back(), a[599]);
}

// Run by the test below in a second process: writes the hashes to the named file.
TEST_F(BattleHarness, WriteHashesForAnotherProcess) {
  const char* out = std::getenv("VT_HARNESS_OUT");
  if (!out) GTEST_SKIP() << "only run as the child of CrossProcess";
  std::ofstream f(out);
  for (uint64_t h : RunMatch(false, 7, kFrames)) f << std::hex << h << "\n";
}

TEST_F(BattleHarness, CrossProcess) {
  const std::vector<uint64_t> child =
      battle_test::HashesFromAnotherProcess("BattleHarness.WriteHashesForAnotherProcess", "VT_HARNESS_OUT");
  const std::vector<uint64_t> mine = RunMatch(true, 7, kFrames);
  ASSERT_EQ(child.size(), mine.size());
  for (size_t i = 0; i < mine.size(); ++i) ASSERT_EQ(child[i], mine[i]) << "frame " << i;
}

}  // namespace

namespace {
// The last hash of the recorded run, the same from every build (-O0 with sanitizers, -O2) and
// machine. It changes, on purpose, whenever the engine's rules change: record the new value.
// Both sides play the battle sample character, whose data this run records.
TEST_F(BattleHarness, MatchesTheRecordedRun) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const HarnessScript script = HarnessDefaultScript(11);
  uint64_t last = 0;
  for (int i = 0; i < kFrames; ++i) last = HarnessRunFrame(script);
  std::printf("recorded run: %016llx\n", static_cast<unsigned long long>(last));
  EXPECT_EQ(last, 0xe9c4961b96197a1full);
}

// The match driver, with a stand-in judgement that ends each round after 30 judged frames:
// a finished round (255) starts the next one through the round step, any other ending stops
// the match, and so does the frame budget.
int g_JudgedFrames = 0;
int g_FightTimeAtRoundStart[9];

void InstallRoundEnder() {
  g_JudgedFrames = 0;
  for (int& t : g_FightTimeAtRoundStart) t = -1;
  g_BattleSeams.JudgeRound = [] {
    if (g_JudgedFrames == 0) g_FightTimeAtRoundStart[g_RoundCounter] = g_FightTime;
    if (++g_JudgedFrames < 30) return;
    g_JudgedFrames = 0;
    g_RoundRestart = g_RoundCounter < 2 ? 255 : 2;
  };
}

TEST_F(BattleHarness, MatchDriverRunsRoundsUntilTheMatchEnds) {
  std::vector<uint64_t> runs[2];
  for (std::vector<uint64_t>& hashes : runs) {
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
    InstallRoundEnder();
    const HarnessMatchResult r =
        HarnessRunMatch(HarnessDefaultScript(3), 1000, [&hashes](uint64_t h) { hashes.push_back(h); });
    EXPECT_EQ(r.frames, 90);
    EXPECT_EQ(r.rounds, 3);
    EXPECT_EQ(r.ending, 2);
    EXPECT_EQ(g_RoundCounter, 2);
    EXPECT_EQ(g_RoundRestart, 2);
    // Each round started afresh: its fight time counted from 0 (one tick before the judge).
    for (int round = 0; round < 3; ++round) EXPECT_EQ(g_FightTimeAtRoundStart[round], 1) << round;
    // The fighters-free start holds for every round.
    EXPECT_EQ(g_CommandLock, 0);
    EXPECT_EQ(g_BattlePhase, 255);
    HarnessRelease();
  }
  ASSERT_EQ(runs[0].size(), 90u);
  EXPECT_EQ(runs[0], runs[1]);
}

TEST_F(BattleHarness, MatchDriverStopsAtTheFrameBudget) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  InstallRoundEnder();
  const HarnessMatchResult r = HarnessRunMatch(HarnessDefaultScript(3), 50);
  EXPECT_EQ(r.frames, 50);
  EXPECT_EQ(r.rounds, 2);
  EXPECT_EQ(r.ending, 0);
  EXPECT_EQ(g_RoundCounter, 1);
}

// The game's start: the round set-up holds the fighters (lock 2, phase 0) for the round flow to
// release; the fighters stand at their start positions with full life.
TEST_F(BattleHarness, GameStartHoldsTheFightersForTheRoundFlow) {
  g_TimerSpeed = 2;
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame));
  EXPECT_EQ(g_CommandLock, 2);
  EXPECT_EQ(g_BattlePhase, 0);
  EXPECT_EQ(g_RoundTimer, 4752);
  EXPECT_EQ(g_RoundCounter, 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(g_PlayerRecords[i].obj.life, kMaxLife) << i;
    EXPECT_EQ(g_PlayerRecords[i].obj.circuit, 10000) << i;
  }
}

// The scripted pads take the game's input path: raw port states through the battle maps, the
// banks' press and release bits, and the battle's pad read (mirrored for a side facing left).
TEST(HarnessPads, ScriptedPadsReachTheBattleThroughTheJoystickBanks) {
  CAppJoystick* previous = g_AppJoystick;
  StartAppJoystick();
  g_AppJoystick->ClearAll();
  ResetBattleSeams();
  InstallBattleRules();
  BattleObject o[2];
  for (int side = 0; side < 2; ++side) {
    o[side].side = static_cast<uint8_t>(side);
    o[side].facing = static_cast<uint8_t>(side);  // side 1 faces left
  }
  const struct {
    HarnessPad pads[2];
    uint8_t dir[2];
    uint32_t buttons[2], released[2];
  } frames[] = {
      // A pressed; B and C pressed, forward on screen is back for the side facing left
      {{{6, 0x1}, {6, 0x6}}, {6, 4}, {0x1001, 0x6006}, {0, 0}},
      // A still held (no press); side 1 lets go
      {{{6, 0x1}, {0, 0}}, {6, 0}, {0x1000, 0}, {0, 0x6}},
      // A released, E pressed; down-forward seen from the left side
      {{{3, 0x10}, {3, 0}}, {3, 1}, {0x10010, 0}, {0x1, 0}},
  };
  int n = 0;
  for (const auto& f : frames) {
    HarnessFeedPads(f.pads);
    for (int side = 0; side < 2; ++side) {
      BattleSeamReadBattlePad(&o[side]);
      EXPECT_EQ(o[side].inputDir, f.dir[side]) << "frame " << n << " side " << side;
      EXPECT_EQ(o[side].inputButtons, f.buttons[side]) << "frame " << n << " side " << side;
      EXPECT_EQ(o[side].inputReleased, f.released[side]) << "frame " << n << " side " << side;
    }
    ++n;
  }
  ResetBattleSeams();
  g_AppJoystick = previous;
}

}  // namespace
