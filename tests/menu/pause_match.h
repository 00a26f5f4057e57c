// A versus match on the scene harness paused through the pause menu: the script's pads on every
// frame the battle steps, and between two of them a run of frames that press the menu buttons
// and directions of a player (start, decide, cancel, the lever) on the fake pads. Reports the
// battle hash of every frame the battle stepped, so that a paused run can be set against an
// unpaused one frame for frame.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/input/app_joystick.h"
#include "battle/battle_clock.h"
#include "battle/round_flow.h"
#include "scene/match_driver.h"
#include "scene/scene_frame.h"

namespace pause_test {

// One frame of menu input for a player: a direction (0 none) and a menu button (-1 none).
struct MenuStep {
  uint8_t dir = 0;
  int button = -1;
};
inline constexpr int kMenuDecide = 0;
inline constexpr int kMenuCancel = 1;
inline constexpr int kMenuStart = 2;

// The pads that make the player's menu bank read the step.
inline ScenePadFrame MenuPads(int player, const MenuStep& step) {
  ScenePadFrame pads;
  const size_t p = static_cast<size_t>(player);
  pads.dir[p] = step.dir;
  if (step.button >= 0)
    pads.buttons[p] = ScriptedPadButtons(player, g_AppJoystick->menuMap[p][static_cast<size_t>(step.button)]);
  return pads;
}

// Steps with a released frame after each, so that every press and direction counts once.
inline std::vector<MenuStep> Taps(std::initializer_list<MenuStep> steps, int idleAfterEach = 1) {
  std::vector<MenuStep> out;
  for (const MenuStep& s : steps) {
    out.push_back(s);
    for (int i = 0; i < idleAfterEach; ++i) out.push_back({});
  }
  return out;
}
inline void Idle(std::vector<MenuStep>& steps, int n) {
  steps.insert(steps.end(), static_cast<size_t>(n), MenuStep{});
}

struct PausedRun {
  std::vector<uint64_t> hashes;  // one per frame the battle stepped
  int pausedFrames = 0;          // frames the battle stood still
  bool paused = false;           // the menu steps were run
  uint32_t pausedAt = 0;         // the stepped frames before the pause
  int stepsUnpaused = 0;         // step frames on which the battle ran (menu pads in the fight)
};

// Frames of the match until `stepped` frames have stepped the battle. Once at least `pauseFrom`
// frames stepped, on the first frame where the script leaves both pads neutral on the frame
// before and the one to come and the start button counts, the steps run (the first one should
// press start); afterwards the script's pads are fed until the battle runs again. `onStep` runs
// after each step's frame.
inline PausedRun RunWithPause(SceneHarness& harness, const HarnessScript& script, int stepped, int pauseFrom,
                              int player, const std::vector<MenuStep>& steps,
                              const std::function<void(size_t)>& onStep = {}) {
  PausedRun run;
  uint32_t counter = 0;
  auto neutral = [&](uint32_t f) {
    for (int side = 0; side < 2; ++side) {
      const HarnessPad p = script(f, side);
      if (p.dir != 0 || p.buttons != 0) return false;
    }
    return true;
  };
  int guard = 0;
  while (static_cast<int>(run.hashes.size()) < stepped && g_SceneId == SCENE_BATTLE && ++guard < 40000) {
    if (!run.paused && !steps.empty() && static_cast<int>(counter) >= pauseFrom && g_CommandLock != 2 &&
        g_JudgeState == 0 && counter > 0 && neutral(counter - 1) && neutral(counter)) {
      run.paused = true;
      run.pausedAt = counter;
      for (size_t i = 0; i < steps.size(); ++i) {
        harness.RunFrame(MenuPads(player, steps[i]));
        if (g_Paused != 0)
          ++run.pausedFrames;
        else
          ++run.stepsUnpaused;
        if (onStep) onStep(i);
      }
      continue;
    }
    const SceneFrameReport r = harness.RunFrame(DrivenPads(script, counter));
    if (g_Paused != 0) {
      ++run.pausedFrames;
      continue;
    }
    ++counter;
    run.hashes.push_back(r.battleHash);
  }
  return run;
}

}  // namespace pause_test
