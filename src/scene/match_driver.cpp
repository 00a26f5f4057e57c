// The match driver (see match_driver.h).
#include "scene/match_driver.h"

#include <mutex>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/round_flow.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/stage_bg.h"

namespace {

struct DriverState {
  uint32_t frame = 0;
  vt::platform::FakeInputBackend* pads = nullptr;
};

DriverState& State() {
  static DriverState s;
  return s;
}

}  // namespace

bool StartDrivenMatch(const DrivenMatchSetup& setup) {
  ResetAllBattleGlobals();
  State() = DriverState{};
  InstallGameWiring();
  if (!HarnessLoadCharaList()) return false;
  // The pads reach the scene through the device read of its pad poll, as a player's do.
  State().pads = InstallScriptedPads();
  if (State().pads == nullptr) return false;
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
  g_SceneId = SCENE_BATTLE;
  g_SceneEnter = 1;
  return true;
}

DrivenFrame RunDrivenFrame(const HarnessScript& script, const std::function<void()>& render) {
  DriverState& d = State();
  for (int p = 0; p < 2; ++p) {
    const HarnessPad pad = script(d.frame, p);
    uint32_t raw = 0;
    for (int b = 0; b < 5; ++b)
      if (pad.buttons & (1u << b))
        raw |= g_AppJoystick->battleMap[static_cast<size_t>(p)][static_cast<size_t>(b)];
    SetScriptedPad(d.pads, p, pad.dir, raw);
  }
  // The frame loop's input poll, before the scene runs.
  g_InputManager.Poll();
  DrivenFrame f;
  f.enter = g_SceneEnter;
  GetSceneHandlers(SCENE_BATTLE).process(1);
  ++d.frame;
  if (render) render();
  {
    // Nobody renders the list here: the frame loop's reset.
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
  }
  f.battleHash = BattleStateHash();
  f.stageHash = StageStateHash();
  f.sceneId = g_SceneId;
  return f;
}

DrivenMatchResult RunDrivenMatch(const HarnessScript& script, int frameBudget,
                                 const std::function<void(const DrivenFrame&)>& onFrame) {
  DrivenMatchResult result;
  while (result.frames < frameBudget && g_SceneId == SCENE_BATTLE) {
    const DrivenFrame f = RunDrivenFrame(script);
    ++result.frames;
    if (onFrame) onFrame(f);
    if (g_SceneId == SCENE_BATTLE && g_SceneEnter == 1) ++result.rounds;
  }
  if (g_SceneId != SCENE_BATTLE) {
    // The request that ended the match stays as the judge left it; the route follows from it.
    result.ending = g_RoundRestart;
    result.route = GetMatchEndRoute();
    result.nextScene = g_SceneId;
    if (const auto leave = GetSceneHandlers(SCENE_BATTLE).leave) leave();
  }
  return result;
}

void EndDrivenMatch() {
  HarnessRelease();
  if (State().pads != nullptr) ReleaseScriptedPads();
  State().pads = nullptr;
  FreeStageList();
}
