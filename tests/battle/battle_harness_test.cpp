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

#include "app/lib_debug.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "support/test_util.h"

namespace {

constexpr int kFrames = 3600;

class BattleHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "data", "data",
                          std::filesystem::copy_options::recursive);
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    HarnessRelease();
    vt::SetDebugQuiet(false);
  }
};

int g_MaxLive = 0;

std::vector<uint64_t> RunMatch(bool thread, uint32_t seed, int frames) {
  if (!HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, thread)) return {};
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
  const std::string file = (std::filesystem::current_path() / "child_hashes.txt").string();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string cmd = "VT_HARNESS_OUT='" + file + "' '" + self +
                          "' --gtest_filter=BattleHarness.WriteHashesForAnotherProcess > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(file);
  std::vector<uint64_t> child;
  std::string line;
  while (std::getline(in, line)) child.push_back(std::stoull(line, nullptr, 16));
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
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false));
  const HarnessScript script = HarnessDefaultScript(11);
  uint64_t last = 0;
  for (int i = 0; i < kFrames; ++i) last = HarnessRunFrame(script);
  std::printf("recorded run: %016llx\n", static_cast<unsigned long long>(last));
  EXPECT_EQ(last, 0x31eaf303f32f1d1cull);
}
}  // namespace
