// The round flow and the judge: the two per-frame state machines that take a round from its
// fade-in to the moment the battle learns how the round and the match ended.
#pragma once

#include <cstdint>

struct BattleObject;

extern int32_t g_RoundTimer;        // round clock in steps
extern uint8_t g_RoundWinner;       // 0 or 1, 255 a draw
extern int32_t g_RoundResultKind;   // 0 knock-out, 1 special finish, 2 time over
extern int32_t g_MatchOutcome;      // 0 goes on, 1 decided, 2 drawn, 3/13/14 arcade endings, 255 next round
extern uint8_t g_RoundRestart;      // what the battle reads once the judge has finished
extern int32_t g_JudgeAbort;        // 1 once a boss intrusion cut the judge short
extern uint8_t g_SkipLatched;       // a player pressed a button to skip the ending
extern int32_t g_RoundBonus[5];     // life, perfect, time, combo, total
extern int32_t g_ScreenFlashAlpha;  // full-screen flash
extern int32_t g_ScreenFlashMode;   // 1 black, 2 white, 100 white pulse
extern float g_DimValue;            // screen brightness and its target
extern float g_DimTarget;
extern float g_RoundFade;      // the round's fade-in, 0 to 1
extern int32_t g_AttractDemo;  // non-zero while an attract demo battle runs

void RoundFlow();
void JudgeRound();
void StartFight();
void StartStageBgm();
void RoundTimerTick();
int RoundDecided();
int MatchDecidedBy(int side);
int IsPerfectRound(int side);
int ComputeRoundBonus();
int32_t ComboBonus(int32_t hits);
void DrawScreenFlash();
void SettleSideMarks(int side);
void SettleRoundMarks();
void AddRoundMarks();
void ResetPlayerPatterns(int ignored, int variant);

void InstallRoundFlowSeams();
