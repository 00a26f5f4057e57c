// The talk before an arcade fight on a driven battle: the round flow loads the stage's script,
// runs it frame by frame (its staging words written into the battle), and once it reaches its
// end the fight starts with the script ended and the staging restored; the same twice.
#include <gtest/gtest.h>

#include <vector>

#include "battle/battle_camera.h"
#include "battle/character_draw.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "scene/game_modes.h"
#include "scene/match_fixture.h"
#include "scene/story_script.h"

namespace match_test {
namespace {

struct TalkTrace {
  int talkFrames = 0;       // frames in phase 251
  int fightStart = -1;      // the first frame after the talk
  bool pannedHigh = false;  // the pan held the camera up
  bool loadedAfter = true;  // a script still loaded after the talk
  std::vector<uint64_t> hashes;
};

class StoryBattle : public DrivenMatchTest {
 protected:
  void SetUp() override {
    DrivenMatchTest::SetUp();
    namespace fs = std::filesystem;
    if (!fs::exists("story"))
      fs::copy(fs::path(VT_SAMPLE_DIR) / "story", "story", fs::copy_options::recursive);
  }
};

TEST_F(StoryBattle, TheTalkRunsBeforeTheFightAndEndsWithTheStagingRestored) {
  DrivenMatchSetup setup = VersusSetup(kTester, kDuelist);
  setup.sides[1].controller = 1;
  setup.starter = [](int side) {
    StartArcadeMode(side);
    LoadStoryBattleRoute(side, kTester, 0);
  };
  auto run = [&] {
    TalkTrace t;
    RunOptions o;
    o.budget = 1200;
    o.afterFrame = [&](int frame, const DrivenFrame& f) {
      t.hashes.push_back(f.battleHash);
      if (g_BattlePhase == 251) {
        ++t.talkFrames;
        t.pannedHigh = t.pannedHigh || g_StoryCameraY < -40000;
      } else if (t.talkFrames > 0 && t.fightStart < 0) {
        t.fightStart = frame;
        t.loadedAfter = GetStoryState().loaded;
        EXPECT_EQ(g_StoryCameraY, 0);
        EXPECT_EQ(g_StorySwayOn, 0);
        EXPECT_EQ(g_DrawCharactersOn, 1);
      }
    };
    RunMatch(HarnessScript([](uint32_t, int) { return HarnessPad{}; }), setup, o);
    return t;
  };
  const TalkTrace a = run();
  EXPECT_GT(a.talkFrames, 240) << "two messages, each closing on its own after its idle time";
  EXPECT_GT(a.fightStart, 0);
  EXPECT_TRUE(a.pannedHigh);
  EXPECT_FALSE(a.loadedAfter);
  const TalkTrace b = run();
  EXPECT_EQ(a.hashes, b.hashes) << "the talk is battle state and replays the same";
}

}  // namespace
}  // namespace match_test
