// The character draw: each fighter placed through its object matrix and drawn with its flashes,
// tints and shadow, spawning its aura, heat and status particles; the battle HUD textures.
#pragma once

#include <cstdint>

#include "Dxtools/Han6Draw/han6_draw_math.h"

struct BattleObject;
struct TextureHandle;

// The object matrix of a frame of the given sprite kind (1 part animation, else cut sprite):
// scale, rotation about the pivot, mirror when facing left, cut sprites at double size.
// Returns 1 when the matrix mirrors.
int BuildObjectMatrix(Han6Matrix* m, const BattleObject& o, int frameKind);
// Moves the matrix to the pixel point (x, y), then through the camera when one is given.
// 0 (nothing to draw) for a point far above the screen when drawn through a camera.
int PlaceObjectMatrix(Han6Matrix* m, int32_t x, int32_t y, int frameKind, const Han6Matrix* camera);

// The tint of a fighter (its status mark, then the stage factors), red, green and blue.
void CharacterTint(const BattleObject& o, uint8_t rgb[3]);
// The sprite's x shift in pixels while the hit stop shakes it.
int32_t HitStopShake(const BattleObject& o);

// The heat glow of a fighter: four values (an edge colour) that pulse with its counter.
struct HeatGlow {
  bool on = false;
  float value[4] = {};
};
// Computes the glow and advances the fighter's pulse counter (held while paused).
HeatGlow HeatPulse(BattleObject& o);
// Pulse counters of the four character slots (0 while no glow shows).
extern int32_t g_HeatPulseCount[4];
// The story script's per-slot switch of the character draw (1 draws).
extern uint8_t g_StoryCharacterVisible[4];

// The reversed-controls marks, the heat aura and the timed status particles of a fighter.
void StatusEffectsStep(BattleObject& o);
// One fighter: flash, tint, heat glow, shake, shadows, aura and status effects.
void DrawCharacter(BattleObject& o);
// The character draw pass over the four slots, with the afterimage trail.
void DrawCharacters();

// A new match: pulse counters and afterimage trails cleared, every slot visible to the story
// script again.
void ResetCharacterDrawState();

// 1 while any fighter's heat mode (modes 1 and 3) runs.
int IsAnyHeatActive();

// The battle HUD textures.
struct BattleHudTextures {
  TextureHandle* gauge[10] = {};
  TextureHandle* demoMark = nullptr;
  TextureHandle* comboDigits[2] = {};
  TextureHandle* flare = nullptr;
  TextureHandle* fade = nullptr;
  TextureHandle* monitor = nullptr;
};
extern BattleHudTextures g_BattleHudTextures;
// Loads the table (a missing file leaves its handle null); returns 1.
int LoadBattleHudTextures();
// Frees the table and clears its handles.
void FreeBattleHudTextures();

void InstallCharacterDrawSeams();
