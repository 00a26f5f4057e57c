// The round flow and the judge (see round_flow.h).
#include "battle/round_flow.h"

int32_t g_RoundTimer;
uint8_t g_RoundWinner;
int32_t g_RoundResultKind;
int32_t g_MatchOutcome;
uint8_t g_RoundRestart;
int32_t g_JudgeAbort;
uint8_t g_SkipLatched;
int32_t g_RoundBonus[5];
int32_t g_ScreenFlashAlpha;
int32_t g_ScreenFlashMode;
float g_DimValue;
float g_DimTarget;
float g_RoundFade;
int32_t g_AttractDemo;

void RoundFlow() {}
void JudgeRound() {}
void StartFight() {}
void StartStageBgm() {}
void RoundTimerTick() {}
int RoundDecided() { return 0; }
int MatchDecidedBy(int) { return 0; }
int IsPerfectRound(int) { return 0; }
int ComputeRoundBonus() { return 0; }
int32_t ComboBonus(int32_t) { return 0; }
void DrawScreenFlash() {}
void SettleSideMarks(int) {}
void SettleRoundMarks() {}
void AddRoundMarks() {}
void ResetPlayerPatterns(int, int) {}

void InstallRoundFlowSeams() {}
