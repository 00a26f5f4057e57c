// Whole CPU-against-CPU matches on the harness from the generated data: the duelist against
// itself and against the tester, at every CPU level and in arcade mode on the first two route
// stages, each reaching the match's judgement within a frame budget, the same over two runs, and
// another seed giving another match, and the same in another process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/cpu_ai.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"

namespace {

constexpr int kBudget = 30000;

struct CpuMatch {
  bool loaded = false;
  HarnessMatchResult result;
  uint64_t finalHash = 0;
  int picks = 0;  // frames on which side 0 started a record
};

CpuMatch RunCpuMatch(const std::string& other, const HarnessMatchRules& rules, uint32_t seed,
                     int budget = kBudget) {
  CpuMatch m;
  g_TimerSpeed = 4;
  g_BattleDrawSubmit = false;
  m.loaded = HarnessLoadMatch({"duelist", 0, 0, 1}, {other, 0, 1, 1}, false, RoundStart::kGame, seed, rules);
  if (m.loaded) {
    const HarnessScript pads = [](uint32_t, int) { return HarnessPad{}; };
    int16_t last = 0;
    m.result = HarnessRunMatch(pads, budget, [&](uint64_t hash) {
      m.finalHash = hash;
      const int16_t r = g_PlayerRecords[0].obj.aiRecord;
      if (r != 0 && r != last) ++m.picks;
      last = r;
    });
  }
  g_BattleDrawSubmit = true;
  HarnessRelease();
  return m;
}

class CpuMatchTest : public battle_test::HarnessSamplePackTest {};

struct MatchRow {
  const char* name;
  const char* other;
  HarnessMatchRules rules;
};

const MatchRow kRows[] = {
    {"duelist level 0", "duelist", {MODE_CPU_VS_CPU, 0, 0, 0}},
    {"duelist level 1", "duelist", {MODE_CPU_VS_CPU, 1, 0, 0}},
    {"duelist level 2", "duelist", {MODE_CPU_VS_CPU, 2, 0, 0}},
    {"duelist level 3", "duelist", {MODE_CPU_VS_CPU, 3, 0, 0}},
    {"duelist level 4", "duelist", {MODE_CPU_VS_CPU, 4, 0, 0}},
    {"tester level 0", "tester", {MODE_CPU_VS_CPU, 0, 0, 0}},
    {"tester level 1", "tester", {MODE_CPU_VS_CPU, 1, 0, 0}},
    {"tester level 2", "tester", {MODE_CPU_VS_CPU, 2, 0, 0}},
    {"tester level 3", "tester", {MODE_CPU_VS_CPU, 3, 0, 0}},
    {"tester level 4", "tester", {MODE_CPU_VS_CPU, 4, 0, 0}},
    {"arcade stage 0 (level -2)", "duelist", {MODE_ARCADE, 0, 0, 0}},
    {"arcade stage 1 (level -1)", "tester", {MODE_ARCADE, 0, 0, 1}},
};

TEST_F(CpuMatchTest, EveryLevelPlaysToTheJudgementTheSameTwice) {
  for (const MatchRow& row : kRows) {
    const CpuMatch a = RunCpuMatch(row.other, row.rules, 1);
    ASSERT_TRUE(a.loaded) << row.name;
    const CpuMatch b = RunCpuMatch(row.other, row.rules, 1);
    std::printf("%s: %d frames, %d rounds, ending %d, %d picks, hash %016llx\n", row.name, a.result.frames,
                a.result.rounds, a.result.ending, a.picks, static_cast<unsigned long long>(a.finalHash));
    EXPECT_NE(a.result.ending, 0) << row.name << ": no judgement within " << kBudget << " frames";
    EXPECT_GE(a.result.rounds, 2) << row.name;
    EXPECT_GT(a.picks, 10) << row.name;
    EXPECT_EQ(a.result.frames, b.result.frames) << row.name;
    EXPECT_EQ(a.finalHash, b.finalHash) << row.name;
  }
}

// One match recorded: the duelist against the tester at level 2 ends at the same frame with the
// same hash in every build (-O0 with sanitizers, optimised) and on every machine. It changes, on
// purpose, whenever the AI, the reflexes, the pattern files or the engine's rules change: record
// the new values with the reason.
TEST_F(CpuMatchTest, MatchesTheRecordedRun) {
  const CpuMatch m = RunCpuMatch("tester", {MODE_CPU_VS_CPU, 2, 0, 0}, 1);
  ASSERT_TRUE(m.loaded);
  std::printf("recorded cpu match: %d frames, hash %016llx\n", m.result.frames,
              static_cast<unsigned long long>(m.finalHash));
  EXPECT_EQ(m.result.frames, 5633);
  EXPECT_EQ(m.finalHash, 0xed8c0d4e547b5c66ull);
}

// The final hash of every row, as the child process writes them and the parent compares.
std::vector<uint64_t> FinalHashes() {
  std::vector<uint64_t> out;
  for (const MatchRow& row : kRows) out.push_back(RunCpuMatch(row.other, row.rules, 1).finalHash);
  return out;
}

TEST_F(CpuMatchTest, WriteHashesForAnotherProcess) {
  const char* out = std::getenv("VT_CPU_MATCH_OUT");
  if (!out) GTEST_SKIP() << "only run as the child of CrossProcess";
  std::ofstream f(out);
  for (uint64_t h : FinalHashes()) f << std::hex << h << "\n";
}

TEST_F(CpuMatchTest, CrossProcess) {
  const std::vector<uint64_t> child =
      battle_test::HashesFromAnotherProcess("CpuMatchTest.WriteHashesForAnotherProcess", "VT_CPU_MATCH_OUT");
  EXPECT_EQ(child, FinalHashes());
}

// The generated files: the duelist's by its type's name, the tester's by the fallback name, its
// pack copy (guard rate 40) read before the loose file (30).
TEST_F(CpuMatchTest, SampleFilesLoadThePackCopyFirst) {
  std::ifstream loose("data/tester.cpf", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(loose)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.size(), kCpuPatternFileSize);
  CpuPatternFile file;
  ReadCpuPatternFile(bytes, &file);
  EXPECT_EQ(file.guardRate, 30);
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0, 1}, {"tester", 0, 1, 1}, false, RoundStart::kFightersFree, 1,
                               {MODE_CPU_VS_CPU, 3, 0, 0}));
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 50);
  EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 40);
  EXPECT_EQ(g_CpuPatternSlots[2], CpuPatternFile{});
  // Every duelist record can be drawn; the level-3 one is kept for level 3 and up.
  int records = 0;
  for (const CpuPatternRecord& r : g_CpuPatternSlots[0].records) {
    if (r.weight == 0) continue;
    ++records;
    EXPECT_GT(r.chance, 0);
  }
  EXPECT_EQ(records, 11);
  EXPECT_EQ(g_CpuPatternSlots[0].records[11].minLevel, 3);
  HarnessRelease();
}

