// The CPU opponent: the level rules, the opponent and threat searches, and the pattern player that
// picks records from the character's pattern file and plays their steps as pad input.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"
#include "battle/cpu_patterns.h"

// Level rules.
int EffectiveCpuLevel();
int CpuReactionDelay();
int RollCpuGuardRate(int slot);
int RollCpuShieldChance(int column);

// Searches.
BattleObject* FindNearestOpponentInRange(BattleObject& o, int32_t distanceMin, int32_t distanceMax,
                                         int32_t heightMin, int32_t heightMax);
// 0, 1 or 2 frames until the object's attack is live, 0xFFFF when not within three frames.
int FramesUntilAttackLive(BattleObject& o, Han6AttackData* outAttack);
BattleObject* FindImminentThreat(BattleObject& o);

// Presses buttons (the pattern steps' and the dummy's button bits) on the object's input slots.
void PressCpuButtons(BattleObject& o, uint32_t buttons);

// One AI step of a CPU character in slot `slot` (0..3).
void CpuAiFrame(PlayerRecord& player, int slot);
// Clears the four AI states and the AI words of the four character slots.
void ResetCpuAiStates();

// Fills the CPU seams (CpuAiFrame, LoadCharacterCpuPatterns, ResetCpuAiStates, ...).
void InstallCpuAiSeams();
