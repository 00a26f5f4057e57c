// The match driver (see match_driver.h).
#include "scene/match_driver.h"

#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/round_flow.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

namespace {

// The script's frame count: 0 at the match's first frame.
uint32_t g_drivenFrame = 0;

}  // namespace

bool StartDrivenMatch(SceneHarness& /*harness*/, const DrivenMatchSetup& setup) {
  // The harness installed the game's wiring; the match starts from a clean engine.
  ResetAllBattleGlobals();
  g_drivenFrame = 0;
  if (!HarnessLoadCharaList()) return false;
  // The mode starter of the menu, then the selections and the stage the select screens leave.
  (setup.starter ? setup.starter : StartVsPlayer)(setup.starterSide);
  for (int i = 0; i < 2; ++i) g_PlayerSelections[i] = setup.sides[i];
  g_MatchStage = setup.stage;
  g_MatchStageByte = static_cast<uint8_t>(setup.stage);
  // The VS screen: the rules before the engine's match state (the round marks take the rounds
  // needed), the background forgotten so that the loader reads the stage anew.
  ApplyMatchRules();
  if (LoadBgList() != 1) return false;
  ResetStageBg();
  if (!HarnessLoadSelections(setup.thread)) return false;
  if (!BuildStageBg()) return false;
  ResetBattleClockForMatch();
  SeedRandomGeneratorsFrom(setup.seed);
  GetSceneBattle() = CSceneBattle{};
  ChangeScene(SCENE_BATTLE);
  return true;
}

ScenePadFrame DrivenPads(const HarnessScript& script, uint32_t frame) {
  ScenePadFrame pads;
  for (int p = 0; p < 2; ++p) {
    const HarnessPad pad = script(frame, p);
    uint32_t raw = 0;
    for (int b = 0; b < 5; ++b)
      if (pad.buttons & (1u << b))
        raw |= g_AppJoystick->battleMap[static_cast<size_t>(p)][static_cast<size_t>(b)];
    pads.dir[p] = pad.dir;
    pads.buttons[p] = ScriptedPadButtons(p, raw);
  }
  return pads;
}

DrivenFrame RunDrivenFrame(SceneHarness& harness, const HarnessScript& script) {
  // The script reads the fight as it stands before the frame, as a player at the screen does.
  const ScenePadFrame pads = DrivenPads(script, g_drivenFrame);
  ++g_drivenFrame;
  return harness.RunFrame(pads);
}

DrivenMatchResult RunDrivenMatch(SceneHarness& harness, const HarnessScript& script, int frameBudget,
                                 const std::function<void(const DrivenFrame&)>& onFrame) {
  DrivenMatchResult result;
  while (result.frames < frameBudget && g_SceneId == SCENE_BATTLE) {
    const DrivenFrame f = RunDrivenFrame(harness, script);
    ++result.frames;
    if (onFrame) onFrame(f);
    if (f.sceneId == SCENE_BATTLE && f.enter == 1) ++result.rounds;
  }
  if (g_SceneId != SCENE_BATTLE) {
    // The request that ended the match stays as the judge left it; the route follows from it.
    result.ending = g_RoundRestart;
    result.route = GetMatchEndRoute();
    result.nextScene = g_SceneId;
  }
  return result;
}

void EndDrivenMatch(SceneHarness& harness) {
  harness.LeaveScene();
  HarnessRelease();
  FreeStageList();
  // The release cleared the seams: the harness stays wired as start-up left it, for the next match.
  InstallGameWiring();
}
