// Shared fixture of the whole-battle tests: the sample folder's data in the working folder, versus
// rules to two round wins at timer speed 4, and a match run on the scene harness (recording or
// offscreen GL device) from two selections and a stage through the game's logic frame.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "scene/match_driver.h"
#include "scene/scene_fixture.h"

namespace match_test {

constexpr int kBudget = 20000;
constexpr int kDuelist = 1;  // its entry in the sample character list
constexpr int kTester = 0;

struct RoundEnd {
  uint8_t winner;
  int32_t kind;
};

struct MatchRun {
  bool started = false;
  DrivenMatchResult result;
  std::vector<DrivenFrame> frames;
  std::vector<RoundEnd> rounds;
  uint8_t matchWinner = 0;
  uint8_t winnerCharacter = 0, loserCharacter = 0, mainSideLost = 0;
  int32_t mode = 0, roundsToWin = 0;
  uint8_t timerSpeed = 0;
};

// How a match runs: the device, whether the battle queues its drawing, and a step after each
// frame (a picture read back, a counter).
struct RunOptions {
  bool gl = false;
  bool submit = false;
  int budget = kBudget;
  std::function<void(int frame, const DrivenFrame&)> afterFrame;
};

class DrivenMatchTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    namespace fs = std::filesystem;
    battle_test::CopyHarnessSampleData();
    for (const char* folder : {"Bg", "Shader", "grp", "apm_com"})
      if (!fs::exists(folder) && fs::exists(fs::path(VT_SAMPLE_DIR) / folder))
        fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    vt::SetDebugQuiet(true);
    // Versus matches to two round wins at timer speed 4.
    config_.modes[0] = ModeRecord{2, 2, 2, 4, 0};
    config_.modes[1] = ModeRecord{2, 2, 2, 4, 0};
  }
  void TearDown() override {
    g_BattleDrawSubmit = true;
    vt::SetDebugQuiet(false);
    SceneTest::TearDown();
  }

  static DrivenMatchSetup VersusSetup(int character0 = kDuelist, int character1 = kDuelist) {
    DrivenMatchSetup s;
    const int characters[2] = {character0, character1};
    for (int i = 0; i < 2; ++i) {
      PlayerSelection& p = s.sides[i];
      p.character = characters[i];
      p.side = i;
      p.color = i;
      p.decided = 1;
    }
    s.stage = 1;
    s.seed = 5;
    return s;
  }

  // One match on a harness of its own, started with start-up's common resources as the game has
  // them; the harness stops (shutdown's frees) before the run returns.
  MatchRun RunMatch(const HarnessScript& script, const DrivenMatchSetup& setup = VersusSetup(),
                    const RunOptions& options = {}) {
    MatchRun run;
    SceneHarness harness;
    SceneHarnessOptions o;
    o.gl = options.gl;
    o.commonResources = true;
    if (!harness.Start(o)) {
      ADD_FAILURE() << "the scene harness did not start";
      return run;
    }
    g_BattleDrawSubmit = options.submit;
    run.started = StartDrivenMatch(harness, setup);
    EXPECT_TRUE(run.started) << "the sample match did not load";
    if (run.started) {
      run.result = RunDrivenMatch(harness, script, options.budget, [&](const DrivenFrame& f) {
        if (options.afterFrame) options.afterFrame(static_cast<int>(run.frames.size()), f);
        run.frames.push_back(f);
        // A round change: the round's result is still in place.
        if (f.sceneId == SCENE_BATTLE && f.enter == 1)
          run.rounds.push_back({g_RoundWinner, g_RoundResultKind});
      });
      run.rounds.push_back({g_RoundWinner, g_RoundResultKind});
      run.matchWinner = g_MatchWinnerSide;
      run.winnerCharacter = g_WinnerCharacter;
      run.loserCharacter = g_LoserCharacter;
      run.mainSideLost = g_MainSideLost;
      run.mode = g_GameModeFlags;
      run.roundsToWin = g_RoundsToWin;
      run.timerSpeed = g_TimerSpeed;
    }
    EndDrivenMatch(harness);
    harness.Stop();
    g_BattleDrawSubmit = true;
    return run;
  }

  // Two runs' frames agree: scene, enter flag, battle and stage hashes.
  static void ExpectSameFrames(const MatchRun& a, const MatchRun& b) {
    ASSERT_EQ(a.frames.size(), b.frames.size());
    ASSERT_FALSE(a.frames.empty());
    for (size_t i = 0; i < a.frames.size(); ++i) {
      ASSERT_EQ(a.frames[i].sceneId, b.frames[i].sceneId) << "frame " << i;
      ASSERT_EQ(a.frames[i].enter, b.frames[i].enter) << "frame " << i;
      ASSERT_EQ(a.frames[i].battleHash, b.frames[i].battleHash) << "frame " << i;
      ASSERT_EQ(a.frames[i].stageHash, b.frames[i].stageHash) << "frame " << i;
    }
  }
};

}  // namespace match_test
