// The round flow and the judge (see round_flow.h).
#include "battle/round_flow.h"

#include <algorithm>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_sound.h"
#include "battle/battle_support.h"
#include "battle/character_draw.h"
#include "battle/command_input.h"
#include "battle/game_mode.h"
#include "battle/hit_resolution.h"
#include "battle/object_state.h"
#include "battle/particle_pool.h"
#include "battle/round_calls.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"

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

WinnerCallInfo g_WinnerCallInfo;
uint8_t g_MatchWinnerSide;
uint8_t g_WinnerCharacter;
uint8_t g_LoserCharacter;
uint8_t g_MainSideLost;
int32_t g_MatchPerfectWins;
int32_t g_MatchRoundsLost;
RoundFlowWords g_RoundFlowWords;

namespace {

constexpr int32_t kModeArcade = 0x10;
constexpr int32_t kModeTeam = 0x30;
constexpr int kSystemPriority = 30003;
constexpr int kWinPose = 52;
constexpr int kLosePose = 248;
constexpr uint8_t kPoseKnockedOut = 0x01;
constexpr uint8_t kPosed = 0x10;
constexpr float kFadeStep = 0.025f;
constexpr float kDimStep = 0.05f;

bool InTraining() { return g_GameModeFlags == MODE_TRAINING; }
bool ArcadeOrTeam() { return g_GameModeFlags == kModeArcade || g_GameModeFlags == kModeTeam; }
bool PartnerModes() { return (g_GameModeFlags & 0x300) != 0; }
int MainSide() { return g_MainSide & 1; }

// The fade gates phases 1, 2, 5 and 251. It grows by 0.025 in float32 and is clamped on 1:
// forty additions give 0.9999996, so it is complete on the 41st step.
bool FadeComplete() { return g_RoundFade >= 1.0f; }

// Characters that take part in the round: slots in use, reserve partners that are not their
// side's active character left out (every slot fights in the four-player mode).
bool IsActiveFighter(int slot) {
  const PlayerRecord& r = g_PlayerRecords[slot];
  if (!r.inUse) return false;
  if (g_GameModeFlags & kFourPlayerFlag) return true;
  const int side = SideIndexOrNone(r.obj.side);
  if (side < 0) return false;
  return r.obj.partnerState == 0 || g_SideStatus[side].activePlayer == slot;
}

void SetCreditLocks(int on) {
  // An attract demo leaves the credit table alone.
  if (g_AttractDemo != 0) return;
  g_RoundFlowWords.creditLocks = on;
  BattleSeamSetCreditLocks(on);
}

void ArmLatch(uint32_t bits) {
  if (g_AppJoystick) g_AppJoystick->requestWord |= bits;
}

int ConsumeLatch(uint32_t bits) { return g_AppJoystick ? g_AppJoystick->ConsumeLatch(bits) : 0; }

// A wait nobody may be able to end (a CPU-against-CPU match, a replay, the attract demo): after
// kMaxRoundWaitFrames it ends as if it had ended, logged once per character and round.
bool WaitCapped(int32_t& frames, int slotsWaiting, const char* what) {
  if (++frames < kMaxRoundWaitFrames) return false;
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    const int bit = 1 << slot;
    if (!(slotsWaiting & bit) || (g_RoundFlowWords.waitLogged & bit)) continue;
    g_RoundFlowWords.waitLogged |= bit;
    DebugPrint("battle: %s of slot %d (character %d, pattern %d) still running after %d frames; going on\n",
               what, slot, g_PlayerRecords[slot].obj.charaIndex, g_PlayerRecords[slot].obj.pattern,
               kMaxRoundWaitFrames);
  }
  return true;
}

void DrawBlackQuad(int32_t x, int32_t w, bool fadeLeft, bool fadeRight) {
  if (!g_BattleDrawSubmit) return;
  GrpDrawList* list = g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr;
  const uint32_t black = 0xFF000000u, clear = 0x00000000u;
  const uint32_t left = fadeLeft ? clear : black, right = fadeRight ? clear : black;
  const uint8_t filter = g_DrawFilterMode;
  g_DrawFilterMode = 2;
  DrawRect(list, x, 0, w, 480, left, right, left, right, 1021);
  g_DrawFilterMode = filter;
}

// The round-state reset of the wipes, the replay restart and the dialogue's wipe in.
void ResetRoundState(bool keepSounds) {
  ResetPlayerPatterns(0, 0);
  for (PlayerRecord& r : g_PlayerRecords) {
    if (!r.inUse) continue;
    for (int16_t& v : r.obj.charVars) v = 0;
    r.obj.aiLifeMarks = 0;
  }
  ClearObjectPool();
  ClearParticlePool();
  if (!keepSounds)
    for (PlayerRecord& r : g_PlayerRecords)
      if (r.inUse) StopCharacterVoices(r.obj);
}

