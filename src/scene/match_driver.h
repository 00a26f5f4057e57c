// The match driver (test tooling, until the VS screen is built): from two player selections and a
// stage it does what the VS screen will do (mode starter, rules, the loader thread loading the
// characters, their HUD graphics and the stage, the stage built, the engine's match state) and
// enters the battle scene; then it runs whole battles by calling the battle scene's per-frame
// entry with scripted pads, reporting per frame the battle and stage hashes.
#pragma once

#include <cstdint>
#include <functional>

#include "battle/battle_harness.h"
#include "battle/battle_records.h"

struct DrivenMatchSetup {
  PlayerSelection sides[2];
  int32_t stage = 1;
  void (*starter)(int side) = nullptr;  // the mode starter (null: versus player)
  int starterSide = 0;
  uint32_t seed = 1;
  bool thread = true;
};

// Loads the match and switches to scene 1 with enter 1. False when the list, a character or the
// stage could not be loaded.
bool StartDrivenMatch(const DrivenMatchSetup& setup);

struct DrivenFrame {
  uint64_t battleHash = 0;
  uint64_t stageHash = 0;
  int sceneId = 0;
  uint8_t enter = 0;
};
// One frame of the battle scene: the scripted pads, the scene's entry, `render` when given (the
// frame's draw list is then full), then the list reset as the frame loop does.
DrivenFrame RunDrivenFrame(const HarnessScript& script, const std::function<void()>& render = {});

struct DrivenMatchResult {
  int frames = 0;
  int rounds = 1;      // rounds started, the first included
  uint8_t ending = 0;  // g_RoundRestart that ended the match (0: the budget ran out)
  int route = 0;       // the match-end route taken
  int nextScene = 0;   // the scene the battle left for
};
// Runs frames until the scene leaves scene 1 or `frameBudget` frames have run; then runs the
// battle's leave hook.
DrivenMatchResult RunDrivenMatch(const HarnessScript& script, int frameBudget,
                                 const std::function<void(const DrivenFrame&)>& onFrame = {});
// Releases what the match loaded.
void EndDrivenMatch();
