// Record and playback on the battle harness: a versus match recorded as it is played, saved,
// loaded back and played with other pads pressed and other viewer settings gives the same
// per-frame replay hashes and the same judgement.
#include <gtest/gtest.h>

#include <vector>

#include "Replay/replay_controller.h"
#include "Replay/replay_file.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/round_flow.h"

namespace {

struct Recorded {
  std::vector<uint64_t> hashes;  // the replay hash of every frame the battle ran unpaused
  HarnessMatchResult result;
  uint8_t winner = 0;
};

// The VS screen's part for the controller (the rules synced before the match state, the stage and
// selections after the choice), then the match to its end, headless.
Recorded Play(const HarnessScript& script, void (*viewer)()) {
  Recorded r;
  ReplayController& c = g_ReplayController;
  g_BattleDrawSubmit = false;
  SyncReplaySettings();
  if (!HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame)) return r;
  SyncReplayStageAndPlayers();
  if (viewer) viewer();
  c.recordingAllowed = 1;
  c.hold = 0;
  if (c.mode == 1) c.ClearRounds();
  r.result = HarnessRunMatch(script, 30000, [&r](uint64_t) {
    if (g_Paused == 0) r.hashes.push_back(ReplayStateHash());
  });
  r.winner = g_MatchWinnerSide;
  HarnessRelease();
  g_BattleDrawSubmit = true;
  return r;
}

class ReplayExactness : public battle_test::HarnessSampleTest {
 protected:
  void TearDown() override {
    g_ReplayController = ReplayController{};
    HarnessSampleTest::TearDown();
  }
};

TEST_F(ReplayExactness, ScriptedMatchPlaysBackFrameForFrame) {
  ReplayController& c = g_ReplayController;
  c.Reset();
  c.mode = 1;
  g_TimerSpeed = 4;  // the scripted match's second round runs out of time
  const Recorded recorded = Play(HarnessScriptedMatch(), nullptr);
  ASSERT_EQ(recorded.result.ending, 1) << "the recorded match reaches its judgement";
  ASSERT_EQ(c.file.rounds.size(), 3u);
  ASSERT_EQ(c.file.Save(".\\ReplayVS\\exact.rep"), 1);

  // Played back from the file with a viewer pressing everything and other viewer settings.
  c = ReplayController{};
  ASSERT_EQ(c.file.Load(".\\ReplayVS\\exact.rep"), 1) << c.file.errorText;
  c.file.RewindAll();
  c.mode = 2;
  g_TimerSpeed = 2;  // the viewer's own setting: the header's counts
  const HarnessScript mash = [](uint32_t frame, int side) {
    return HarnessPad{static_cast<uint8_t>(1 + (frame * 7 + side) % 9),
                      static_cast<uint8_t>(frame * 13 % 32)};
  };
  const Recorded played = Play(mash, [] { g_MainSide = 1; });
  EXPECT_EQ(played.result.ending, recorded.result.ending);
  EXPECT_EQ(played.winner, recorded.winner);
  ASSERT_EQ(played.hashes.size(), recorded.hashes.size());
  for (size_t i = 0; i < recorded.hashes.size(); ++i)
    ASSERT_EQ(played.hashes[i], recorded.hashes[i]) << "frame " << i;
}

}  // namespace