// The round call opens a normal round with the round index + 1, or 0 for the final round; in
// training the fight call opens it alone. (The round flow's "fight call system effect 0" names
// no call code: the calls' own description decides it.)
void StartRoundCalls() {
  int32_t block[8] = {};
  if (InTraining()) {
    BattleSeamSpawnCallEffect(253, block, 0);
    return;
  }
  block[2] = g_FinalRound == 255 ? 0 : g_RoundCounter + 1;
  BattleSeamSpawnCallEffect(256, block, 0);
}

bool IntroFinished(const BattleObject& o) {
  // A character back in pattern 0 has finished its intro, whether or not its intro pattern set
  // the intro byte on the way.
  return o.koWait != 0 || o.pattern == 0;
}

void FlowPhase1(uint32_t pressed) {
  if (InTraining()) {
    StartFight();
    return;
  }
  if (pressed != 0) {
    g_BattlePhase = 101;
    g_RoundFlowWords.wipeStep = 0;
    SetCreditLocks(1);
    return;
  }
  if (!FadeComplete()) return;
  int waiting = 0;
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    const PlayerRecord& r = g_PlayerRecords[slot];
    if (r.inUse && r.obj.partnerState == 0 && !IntroFinished(r.obj)) waiting |= 1 << slot;
  }
  if (waiting != 0 && !WaitCapped(g_RoundFlowWords.flowWait, waiting, "intro")) return;
  g_RoundFlowWords.flowWait = 0;
  if (BattleSeamIsNetMatchActive()) {
    g_BattlePhase = 50;
    ArmLatch(0x101);
  } else {
    StartFight();
  }
}

void FlowWipeIn() {
  int32_t& step = g_RoundFlowWords.wipeStep;
  if (step == 0) {
    static constexpr int32_t kStartX[kPlayerSlots] = {-16384, 16384, -29184, 29184};
    for (int slot = 0; slot < kPlayerSlots; ++slot) {
      BattleObject& o = g_PlayerRecords[slot].obj;
      if (!g_PlayerRecords[slot].inUse) continue;
      o.posX = kStartX[slot];
      o.posY = 0;
    }
    g_ScreenShake = 1;
    RunWarmUpFrames();
    SetupSpecialStageCamera();
  }
  if (step < 16) {
    const int32_t x = step * -64;
    DrawBlackQuad(x, 640, false, false);
    DrawBlackQuad(x + 640, 512, false, true);
    ++step;
    return;
  }
  step = 0;
  StartFight();
}

void FlowWipeOut() {
  int32_t& step = g_RoundFlowWords.wipeStep;
  if (step < 16) {
    const int32_t x = (16 - step) * 64 - 384;
    DrawBlackQuad(x, 512, true, false);
    DrawBlackQuad(x + 512, 640, false, false);
    ++step;
    return;
  }
  step = 0;
  g_BattlePhase = 100;
  ResetRoundState(false);
}

void FlowPhaseStep(uint32_t pressed) {
  switch (g_BattlePhase) {
    case 0:
      g_DimTarget = g_DimValue = 1.0f;
      g_RoundFlowWords.wipeStep = g_RoundFlowWords.flowWait = 0;
      // The music of the match runs on from round to round; only a match's first round stops
      // whatever played before it.
      if (g_RoundCounter == 0) StopBgm();
      g_BattlePhase = 1;
      {
        const int main = MainSide();
        if (!g_PlayTimers[kModeTimer0 + main].running) StartModePlayTimer(main);
      }
      if (g_GameModeFlags == kModeArcade && StageHasStoryText())
        g_BattlePhase = 250;
      else
        SetupSpecialStageCamera();
      break;
    case 1:
      FlowPhase1(pressed);
      break;
    case 2:
    case 5:
      if (!FadeComplete()) break;
      {
        const bool training = g_BattlePhase == 5;
        StartStageBgm();
        StartRoundCalls();
        if (training) {
          SetCreditLocks(0);
          g_DimTarget = 0.0f;
          g_CommandLock = 0;
        }
      }
      break;
    case 12:
      BattleSeamReplayRoundStart();
      g_BattlePhase = 2;
      ResetPlayerPatterns(0, 0);
      break;
    case 50:
      if (pressed != 0) {
        g_BattlePhase = 101;
        g_RoundFlowWords.wipeStep = 0;
        SetCreditLocks(1);
      } else if (ConsumeLatch(0x101)) {
        StartFight();
      }
      break;
    case 99:
      g_BattlePhase = 12;
      ResetRoundState(true);
      break;
    case 100:
      FlowWipeIn();
      break;
    case 101:
      FlowWipeOut();
      break;
    case 250:
      if (BattleSeamLoadStoryScript() == 0) {
        StartFight();
      } else {
        g_BattlePhase = 251;
      }
      break;
    case 251: {
      if (!FadeComplete()) break;
      const int result = BattleSeamRunStoryScript();
      if (result == 255 || result == 256) {
        g_RoundFlowWords.storyEnded = 1;
        g_RoundFlowWords.wipeStep = 0;
        g_BattlePhase = result == 255 ? 101 : 100;
        if (result == 256) ResetRoundState(false);
        SetCreditLocks(1);
      }
      break;
    }
    default:
      break;
  }
}