// Training: the player's side 0 against the CPU dummy on side 1, the dummy on the duelist's own
// file. With ENEMY STATUS "CPU" the dummy plays its records and leaves its standing pattern;
// with "STAND" it still picks them but presses nothing (a running step's held direction and a
// command step still act, as the step tick and the command step do in every mode).
TEST_F(CpuMatchTest, TrainingDummyFollowsTheEnemyStatus) {
  static int enemyStatus;
  for (const int status : {3, 0}) {
    enemyStatus = status;
    g_TimerSpeed = 0;
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0, 0}, {"duelist", 0, 1, 1}, false, RoundStart::kFightersFree,
                                 1, {MODE_TRAINING, 4, 0, 0}));
    g_BattleSeams.TrainingSetting = [](int entry) { return entry == 0 ? enemyStatus : 0; };
    const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
    int picked = 0, pressed = 0, acted = 0;
    for (int f = 0; f < 600; ++f) {
      HarnessRunFrame(idle);
      picked += g_PlayerRecords[1].obj.aiRecord != 0;
      pressed += (g_PlayerRecords[1].obj.inputButtons & 0x3F) != 0;
      acted += g_PlayerRecords[1].obj.pattern != 0;
    }
    EXPECT_GT(picked, 0) << status;
    if (status == 3) {
      EXPECT_GT(acted, 0);
    } else {
      EXPECT_EQ(pressed, 0);
    }
    HarnessRelease();
  }
}

TEST_F(CpuMatchTest, AnotherSeedGivesAnotherMatch) {
  const HarnessMatchRules rules{MODE_CPU_VS_CPU, 3, 0, 0};
  const CpuMatch a = RunCpuMatch("duelist", rules, 1, 3000);
  const CpuMatch c = RunCpuMatch("duelist", rules, 2, 3000);
  ASSERT_TRUE(a.loaded && c.loaded);
  EXPECT_NE(a.finalHash, c.finalHash);
}

}  // namespace
