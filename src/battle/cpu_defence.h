// The CPU's fixed reflexes beside the pattern player: guard, shield and dodge reactions, the
// automatic recoveries, the guard-rate answer to the hit resolution, the throw escape, and the
// training dummy that the enemy settings steer.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

extern int32_t g_AirRecoveryMode;
extern int32_t g_DownRecoveryMode;
extern int32_t g_TrainingActionTimer;
extern int32_t g_TrainingIdleFrames;
extern int32_t g_TrainingTechFrame;

void CpuDefenceInput(BattleObject& o);
int CpuWantsToGuard(BattleObject& o);
int TrainingThrowTech(BattleObject& o);
int CpuAutoRecovery(PlayerRecord& player);
void TrainingGuardDecision(BattleObject& o);

// Fills the defence seams (CpuInput, CpuWantsToGuard, CpuThrowEscape).
void InstallCpuDefenceSeams();