void MoveDim() {
  if (g_DimValue < g_DimTarget)
    g_DimValue = std::min(g_DimValue + kDimStep, g_DimTarget);
  else if (g_DimValue > g_DimTarget)
    g_DimValue = std::max(g_DimValue - kDimStep, g_DimTarget);
}

}  // namespace

// ---- round marks ----

int32_t* RoundMarks(int side) { return &g_BattleState[BattleStateIndex::kRoundMarks + 12 * (side & 1)]; }

int IsAtMatchPoint(int side) {
  return g_BattleState[BattleStateIndex::kMatchPoint0 + (side & 1)] != 0 ? 1 : 0;
}

void SettleSideMarks(int side) {
  if (side < 0 || side > 1) return;
  int32_t* m = RoundMarks(side);
  for (int i = 2; i < 12; ++i)
    if (m[i] >= 100) m[i] -= 100;
}

void SettleRoundMarks() {
  SettleSideMarks(0);
  SettleSideMarks(1);
}

namespace {

void GiveMark(int side) {
  int32_t* m = RoundMarks(side);
  const int slot = std::clamp(m[0], 0, 9);
  m[2 + slot] = WrapAdd(g_RoundResultKind, 100);  // new: shown until the mark's particle settles it
  m[0] = WrapAdd(m[0], 1);
  int32_t block[8] = {side, slot};
  BattleSeamSpawnParticleEffect(300, block, 0, nullptr);
}

}  // namespace

void AddRoundMarks() {
  if (InTraining()) return;
  if (g_RoundWinner == 0 || g_RoundWinner == 1) {
    GiveMark(g_RoundWinner);
    return;
  }
  const int mp0 = IsAtMatchPoint(0), mp1 = IsAtMatchPoint(1);
  if (!mp0) GiveMark(0);
  if (!mp1) GiveMark(1);
  if (mp0 && mp1 && g_FinalRound != 255) g_FinalRound = 1;
}

// ---- decisions ----

void RoundTimerTick() {
  if (g_Paused || g_GlobalFreeze || g_CommandLock || g_JudgeState || IsAnyHeatActive()) return;
  if (ClampedTimerSpeed() == 0) return;  // speed 0: the clock never runs out
  if (g_RoundTimer > 0) --g_RoundTimer;
}

namespace {

struct Decision {
  int result = 0;
  bool beaten[2] = {};
};

Decision Decide() {
  int count[2] = {}, out[2] = {};
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    if (!IsActiveFighter(slot)) continue;
    BattleObject& o = g_PlayerRecords[slot].obj;
    const int side = o.side & 1;
    ++count[side];
    if (o.finishKind == 0) continue;
    ++out[side];
    o.patternHold |= kPoseKnockedOut;
    o.noCommand = 1;
    // The sudden-death bit that would withhold this invulnerability belongs to a word no mode
    // sets: it reads as clear.
    if (PartnerModes()) {
      const Han6FrameState& st = FrameState(o);
      const bool falling =
          st.stance == 1 && st.asmv == 0 && o.hitReaction == 0 && o.hitFrames >= o.untechTime;
      if (falling || o.groundRecoveryAllowed) o.strikeInvuln = o.throwInvuln = 200;
    }
  }
  Decision d;
  for (int side = 0; side < 2; ++side)
    d.beaten[side] = PartnerModes() ? (count[side] > 0 && out[side] == count[side]) : out[side] > 0;
  const int n = int{d.beaten[0]} + int{d.beaten[1]};
  d.result = n == 1 ? 1 : n == 2 ? 2 : (g_RoundTimer == 0 ? 99 : 0);
  return d;
}

// Time over: each active character's remaining life first goes into its side's life total.
uint8_t WinnerByLife() {
  int32_t best[2] = {-1, -1};
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    if (!IsActiveFighter(slot)) continue;
    const BattleObject& o = g_PlayerRecords[slot].obj;
    SideStatus& s = g_SideStatus[o.side & 1];
    s.lifeTotal = WrapAdd(s.lifeTotal, o.life);
    if (o.finishKind != 0) continue;
    best[o.side & 1] = std::max(best[o.side & 1], o.life);
  }
  if (best[0] == best[1]) return 255;
  return best[0] > best[1] ? 0 : 1;
}

void RequestFinalRoundTakeovers() {
  if (g_FinalRound != 255) return;
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    PlayerRecord& r = g_PlayerRecords[slot];
    if (!r.inUse) continue;
    const int side = SideIndexOrNone(r.obj.side);
    if (side < 0) continue;
    const bool active = g_SideStatus[side].activePlayer == slot || r.obj.partner == nullptr;
    if (active && BattleSeamIsTakeoverDue(&r.obj) && g_SideStatus[side].partnerControl == 0)
      g_SideStatus[side].partnerControl = 1;
  }
}

void SpawnKoCall(int kind, int argument) {
  int32_t block[8] = {};
  block[2] = kind;
  block[3] = argument;
  BattleSeamSpawnCallEffect(255, block, 0);
}

