// Frame conditions: the tests a frame carries and what each does when it holds (jumps to
// frames, pattern requests, counters, destroying objects, grabs, throws, homing and the rest),
// the pass phase of each type, and the small helpers they share.
//
// The condition passes (battle_driver, object_pool) walk a frame's list as it stood when the
// walk began; a condition that enters another frame does not change the walk. An object
// destroyed by one of its conditions evaluates none of the rest of that list: a removed pool
// object plays no further part in the frame, so its remaining tests and jumps would only
// touch state that is freed at the next pool update.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// Phase of a condition type: 255 every pass, 1 the contact pass, 0 the main pass.
int ConditionPhase(int type);

// One condition on one object (no phase filter).
void EvalFrameCondition(BattleObject& o, const Han6Condition& c);

// The owner of an object: itself, or the owner of a child object (kind 240 and above).
BattleObject& ConditionOwner(BattleObject& o);
// The active member of the object's pair: itself without a partner or when it is its side's
// active character, else its partner.
BattleObject& ActiveMember(BattleObject& o);
// An opponent character (another side, in use) with the character index.
bool HasOpponentCharacter(const BattleObject& o, int chara);
// Counter reference R: counter (R % 100) / 10 lowered by R % 10, not below 0; below 100 the
// (owner's) action counters, from 100 up the battle-wide counters.
void ApplyCounterReference(BattleObject& o, int32_t r);
// Enters frame F of the current pattern now.
void GoToFrame(BattleObject& o, int32_t frame);
// Queues frame F with the given priority unless a request of that priority or more waits.
void RequestFrame(BattleObject& o, int32_t frame, int priority);

// At a pattern's end: a pool object whose frame carries a type 2 condition asking for removal
// at the end (P2 non-zero) is destroyed, with that condition's counter reference. 1 when it
// was.
int EndOfPatternRemoval(BattleObject& o);

// Installs EvalFrameCondition (with the phase filter) and the end-of-pattern removal into the
// battle seams.
void InstallFrameConditionSeams();
