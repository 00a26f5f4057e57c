// Hit resolution: a defender's pending hits turned into guards, damage, knock-outs, hit stop,
// the reaction vector and its request, with the guard choice, the per-entry hit record and the
// knock-out rules the throws and conditions share.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"
#include "battle/hit_info.h"

// Guard kinds: 0 none, 1 standing, 2 crouching, 3 air.
int CanGuardNow(BattleObject& defender);
int GuardKindFromInput(BattleObject& defender, const BattleObject& attacker);
int CpuGuardKind(BattleObject& defender, const Han6AttackData& attack);
// 0 not guarded, 1 guarded, 2 guarded by the frame state; a guard kind sets *slot.
int GuardOutcome(BattleObject& defender, const Han6AttackData& attack, int kind, int32_t* slot);

// Fills info from info.attack, info.vectorSlot and info.guard (set by the caller).
void ComputeHitInfo(BattleObject& defender, HitInfo& info);

void ResolveHits(BattleObject& defender);

int KnockOutAllowed(BattleObject* o, int lethal);
int FinishKindFor(BattleObject* attacker);
int IsLastFinishSpecial();
// A null object asks whether either side stands at match point.
int IsAtMatchPoint(const BattleObject* o);

// The finish kind of the last knock-out (3 by default); kept for the round presentation.
extern int32_t g_LastFinishKind;

// What the hit-vector entries mean to the resolution (the table's header and first step).
int32_t VectorReactionPattern(int vector, int guarding);
int VectorRedirectsOnFinish(int vector);
int VectorSignNegative(int vector);
int32_t VectorLength(int vector);

// The resolution's own state for the battle state hash.
int32_t HitResolutionHashWord();

void InstallHitResolutionSeams();