// Boss intrusion at a single knock-out in arcade, judged on the main side's route stage.
bool BossIntrudes() {
  if (g_GameModeFlags != kModeArcade || g_RoundWinner > 1) return false;
  const int main = MainSide();
  const RouteStage* stage = CurrentRouteStage(main);
  if (!stage) return false;
  const bool mainWon = g_RoundWinner == main;
  if (stage->flags & 0x400) return mainWon && IsAtMatchPoint(main);
  const bool lostAsBoss = BattleSeamRouteCharacter(main) == 51 && !mainWon;
  const bool extraWin = BattleSeamIsArcadeExtraRoute() != 0 && mainWon;
  return (lostAsBoss || extraWin) && IsAtMatchPoint(g_RoundWinner);
}

void JudgeUndecided() {
  g_MatchOutcome = 0;
  g_ScreenFlashAlpha = 0;
  g_JudgeAbort = 0;
  // RoundDecided marks the knocked-out characters; the winner is taken from its sides.
  const Decision d = Decide();
  if (d.result == 0) return;
  g_JudgeState = 199;
  if (d.result == 2) {
    g_RoundWinner = 255;
    SpawnKoCall(6, 0);
    g_RoundResultKind = 0;
    g_SlowMotion = 90;
  } else if (d.result == 99) {
    g_RoundWinner = WinnerByLife();
    SpawnKoCall(99, g_RoundWinner == 255 ? 2 : 0);
    g_RoundResultKind = 2;
  } else {
    RequestFinalRoundTakeovers();
    g_RoundWinner = d.beaten[0] ? 1 : 0;
    SpawnKoCall(g_LastFinishKind, IsPerfectRound(g_RoundWinner));
    g_SlowMotion = 90;
    g_JudgeTimer = 90;
    g_RoundResultKind = (g_LastFinishKind == 20 || g_LastFinishKind == 21) ? 1 : 0;
    if (BossIntrudes()) g_JudgeState = 220;
  }
  BattleSeamCountNetVSMatchResult(g_RoundWinner);
  if (BattleSeamIsNetMatchActive()) {
    for (int side = 0; side < 2; ++side)
      BattleSeamQueueRatingResult(side, g_RoundWinner == 255 ? 2 : (g_RoundWinner == side ? 0 : 1));
  }
  g_RoundFlowWords.judgeWait = 0;
  g_TrailHidden = 60;
  // Kept as the judge orders it: the knock-out's 90 above gives way to the common 10 (the
  // knock-out call the next state waits for lasts longer anyway).
  g_JudgeTimer = 10;
}

bool AnyUnsettled() {
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    if (!IsActiveFighter(slot)) continue;
    const BattleObject& o = g_PlayerRecords[slot].obj;
    const bool lying = o.downState != 0;
    const bool calm = o.hitReaction == 0 && o.pendingPattern < 0;
    if (!lying && !calm) return true;
  }
  return false;
}

bool KnockedOutLanded() {
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    if (!IsActiveFighter(slot)) continue;
    const BattleObject& o = g_PlayerRecords[slot].obj;
    if (o.finishKind != 0 && !(o.patternHold & kPosed) && FrameState(o).asmv == 0) return false;
  }
  return true;
}

// Queues a pose, or marks the character posed when it has no such pattern.
void QueuePose(BattleObject& o, int pattern) {
  if (HasPattern(o, pattern))
    ChangePattern(o, pattern, 0, kSystemPriority);
  else
    o.patternHold |= kPosed;
}

void PoseSide(int side, int pattern) {
  for (int slot = 0; slot < kPlayerSlots; ++slot)
    if (IsActiveFighter(slot) && (side < 0 || (g_PlayerRecords[slot].obj.side & 1) == side))
      QueuePose(g_PlayerRecords[slot].obj, pattern);
}

// True once the slots in `slots` no longer play a pattern (or the capped wait gave up).
bool PosesEnded(int slots, bool onlyWithWinPose) {
  int waiting = 0;
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    if (!(slots & (1 << slot)) || !g_PlayerRecords[slot].inUse) continue;
    const BattleObject& o = g_PlayerRecords[slot].obj;
    if (o.pattern != 0 && (!onlyWithWinPose || HasPattern(o, kWinPose))) waiting |= 1 << slot;
  }
  if (waiting == 0 || WaitCapped(g_RoundFlowWords.judgeWait, waiting, "pose")) {
    g_RoundFlowWords.judgeWait = 0;
    return true;
  }
  return false;
}

int SideSlots(int side) {
  int slots = 0;
  for (int slot = 0; slot < kPlayerSlots; ++slot)
    if (IsActiveFighter(slot) && (side < 0 || (g_PlayerRecords[slot].obj.side & 1) == side))
      slots |= 1 << slot;
  return slots;
}

bool Skip() { return g_SkipLatched != 0; }

void GoOnline(uint8_t state, uint32_t latch) {
  g_JudgeState = state;
  ArmLatch(latch);
}

