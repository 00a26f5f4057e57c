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
};

// Loads the tables and the two characters (on the loader thread when `thread` is set), seeds
// the random streams as a match start does, and prepares the first round. Returns false when
// a character could not be loaded.
bool HarnessLoadMatch(const HarnessCharacter& side0, const HarnessCharacter& side1, bool thread,
                      uint32_t randomSeed = 1);
// Round preparation as the battle scene does it, then the warm-up frames.
void HarnessPrepareRound();
// One frame: input from the script, the update half, the drawing half. Returns the state hash.
uint64_t HarnessRunFrame(const HarnessScript& script);
// The game's input step for scripted pads: side 0's and side 1's pads become the raw states of
// ports 0 and 1 (the others neutral) through the joystick's battle maps, then the joystick
// updates its banks, where the battle's pad read finds them. Needs g_AppJoystick.
void HarnessFeedPads(const HarnessPad pads[2]);
// The default script: walks, crouches, jumps, attacks and fires, different per side, seeded.
HarnessScript HarnessDefaultScript(uint32_t seed);
void HarnessRelease();
