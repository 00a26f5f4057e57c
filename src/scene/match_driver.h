// The match driver (test tooling, until the VS screen is built): from two player selections and a
// stage it does what the VS screen will do (mode starter, rules, the loader thread loading the
// characters, their HUD graphics and the stage, the stage built, the engine's match state) and
// enters the battle scene; then whole battles run on the scene harness, frame by frame through the
// game's logic frame (dispatcher, scene table, leave hooks, render, pacing on the fake clock), with
// the pads a script answers on the fake input device, reporting per frame the scene id, enter flag
// and the battle and stage hashes.
#pragma once

#include <cstdint>
#include <functional>

#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "scene/scene_harness.h"

struct DrivenMatchSetup {
  PlayerSelection sides[2];
  int32_t stage = 1;
  void (*starter)(int side) = nullptr;  // the mode starter (null: versus player)
  int starterSide = 0;
  uint32_t seed = 1;
  bool thread = true;
};

// Loads the match on a started harness and changes to scene 1 (enter 1); the harness's next frame
// enters the battle. False when the list, a character or the stage could not be loaded.
bool StartDrivenMatch(SceneHarness& harness, const DrivenMatchSetup& setup);

// A frame of the match: what the harness reports after the logic frame.
using DrivenFrame = SceneFrameReport;

// The pads the script answers for this frame, as the pad buttons that make the two ports read
// them through the joystick's battle maps and the key settings.
ScenePadFrame DrivenPads(const HarnessScript& script, uint32_t frame);

// One logic frame on the harness with the script's pads for the driver's next frame.
DrivenFrame RunDrivenFrame(SceneHarness& harness, const HarnessScript& script);

struct DrivenMatchResult {
  int frames = 0;
  int rounds = 1;      // rounds started, the first included
  uint8_t ending = 0;  // g_RoundRestart that ended the match (0: the budget ran out)
  int route = 0;       // the match-end route taken
  int nextScene = 0;   // the scene the battle left for
};
// Runs frames until a frame leaves scene 1 or `frameBudget` frames have run. The battle's leave
// hook runs with EndDrivenMatch (or the harness's next frame, as in the game).
DrivenMatchResult RunDrivenMatch(SceneHarness& harness, const HarnessScript& script, int frameBudget,
                                 const std::function<void(const DrivenFrame&)>& onFrame = {});
// The scene's leave hook, then what the match loaded released; the harness stays started.
void EndDrivenMatch(SceneHarness& harness);