void FillWinnerCall() {
  WinnerCallInfo& w = g_WinnerCallInfo;
  const int winner = g_RoundWinner;
  if (ArcadeOrTeam())
    w.resultFlag = winner == MainSide() ? 0x10 : 0x110;
  else
    w.resultFlag = winner == 1 ? 1 : 0;
  const BattleObject* o = GetSidePlayer(winner, 0);
  w.winnerCharacter = o ? o->charaIndex : 0;
  for (int i = 0; i < 5; ++i) w.scores[i] = g_RoundBonus[i];
}

void SettleRoundWin() {
  const int winner = g_RoundWinner;
  const int main = MainSide();
  if (winner <= 1) {
    SideStatus& s = g_SideStatus[winner];
    s.roundsWon = WrapAdd(s.roundsWon, 1);
    s.score = WrapAdd(s.score, g_RoundBonus[4]);
    if (g_GameModeFlags == kModeArcade) {
      if (winner == main && IsPerfectRound(winner)) g_MatchPerfectWins = WrapAdd(g_MatchPerfectWins, 1);
      if (winner != main) g_MatchRoundsLost = WrapAdd(g_MatchRoundsLost, 1);
    }
    if (g_GameModeFlags == kModeTeam && winner == main) {
      if (BattleObject* o = GetSidePlayer(winner, 0)) {
        int64_t r = 1000;
        if (g_RoundTimer > 0) r += 6 * int64_t{g_RoundBonus[2]};
        o->redLife = static_cast<int32_t>(std::min<int64_t>(int64_t{o->redLife} + r / 2, g_MaxLife));
        o->life = static_cast<int32_t>(std::min<int64_t>(int64_t{o->life} + r, o->redLife));
      }
    }
  }
}

void DecideMatch() {
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse) StopCharacterVoices(r.obj);
  int outcome = 0;
  int winner = g_RoundWinner;
  const int main = MainSide();
  if (g_AttractDemo != 0) {
    outcome = 1;
  } else {
    int m = MatchDecidedBy(winner);
    if (m == -1) {
      if (ArcadeOrTeam()) {
        winner = main ^ 1;
        m = 1;
      } else {
        outcome = 2;
        g_MatchWinnerSide = 255;
      }
    }
    if (m == 1) {
      const BattleObject* w = GetSidePlayer(winner, 0);
      const BattleObject* l = GetSidePlayer(winner ^ 1, 0);
      g_MatchWinnerSide = static_cast<uint8_t>(winner);
      g_WinnerCharacter = w ? w->charaIndex : 0;
      g_LoserCharacter = l ? l->charaIndex : 0;
      g_MainSideLost = winner != main ? 1 : 0;
      outcome = 1;
    }
  }
  g_MatchOutcome = outcome;
  SettleRoundMarks();
  if (outcome == 1 && g_AttractDemo == 0 && winner == main) {
    if (g_GameModeFlags == kModeArcade && BattleSeamCheckArcadeExtraRoute()) {
      BattleSeamStartChallengerScreen();
      g_JudgeState = 201;
      SetCreditLocks(1);
    }
    const BattleObject* w = GetSidePlayer(winner, 0);
    if (w && w->charaIndex == 19 && BattleSeamIsLocalSide(winner)) BattleSeamQueueAchievement(42);
  }
  if (g_JudgeState != 255) return;
  if (outcome == 0) {
    // The match goes on: the round step re-enters the battle for the next round.
    if (!InTraining()) g_MatchOutcome = 255;
    if (g_FinalRound == 1) g_FinalRound = 255;
    g_RoundRestart = static_cast<uint8_t>(g_MatchOutcome);
  } else {
    g_JudgeState = 200;
  }
}

void EndMatch() {
  if (StepArcadeEndFlash()) return;
  const int main = MainSide();
  if (g_GameModeFlags == kModeArcade && g_MatchOutcome == 1 && g_MatchWinnerSide == main) {
    if (const RouteStage* stage = CurrentRouteStage(main)) {
      if (stage->flags & (0x4 | 0x400))
        g_MatchOutcome = 13;
      else if (stage->flags & 0x2)
        g_MatchOutcome = 3;
      else if (stage->flags & 0x8)
        g_MatchOutcome = 14;
    }
  }
  if (BattleSeamIsNetMatchActive()) {
    for (int side = 0; side < 2; ++side) {
      const int result = g_MatchWinnerSide > 1 ? 2 : (g_MatchWinnerSide == side ? 0 : 1);
      BattleSeamApplyMatchResult(side, result);
    }
  }
  g_RoundRestart = static_cast<uint8_t>(g_MatchOutcome);
}

