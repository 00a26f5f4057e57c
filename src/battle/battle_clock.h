// The battle clock and the round's engine half: the per-frame tick of every counter the battle
// counts, the round set-up that places the fighters, the battle start's engine steps, the round
// step between rounds and the battle draw in its fixed order.
#pragma once

#include <cstdint>

// Counters the tick counts down or up (the judge and the effects set them).
extern int32_t g_TrailHidden;        // frames without afterimages after a decision (the judge sets 60)
extern int32_t g_BgHoldTimer;        // the stage background holds while non-zero
extern int16_t g_JudgeTimer;         // the judge's wait counter
extern int32_t g_BattleTimeStepped;  // 1 when this frame was a battle step (not a slow-motion skip)
extern int32_t g_FightTime;          // battle steps fought this round (the time bonus reads it)
extern int32_t g_RoundCounter;       // rounds started in this battle, modulo 9

// One tick of the battle clock (step 9 of the battle update).
void TickBattleClock();
// The round set-up: fighters, life, timer, pools, camera, match-point flags.
void InitRound();
// The engine half of the battle start: CPU states, counters, patterns, the first round, warm-up.
void InitBattleEngine();
// The round step between rounds: on a finished round, count it and set up the next.
void AdvanceRound();
// The battle draw, once per logic frame, headless included.
void DrawBattle();

void InstallBattleClockSeams();
