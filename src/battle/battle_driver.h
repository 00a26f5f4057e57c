// The per-frame battle drivers: the sixteen-step battle update with its gates, the character
// passes (frame pointers, processing order, input, the character update, condition, hit and
// effect passes) and the warm-up frames. The clock tick and the drawing half are the battle
// clock's (battle_clock.h).
#pragma once

#include "battle/battle_records.h"

// Gates of the passes.
bool BattleGateRun();
bool BattleGateRunNoFreeze();
bool BattleGateFight();

void CacheFramePointers();
void SortPlayerOrder();
void ReadCharacterInput();
void ApplyButtonMacro(BattleObject& o);
void UpdateCharacters();
void StuckRecovery(BattleObject& o);
void RunCharacterConditionsPrePass();
void SortPlayersAndRunConditions();
void RunFrameConditions(BattleObject& o, int phase);
void CharactersHitPhase();
void ResolveCharacterHits();
void RunCharacterEffects();
void RunWarmUpFrames();
// Whether a character may act this frame (no freeze holds it).
int CharacterMayAct(BattleObject& o);

// The pad a character reads: its side's, or in training the other side's while the replay
// records or the player takes the dummy over.
int BattlePadIndex(const BattleObject& o);

// The update half of a battle frame, in the game's order.
void RunBattleFrame();
