// The drawing of battle objects: the look of a pool object (colour, blend, add-colour, alpha,
// priority) and the draw of one object's current frame through the pattern drawing. The camera,
// the stage tint and the partner display belong to later battle work and come in through the
// draw seams below; their defaults draw in plain pixel space, untinted.
#pragma once

#include <cstdint>

#include "Dxtools/Han6Draw/han6_draw_math.h"

struct BattleObject;
struct FrameDataSet;
struct GrpDrawList;
struct TextureHandle;

// The stage's light sources: x in pixels plus 512 and reach in pixels (0 skips a source); with
// coloured shadows set, shadows take the character's colours.
struct BattleStageLights {
  int32_t count = 0;
  const float* x = nullptr;
  const float* radius = nullptr;
  int32_t colouredShadows = 0;
};

struct BattleDrawSeams {
  // The camera's matrix after an object's placement: zoom (when `zoom`) then the screen
  // matrix. Null: identity.
  void (*CameraMatrix)(bool zoom, Han6Matrix* out) = nullptr;
  // The stage's tint factors (0..255 per channel, all 0 while the stage is blacked out).
  // Null: 255, 255, 255.
  void (*TintFactors)(uint8_t rgb[3]) = nullptr;
  // 0 while the round flow has switched the pool drawing off. Null: on.
  int (*PoolDrawingOn)() = nullptr;
  // 1 when the object belongs to a partner that is not shown. Null: never hidden.
  int (*HiddenPartner)(const BattleObject* o) = nullptr;
  // The special stage's character offsets in pixels; 0 when the stage has none. Null: the
  // offsets of the match set-up.
  int (*SpecialStageOffsets)(int32_t* x, int32_t* y) = nullptr;
  // The draw list objects are queued to. Null: the graphics layer's default list.
  GrpDrawList* (*DrawList)() = nullptr;
  // The camera's floor matrix for a sprite placed at the pixel point (x, y): it lays the sprite
  // flat on the floor. Null: identity (the shadow stays upright at the object's feet).
  void (*FloorMatrix)(float x, float y, Han6Matrix* out) = nullptr;
  // The stage's lights for the character shadows. Null: no lights (one default shadow).
  void (*StageLights)(BattleStageLights* out) = nullptr;
  // The super-move portrait of a player's cut-in slot (the HUD graphics). Null, or a null
  // texture: nothing is drawn.
  TextureHandle* (*CutInTexture)(int player, int slot) = nullptr;
  // How far the HUD has slid off (0 in place, 1.0 gone). Null: 0.
  float (*HudSlide)() = nullptr;
};
extern BattleDrawSeams g_BattleDrawSeams;
void ResetBattleDrawSeams();

// Whether the drawing half hands its draws to the pattern drawing. Headless runs clear it: the
// drawing half still runs and changes the same state, only nothing is queued.
extern bool g_BattleDrawSubmit;

// How one object is drawn.
struct BattleDrawLook {
  uint32_t color = 0xFFFFFFFFu;  // ARGB
  uint32_t specular = 0;         // add-colour, RGB
  uint8_t blendMode = 0;         // 0: the frame's own
  int32_t shaderMode = 0;
  int32_t priority = 0;
  int32_t shiftX = 0, shiftY = 0;  // pixels added to the placement
  bool shadow = false;             // placed on the ground through the floor matrix, no blend
  int32_t edgeFlag = 0;            // non-zero: the sprite's edge glows in edgeColor
  float edgeColor[4] = {};
};

// The frame the drawing blends toward while the object's frame plays (the next frame, or the
// jump target), and the pattern drawing's easing and progress for it. Easing 0: no blend.
Han6FramePosition ComputeFrameBlend(const BattleObject& o);
// The shadow of an object: black at half the frame's alpha, priority 110, on the ground.
BattleDrawLook ShadowLook(const BattleObject& o);

// The look of a pool object: the afterimage colour modes and fade, the colour flash and the
// stage tint.
BattleDrawLook PoolObjectLook(const BattleObject& o);
// The flash add-colour (RGB) of an object's colour flash; 0 when none shows this frame.
uint32_t FlashColour(const BattleObject& o);
// The texture-cache key base of a frame data set: a multiple of 4096 distinct per set.
int32_t SpriteKeyBase(const FrameDataSet* set);
// Draws one object's current frame with a look (priority + 256, as all battle objects).
void DrawBattleObject(const BattleObject& o, const BattleDrawLook& look);
// The pool's draw of one object (all checks made by the caller).
void DrawPoolObject(const BattleObject& o);
