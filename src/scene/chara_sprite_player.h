// The character sprite player: shows a character outside battle, animated from a select-screen
// frame-data project of its own (`.\data\_csel\csel_<file>.txt` and `<file>.pal`), in one or
// two layers (the character and, for a partner character, its partner). The character select
// previews both sides with it; the options screen drives one of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "Dxtools/Han6Files/han6_data.h"

// The pattern frame a layer shows.
struct CharaSpriteFrameState {
  int32_t pattern = 0;
  int32_t frame = 0;
  int32_t frameTimer = 0;
  int32_t spriteIndex = 0;
};

// What a layer draws with. An empty set (no pattern set) is a layer without frame data.
struct CharaSpriteLayerData {
  int32_t ownerSide = 0;
  std::vector<uint8_t> palette;  // the whole palette file: a count, then 1024-byte palettes
  FrameDataSet frameData;
};

inline constexpr int32_t kCharaSpriteReady = 255;
// Change flags of a target change.
inline constexpr uint32_t kCharaSpriteColourChanged = 0x1;
inline constexpr uint32_t kCharaSpriteCharacterChanged = 0x2;
inline constexpr uint32_t kCharaSpriteFromNone = 0x10000;

struct CharaSpritePlayer {
  int32_t shownFrames = 0;  // 0: not ready to draw
  uint32_t changeFlags = 0;
  int32_t colour = -1;
  int32_t character = -1;
  // 255 when set up and drivable; 0 while its data is (re)loaded. Another thread may load the
  // layers: it clears this first and sets it last.
  std::atomic<int32_t> state{0};
  int32_t framesSinceChange = 0;
  int32_t colourOverrideOn = 0;
  uint32_t overrideColour = 0;
  CharaSpriteFrameState layerFrame[2];
  CharaSpriteLayerData layer[2];
};

// Target character and colour: 0 without effect unless the state is 255; else the change flags
// (2 character, plus 0x10000 from none; 1 colour), OR-ed into the player's change flags.
uint32_t SetCharaSpriteTarget(CharaSpritePlayer& player, int character, int colour);
// Puts a layer on a pattern frame: 1 when it shows it (or already did and force is 0), 0 when
// the player is not ready, the layer has no frame data or the frame does not exist.
int SetCharaSpriteFrame(CharaSpritePlayer& player, int layer, int pattern, int frame, int force);
// One frame of animation: 1 when the player ticked.
int TickCharaSpritePlayer(CharaSpritePlayer& player);

// The values one layer is drawn with (the frame's own offsets come with its pattern frame; the
// palette is in the layer's sprite pages).
struct CharaSpriteDrawValues {
  int32_t x = 0, y = 0;
  int32_t pattern = 0, frame = 0;
  uint32_t colour = 0, specular = 0;
  int32_t mirror = 0;
  int32_t priority = 0;
  int32_t characterFilter = 0;
  int32_t cacheKey = 0;
};
// Draws both layers at (x, y) for a screen side: 1 when anything was queued.
int DrawCharaSpritePlayer(CharaSpritePlayer& player, int side, int x, int y, int priority);
int DrawCharaSpriteLayer(CharaSpriteLayerData& layer, const CharaSpriteDrawValues& values);
// The cache key base of a layer's sprites: every colour of every character keeps its own.
int32_t CharaSpriteCacheKey(int layer, int colour, int character);

// Loads `.\data\_csel\<file>.pal` of the character's first (0) or second (1) file into the
// layer; a missing file leaves the layer's palette as it was.
void LoadCharaSpritePalette(CharaSpriteLayerData& layer, int character, int fileIndex);
// Frees the layer's part animations, sprites, patterns and palette: an empty layer again.
void ReleaseCharaSpriteLayer(CharaSpriteLayerData& layer);
// The palette of a colour inside a layer's palette file; null when the file lacks it.
const uint8_t* CharaSpritePaletteOf(const CharaSpriteLayerData& layer, int colour);

// The player as its owner sets it up: both layers empty with the owner side, state 255, no
// character and no colour.
void InitCharaSpritePlayer(CharaSpritePlayer& player, int ownerSide);
