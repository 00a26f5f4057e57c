// Turning a resolved hit into numbers and motion: the damage formula, the untech (recovery)
// time and its juggle decay, the meter gained on contact, the circuit break, the throw link
// between a holder and its victim, and a hit-vector step applied to an object's motion.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"
#include "battle/hit_info.h"

int ScaleDamage(BattleObject& defender, BattleObject& attacker, int base, int isHit);
int UntechDecay(const BattleObject& o, int t);
void SetUntechTime(BattleObject& defender, const HitInfo& info);
void MeterGainOnContact(BattleObject& defender, BattleObject& attacker, const HitInfo& info);
void ApplyCircuitBreak(BattleObject& o, int length, int32_t flags);
// 2 linked, 0 refused. clearLying 1 clears the victim's lying state (see the definition).
int LinkThrow(BattleObject& victim, BattleObject& holder, int clearLying);
int ApplyHitVector(BattleObject& o, int vector, int step, int facing, int mirror, int noVelocity);
// The default untech time of a hit vector (0 for a missing one).
int32_t HitVectorUntechTime(int vector);

// Installs the combo bookkeeping, the HUD update and the damage operations into the seams.
void InstallComboAndDamageSeams();
