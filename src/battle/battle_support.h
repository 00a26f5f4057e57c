// Small operations the whole battle engine shares: the freeze gate that decides who may act
// while a super-move freeze runs, the side lookups (a side's active character or partner) and
// the status marks.
#pragma once

#include "battle/battle_records.h"

// 1 when the object may act under the current freeze (always 1 when no freeze runs).
int CanActDuringFreeze(const BattleObject& o);
// The slot of a side's active character (partner 0) or its partner (partner 1); -1 when there is
// none (no partner in this mode, no such character in use, a side outside 0..3).
int GetSidePlayerIndex(int side, int partner);
// The character of that slot; null when there is none or the slot is not in use.
BattleObject* GetSidePlayer(int side, int partner);
// Status marks 1, 2, 3 and 100 (timed), 4 (reversed controls), 255 (clears the kind).
void SetStatusMark(BattleObject& o, int kind);