void JudgeStep() {
  switch (g_JudgeState) {
    case 0:
      JudgeUndecided();
      break;
    case 199:
      if (g_JudgeTimer != 0 || AnyUnsettled() || !g_KoCall.done) break;
      if (g_RoundResultKind == 2) {
        AddRoundMarks();
        g_JudgeState = 250;
      } else if (KnockedOutLanded()) {
        AddRoundMarks();
        g_JudgeState = 2;
      }
      break;
    case 2: {
      if (g_JudgeTimer != 0) break;
      int posed = 0;
      for (int slot = 0; slot < kPlayerSlots; ++slot) {
        if (!IsActiveFighter(slot)) continue;
        BattleObject& o = g_PlayerRecords[slot].obj;
        const int side = o.side & 1;
        if (o.facing != o.wantedFacing || (o.patternHold & kPosed) || g_SideStatus[side].actionLock != 0)
          continue;
        const int pose = (g_RoundWinner == side) ? kWinPose : kLosePose;
        if (!HasPattern(o, pose)) continue;
        ChangePattern(o, pose, 0, kSystemPriority);
        posed |= 1 << slot;
      }
      g_RoundFlowWords.posedSlots = posed;
      g_RoundFlowWords.judgeWait = 0;
      g_JudgeState = 4;
      g_JudgeTimer = 30;
      break;
    }
    case 4:
      if (!PosesEnded(g_RoundFlowWords.posedSlots, true)) break;
      if (InTraining()) {
        g_JudgeState = 150;
        g_JudgeTimer = 201;
      } else if (g_JudgeAbort) {
        g_JudgeState = 250;
      } else if (BattleSeamIsNetMatchActive()) {
        GoOnline(50, 0x401);
      } else {
        g_JudgeState = 250;
      }
      break;
    case 50:
      if (g_JudgeAbort || ConsumeLatch(0x401)) g_JudgeState = 250;
      break;
    case 102:
      if (g_JudgeAbort) {
        g_JudgeState = 251;
      } else if (ConsumeLatch(0x401)) {
        g_JudgeState = 105;
        g_JudgeTimer = 30;
      }
      break;
    case 121:
      if (g_JudgeAbort || ConsumeLatch(0x402)) {
        g_JudgeState = 251;
        g_JudgeTimer = 60;
      }
      break;
    case 99:
      if (g_JudgeTimer == 0) g_JudgeState = g_RoundWinner == 255 ? 110 : 100;
      break;
    case 100:
      if (g_JudgeTimer != 0 && !Skip()) break;
      PoseSide(g_RoundWinner, kWinPose);
      g_RoundFlowWords.judgeWait = 0;
      g_JudgeState = g_JudgeAbort ? 251 : 101;
      g_JudgeTimer = 10;
      break;
    case 101:
    case 120: {
      const bool winnerOnly = g_JudgeState == 101;
      if (!PosesEnded(SideSlots(winnerOnly ? g_RoundWinner : -1), false)) break;
      if (BattleSeamIsNetMatchActive()) {
        GoOnline(winnerOnly ? 102 : 121, winnerOnly ? 0x401 : 0x402);
      } else if (winnerOnly) {
        g_JudgeState = 105;
        g_JudgeTimer = 30;
      } else {
        g_JudgeState = 251;
        g_JudgeTimer = 60;
      }
      break;
    }
    case 105:
      if (g_JudgeTimer != 0 && !Skip()) break;
      PoseSide(g_RoundWinner ^ 1, kLosePose);
      g_RoundFlowWords.judgeWait = 0;
      g_JudgeState = g_JudgeAbort ? 251 : 120;
      break;
    case 110:
      PoseSide(-1, kLosePose);
      g_RoundFlowWords.judgeWait = 0;
      g_JudgeState = g_JudgeAbort ? 251 : 120;
      break;
    case 150:
      if (g_JudgeTimer != 0 && !Skip()) break;
      g_RoundWinner = 255;
      if (!StepArcadeEndFlash()) g_JudgeState = 254;
      break;
    case 220:
      g_JudgeTimer = 0;
      AddRoundMarks();
      g_JudgeAbort = 1;
      ComputeRoundBonus();
      g_JudgeState = 252;
      g_SlowMotion = 180;
      break;
    case 250:
      ComputeRoundBonus();
      if (!g_JudgeAbort && g_RoundWinner <= 1) {
        FillWinnerCall();
        BattleSeamStartWinnerCall();
      }
      if (g_RoundResultKind == 2 && !g_JudgeAbort) {
        g_JudgeState = 99;
      } else {
        g_JudgeState = 251;
        g_JudgeTimer = 30;
      }
      break;
    case 251:
      if (g_JudgeTimer != 0 && !Skip()) break;
      SettleRoundWin();
      g_JudgeState = 252;
      g_JudgeTimer = 201;
      break;
    case 252:
      if (g_JudgeTimer != 0 && !Skip()) break;
      if (!StepArcadeEndFlash()) g_JudgeState = 253;
      break;
    case 253:
      g_JudgeState = 255;
      break;
    case 254:
      if (g_JudgeTimer != 0) break;
      if (InTraining())
        BattleSeamToggleTrainingPause();
      else
        g_RoundRestart = 255;
      break;
    case 255:
      DecideMatch();
      break;
    case 200:
      EndMatch();
      break;
    case 201:
      BattleSeamUpdateChallengerScreen();
      BattleSeamDrawChallengerScreen();
      if (BattleSeamChallengerScreenClock() > 5.0f) g_RoundRestart = 4;
      break;
    default:
      break;
  }
}

}  // namespace

int RoundDecided() { return Decide().result; }

