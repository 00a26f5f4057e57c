// The automatic facing: a character turns toward its nearest opponent (or toward its partner),
// and the turn is marked for the input history on the step it first shows.
#pragma once

struct BattleObject;

// Turns the object toward the nearest other-side fighter, at offset x 256 units in front of that
// fighter; the chosen slot, or -1 when there is none.
int AutoFace(BattleObject& o, int offset);
// AutoFace at offset 0 (the per-frame facing of every character).
void AutoFacing(BattleObject& o);
// The same turn toward the object's partner while it stands within 65536 units.
void FacePartner(BattleObject& o);
