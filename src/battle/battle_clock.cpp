// The battle clock and the round's engine half (see battle_clock.h).
#include "battle/battle_clock.h"

int32_t g_TrailHidden;
int32_t g_BgHoldTimer;
int16_t g_JudgeTimer;
int32_t g_BattleTimeStepped;
int32_t g_FightTime;
int32_t g_RoundCounter;

void TickBattleClock() {}
void InitRound() {}
void InitBattleEngine() {}
void AdvanceRound() {}
void DrawBattle() {}

void InstallBattleClockSeams() {}
