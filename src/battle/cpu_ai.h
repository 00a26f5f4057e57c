// The CPU opponent: the level rules, the opponent and threat searches, and the pattern player that
// picks records from the character's pattern file and plays their steps as pad input.
//
// Order within a battle frame (the driver's): the defence input reads first and clears the input
// slots (ReadCharacterInput), CpuAiFrame runs in the character update after the state and physics
// steps, then the system commands and the command scan read the slots it wrote. Every random
// number comes from the common stream in the order written beside each draw; CPU input is not
// recorded, so a replay re-simulates it and any change here invalidates stored replays.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"
#include "battle/cpu_patterns.h"

// Level rules. The level the rules use: g_CpuLevel, lowered in arcade mode by the main side's
// route stage (0 by 2, 1 and 2 by 1) and then raised to -2.
int EffectiveCpuLevel();
// Frames the AI waits after a failed chance roll of a record with a cooldown.
int CpuReactionDelay();
// 1 when the slot's guard rate says guard (one draw unless the rate is 0).
int RollCpuGuardRate(int slot);
// Column 0: the shield chance after no guard; 1: while shielding. 1 yes (one draw unless 0).
int RollCpuShieldChance(int column);

// Searches.
BattleObject* FindNearestOpponentInRange(BattleObject& o, int32_t distanceMin, int32_t distanceMax,
                                         int32_t heightMin, int32_t heightMax);
// 0, 1 or 2 frames until the object's attack is live, 0xFFFF when not within three frames. The
// attack data of the frame the look-ahead stopped in is copied to *outAttack (zero when it has
// none) when outAttack is given.
int FramesUntilAttackLive(BattleObject& o, Han6AttackData* outAttack);
BattleObject* FindImminentThreat(BattleObject& o);

// Presses buttons (the pattern steps' and the dummy's button bits) on the object's input slots.
void PressCpuButtons(BattleObject& o, uint32_t buttons);

// The pattern player of character slot `slot` (0..3).
// A record to start now (1..99), or -1. Draws: the race draws, then the chance roll.
int PickCpuPattern(BattleObject& o, int slot, int busy);
// Starts step `step` of record `record`; kind-19 jumps chain at most kCpuMaxJumps times.
void StartCpuStep(PlayerRecord& player, int record, int step, int slot);
// The running step's input (and its kind's action) on the object's input slots.
void ApplyCpuStepInput(PlayerRecord& player, int slot);
void TickCpuStep(PlayerRecord& player, int slot);
// Ends the running record.
void ClearCpuAction(BattleObject& o, int slot);

// Kind-19 jumps within one start; the next one ends the record (a record that jumps to itself at
// step 0, or a cycle of them, would otherwise never stop).
inline constexpr int kCpuMaxJumps = 8;
// Race draws of one pick before the heaviest drawable candidate is taken.
inline constexpr int kCpuRaceDrawCap = 65536;

// One AI step of a CPU character in slot `slot` (0..3).
void CpuAiFrame(PlayerRecord& player, int slot);
// Clears the four AI states and the AI words of the four character slots.
void ResetCpuAiStates();

// Fills the CPU seams (CpuAiFrame, LoadCharacterCpuPatterns, ResetCpuAiStates, ...).
void InstallCpuAiSeams();
