// Shared between the two halves of the frame conditions: the condition families that search
// other objects (commands, boxes, throws, homing, partners) and the helpers both halves use.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

namespace frame_conditions {

// Tag battle or the four-player layout.
inline bool PartnerModes() { return (g_GameModeFlags & 0x300) != 0; }
// An index into the nine character variables; out of range the condition does not hold.
inline bool CharVarIndexOk(int32_t i) { return i >= 0 && i < 9; }
// Lands an object that has just landed (y 0, the landed mark cleared).
void PutOnGround(BattleObject& o);
// Sets the hit-stop of an object from a condition (a child with flag 0x8 hands it to a parent
// of its side and keeps 0).
void SetConditionHitStop(BattleObject& o, int32_t value);
// True when the object's current frame has the box list of that kind (0 attack boxes, 1 slot
// 0, 2 slots 1..8, n >= 3 slot n + 6) with at least one box in it.
bool HasBoxList(const BattleObject& o, int kind);

// Types 11, 31, 35: the contact cancel test and the command jump. frame < 0: no frame (the
// command's pattern is requested); testOnly: type 31. Returns the command chosen, or 0.
bool ContactCancelTest(BattleObject& o, int kind, int flags);
int CommandJump(BattleObject& o, const int32_t* commands, int count, int32_t frame, int32_t p7,
                bool testOnly);

void Grab(BattleObject& o, const int32_t* p);            // type 14
void Catch(BattleObject& o, const int32_t* p);           // type 15
void Reflect(BattleObject& o, const int32_t* p);         // type 19
void BoxTouch(BattleObject& o, const int32_t* p);        // type 20
void ShieldBoxTouch(BattleObject& o, const int32_t* p);  // type 50
void Homing(BattleObject& o, const int32_t* p);          // type 34
void ThrowAttempt(BattleObject& o, const int32_t* p);    // type 52
void PartnerContact(BattleObject& o, const int32_t* p);  // type 100

}  // namespace frame_conditions
