// Boxes of a frame placed on the screen: the conversion the command checks compare regions in
// (mirrored when the object faces left, doubled for cut-sprite frames, at the object's screen
// position through the camera).
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// The screen pixel of a world point: x = ((world x - camera x) >> 7) + 320, y likewise + 432.
int32_t WorldToScreenX(int64_t worldX);
int32_t WorldToScreenY(int64_t worldY);
// Places a box of the object's current frame on the screen, corners ordered; returns the
// bottom edge.
int32_t BoxToScreen(const BattleObject& o, const Han6Box& box, ScreenRect* out);
// Box slot n of the object's current frame, null when it has none (past the frame's count).
const Han6Box* FrameBox(const BattleObject& o, int n);
