// The object state machine: queued pattern changes, entering frames, the per-step state step
// with its frame advance, landing, facing, hit reactions, timers, penalty, gauge modes, draw
// priority and the chain memory.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// Frames without a state record read this shared all-zero state.
const Han6FrameState& FrameState(const BattleObject& o);
int CurrentStance(const BattleObject& o);
// True when the object's current frame is drawn from a cut sprite (offsets and boxes double).
bool IsCutSpriteFrame(const BattleObject& o);
bool IsCharacter(const BattleObject& o);

inline constexpr int kMaxEntryDepth = 16;

int ChangePattern(BattleObject& o, int pattern, int sameFlag, int priority);
void ResetActionState(BattleObject& o);
void SetPattern(BattleObject& o);
int CheckPatternFrame(const BattleObject& o);
void RefreshFramePointers(BattleObject& o);
Han6AttackData* GetActiveAttack(const BattleObject& o);
int GetFrameSprite(const BattleObject& o, int pattern, int frame);
void ComputeNextSprite(BattleObject& o);
// The frame effects of the current frame (spawn types here, the others through the seam).
void RunFrameEffects(BattleObject& o);

int ObjectStateStep(BattleObject& o);
void AdvanceFrame(BattleObject& o);
int HandleLanding(BattleObject& o);
void ExecutePatternChange(BattleObject& o);
int UpdateFacing(BattleObject& o);
int CanTurnInPattern(BattleObject& o, int stateCode);
void SkipForwardFrames(BattleObject& o);
int QueueReaction(BattleObject& o, const int32_t block[7]);
int TakeOverReaction(BattleObject& o);
void EndHitReaction(BattleObject& o);
void ClearFreeStateCounters(BattleObject& o);
void ClearInvalidReaction(BattleObject& o);
void CountNotFreeFrames(BattleObject& o);

void StepSmallTimers(BattleObject& o);
void StepTimers(BattleObject& o);
void AddPenalty(BattleObject& o, int amount, int hold);
void DecayPenalty(BattleObject& o);

BattleObject* GetGaugeOwner(BattleObject& o);
int GetGaugeMode(BattleObject& o);
float GaugeRatio(BattleObject& o);
int32_t GaugeModeLength(BattleObject& o, int mode);
int CanEnterGaugeMode(BattleObject& o, int mode);
void SetGaugeMode(BattleObject& o, int32_t value, int mode, int delay);
int32_t GetRegenRate(BattleObject& o, int mode);
void GaugeStep(BattleObject& o);

void SetDrawPriorityMode(BattleObject& o, int mode);
void ApplyParentPriority(BattleObject& o);

void ClearChainMemory(BattleObject& o);
int RegisterPatternUse(BattleObject& o);
void NoteChainNumber(BattleObject& o, int number);
void MarkChainBit(BattleObject& o, int bit);
void MarkChainNumber(BattleObject& o, int number);
int TestChainNumber(BattleObject& o, int number);

// The training setting entry of the circuit gauge (value 3: unlimited).
inline constexpr int kTrainingCircuitGauge = 5;

// An opponent's record: n 0 the target's, n > 0 the n-th other record of the processing order;
// without a target entry n of the processing order when it is in use. Null otherwise.
PlayerRecord* GetOpponentRecord(const BattleObject& o, int n);
// Clears the reaction mark and closes the per-stage achievement counters of an arcade route
// stage of kind 8 or 15.
void CloseRouteAchievementCounters(BattleObject& o);

// Mirrors a numpad direction left-right.
uint8_t MirrorDirection(uint8_t dir);
