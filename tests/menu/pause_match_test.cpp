// A versus match paused through the pause menu (the command list opened, scrolled and switched,
// VIEW SCREEN, a return question cancelled, the menu left with cancel) steps the battle exactly as
// the same match unpaused: the battle hashes of every frame the battle ran agree.
#include "menu/pause_match.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "menu/command_list.h"
#include "menu/pause_control.h"
#include "menu/pause_menu.h"
#include "scene/match_fixture.h"

namespace {

using pause_test::MenuStep;

class PauseMatchTest : public match_test::DrivenMatchTest {
 protected:
  pause_test::PausedRun Run(const std::vector<MenuStep>& steps, int stepped,
                            const std::function<void(size_t)>& onStep = {}) {
    pause_test::PausedRun run;
    SceneHarness harness;
    SceneHarnessOptions o;
    o.commonResources = true;
    if (!harness.Start(o)) {
      ADD_FAILURE() << "the scene harness did not start";
      return run;
    }
    g_BattleDrawSubmit = false;
    const HarnessScript script = HarnessScriptedMatch();
    if (StartDrivenMatch(harness, VersusSetup())) {
      run = pause_test::RunWithPause(harness, script, stepped, 300, 0, steps, onStep);
    } else {
      ADD_FAILURE() << "the sample match did not load";
    }
    EndDrivenMatch(harness);
    harness.Stop();
    g_BattleDrawSubmit = true;
    return run;
  }
};

TEST_F(PauseMatchTest, PausedThroughTheMenuAndCommandListSameHashesAsUnpaused) {
  constexpr int kStepped = 900;
  std::vector<MenuStep> steps = {{0, pause_test::kMenuStart}};
  pause_test::Idle(steps, 24);  // the menu opens
  // COMMAND LIST: scrolled, switched to the other side and back, closed with cancel.
  for (MenuStep s : pause_test::Taps({{2, -1},
                                      {0, pause_test::kMenuDecide},
                                      {2, -1},
                                      {2, -1},
                                      {6, -1},
                                      {4, -1},
                                      {0, pause_test::kMenuCancel}}))
    steps.push_back(s);
  pause_test::Idle(steps, 4);
  // VIEW SCREEN, hidden, then any button brings the menu back.
  for (MenuStep s : pause_test::Taps({{2, -1}, {0, pause_test::kMenuDecide}})) steps.push_back(s);
  pause_test::Idle(steps, 20);
  for (MenuStep s : pause_test::Taps({{0, pause_test::kMenuDecide}})) steps.push_back(s);
  pause_test::Idle(steps, 12);
  // RETURN MAIN MENU (up from VIEW SCREEN to CONTINUE, then up once more wraps to the last item),
  // the question cancelled.
  for (MenuStep s : pause_test::Taps({{8, -1}, {8, -1}, {8, -1}, {0, pause_test::kMenuDecide}}))
    steps.push_back(s);
  pause_test::Idle(steps, 24);
  for (MenuStep s : pause_test::Taps({{0, pause_test::kMenuCancel}})) steps.push_back(s);
  pause_test::Idle(steps, 24);
  // Left with cancel: the fade-out and the resume run on the script's pads.
  steps.push_back({0, pause_test::kMenuCancel});

  // What the steps reached: the menu open, both sides' lists shown, the view hidden, the question.
  int menuFrames = 0, sidesShown = 0, hiddenFrames = 0, questionFrames = 0;
  auto watch = [&](size_t) {
    if (!g_PauseMenu) return;
    ++menuFrames;
    const CommandListView& v = GetCommandListView();
    if (v.lineCount > 0) sidesShown |= 1 << v.side;
    if (g_PauseMenu->State() == CPauseMenuManager::kViewHidden) ++hiddenFrames;
    if (g_PauseMenu->State() == CPauseMenuManager::kConfirm) ++questionFrames;
  };
  const pause_test::PausedRun plain = Run({}, kStepped);
  const pause_test::PausedRun paused = Run(steps, kStepped, watch);
  EXPECT_EQ(menuFrames, static_cast<int>(steps.size()));
  EXPECT_EQ(sidesShown, 3);
  EXPECT_GT(hiddenFrames, 0);
  EXPECT_GT(questionFrames, 0);
  ASSERT_TRUE(paused.paused) << "no frame allowed the pause";
  EXPECT_EQ(paused.stepsUnpaused, 0) << "the menu resumed while its steps still ran";
  EXPECT_GT(paused.pausedFrames, static_cast<int>(steps.size()) - 1);
  EXPECT_EQ(g_PauseResult, kPauseContinue);
  ASSERT_EQ(plain.hashes.size(), static_cast<size_t>(kStepped));
  ASSERT_EQ(paused.hashes.size(), plain.hashes.size());
  for (size_t i = 0; i < plain.hashes.size(); ++i)
    ASSERT_EQ(paused.hashes[i], plain.hashes[i])
        << "stepped frame " << i << " (paused after " << paused.pausedAt << ")";
}

}  // namespace
