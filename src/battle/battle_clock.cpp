// The battle clock and the round's engine half (see battle_clock.h).
#include "battle/battle_clock.h"

#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_driver.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/object_pool.h"
#include "battle/story_routes.h"

int32_t g_TrailHidden;
int32_t g_BgHoldTimer;
int16_t g_JudgeTimer;
int32_t g_BattleTimeStepped;
int32_t g_FightTime;
int32_t g_RoundCounter;
int32_t g_BattleStepCount;
int32_t g_BattleClockFrozen;

namespace {

// The slow gate: no slow motion, or a battle frame that slow motion steps.
bool SlowGatePasses() { return g_SlowMotion == 0 || g_BattleFrame % 3 == 0; }

template <typename T>
void CountDown(T& v) {
  if (v > 0) --v;
}

// One BattleState row: its freeze timer and its running event timers. Timers 0..31 wait while
// the afterimages are hidden after a decision; 32..63 always run.
void StepBattleStateRow(int row) {
  int32_t& freeze = g_BattleState[FreezeTimerIndex(row)];
  if (freeze > 0) {
    --freeze;
    g_BattleClockFrozen = 1;
  }
  for (int i = g_TrailHidden != 0 ? 32 : 0; i < 64; ++i) {
    int32_t& timer = g_BattleState[PlayerTimerIndex(row, i)];
    if (timer <= 0) continue;
    --timer;
    int32_t& elapsed = g_BattleState[PlayerTimerElapsedIndex(row, i)];
    elapsed = WrapAdd(elapsed, 1);
    g_BattleClockFrozen = 1;
  }
}

// The chained per-round words of the other modules (the combo and HUD words among them).
void (*g_ChainedRoundWords)() = nullptr;

void ResetRoundWordsChained() {
  if (g_ChainedRoundWords) g_ChainedRoundWords();
  ResetBattleClockRoundWords();
}

}  // namespace

int ClampedTimerSpeed() {
  if (g_TimerSpeed <= 4) return g_TimerSpeed;
  DebugPrint("round clock: timer speed %d is outside 0..4; 4 used\n", g_TimerSpeed);
  return 4;
}

void TickBattleClock() {
  g_BattleTimeStepped = 0;
  // A pause holds the clock: freezes, slow motion and event timers do not run out behind a menu.
  if (g_Paused == 1) return;
  // Only a positive request starts a freeze: a negative one from the data would otherwise stand
  // for ever (the countdown below takes only positive values) and hold the round.
  int32_t& request = g_BattleState[BattleStateIndex::kGlobalFreezeRequest];
  if (request > 0) g_GlobalFreeze = request;
  request = 0;
  g_BattleState[BattleStateIndex::kFreezeStarted] = 0;
  if (g_CommandLock == 0) ++g_BattleFrame;
  if (g_JudgeState == 0 && g_CommandLock == 0 && SlowGatePasses()) {
    g_FightTime = WrapAdd(g_FightTime, 1);
    if (StoryBattleRoute* route = StoryBattleRouteOfSide(g_MainSide))
      route->progress[4] = WrapAdd(route->progress[4], 1);
  }
  g_BattleClockFrozen = 0;
  if (g_GlobalFreeze > 0) {
    --g_GlobalFreeze;
    g_BattleClockFrozen = 1;
  }
  // Event timers wait with the freeze timers while a global freeze runs. All five rows step:
  // row 4 belongs to no slot but is stepped with the others.
  if (g_GlobalFreeze == 0)
    for (int row = 0; row < kBattleStateRows; ++row) StepBattleStateRow(row);
  CountDown(g_TrailHidden);
  // Slow motion waits while the afterimages are hidden after a decision.
  if (g_TrailHidden == 0) CountDown(g_SlowMotion);
  // Only a positive request starts slow motion (a negative one would run for minutes).
  if (g_SlowMotionRequest > 0) g_SlowMotion = g_SlowMotionRequest;
  g_SlowMotionRequest = 0;
  CountDown(g_BgHoldTimer);
  CountDown(g_JudgeTimer);
  CountDown(g_ScreenShake);
  if (g_SlowMotion == 0 || g_BattleFrame % 3 == 0) {
    g_BattleStepCount = WrapAdd(g_BattleStepCount, 1);
    g_BattleTimeStepped = 1;
  }
}

void InitRound(RoundStart) {}
void InitBattleEngine(RoundStart) {}
int AdvanceRound(RoundStart) { return 0; }

void DrawBattle() {
  BattleDrawCameraStep();
  if (BattleSeamDrawCharactersOn()) {
    BattleSeamDrawCharacters();
    DrawPoolObjects();
    BattleSeamDrawParticles();
  }
  BattleSeamUpdateDrawHud();
}

void ResetBattleClockRoundWords() {
  g_TrailHidden = 0;
  g_BgHoldTimer = 0;
  g_JudgeTimer = 0;
  g_BattleTimeStepped = 0;
  g_FightTime = 0;
  g_BattleStepCount = 0;
  g_BattleClockFrozen = 0;
}

void ResetBattleClockForMatch() {
  ResetBattleClockRoundWords();
  g_RoundCounter = 0;
}

void InstallBattleClockSeams() {
  BattleSeams& s = g_BattleSeams;
  s.BgHoldTimer = [] { return g_BgHoldTimer; };
  s.RoundCounter = [] { return g_RoundCounter; };
  // Chained: the words of the modules installed before keep being cleared. Installing twice
  // must not chain the clock onto itself.
  if (s.ResetRoundFlowWords != ResetRoundWordsChained) {
    g_ChainedRoundWords = s.ResetRoundFlowWords;
    s.ResetRoundFlowWords = ResetRoundWordsChained;
  }
}
