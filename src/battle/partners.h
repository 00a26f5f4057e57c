// Partner characters: the partner call, the waiting member's steps (assist partner, takeover
// body, tag battle), the exchange of the active member and the gauges the two share.
//
// The tag call and tag entry patterns are read from the command table's two fields, which no
// key of the command file sets: they stay 0 (none) for every character the game loads, and
// both patterns are skipped. The paths that use them are kept for tables that set them.
#pragma once

#include "battle/battle_records.h"
#include "battle/game_mode.h"

int CheckPartnerCallCommand(BattleObject& o);
int PartnerCall(BattleObject& caller);
void PartnerStep(BattleObject& member);
void AssistPartnerStep(BattleObject& member);
void TakeoverPartnerStep(BattleObject& member);
void TagPartnerStep(BattleObject& member);
void ProcessPartnerSwap();
void CopyPartnerGauges(BattleObject& dst, const BattleObject& src);
int IsTakeoverDue(BattleObject& o);
// The driver's partner step of a waiting member: the tag step in tag battle, else PartnerStep.
void PartnerControl(BattleObject& member);
// Round start, for sides 0 and 1: the side fights with its first slot again and its partner
// control starts over, so a takeover or a dropped tag call lasts only until the next round.
void ResetPartnerRound(int side);
