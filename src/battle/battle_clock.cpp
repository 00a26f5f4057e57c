// The battle clock and the round's engine half (see battle_clock.h).
#include "battle/battle_clock.h"

#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_driver.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/combo_records.h"
#include "battle/game_mode.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle/particle_pool.h"
#include "battle/partners.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
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

bool IsTraining() { return g_GameModeFlags == MODE_TRAINING; }

// The intro may play unless an arcade fight (outside the attract demo, off the extra route)
// starts on a route stage that names a special entry.
bool IntroAllowed() {
  if (g_GameModeFlags != MODE_ARCADE || g_AttractDemo != 0) return true;
  const StoryBattleRoute* route = StoryBattleRouteOfSide(g_MainSide);
  const RouteStage* stage = CurrentRouteStage(g_MainSide);
  if (!route || !stage || route->extraRoute == 1) return true;
  return stage->extra == -1;
}

// Each side stands at match point when one more round win reaches the rounds it needs.
void SetMatchPointFlags() {
  for (int s = 0; s < 2; ++s) {
    const int64_t wins = g_BattleState[BattleStateIndex::kRoundMarks + 12 * s];
    const int64_t needed = g_BattleState[BattleStateIndex::kRoundMarks + 12 * s + 1];
    g_BattleState[BattleStateIndex::kMatchPoint0 + s] = wins + 1 >= needed ? 1 : 0;
  }
}

void PrepareSlot(int i, bool firstRound, bool introAllowed) {
  PlayerRecord& r = g_PlayerRecords[i];
  BattleObject& o = r.obj;
  o.gaugeMode = 0;
  o.heatTimer = 0;
  o.gaugeModeMax = 0;
  if (firstRound) {
    if (g_AttractDemo != 0) {
      const int type = o.type >= 0 && o.type < 10 ? o.type : 0;
      o.circuit = WrapAdd(g_TypeParams[type].magicCircuitMax, -1);
    } else {
      o.circuit = 10000;
    }
  }
  o.life = o.redLife = g_MaxLife;
  if (!r.inUse) return;
  const int side = i & 1;
  if (g_GameModeFlags & kFourPlayerFlag) {
    // The four-player layout: every slot a fighter of its own, facing by its side, no partners.
    InitPlayerRecord(r, side, kRoundStartX[i], side);
  } else {
    if (i < 2)
      InitPlayerRecord(r, side, kRoundStartX[i], side);
    else
      InitPartnerRecord(r, side, side);
    if (g_SideStatus[side].hasPartner == 1)
      o.partner = &g_PlayerRecords[i ^ 2].obj;
    else if (i >= 2)
      r.inUse = 0;
  }
  o.posX = kRoundStartX[i];
  o.posY = 0;
  if (!firstRound || IsTraining()) {
    // Later rounds and training: no intro, the pattern stays as the record reset left it.
    o.koWait = 1;
    return;
  }
  const bool intro = introAllowed && HasPattern(o, 50);
  o.pattern = intro ? 50 : 0;
  // The intro byte: the intro's last frame sets it (effect 6/254); without an intro it is done.
  o.koWait = intro ? 0 : 1;
  o.frame = 0;
  o.pendingPattern = -1;
  ResetActionState(o);
  SetPattern(o);
}

}  // namespace

int ClampedTimerSpeed() {
  // The round clock asks every frame: one line each time a bad value appears, not one per frame.
  static int logged = -1;
  if (g_TimerSpeed <= 4) {
    logged = -1;
    return g_TimerSpeed;
  }
  if (logged != g_TimerSpeed) {
    logged = g_TimerSpeed;
    DebugPrint("round clock: timer speed %d is outside 0..4; 4 used\n", g_TimerSpeed);
  }
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

void InitRound(RoundStart start) {
  const bool firstRound = g_RoundCounter == 0;
  ClearObjectPool();
  ClearParticlePool();
  ResetBattleCounters();
  ResetHudBanners();
  g_BattlePhase = 0;
  SettleRoundMarks();
  SetMatchPointFlags();
  for (int i = 0; i < 4; ++i) {
    g_SideStatus[i].activePlayer = i;
    g_SideStatus[i].notFreeFrames = 0;
    g_SideStatus[i].roundsWon = 0;
    g_SideStatus[i].lifeTotal = 0;
  }
  for (int side = 0; side < 2; ++side) ResetPartnerRound(side);
  const bool introAllowed = start == RoundStart::kGame && IntroAllowed();
  BattleSeamResetCpuAiStates();
  for (int i = 0; i < kPlayerSlots; ++i) PrepareSlot(i, firstRound, introAllowed);
  ResetScreenBreakEffect();
  g_RoundTimer = 99 * kRoundTimeSteps[ClampedTimerSpeed()];
  g_Paused = 0;
  ResetBattleCameraForRound();
  g_CommandLock = 2;
  g_SlowMotion = 0;
  BattleSeamSetDrawCharactersOn(1);
  if (start == RoundStart::kFightersFree) {
    // Straight to the fighting phase: from the intro phase the round flow would still call the
    // fight and hold the fighters until its go point.
    g_CommandLock = 0;
    g_BattlePhase = 255;
  }
}

void InitBattleEngine(RoundStart start, bool warmUp, void (*beforeRound)()) {
  BattleSeamResetCpuAiStates();
  ResetBattleCounters();
  ResetPlayerPatterns(0, 0);
  if (beforeRound) beforeRound();
  InitRound(start);
  if (warmUp) RunWarmUpFrames();
}

int ChangeRound() {
  if (g_RoundRestart != 255) return 0;
  // Kept as the game counts: a tenth round finds 0 and repeats the first round's set-up.
  g_RoundCounter = (g_RoundCounter + 1) % 9;
  g_RoundRestart = 0;
  // A recorded or played match moves on to the replay's next round with the battle.
  const int replay = BattleSeamReplayMode();
  if ((replay == 1 || replay == 2) && BattleSeamReplayNextRound() != 0 && replay == 2) return 2;
  return 1;
}

int StartNextRound(RoundStart start) {
  // A playback that has used up its rounds ends the match.
  if (ChangeRound() != 1) return 0;
  InitBattleEngine(start);
  return 1;
}

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
  AddRoundWordsReset(ResetBattleClockRoundWords);
}
