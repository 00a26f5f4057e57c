// Object movement: frame motion on entering a frame, the per-step movement with oscillation,
// momentum, the speed stop and landing, carrying, the wall bounce, the stage edges, the corner
// push and the push pass.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

inline constexpr int32_t kStageHalfWidth = 65536;    // 512 pixels either side of the centre
inline constexpr int32_t kMaxCharaDistance = 93440;  // 730 pixels

int ObjectPhysicsStep(BattleObject& o);
void ApplyFrameMotion(BattleObject& o);
void ApplySpeedCap(BattleObject& o);
int InterpolateLanding(BattleObject& o, int32_t dx, int32_t dy);
int32_t GetDistanceExcess(const BattleObject& o, int32_t x);
int32_t StageEdgeCorrection(BattleObject& o, int32_t dx);
int32_t PushAttackerFromCorner(BattleObject& o, int32_t c);
int32_t MoveObject(BattleObject& o, int32_t dx, int32_t dy);
void WallBounceStep(BattleObject& o);
// The push box (slot 0) of the object's current frame in world units; false when it has none.
bool PushBox(const BattleObject& o, int32_t* x1, int32_t* x2, int32_t* y1, int32_t* y2);
// The push pass's candidate box: the other's push box in world units {x1, y1, x2, y2} when the
// two push each other (other sides, the other neither a waiting partner nor held nor on a
// no-push hit step, self not exempt from pushing); 0 otherwise.
int PushCandidateBox(BattleObject* self, BattleObject* other, int32_t* out);
void PushApartCharacters();
void PushApartPoolObjects();
int VectorStepWallBounces(int id, int step);
int VectorStepEndsOnLanding(int id, int step);
int VectorStepNoPush(int id, int step);
