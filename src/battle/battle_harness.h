// The headless battle harness: loads two characters from the game folder, prepares a round
// and runs battle frames (update half and drawing half) from scripted pad input, giving the
// state hash after every frame. Tests, benchmarks and sync checks drive the engine with it.
//
// The command input and the control rules are installed as the game installs them; until the
// round flow's automatic facing is in, the harness stands in for it (facing the opponent), and
// it reads the pads from the script. Stand-ins go only into seams that are still empty.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct HarnessPad {
  uint8_t dir = 0;      // numpad direction in screen terms, 0 neutral
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
// The default script: walks, crouches, jumps, attacks and fires, different per side, seeded.
HarnessScript HarnessDefaultScript(uint32_t seed);
void HarnessRelease();
