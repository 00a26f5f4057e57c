// The first exactness row played back rendered on the GL device: a match recorded headless, saved,
// loaded and played with every frame drawn and presented gives the recording's replay hashes,
// winner and marks, and its recorded last replay hash.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "FilePacFunc/FilePac.h"
#include "Replay/replay_exactness.h"
#include "battle/battle_gl_fixture.h"

namespace {

using namespace replay_test;

class ReplayRenderedGl : public vt::test::BattleGl {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartBattleGl("replay playback"));
    std::filesystem::copy_file(std::filesystem::path(VT_SAMPLE_DIR) / "0000.p", "0000.p",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(MountPack("0000.p"), 1);
    g_ReplayController = ReplayController{};
    g_ReplaySceneCalls = {};
  }
  void TearDown() override {
    g_ReplayController = ReplayController{};
    GetPackList().Clear();
    BattleGl::TearDown();
  }
};

TEST_F(ReplayRenderedGl, HoldingMatchPlaysBackRendered) {
  ReplayController& c = g_ReplayController;
  c.Reset();
  c.mode = 1;
  g_MainSide = 0;
  const Recorded recorded = Play(kHoldingMatch, kHoldingMatch.script(), 1, nullptr);
  ASSERT_TRUE(recorded.loaded);
  ASSERT_NE(recorded.result.ending, 0);
  ASSERT_EQ(c.file.Save(".\\ReplayVS\\rendered.rep"), 1);

  c = ReplayController{};
  ASSERT_EQ(c.file.Load(".\\ReplayVS\\rendered.rep"), 1) << c.file.errorText;
  c.mode = 2;
  g_MainSide = 1;
  int drawn = 0;
  ResetDrawList(&g_MainDrawList);
  const Recorded played = Play(kHoldingMatch, Noise, 7, nullptr, nullptr, true, [&drawn] {
    drawn += g_MainDrawList.quadCount > 0;
    RenderMain();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
  });
  ASSERT_TRUE(played.loaded);
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(played.result.ending, recorded.result.ending);
  EXPECT_EQ(played.winner, recorded.winner);
  EXPECT_EQ(played.marks, recorded.marks);
  ASSERT_EQ(played.rounds.size(), recorded.rounds.size());
  for (size_t round = 0; round < recorded.rounds.size(); ++round) {
    ASSERT_EQ(played.rounds[round].size(), recorded.rounds[round].size()) << "round " << round;
    for (size_t f = 0; f < recorded.rounds[round].size(); ++f)
      ASSERT_EQ(played.rounds[round][f], recorded.rounds[round][f]) << "round " << round << ", frame " << f;
  }
  EXPECT_EQ(played.rounds.back().back(), kHoldingMatchLastHash);
}

}  // namespace
