// The CPU's fixed reflexes beside the pattern player: guard, shield and dodge reactions, the
// automatic recoveries, the guard-rate answer to the hit resolution, the throw escape, and the
// training dummy that the enemy settings steer.
//
// Order within a battle frame (the driver's): `CpuDefenceInput` runs in `ReadCharacterInput` for
// every character whose controller is not 0 and clears the input slots first; then
// `CpuAiFrame` (the pattern player, which also calls `CpuAutoRecovery` and
// `TrainingGuardDecision`) runs in `UpdateCharacters`; then the system commands and the command
// scan read the slots. The hit resolution asks `CpuWantsToGuard`, the throw-escape rule asks
// `TrainingThrowTech`. Every random number is a draw of the common stream (`RandNext`), made
// only where the rules below say so.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// Recovery behaviour in force, as the training options AIR RECOVERY and DOWN RECOVERY:
// 0 neutral, 1 back, 2 forward, 3 random, 4 random with a delay (air) or a gate (ground), 5 off.
// Match inputs: the match set-up and the training reset set them.
extern int32_t g_AirRecoveryMode;
extern int32_t g_DownRecoveryMode;
// The dummy's ENEMY ACTION frame counter (the training menu clears it).
extern int32_t g_TrainingActionTimer;
// Frames since the dummy was last in reaction kind 5 or 10.
extern int32_t g_TrainingIdleFrames;
// The frame of a random throw escape.
extern int32_t g_TrainingTechFrame;

// The training settings entries the dummy reads, and their values (the option's index).
inline constexpr int kTrainingEnemyStatus = 0;
inline constexpr int kTrainingEnemyAction = 1;
inline constexpr int kTrainingEnemyDefence = 2;
inline constexpr int kTrainingEnemyDefenceType = 3;
inline constexpr int kTrainingThrowRecovery = 11;
namespace training_enemy {
enum StatusValue { kStatusStand, kStatusJump, kStatusCrouch, kStatusCpu, kStatusManual, kStatusDummy };
enum ActionValue {
  kActionOff,
  kActionA,
  kActionB,
  kActionC,
  kActionD,
  kRecoverA,
  kRecoverB,
  kRecoverC,
  kRecoverD
};
enum DefenceValue {
  kDefenceOff,
  kDefenceAllGuard,
  kDefenceStatusGuard,
  kDefenceAllShield,
  kDefenceStatusShield,
  kDefenceDodge
};
enum DefenceTypeValue { kDefenceNormal, kDefenceCombo, kDefenceRandom };
enum ThrowRecoveryValue {
  kTechNormal,
  kTechAllFast,
  kTechAllLate,
  kTechAllRandom,
  kTechRandomFast,
  kTechRandomLate,
  kTechRandomRandom
};
}  // namespace training_enemy

// The defensive input of a CPU character for this frame (clears the input slots first).
void CpuDefenceInput(BattleObject& o);
// Holds the shield (D) against an imminent attack: 1 when there was one, else 0.
int CpuShieldReaction(BattleObject& o);
// Dodges (E down) an imminent attack: 1 when there was one, else 0.
int CpuDodgeReaction(BattleObject& o);
// 1 when the CPU character guards the hit about to land, else 0.
int CpuWantsToGuard(BattleObject& o);
// The automatic ground and air recoveries of a CPU character; returns 0.
int CpuAutoRecovery(PlayerRecord& player);

// Training dummy. The enemy status, action and their timer, before the defence decision.
void TrainingEnemyStatusInput(BattleObject& o);
// The dummy's guard decision, after a pattern pick (afterPick 1) or while busy (0).
void TrainingGuardDecision(BattleObject& o, int afterPick);
// 1 when the held CPU character escapes the throw this frame, else 0.
int TrainingThrowTech(BattleObject& o);

// The five globals back to program start (with the battle globals).
void ResetCpuDefenceState();

// Fills the defence seams (CpuInput, CpuWantsToGuard, CpuThrowEscape).
void InstallCpuDefenceSeams();
