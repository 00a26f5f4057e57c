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
// Steps of this round that were not skipped by slow motion (the scene's full-speed count).
extern int32_t g_BattleStepCount;
// 1 when this frame's tick counted a freeze or a running event timer down (the scene reads it).
extern int32_t g_BattleClockFrozen;

// The round time table: steps per count of the 99-count round clock, by timer speed.
inline constexpr int32_t kRoundTimeSteps[5] = {99, 60, 48, 36, 27};
// Start positions by slot (world units from the stage centre): the fighters, then the partners.
inline constexpr int32_t kRoundStartX[4] = {-16384, 16384, -29184, 29184};

// How a round starts. kGame: as the game starts it (intro, fighters held until the fight call).
// kFightersFree: no intro, the fighters released and the round fighting from the first frame,
// for the tests, scenarios and benchmarks that script a fight from its first frame.
enum class RoundStart { kGame, kFightersFree };

// One tick of the battle clock (step 9 of the battle update).
void TickBattleClock();
// The round set-up: fighters, life, timer, pools, camera, match-point flags.
void InitRound(RoundStart start = RoundStart::kGame);
// The engine half of the battle start: CPU states, counters, patterns, the caller's steps before
// the round (`beforeRound`, when given), the round, and the warm-up frames unless `warmUp` is
// false (an online battle starts without them).
void InitBattleEngine(RoundStart start = RoundStart::kGame, bool warmUp = true,
                      void (*beforeRound)() = nullptr);
// The one round change: on a finished round (g_RoundRestart 255) the round counter goes on
// modulo 9, the request is cleared and a recorded or played replay moves to its next round. 1
// when it did, 2 when it did and a playback has used up its rounds, 0 when no round had
// finished. The battle scene's round step and the harness's both go through it.
int ChangeRound();
// The harness's round step between rounds: the round change, then the engine half of the next
// round's start. 1 when it did, 0 when no round had finished.
int StartNextRound(RoundStart start = RoundStart::kGame);
// The battle draw, once per logic frame, headless included.
void DrawBattle();

// The timer speed as the tables may index it: above 4 it is taken as 4, with a log line.
int ClampedTimerSpeed();
// The clock's per-round words back to 0 (chained into the round flow words of the battle
// counters' reset).
void ResetBattleClockRoundWords();
// Every clock word and the round counter back to 0 (the start of a match).
void ResetBattleClockForMatch();

void InstallBattleClockSeams();
