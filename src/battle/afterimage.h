// The afterimage trail of the characters and the frame-point lookups in world units.
//
// The trail is battle state: it is written in the update half (each step a character is not in
// hit stop, and when its trail is reset) and only read by the drawing. The frame-point lookups
// feed the simulation (follow mode 200, attached throws, turning toward a target) and work in
// float32 with the battle's own sine and cosine.
#pragma once

#include <cstdint>

struct BattleObject;
struct Han6Frame;
struct Han6FrameState;
struct PAniPartRef;

// One remembered pose, newest first. The pattern and frame are kept whole: a pattern number
// above 255 stored in a byte would draw some other pattern.
struct TrailEntry {
  int32_t x = 0, y = 0;  // world units
  int32_t pattern = 0;
  int32_t frame = 0;
  int32_t nextSprite = -1;  // the frame the drawing blends toward, -1 none
  int32_t frameTimer = 0;
  uint8_t facing = 0;
  // Only tested for null at the drawing ("no frame"), never followed: a character's frame data
  // may be replaced while its trail still holds older entries.
  const Han6Frame* frameRec = nullptr;
  const Han6FrameState* state = nullptr;
};
inline constexpr int kTrailLength = 120;
// One ring per character slot.
extern TrailEntry g_AfterimageTrail[4][kTrailLength];

// Fills all the slot's entries with the object's present state (nothing for a slot outside 0..3).
void ResetTrail(int slot, const BattleObject& o);
// Shifts the ring of the object's character slot by one and stores the present state as entry 0
// (nothing for an object that is no character).
void PushTrail(const BattleObject& o);
// Draws image i of the slot's trail: entry trailStride x (i + 1), nothing past entry 119, for an
// entry without a frame, or while g_TrailHidden runs.
void DrawAfterimage(int slot, const BattleObject& o, int i);
// A new match: every ring emptied.
void ClearAfterimageTrails();

// The world position of part slot `point` of the object's current part-animation frame (the
// slot's position in the pattern, through the frame's transform and the object matrix); 0 when
// the frame is not a part-animation frame or has no such part.
int GetFramePointWorld(const BattleObject& o, int point, int32_t* x, int32_t* y);
// The part reference in slot `part` of the object's current part-animation frame, blended
// toward the frame the drawing blends to; 0 (out untouched) when there is none.
int GetFramePart(const BattleObject& o, int part, PAniPartRef* out);
// The point an object turns toward: its target's position raised by `depth` world units; 0
// (x, y untouched) without a target.
int GetTargetPoint(const BattleObject& o, int32_t depth, int32_t* x, int32_t* y);

void InstallAfterimageSeams();