int MatchDecidedBy(int side) {
  if (side == 255) return g_FinalRound == 255 ? -1 : 0;
  if (side < 0 || side > 1) return 0;
  return (IsAtMatchPoint(side) || g_FinalRound == 255) ? 1 : 0;
}

int IsPerfectRound(int side) {
  int full = 0;
  for (const PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && (r.obj.side & 1) == side && side <= 1 && r.obj.life >= g_MaxLife) ++full;
  return PartnerModes() ? (full > 1 ? 1 : 0) : (full > 0 ? 1 : 0);
}

int32_t ComboBonus(int32_t hits) {
  static constexpr int32_t kRows[][2] = {{1, 666},  {2, 100},  {3, 200},  {5, 300},  {7, 400},  {10, 500},
                                         {14, 550}, {18, 580}, {20, 600}, {24, 620}, {28, 650}, {32, 680},
                                         {40, 700}, {50, 720}, {70, 750}, {90, 780}, {-1, 800}};
  if (hits <= 0) return 0;
  size_t i = 0;
  // The walk steps onto the -1 row whenever it is next, so from 90 hits on the base is 800 and
  // the threshold -1: 90 hits score 891 while 89 score 769. Kept as the table reads.
  while (kRows[i][0] != -1 && (kRows[i + 1][0] == -1 || kRows[i + 1][0] <= hits)) ++i;
  const int64_t v = int64_t{kRows[i][1]} - kRows[i][0] + hits;
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 9999));
}

int32_t TimeBonus(int32_t elapsed) {
  // The elapsed time is the round's fight time. Past 6000 steps g would turn negative and g x g
  // grow again, and a huge count would overflow the truncation: g is held to 0..1.
  float g = static_cast<float>(int64_t{6000} - elapsed) * 0.1f / 600.0f;
  g = std::clamp(g, 0.0f, 1.0f);
  return std::max(FloatToInt32(g * g * 1000.0f), 1);
}

int ComputeRoundBonus() {
  for (int32_t& b : g_RoundBonus) b = 0;
  const int main = MainSide();
  if (g_RoundWinner != main || !ArcadeOrTeam() || g_FinalRound == 255) return 0;
  const BattleObject* o = GetSidePlayer(main, 0);
  const int32_t life = o ? o->life : 0;
  g_RoundBonus[0] = FloatToInt32(static_cast<float>(life) / static_cast<float>(g_MaxLife) * 600.0f);
  if (life >= g_MaxLife) {
    const StoryBattleRoute* route = StoryBattleRouteOfSide(main);
    const int32_t stage = route ? route->stageIndex : 0;
    g_RoundBonus[1] = std::min(stage / 2 + 3, 13) * 50;
  }
  g_RoundBonus[2] = TimeBonus(g_FightTime);
  g_RoundBonus[3] = ComboBonus(g_SideStatus[main].bestCombo);
  int64_t total = 0;
  for (int i = 0; i < 4; ++i) total += g_RoundBonus[i];
  g_RoundBonus[4] = Wrap(total);
  return 1;
}

int StepArcadeEndFlash() {
  if (g_GameModeFlags != kModeArcade || g_RoundWinner > 1) return 0;
  const int main = MainSide();
  const StoryBattleRoute* route = StoryBattleRouteOfSide(main);
  const RouteStage* stage = CurrentRouteStage(main);
  const int32_t flags = stage ? stage->flags : 0;
  const int32_t routeState = route ? route->extraRoute : 0;
  const bool mainWonMatch = g_RoundWinner == main && IsAtMatchPoint(main);
  int step = 0;
  if (routeState != 1 && (flags & 0xE) && mainWonMatch) {
    g_ScreenFlashMode = (flags & 0x4) ? 2 : 1;
    step = 8;
  } else if ((BattleSeamRouteCharacter(main) == 51 && g_RoundWinner != main &&
              IsAtMatchPoint(g_RoundWinner) && !(flags & 0x400)) ||
             (routeState == 1 && mainWonMatch)) {
    g_ScreenFlashMode = 100;
    step = 4;
  } else {
    return 0;
  }
  g_ScreenFlashAlpha = std::min(g_ScreenFlashAlpha + step, 255);
  return g_ScreenFlashAlpha < 255 ? 1 : 0;
}

void DrawScreenFlash() {
  if (g_ScreenFlashAlpha <= 0 || !g_BattleDrawSubmit) return;
  uint32_t rgb = 0xFFFFFFu;
  int32_t a = std::min(g_ScreenFlashAlpha, 255);
  if (g_ScreenFlashMode == 1) {
    rgb = 0;
  } else if (g_ScreenFlashMode == 100) {
    // A white pulse: up to full white at half the ramp, then fading out again.
    a *= 2;
    if (a >= 256) a = 511 - a;
  }
  const uint32_t c = (static_cast<uint32_t>(a) << 24) | rgb;
  GrpDrawList* list = g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr;
  DrawRect(list, 0, 0, 640, 480, c, c, c, c, 1022);
}

