// The headless battle harness: loads two characters from the game folder, prepares a round
// and runs battle frames (update half and drawing half) from scripted pad input, giving the
// state hash after every frame. Tests, benchmarks and sync checks drive the engine with it.
//
// The seams are installed by the game wiring, as start-up installs them, and the scripted pads
// go through the game's input step (the joystick's raw states and banks) to the battle's pad
// read. Until the hit and character-list work is wired the harness stands in for the push
// candidate box, the automatic facing (facing the opponent) and the character list (the two
// names asked for).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "battle/battle_clock.h"

struct HarnessPad {
  uint8_t dir = 0;      // numpad direction in screen terms, 0 neutral (passed on as it is)
  uint8_t buttons = 0;  // bits A 0x1, B 0x2, C 0x4, D 0x8, E 0x10 held this frame
};

// Pad of a side at a frame.
using HarnessScript = std::function<HarnessPad(uint32_t frame, int side)>;

struct HarnessCharacter {
  std::string file1;  // data name, e.g. "duelist"
  int type = 0;
  int color = 0;
  int controller = 0;  // 1: the CPU plays the side (its pattern file, its level); the pad is not read
};

// The match inputs the scenes would set: the game mode word, the CPU level and, in arcade mode,
// the main side and its route's stage index (the CPU plays easier on the first stages).
struct HarnessMatchRules {
  int32_t gameMode = 0;
  int32_t cpuLevel = 0;
  uint8_t mainSide = 0;
  int32_t arcadeStage = 0;
};

// Loads the tables and the two characters (on the loader thread when `thread` is set), seeds
// the random streams as a match start does, and prepares the first round as `start` says:
// RoundStart::kGame as the game starts it (intros, then the round flow's fight call releases
// the fighters), RoundStart::kFightersFree with the fighters free from frame 0 (the scenarios
// that script a fight from its first frame). The timer speed is the caller's (g_TimerSpeed, set
// before the load). Returns false when a character could not be loaded.
bool HarnessLoadMatch(const HarnessCharacter& side0, const HarnessCharacter& side1, bool thread,
                      RoundStart start, uint32_t randomSeed = 1, const HarnessMatchRules& rules = {});
// The load half of a match start, in two steps. The game's character list and the joystick
// (default maps, pads cleared); false when the list could not be read.
bool HarnessLoadCharaList();
// The tables and the characters of g_PlayerSelections (on the loader thread when `thread` is
// set, which loads through the seams as the game's loader does), the records relinked and the
// engine's match state reset; false when a character could not be loaded.
bool HarnessLoadSelections(bool thread);
// The battle start's engine half (the round set-up as the load chose it, then the warm-up
// frames) again; the script's frame count starts again at 0.
void HarnessPrepareRound();
// One frame: input from the script, the update half, the drawing half. Returns the state hash.
uint64_t HarnessRunFrame(const HarnessScript& script);

struct HarnessMatchResult {
  int frames = 0;      // frames run
  int rounds = 1;      // rounds played or started, the first included
  uint8_t ending = 0;  // g_RoundRestart that ended the match; 0 when the frame budget ran out
};
// The match driver: runs frames (HarnessRunFrame) until the match ends or frameBudget frames
// have run. After a frame whose judgement left g_RoundRestart at 255 the next round starts
// (StartNextRound, with the load's start); any other non-zero g_RoundRestart ends the match.
// Each frame's state hash goes to onFrame when one is given. The script's frame count runs on
// across rounds (g_RoundCounter tells the round).
HarnessMatchResult HarnessRunMatch(const HarnessScript& script, int frameBudget,
                                   const std::function<void(uint64_t hash)>& onFrame = {});
// The game's input step for scripted pads: side 0's and side 1's pads become the raw states of
// ports 0 and 1 (the others neutral) through the joystick's battle maps, then the joystick
// updates its banks, where the battle's pad read finds them. Needs g_AppJoystick.
void HarnessFeedPads(const HarnessPad pads[2]);
// The default script: walks, crouches, jumps, attacks and fires, different per side, seeded.
HarnessScript HarnessDefaultScript(uint32_t seed);
// The scripted three-round match of the duelist against itself, a script that reads the fight
// as a player watching the screen would (positions, life, whether the fighters are free and the
// round undecided) and answers with pads only: round 1 side 0 attacks until a knock-out; round 2
// side 0 lands blows until side 1 has lost 1000 life, side 1 then until side 0 has lost 2500,
// and both walk apart until the clock runs out; round 3 side 1 attacks until a knock-out. The
// pads stay neutral while the fighters are held or the round is decided (a press there would
// wipe the intro or skip the ending). Each call of this function gives a fresh script.
HarnessScript HarnessScriptedMatch();
void HarnessRelease();
