// Coordinate conversions of the battle: frame boxes placed on the screen (mirrored when the
// object faces left, doubled for cut-sprite frames, at the object's screen position through the
// camera) or in world units, and screen or world points taken back into an object's frame
// coordinates.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// A box in world units (1/128 pixel), corners ordered like a ScreenRect.
struct WorldRect {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The screen pixel of a world point: x = ((world x - camera x) >> 7) + 320, y likewise + 432.
int32_t WorldToScreenX(int64_t worldX);
int32_t WorldToScreenY(int64_t worldY);
// Places a box of the object's current frame on the screen, corners ordered; returns the
// bottom edge.
int32_t BoxToScreen(const BattleObject& o, const Han6Box& box, ScreenRect* out);
// Places a box of the object's current frame in world units, corners ordered.
void BoxToWorld(const BattleObject& o, const Han6Box& box, WorldRect* out);
// Box slot n of the object's current frame, null when it has none (past the frame's count).
const Han6Box* FrameBox(const BattleObject& o, int n);
// A screen point in the object's frame coordinates (in place); returns the frame's sprite kind
// minus 1 (-2 without a frame, whose point is left unshifted).
int ScreenToFrameCoords(const BattleObject& o, int32_t* x, int32_t* y);
// A world point as an offset from the object in half-pixel frame units (in place), mirrored when
// the object faces left.
void WorldToLocalOffset(const BattleObject& o, int32_t* x, int32_t* y);