void StartFight() {
  const int replay = BattleSeamReplayMode();
  // The dummy recordings of training use the replay controller too; they restart nothing.
  if (replay != 0 && !InTraining())
    g_BattlePhase = 99;
  else
    g_BattlePhase = InTraining() ? 5 : 2;
}

void StartStageBgm() {
  SetCreditLocks(0);
  const int music = g_MatchStageByte;
  if (!(g_BgmPlaying && g_BgmIndex == music)) {
    if (LoadBgm(music)) StartBgm();
  }
  SetupSpecialStageCamera();
  g_CommandLock = 1;
  g_BattlePhase = 255;
}

// Playback takes the round-start pattern the way its recording did: a pattern change that differed
// between the two (the flag once set only in playback) would start every played round from
// another state than the recorded one.
void ResetPlayerPatterns(int, int variant) {
  for (PlayerRecord& r : g_PlayerRecords) {
    if (!r.inUse) continue;
    ResetPlayerRoundState(r);
    BattleObject& o = r.obj;
    o.pendingPattern = -1;
    o.pendingPriority = -1;
    o.pendingFrame = -1;
    o.pendingFramePriority = -1;
    const bool kind32 = o.kind == 32;
    const int pattern = (kind32 && variant == 2) ? 50 : 0;
    ChangePattern(o, pattern, kind32 ? 1 : 0, kSystemPriority);
  }
}

void RoundFlow() {
  int dir = 0;
  uint32_t pressed = 0;
  // While a replay records or plays, the presses that move the round flow and the judge come
  // from no pad: they are in no file, so they may not change the match.
  if (BattleSeamReplayLocksLivePads() == 0) ReadHumanPlayersInput(&dir, &pressed, nullptr);
  // A press once the round is decided skips the ending's waits (cleared at round start).
  if (pressed != 0 && g_JudgeState != 0) g_SkipLatched = 1;
  if (ScreenBreakProgress() < 1.0f) DrawScreenBreakEffect();
  if (g_Paused || IsSlowMotionSkipFrame()) return;
  // The round start's break-up grows on the same steps as the fade (and reaches 1 on the same
  // 41st step); it grows here and nowhere else.
  AdvanceScreenBreakProgress();

  g_RoundFlowWords.storyEnded = 0;
  if (g_RoundFade < 1.0f) {
    g_RoundFade = std::min(g_RoundFade + kFadeStep, 1.0f);
    SetCreditLocks(1);
  } else if (g_JudgeState != 0) {
    SetCreditLocks(1);
  } else if (g_CommandLock == 0) {
    SetCreditLocks(0);
  }

  FlowPhaseStep(pressed);
  MoveDim();
  if (g_RoundFlowWords.storyEnded) BattleSeamEndStoryScript();
}

void JudgeRound() {
  RoundTimerTick();
  JudgeStep();
  // The winner call runs beside every judged state while the screen is not dimmed for training.
  if (g_JudgeState != 0 && g_DimTarget == 1.0f) {
    BattleSeamUpdateWinnerCall();
    BattleSeamDrawWinnerCall();
  }
}

void ResetRoundFlowRoundWords() {
  g_RoundFlowWords = RoundFlowWords{};
  g_RoundFade = 0.0f;
  g_SkipLatched = 0;
  g_RoundWinner = 0;
  g_RoundResultKind = 0;
  g_MatchOutcome = 0;
  g_JudgeAbort = 0;
  g_ScreenFlashAlpha = 0;
  g_ScreenFlashMode = 0;
  for (int32_t& b : g_RoundBonus) b = 0;
  // The arcade counts belong to the match: a match's first round starts them again.
  if (g_RoundCounter == 0) g_MatchPerfectWins = g_MatchRoundsLost = 0;
}

void ResetRoundFlowState() {
  ResetRoundFlowRoundWords();
  g_RoundTimer = 0;
  g_RoundRestart = 0;
  g_DimValue = g_DimTarget = 0.0f;
  g_AttractDemo = 0;
  g_WinnerCallInfo = WinnerCallInfo{};
  g_MatchWinnerSide = g_WinnerCharacter = g_LoserCharacter = g_MainSideLost = 0;
  g_MatchPerfectWins = g_MatchRoundsLost = 0;
}

void InstallRoundFlowSeams() {
  BattleSeams& s = g_BattleSeams;
  s.RoundFlow = RoundFlow;
  s.JudgeRound = JudgeRound;
  s.DrawScreenFlash = DrawScreenFlash;
  // A side's round-end mark: one of its marks is new (won this round and still being shown).
  s.HasRoundEndMark = [](int side) {
    if (side < 0 || side > 1) return 0;
    const int32_t* m = RoundMarks(side);
    for (int i = 2; i < 12; ++i)
      if (m[i] >= 100) return 1;
    return 0;
  };
  s.IsScreenDimmed = [] { return g_DimValue != 0.0f ? 1 : 0; };
  s.RoundCallDone = [] { return g_RoundCallDone != 0 ? 1 : 0; };
  AddRoundWordsReset(ResetRoundFlowRoundWords);
}
