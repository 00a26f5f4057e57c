// The round flow and the judge: the two per-frame state machines that take a round from its
// fade-in to the moment the battle learns how the round and the match ended, with the round
// marks, the arcade round bonus, the arcade end flash and the records the judge leaves for the
// winner call and the scenes.
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

// The record the judge fills before it starts the winner call.
struct WinnerCallInfo {
  int32_t resultFlag =
      0;  // 0 side 0 won, 1 side 1; arcade and team battle 0x10 main side, 0x110 its opponent
  int32_t winnerCharacter = 0;  // the winner's character index
  int32_t scores[5] = {};       // the round bonus: life, perfect, time, combo, total
};
extern WinnerCallInfo g_WinnerCallInfo;

// What the judge records when a side wins the match (the scenes after the battle read them).
extern uint8_t g_MatchWinnerSide;  // 0 or 1, 255 a draw
extern uint8_t g_WinnerCharacter;
extern uint8_t g_LoserCharacter;
extern uint8_t g_MainSideLost;  // 1 when the winner is not the main side
// Arcade counts of the running match: the main side's perfect round wins and its lost rounds.
extern int32_t g_MatchPerfectWins;
extern int32_t g_MatchRoundsLost;

// The round flow's and the judge's own words, cleared at every round start.
struct RoundFlowWords {
  int32_t wipeStep = 0;      // step of the running wipe (phases 100 and 101)
  int32_t flowWait = 0;      // frames the intro wait has lasted
  int32_t judgeWait = 0;     // frames the running pose wait has lasted
  int32_t posedSlots = 0;    // bit per slot that queued its pose in judge state 2
  int32_t waitLogged = 0;    // bit per slot whose capped wait was logged this round
  int32_t storyEnded = 0;    // the dialogue ended this step
  int32_t creditLocks = -1;  // last value handed to the credit locks (-1 none yet)
};
extern RoundFlowWords g_RoundFlowWords;

// A wait for intros or poses that nobody can end (no button pressed, a pattern that never returns)
// gives up after this many frames, as if it had ended.
inline constexpr int32_t kMaxRoundWaitFrames = 1200;

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
// The time bonus of a round fought for `elapsed` battle steps (at least 1).
int32_t TimeBonus(int32_t elapsed);
void DrawScreenFlash();
// One step of the arcade end flash: 1 while it still runs, 0 when it has finished or does not
// apply.
int StepArcadeEndFlash();
void SettleSideMarks(int side);
void SettleRoundMarks();
void AddRoundMarks();
void ResetPlayerPatterns(int ignored, int variant);
// The round words of this module back to their round-start values (through ResetRoundFlowWords).
void ResetRoundFlowRoundWords();
// Every global of this module back to its program-start value (tests and the harness).
void ResetRoundFlowState();
// The round timer's speed index 0..4 (0 infinite); a larger stored value reads as 4.

// Round marks: side s's twelve words in the battle state block.
int32_t* RoundMarks(int side);
// 1 when side s stood at match point at round start.
int IsAtMatchPoint(int side);

void InstallRoundFlowSeams();
