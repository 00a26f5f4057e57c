// The CPU pattern files load on the loader thread with the characters: run under ThreadSanitizer
// (VT_TSAN) this shows the hand-over to the logic thread, which reads the slots only after the
// join, and then plays the CPU from them.
#include <gtest/gtest.h>

#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"

namespace {

class CpuLoadThread : public battle_test::HarnessSamplePackTest {};

TEST_F(CpuLoadThread, PatternFilesLoadOnTheLoaderThreadAndPlay) {
  g_TimerSpeed = 4;
  const HarnessMatchRules rules{MODE_CPU_VS_CPU, 4, 0, 0};
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0, 1}, {"tester", 0, 1, 1}, true, RoundStart::kFightersFree,
                                 7, rules));
    // The duelist's own file, and the tester's pack copy before its loose file.
    EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 50);
    EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 40);
    EXPECT_GT(g_CpuPatternSlots[0].records[1].weight, 0);
    const HarnessScript idle = [](uint32_t, int) { return HarnessPad{}; };
    bool moved = false;
    for (int f = 0; f < 300; ++f) {
      HarnessRunFrame(idle);
      moved |= g_PlayerRecords[0].obj.aiRecord != 0;
    }
    EXPECT_TRUE(moved) << "the duelist's CPU picks records";
    HarnessRelease();
  }
}

}  // namespace
