// The CPU's reflexes and the training dummy.
#include "battle/cpu_defence.h"

int32_t g_AirRecoveryMode;
int32_t g_DownRecoveryMode;
int32_t g_TrainingActionTimer;
int32_t g_TrainingIdleFrames;
int32_t g_TrainingTechFrame;

void CpuDefenceInput(BattleObject&) {}
int CpuWantsToGuard(BattleObject&) { return 0; }
int TrainingThrowTech(BattleObject&) { return 0; }
int CpuAutoRecovery(PlayerRecord&) { return 0; }
void TrainingGuardDecision(BattleObject&) {}
void InstallCpuDefenceSeams() {}
