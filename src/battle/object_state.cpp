// The object state machine.
#include "battle/object_state.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/game_mode.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"

namespace {

const Han6FrameState kZeroState{};

// Passes of the change loop in one step. Legal data needs a handful (an end, the next
// pattern's first frame, a landing, a reaction); the bound only stops data whose changes
// queue each other for ever.
constexpr int kMaxChangePasses = 64;

Han6Pattern* PatternOf(const BattleObject& o, int pattern) {
  if (!o.frameData || !o.frameData->patterns || pattern < 0 || pattern >= kHan6PatternSlots) return nullptr;
  return o.frameData->patterns->patterns[static_cast<size_t>(pattern)].get();
}

Han6Frame* FrameOf(const BattleObject& o, int pattern, int frame) {
  Han6Pattern* p = PatternOf(o, pattern);
  if (!p || frame < 0 || static_cast<size_t>(frame) >= p->frames.size()) return nullptr;
  return &p->frames[static_cast<size_t>(frame)];
}

bool IsFree(const BattleObject& o) { return FrameState(o).asmv != 0; }

bool FrameHasCondition(const Han6Frame* f, int type) {
  if (!f) return false;
  for (const Han6Condition* c : f->conditions)
    if (c && c->type == type) return true;
  return false;
}

void ClearQueue(BattleObject& o) {
  o.pendingPattern = -1;
  o.pendingPriority = -1;
  o.pendingFrame = -1;
  o.pendingFramePriority = -1;
}

void CarryOutTurn(BattleObject& o, int pattern) {
  o.facing = o.wantedFacing;
  o.pattern = pattern;
  o.frame = 0;
  o.frameTimer = 0;
  SetPattern(o);
  o.inputDir = MirrorDirection(o.inputDir);
  if (!o.landed && o.hitReaction == 0) ClearQueue(o);
}

// Queues a turn with priority 1 unless a change of priority 1 or more is queued; then carries
// it out at once.
// A float32 value truncated toward zero, saturated to the int32 range (0 for NaN). Gauge values
// come from frame data; a plain conversion of an out-of-range quotient is undefined and on
// this hardware gives INT32_MIN for either sign.
int32_t TruncateToInt32(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483648.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void QueueTurn(BattleObject& o, int pattern) {
  if (o.pendingPriority >= 1) return;
  o.pendingPattern = static_cast<int16_t>(pattern);
  o.pendingPriority = 1;
  CarryOutTurn(o, pattern);
}

}  // namespace

const Han6FrameState& FrameState(const BattleObject& o) {
  return o.frameRec && o.frameRec->state ? *o.frameRec->state : kZeroState;
}

int CurrentStance(const BattleObject& o) { return FrameState(o).stance; }

bool IsCutSpriteFrame(const BattleObject& o) { return o.frameRec && o.frameRec->spriteKind == 0; }

bool IsCharacter(const BattleObject& o) { return o.kind == 0 && o.playerRecord != nullptr; }

uint8_t MirrorDirection(uint8_t dir) {
  static constexpr uint8_t kMirror[10] = {0, 3, 2, 1, 6, 5, 4, 9, 8, 7};
  return dir < 10 ? kMirror[dir] : 0;
}

int ChangePattern(BattleObject& o, int pattern, int sameFlag, int priority) {
  if (pattern == o.pattern && sameFlag != 1) return 0;
  if (priority <= o.pendingPriority) return 0;
  o.pendingPattern = static_cast<int16_t>(pattern);
  o.pendingPriority = static_cast<int16_t>(priority);
  o.requestSource = 0;
  BattleSeamWatchPatternAchievements(&o, pattern);
  return 1;
}

int CheckPatternFrame(const BattleObject& o) {
  Han6Pattern* p = PatternOf(o, o.pattern);
  if (!p || p->frames.empty()) return -1;
  if (o.frame < 0 || static_cast<size_t>(o.frame) >= p->frames.size()) return -2;
  return 0;
}

void RefreshFramePointers(BattleObject& o) {
  o.patternRec = PatternOf(o, o.pattern);
  o.frameRec = FrameOf(o, o.pattern, o.frame);
  o.attackRec = o.frameRec ? o.frameRec->attack : nullptr;
}

Han6AttackData* GetActiveAttack(const BattleObject& o) {
  if (!o.frameRec) return nullptr;
  for (const Han6Box* b : o.frameRec->attackBoxes)
    if (b) return o.frameRec->attack;
  return nullptr;
}

int GetFrameSprite(const BattleObject& o, int pattern, int frame) {
  const Han6Frame* f = FrameOf(o, pattern, frame);
  return f ? f->spriteIndex : 0;
}

void ComputeNextSprite(BattleObject& o) {
  const Han6Frame* f = o.frameRec;
  if (!f) {
    o.nextSprite = GetFrameSprite(o, 0, 0);
    return;
  }
  switch (f->endAction) {
    case 1:
      o.nextSprite = GetFrameSprite(o, o.pattern, o.frame + 1);
      break;
    case 2: {
      int target;
      if ((f->flowFlags & 0x02) && o.loopCounter == 0)
        target = f->loopExitTarget + ((f->flowFlags & 0x08) ? o.frame : 0);
      else
        target = f->jumpTarget + ((f->flowFlags & 0x04) ? o.frame : 0);
      o.nextSprite = GetFrameSprite(o, o.pattern, target);
      break;
    }
    case 0:
      if (o.kind != kKindSpawned)
        o.nextSprite = GetFrameSprite(o, f->jumpTarget + ((f->flowFlags & 0x04) ? o.pattern : 0), 0);
      else
        o.nextSprite = GetFrameSprite(o, 0, 0);
      break;
    default:
      o.nextSprite = GetFrameSprite(o, 0, 0);
      break;
  }
}

void ResetActionState(BattleObject& o) {
  ClearQueue(o);
  o.frameTimer = 0;
  o.conditionsPending = o.effectsPending = 2;
  o.auraEffect = 0;
  o.trailColour = 0;
  o.contactFlags = o.childContactFlags = 0;
  o.hitsLeft = 0;
  o.stepFrames = 0;
  o.registeredHits = 0;
  o.counterState = 0;
  o.shieldState = 0;
  if (o.hitReaction == 0) o.tradeMark = 0;
  if (o.playerRecord && o.expireInputOnReset) {
    o.expireInputOnReset = 0;
    BattleSeamExpireInputHistory(&o);
  }
  if (CheckPatternFrame(o) != 0) {
    o.pattern = 0;
    o.frame = 0;
  }
  RefreshFramePointers(o);
  o.patternChanged = 1;
  o.landed = 0;
  RemoveResetChildren(o);
}

void RunFrameEffects(BattleObject& o) {
  if (g_Paused == 1 || o.kind == kKindAfterimage || o.held == 1) return;
  o.effectsPending = 0;
  const Han6Frame* f = o.frameRec;
  if (!f) return;
  // The list is captured first: an effect may enter another frame before the walk ends. Frame
  // data does not change during a battle, so the old frame's own list is that capture (no copy).
  const std::span<Han6Effect* const> effects = f->effects;
  g_EffectSoundLock = 0;
  for (const Han6Effect* e : effects) {
    if (!e) continue;
    // An object removed by one of its own effects runs no more of its list: what follows would
    // spawn and sound from an object that is already gone.
    if (o.removing) break;
    switch (e->type) {
      case 1:
      case 101:
      case 1000:
        SpawnEffectObject(o, *e);
        break;
      case 8:
      case 108:
        SpawnCommonEffect(o, *e);
        break;
      case 11:
      case 111:
        SpawnScatter(o, *e);
        break;
      default:
        BattleSeamRunFrameEffect(&o, e);
        break;
    }
  }
}

void SetPattern(BattleObject& o) {
  if (CheckPatternFrame(o) != 0) {
    o.pattern = 0;
    o.frame = 0;
  }
  RefreshFramePointers(o);
  const Han6Frame* f = o.frameRec;
  const Han6FrameState& st = FrameState(o);
  if (st.stance == 1 && o.prevStance != 1) o.airActions = 0;
  if (f && f->priority != 0) SetDrawPriorityMode(o, f->priority);
  if (o.conditionsPending != 2) o.conditionsPending = 1;
  if (o.effectsPending != 2) o.effectsPending = 1;
  if (f && f->loopCount != 0) o.loopCounter = static_cast<uint8_t>(f->loopCount);
  if (st.asaa != 0) {
    o.hitsLeft = st.asaa;
    o.contactFlags = 0;
  }
  ComputeNextSprite(o);
  if (st.asct == 1 || st.asct == 2)
    o.counterState = static_cast<int8_t>(st.asct);
  else if (st.asct == 3)
    o.counterState = 0;
  if (st.asmv != 0) {
    if (o.hitReaction < 0 && o.hitVectorFresh != 1) {
      o.hitVectorStep = 0;
      o.hitReaction = 0;
      o.hitSteps = 0;
      o.hitVector = 255;
      o.downState = 0;
      o.throwInvuln = 8;
      o.noHitFrames = 1;
    }
    o.guarding = 0;
  }
  ApplyFrameMotion(o);
  // Frame effects spawn and enter frames, whose effects spawn again. Past the depth limit the
  // frame is entered but its effects wait for the next effect pass (effectsPending stays set).
  if (o.entryDepth >= kMaxEntryDepth) return;
  ++o.entryDepth;
  RunFrameEffects(o);
  --o.entryDepth;
}

// ---- the state step ----

void StepSmallTimers(BattleObject& o) {
  if (o.flashTimer) --o.flashTimer;
  if (o.hitStopLength) --o.hitStopLength;
  // The hit resolution's short timer: the damage display a hit restarts at 24 frames.
  if (o.damageDisplayFrames) --o.damageDisplayFrames;
  o.heldSteps = o.held ? static_cast<int16_t>(o.heldSteps + 1) : 0;
}

void StepTimers(BattleObject& o) {
  if (o.armorFrames != 10001 && o.armorFrames > 0) --o.armorFrames;
  if (o.reversedFrames > 0) --o.reversedFrames;
  for (int16_t& t : o.shortTimers)
    if (t > 0) --t;
  if (o.statusTimer) --o.statusTimer;
  if (o.circuitBreakTimer > 0) --o.circuitBreakTimer;
  if (CurrentStance(o) == 1) ++o.airSteps;
  o.conditionsPending = 0;
  o.patternChanged = 0;
  if (o.noHitFrames == 255) o.noHitFrames = 0;
  if (o.noHitFrames) --o.noHitFrames;
  if (o.strikeInvuln && o.strikeInvuln != 255) --o.strikeInvuln;
  if (o.throwInvuln) --o.throwInvuln;
  if (o.jumpStartFrames) --o.jumpStartFrames;
  if (o.throwClashFrames) --o.throwClashFrames;
  BattleSeamStepAchievementTimers(&o);
}

void AddPenalty(BattleObject& o, int amount, int hold) {
  if (o.penaltyHold == 30000) return;
  o.penalty = static_cast<int16_t>(std::clamp(o.penalty + amount, 0, 10000));
  o.penaltyHold = static_cast<int16_t>(std::max<int>(o.penaltyHold, hold));
}

void DecayPenalty(BattleObject& o) {
  if (o.penaltyHold != 0) {
    if (o.penaltyHold == 30000) {
      if (BattleSeamCanCancel(&o, 254) != 0) o.penaltyHold = o.penalty = 0;
    } else {
      --o.penaltyHold;
    }
    return;
  }
  if (o.penalty <= 0) return;
  static constexpr int kAbove[] = {9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000};
  static constexpr int kFall[] = {25, 32, 35, 38, 40, 42, 45, 55, 60};
  int fall = 70;
  for (int i = 0; i < 9; ++i) {
    if (o.penalty > kAbove[i]) {
      fall = kFall[i];
      break;
    }
  }
  o.penalty = static_cast<int16_t>(std::max(0, o.penalty - fall));
}

void ClearInvalidReaction(BattleObject& o) {
  if (o.pendingReaction[0] < 0 || o.pendingReaction[1] < 0)
    for (int32_t& w : o.pendingReaction) w = 0;
}

void ClearFreeStateCounters(BattleObject& o) {
  const Han6FrameState& st = FrameState(o);
  if (!st.asmv) return;
  if (st.stance != 1 && !(st.asf0 & 0x4)) o.airActions = 0;
  if (o.guarding) {
    o.guarding = 0;
    o.throwInvuln = 8;
  }
  o.downState = 0;
  o.recoveryDone = 0;
  o.hitFrames = 0;
  o.heldSteps = 0;
  o.hitsTaken = 0;
  o.hitVectorStep = 0;
  o.aiRandomPick = 0;
  o.juggleWeight = 0.0f;
  o.juggleCount = 0;
  o.guardCount = 0;
  o.hitVector = 255;
}

void CountNotFreeFrames(BattleObject& o) {
  if (!IsCharacter(o) || o.side > 1) return;
  SideStatus& s = g_SideStatus[o.side];
  const bool active = !s.hasPartner || s.activePlayer == o.playerIndex;
  if (!active || o.hitStop) return;
  s.notFreeFrames = IsFree(o) ? 0 : s.notFreeFrames + 1;
}

int QueueReaction(BattleObject& o, const int32_t block[7]) {
  if (block[1] >= 0 && o.pendingReaction[1] >= block[1] && o.pendingReaction[0] >= block[0]) return 0;
  o.pendingReaction[0] = block[0];
  for (int i = 2; i < 7; ++i) o.pendingReaction[i] = block[i];
  if (block[1] >= 0) o.pendingReaction[1] = block[1];
  return 0;
}

void EndHitReaction(BattleObject& o) {
  o.hitVector = 255;
  o.hitReaction = 0;
  o.hitSteps = 0;
  o.juggleWeight = 0.0f;
  if (o.guarding == 1) {
    o.hitVelX = o.hitVelY = 0;
    o.hitAccX = o.hitAccY = 0;
    o.hitStopLength = 0;
    o.frameTimer = 0;
    o.guarding = 0;
    ++o.frame;
    SetPattern(o);
    ClearInvalidReaction(o);
  } else if (o.pendingPriority < 999) {
    o.pendingPattern = static_cast<int16_t>(CurrentStance(o) == 2 ? 13 : 0);
    o.pendingPriority = 999;
  }
}

namespace {
// The pattern that follows an ended reaction. EndHitReaction has just queued the neutral pattern
// with priority 999, which a request of the same priority could not replace: this one replaces
// it.
void QueueAfterReaction(BattleObject& o, int pattern) {
  o.pendingPattern = static_cast<int16_t>(pattern);
  o.pendingPriority = std::max<int16_t>(o.pendingPriority, 999);
}
}  // namespace

int TakeOverReaction(BattleObject& o) {
  if (o.pendingReaction[0] != -1) {
    for (int i = 0; i < 7; ++i) o.reaction[i] = o.pendingReaction[i];
    o.reactionNew = 1;
    o.reactionFrames = 0;
    o.pendingReaction[0] = o.pendingReaction[1] = -1;
  }
  const int32_t param = o.reaction[2];
  const bool first = o.reactionFrames == 0;
  switch (o.reaction[0]) {
    case 4:
      o.strikeInvuln = 1;
      o.throwInvuln = 1;
      o.hitVelX = o.hitVelY = 0;
      o.hitAccX = o.hitAccY = 0;
      o.hitStopLength = 0;
      o.guarding = 0;
      ClearInvalidReaction(o);
      break;
    case 5:
    case 10: {
      if (first) {
        o.hitSteps = 0;
        if (o.pendingPattern != -1) {
          ++o.reactionFrames;
          return 1;
        }
      }
      ++o.hitFrames;
      if (o.downState > 2) o.downState = 240;
      ++o.hitSteps;
      if (o.hitReaction <= 0) {
        if (IsFree(o)) {
          o.hitVector = 255;
          o.hitReaction = 0;
        }
      } else {
        const bool locked =
            o.side < 4 && g_SideStatus[o.side].actionLock == 1 && o.pattern == 27 && o.patternHold != 0;
        if (!locked) --o.hitReaction;
        if (o.hitReaction <= 1) {
          EndHitReaction(o);
          o.throwInvuln = 8;
          return 1;
        }
      }
      if (o.hitReaction == 0) {
        o.aiGuardDecision = 0;
        ClearInvalidReaction(o);
      }
      break;
    }
    case 7:
      if (first) {
        if (param == 1) {
          o.hitStopPass = 1;
          o.airRecoveryAllowed = o.groundRecoveryAllowed = 0;
          BattleSeamApplyHitVector(&o, 32, 0, o.facing, 0, 0);
          o.reactionFrames = 999;
          ChangePattern(o, 30, 1, 999);
          o.hitStopLength = o.hitStop;
        } else {
          ChangePattern(o, param == 2 ? 282 : 280, 1, 999);
          o.hitReaction = 0;
          o.reactionFrames = 0;
          o.hitStopLength = 60;
        }
        if (o.pendingPattern != -1) {
          ++o.reactionFrames;
          return 1;
        }
      }
      if (++o.hitSteps >= 60) {
        if (param == 1) {
          const int32_t block[7] = {10, 0, 0, 0, 0, 0, 0};
          QueueReaction(o, block);
        } else {
          ChangePattern(o, param == 2 ? 283 : 281, 1, 999);
          ClearInvalidReaction(o);
        }
      }
      break;
    case 8:
      if (first) {
        o.hitReaction = 0;
        ChangePattern(o, 280, 1, 999);
        BattleSeamApplyHitVector(&o, 1, 0, o.facing, 0, 0);
        o.strikeInvuln = 23;
      } else if (o.reactionFrames >= 10) {
        EndHitReaction(o);
        QueueAfterReaction(o, 281);
        ClearInvalidReaction(o);
        ++o.reactionFrames;
        return 1;
      }
      break;
    case 9:
      if (first) {
        EndHitReaction(o);
        QueueAfterReaction(o, param);
        BattleSeamExpireInputHistory(&o);
        o.strikeInvuln = 2;
        o.throwInvuln = 2;
        BattleSeamPushHudNotice(o.side, 7);
      } else if (IsFree(o)) {
        ClearInvalidReaction(o);
      }
      break;
    default:
      // "Other kinds: nothing": the step count is raised only at the end of the cases that do
      // work (kinds 4, 5, 7, 8, 9 and 10). Kind 0, which a cleared queue hands over every step,
      // leaves every field as it was, the count included; only the reaction kinds read the
      // count, and taking over a new reaction starts it from 0.
      return 0;
  }
  ++o.reactionFrames;
  return 0;
}

int HandleLanding(BattleObject& o) {
  o.landingJump = 0;
  if (!o.landed) return 0;
  const Han6Frame* f = o.frameRec;
  const int16_t target = f ? f->landingTarget : 0;
  if (f && (f->flowFlags & 0x01)) {
    o.frameTimer = f->duration;
    o.patternEnded = 1;
    o.pendingPattern = target;
    o.pendingFrame = -1;
    o.pendingFramePriority = -1;
  } else {
    o.landingJump = 1;
    o.pendingFrame = target;
    if (o.hitReaction < 0) {
      ++o.downState;
      o.hitVectorFresh = 1;
      SpawnEngineEffect(o, 4, 0, 0, 0xC0, 0x1040);
      BattleSeamRequestSound(37);
      g_ScreenShake = 12;
    }
    RemoveLandingChildren(o);
  }
  o.hitFrames = 0;
  o.landed = 0;
  // The hit resolution's reaction byte: the defender mark of an attack's flag 0x1000.
  o.defenderMark = 0;
  o.airActions = 0;
  o.guarding = 0;
  o.techInvuln = 0;
  if (o.facing != o.wantedFacing) o.turnMark = 1;
  return 1;
}

void SkipForwardFrames(BattleObject& o) {
  if (o.reaction[0] != 5 || CurrentStance(o) == 1) return;
  SetPattern(o);
  // Bounded by the pattern's frame count: a pattern whose frames all go on to the next one
  // (or a missing pattern 0 that every bad frame falls back to) would otherwise never end.
  const size_t limit = (o.patternRec ? o.patternRec->frames.size() : 0) + 1;
  for (size_t n = 0; n < limit && o.frameRec && o.frameRec->endAction == 1; ++n) {
    ++o.frame;
    o.frameTimer = 0;
    SetPattern(o);
  }
}

void ExecutePatternChange(BattleObject& o) {
  const int oldPattern = o.pattern;
  const Han6Pattern* oldRec = o.patternRec;
  const Han6FrameState oldState = FrameState(o);
  const uint8_t oldShield = o.shieldState;
  const bool oldEnded = o.patternEnded != 0;
  if (o.hitStopRequest) {
    o.hitStopRequest = 0;
    o.hitStop = 6;
  }
  o.pattern = o.pendingPattern;
  o.frame = 0;
  ResetActionState(o);
  if (o.playerRecord) o.playerRecord->ext.chain.oldStateFree = oldState.asmv;
  const int reg = RegisterPatternUse(o);
  if ((reg == 1 || reg == 2) && GetTypeParams(o.type).reverseBeat != 0 && !oldState.asmv &&
      oldState.ascn != 0 && oldRec && o.patternRec && oldRec->psts == 1 && o.patternRec->psts == 1) {
    if (oldRec->plvl == 0 && o.patternRec->plvl == 0) {
      AddPenalty(o, 150, 8);
    } else if (o.patternRec->plvl < oldRec->plvl) {
      AddPenalty(o, 4100, 60);
      BattleSeamPushHudNotice(o.side, 10);  // the penalty banner (0 is the instant guard's)
      if (BattleSeamIsLocalSide(o.side)) BattleSeamQueueAchievement(13);
    }
  }
  const Han6FrameState& now = FrameState(o);
  if (o.facing != o.wantedFacing && (o.pattern == 0 || o.pattern == 13) && now.asmv) {
    if (now.stance == 0) o.pattern = 15;
    if (now.stance == 2) o.pattern = 16;
    o.facing = o.wantedFacing;
    o.inputDir = MirrorDirection(o.inputDir);
  }
  if (o.pattern >= 35 && o.pattern <= 37) o.jumpStartFrames = 3;
  if (o.hitReaction == 0) {
    RefreshFramePointers(o);
    if (FrameHasCondition(o.frameRec, 51)) {
      // A new shield frame starts a fresh shield: its step count and the last shielded
      // attacker go with the grant.
      o.shieldState = 0;
      o.shieldFrames = 0;
      o.shieldedAttacker = nullptr;
    } else if (oldShield != 0 && !oldEnded) {
      AddPenalty(o, oldShield == 1 ? 5460 : 7280, 90);
      if (BattleSeamIsLocalSide(o.side)) BattleSeamQueueAchievement(9);
      o.shieldState = oldShield;
    } else {
      o.shieldState = 0;
    }
  }
  if (o.kind < kKindChildFirst && o.facing != o.wantedFacing) {
    if (o.pattern == 38 || o.pattern == 40) {
      o.pattern = o.pattern == 38 ? 40 : 38;
      o.facing = o.wantedFacing;
      o.inputDir = MirrorDirection(o.inputDir);
    } else if (o.pattern == 39) {
      o.facing = o.wantedFacing;
    }
  }
  (void)oldPattern;
  if (o.landingState == 1) o.landingState = 0;
  SkipForwardFrames(o);
  SetPattern(o);
}

int CanTurnInPattern(BattleObject& o, int stateCode) {
  const int stance = stateCode & 0xF, free = stateCode >> 4;
  int r = 0;
  if (stance == 1) {
    r = 0;
  } else if (free == 1) {
    r = 1;
  } else {
    const Han6Pattern* q =
        o.frameData && o.frameData->patterns && o.pendingPattern >= 0 && o.pendingPattern < kHan6PatternSlots
            ? o.frameData->patterns->patterns[static_cast<size_t>(o.pendingPattern)].get()
            : nullptr;
    r = (q && q->psts == 1 && q->plvl == 0) || FrameState(o).ascn == 2 || o.pendingPattern == 35 ||
                o.pendingPattern == 37
            ? 1
            : 0;
  }
  if (r) o.inputDir = MirrorDirection(o.inputDir);
  return r;
}

int UpdateFacing(BattleObject& o) {
  if (o.facing == o.wantedFacing) return 1;
  const Han6FrameState& st = FrameState(o);
  bool asStanding = o.pattern == 0 || o.pattern == 13;
  if (!asStanding) {
    if (o.pendingPattern == 0 || o.pendingPattern == 13) {
      asStanding = true;
    } else if (o.pendingPattern == -1) {
      if (o.pattern == 10 && o.pendingPriority < 1) QueueTurn(o, 11);
      return 1;
    } else {
      if (CanTurnInPattern(o, st.asmv * 16 + st.stance)) {
        o.facing = o.wantedFacing;
        if (o.pendingPattern == 35)
          o.pendingPattern = 37;
        else if (o.pendingPattern == 37)
          o.pendingPattern = 35;
      }
      return 1;
    }
  }
  if (o.guarding) return 0;
  if (st.asmv && st.stance == 0 && o.pattern != 15 && o.pendingPriority < 1) {
    QueueTurn(o, 15);
  } else if (st.asmv && st.stance == 2 && o.pattern != 16 && o.pendingPriority < 1) {
    QueueTurn(o, 16);
  } else if (o.pendingPattern != -1 && st.asmv && st.stance != 1) {
    o.facing = o.wantedFacing;
  }
  return 1;
}

void AdvanceFrame(BattleObject& o) {
  const Han6Frame* f = o.frameRec;
  if (!f) return;
  if (o.frameTimer < f->duration) return;
  switch (f->endAction) {
    case 0:
      o.frameTimer = f->duration;
      o.patternEnded = 1;
      o.pendingPattern = static_cast<int16_t>(f->jumpTarget + ((f->flowFlags & 0x04) ? o.pattern : 0));
      break;
    case 1:
      ++o.frame;
      o.frameTimer = 0;
      SetPattern(o);
      break;
    case 2: {
      if (o.loopCounter) --o.loopCounter;
      o.frameTimer = 0;
      int target;
      if ((f->flowFlags & 0x02) && o.loopCounter == 0)
        target = f->loopExitTarget + ((f->flowFlags & 0x08) ? o.frame : 0);
      else
        target = f->jumpTarget + ((f->flowFlags & 0x04) ? o.frame : 0);
      o.frame = target;
      SetPattern(o);
      break;
    }
    default:
      break;
  }
}

int ObjectStateStep(BattleObject& o) {
  o.stepped = 0;
  o.prevStance = static_cast<uint8_t>(CurrentStance(o));
  if (g_Paused == 1) return 1;
  StepSmallTimers(o);
  GaugeStep(o);
  if (IsCharacter(o)) BattleSeamTimedStateStep(&o, (o.inputButtons & 0xF) != 0 ? 1 : 0);
  ApplyParentPriority(o);
  BattleSeamGaugeBookkeepingStep(&o);
  if (g_GlobalFreeze != 0 && !BattleSeamMayActInFreeze(&o)) return 1;
  BattleSeamGuardShieldLockStep(&o);
  if (IsCharacter(o) && o.hitStop == 0) {
    PlayerExtension& e = o.playerRecord->ext;
    if (e.recoveryDelay > 0) --e.recoveryDelay;
    // float32 throughout, as stored.
    if (e.recoveryDelay == 0) e.recoveryRate = std::min(1.0f, e.recoveryRate + 1.0f / 60.0f);
  }
  StepTimers(o);
  DecayPenalty(o);
  if (o.childPurge == 1)
    o.childPurge = 2;
  else if (o.childPurge == 2)
    o.childPurge = 0;
  if (o.hitStop != 0) {
    --o.hitStop;
    if (o.hitStopPass != 0) {
      --o.hitStopPass;
    } else {
      o.landed = 0;
      if (o.hitStop != 0) return 1;
    }
  }
  if (o.held) return 1;
  if (o.noPush != 0 && o.noPush != 4095) {
    if (o.noPush <= 60) {
      ++o.noPush;
    } else {
      const Han6FrameState& st = FrameState(o);
      if ((st.asmv || st.ascn) && st.stance != 1) {
        o.noCommand = 1;
        o.landed = 0;
        o.landingState = 0;
        o.noPush = 0;
      }
    }
  }
  o.stepFrames = WrapAdd(o.stepFrames, 1);
  o.stepped = 1;
  UpdateFacing(o);
  WallBounceStep(o);

  for (int pass = 0; pass < kMaxChangePasses; ++pass) {
    o.prevStance = static_cast<uint8_t>(CurrentStance(o));
    if (IsFree(o)) ClearChainMemory(o);
    bool changed = false;
    if (o.pendingReaction[0] == -1) {
      if (o.pendingPattern != -1) {
        ExecutePatternChange(o);
        changed = true;
      } else if (o.pendingFrame != -1) {
        o.frame = o.pendingFrame;
        o.frameTimer = 0;
        o.pendingFrame = -1;
        o.pendingFramePriority = -1;
        SetPattern(o);
        changed = true;
      }
      ClearFreeStateCounters(o);
      o.landingJump = 0;
      const int stance = CurrentStance(o);
      if (stance == 0 || stance == 2) {
        o.landingState = 0;
        o.airSteps = 0;
      }
      if (o.pattern == 0 || o.pattern == 13) {
        o.guarding = 0;
        UpdateFacing(o);
      }
    }
    const int work = HandleLanding(o) | TakeOverReaction(o) | BattleSeamShieldHoldCheck(&o);
    if (!work && !changed) {
      ++o.frameTimer;
      o.patternEnded = 0;
      AdvanceFrame(o);
    }
    if (o.pendingPattern == -1 && o.pendingFrame == -1) break;
    if (o.patternEnded && BattleSeamEndOfPatternRemoval(&o)) break;
  }
  CountNotFreeFrames(o);
  return 1;
}

// ---- gauges ----

BattleObject* GetGaugeOwner(BattleObject& o) {
  BattleObject* owner = o.kind >= kKindChildFirst && o.owner ? o.owner : &o;
  if ((g_GameModeFlags & 0x200) && owner->side < 2) {
    const int active = g_SideStatus[owner->side].activePlayer;
    if (active >= 0 && active < kPlayerSlots) owner = &g_PlayerRecords[active].obj;
  }
  return owner;
}

int GetGaugeMode(BattleObject& o) { return GetGaugeOwner(o)->gaugeMode; }

float GaugeRatio(BattleObject& o) {
  BattleObject& g = *GetGaugeOwner(o);
  switch (g.gaugeMode) {
    case 0: {
      // float32 division; a zero type row has no circuit maximum and gives ratio 0.
      const int32_t max = GetTypeParams(g.type).magicCircuitMax;
      return max > 0 ? static_cast<float>(g.circuit) / static_cast<float>(max) : 0.0f;
    }
    case 1:
    case 2:
    case 3:
      if (g.heatTimer == 0 || g.gaugeModeMax <= 0) return 0.0f;
      return static_cast<float>(g.heatTimer) / static_cast<float>(g.gaugeModeMax);
    default:
      return 1.0f;
  }
}

int32_t GaugeModeLength(BattleObject& o, int mode) {
  if (mode == 0 || mode == 5) return 0;
  BattleObject& g = *GetGaugeOwner(o);
  int32_t length = 500;
  if (GetTypeParams(g.type).sparkType == 1)
    length = mode == 1 ? 550 : mode == 2 ? 600 : mode == 3 ? 750 : 500;
  if (mode == g.gaugeMode) return g.heatTimer;
  // Truncated float32 product; a meter far above its maximum gives the longest length, not a
  // negative one.
  return TruncateToInt32(static_cast<float>(length) * GaugeRatio(o));
}

int CanEnterGaugeMode(BattleObject& o, int mode) {
  BattleObject& g = *GetGaugeOwner(o);
  switch (mode) {
    case 1:
      return g.gaugeMode == 0 && g.circuit >= 10000;
    case 2:
      return g.gaugeMode == 0 && g.circuit >= GetTypeParams(g.type).magicCircuitMax;
    case 3:
      return g.gaugeMode == 5 || g.gaugeMode == 2;
    case 5:
      return g_GameModeFlags == MODE_TRAINING && BattleSeamTrainingSetting(kTrainingCircuitGauge) == 3 &&
             g.gaugeMode != 5;
    default:
      return 1;
  }
}

namespace {
int SideRatio(const BattleObject& g) { return g.side < 2 ? g_PlayerSelections[g.side].ratio : 100; }
}  // namespace

void SetGaugeMode(BattleObject& o, int32_t value, int mode, int delay) {
  BattleObject& g = *GetGaugeOwner(o);
  if (mode == 0) {
    g.circuit = value;
    g.gaugeCount = 0;
  } else if (mode >= 1 && mode <= 3) {
    g.heatTimer = value;
    int32_t max = value;
    if (g.armorFrames != 10001) {
      const float ratio = GaugeRatio(g);
      // A ratio of 0 (an empty gauge, a zero type row) gives the longest mode, not inf in int16.
      if (ratio <= 0.0f) {
        max = 30000;
      } else {
        max = TruncateToInt32(static_cast<float>(value) / ratio);
      }
    }
    g.gaugeModeMax = static_cast<int16_t>(std::min(max, 30000));
    const TypeParams& t = GetTypeParams(g.type);
    if ((mode == 1 || mode == 3) && t.sparkType == 1) g.life = g.redLife;
    if (mode == 1 || mode == 2) {
      SpawnEngineEffect(g, (g.type == 2 || g.type == 8) ? 301 : 101, 0, 0, 0x50, 0x1CC0);
      BattleSeamRequestSound(33);
    }
    g.gaugeCount = 0;
  }
  g.gaugeStartDelay = static_cast<int16_t>(std::max<int>(g.gaugeStartDelay, delay));
  g.gaugeMode = static_cast<uint8_t>(mode);
  if (mode == 0 && SideRatio(g) == 160) g.gaugeMode = 5;
}

int32_t GetRegenRate(BattleObject& o, int mode) {
  if (o.hitReaction != 0 || o.held || g_JudgeState != 0) return 0;
  const TypeParams& t = GetTypeParams(o.type);
  if (mode == 1) return t.heatHpPlus;
  if (mode == 3) return t.sableHeatHpPlus;
  return 0;
}

void GaugeStep(BattleObject& o) {
  if (!IsCharacter(o)) return;
  BattleObject& g = *GetGaugeOwner(o);
  ++o.gaugeCount;
  const int mode = g.gaugeMode;
  if (mode == 0) {
    if (GetTypeParams(o.type).sparkType == 9 && g_CommandLock == 0) BattleSeamAddCircuitMeter(&o, 16);
    if (o.armorFrames == 10001) o.armorFrames = 0;
    if (SideRatio(o) == 160) o.gaugeMode = 5;
  } else if (mode >= 1 && mode <= 3) {
    if (o.gaugeStartDelay > 0) {
      --o.gaugeStartDelay;
    } else {
      o.heatTimer = WrapAdd(o.heatTimer, -1);
      if (mode != 2) {
        if (o.regenDelay > 0) --o.regenDelay;
        if (o.regenDelay == 0)
          o.life = Wrap(std::min<int64_t>(o.redLife, int64_t{o.life} + GetRegenRate(o, mode)));
      }
    }
    if ((o.pattern < 260 || o.pattern > 263) && o.heatTimer <= 0) {
      uint8_t next = 0;
      if (mode == 3) {
        o.circuit = 0;
        // Training with the unlimited circuit gauge keeps the gauge at its special mode.
        if (SideRatio(o) == 160 ||
            (g_GameModeFlags == MODE_TRAINING && BattleSeamTrainingSetting(kTrainingCircuitGauge) == 3 &&
             g.gaugeMode != 5))
          next = 5;
      }
      o.gaugeMode = next;
    }
    if (o.gaugeCount % 60 == 0 && g_BattlePhase != 0 && !BattleSeamIsScreenDimmed()) {
      // The spark's variant is a draw of random stream 1 (one draw per spark).
      const int variant = RandStreamNext(1) % 5;
      SpawnEngineEffect(o, ((o.type == 2 || o.type == 8) ? 304 : 104) + variant, 0, 0, 0x50, 0x1CC0);
    }
  } else if (mode == 5) {
    if (o.armorFrames == 10001) o.armorFrames = 0;
  }
}

// ---- draw priority ----

void SetDrawPriorityMode(BattleObject& o, int mode) {
  o.priorityMode = static_cast<int16_t>(mode);
  if (o.kind == 0) {
    if (mode == 1) {
      for (PlayerRecord& r : g_PlayerRecords) {
        if (!r.inUse || &r.obj == &o) continue;
        if (r.obj.drawPriority >= o.drawPriority)
          r.obj.drawPriority = static_cast<int16_t>(std::max(113, r.obj.drawPriority - 4));
      }
      o.drawPriority = 128;
    } else if (mode == 2) {
      bool giantMet = false;
      for (PlayerRecord& r : g_PlayerRecords) {
        if (!r.inUse || &r.obj == &o || r.obj.drawPriority > o.drawPriority) continue;
        // A giant character keeps its place; the one sent back then stays in front of it.
        if (BattleSeamIsGiantCharacter(&r.obj)) {
          giantMet = true;
          continue;
        }
        r.obj.drawPriority = static_cast<int16_t>(std::min(128, r.obj.drawPriority + 4));
      }
      o.drawPriority = giantMet ? 116 : 113;
    }
  } else if (o.kind == kKindAfterimage) {
    o.drawPriority = 112;
  } else if (o.kind == kKindSpawned) {
    if (mode == 1)
      o.drawPriority = 143;
    else if (mode == 2)
      o.drawPriority = 98;
    else if (mode >= 3 && mode <= 12)
      o.drawPriority = static_cast<int16_t>(144 - mode);
    else if (mode >= 13 && mode <= 22)
      o.drawPriority = static_cast<int16_t>(125 - mode);
    else if (mode == 23 || mode == 24)
      ApplyParentPriority(o);
    else if (mode == 25)
      o.drawPriority = 15;
    else if (mode == 26)
      o.drawPriority = 144;
  }
}

void ApplyParentPriority(BattleObject& o) {
  if (o.kind != kKindSpawned || !o.parent) return;
  // A parent that is gone (its pool slot freed) leaves the priority as it is. A reused slot is
  // followed as it stands: parent links are plain slot references.
  if (const ObjectPoolSlot* slot = SlotOf(o.parent); slot && !slot->inUse) return;
  if (o.priorityMode == 23) o.drawPriority = static_cast<int16_t>(o.parent->drawPriority + 1);
  if (o.priorityMode == 24) o.drawPriority = static_cast<int16_t>(o.parent->drawPriority - 1);
}

// ---- chain memory ----

void ClearChainMemory(BattleObject& o) {
  if (!o.playerRecord) return;
  ChainMemory& c = o.playerRecord->ext.chain;
  c.lowPatternBits = 0;
  for (uint32_t& w : c.numberBits) w = 0;
  c.registrations = 0;
  c.movable = 0;
}

int RegisterPatternUse(BattleObject& o) {
  if (!o.playerRecord) return 0;
  ChainMemory& c = o.playerRecord->ext.chain;
  int r = 0;
  if (o.pattern >= 1 && o.pattern <= 9) {
    c.lowPatternBits |= 1u << o.pattern;
    ++c.registrations;
    r = 1;
  } else if (c.pendingChain >= 0) {
    if (c.pendingChain < 1024) c.numberBits[c.pendingChain >> 5] |= 1u << (c.pendingChain & 31);
    ++c.registrations;
    r = 2;
  }
  c.pendingChain = -1;
  return r;
}

void NoteChainNumber(BattleObject& o, int number) {
  if (o.playerRecord) o.playerRecord->ext.chain.pendingChain = number;
}

void MarkChainBit(BattleObject& o, int bit) {
  if (!o.playerRecord || bit < 0 || bit > 31) return;
  o.playerRecord->ext.chain.lowPatternBits |= 1u << bit;
  ++o.playerRecord->ext.chain.registrations;
}

void MarkChainNumber(BattleObject& o, int number) {
  if (!o.playerRecord || number < 0 || number >= 1024) return;
  o.playerRecord->ext.chain.numberBits[number >> 5] |= 1u << (number & 31);
  ++o.playerRecord->ext.chain.registrations;
}

int TestChainNumber(BattleObject& o, int number) {
  if (!o.playerRecord || number < 0 || number >= 1024) return 0;
  return (o.playerRecord->ext.chain.numberBits[number >> 5] >> (number & 31)) & 1;
}

// ---- lookups ----

PlayerRecord* GetOpponentRecord(const BattleObject& o, int n) {
  if (n < 0 || n >= kPlayerSlots) return nullptr;
  if (o.target && o.target->playerRecord) {
    if (n == 0) return o.target->playerRecord;
    // The n-th record of the processing order other than the target's.
    int seen = 0;
    for (PlayerRecord* r : g_PlayerOrder) {
      if (r == o.target->playerRecord) continue;
      if (++seen == n) return r;
    }
    return nullptr;
  }
  PlayerRecord* r = g_PlayerOrder[n];
  return r && r->inUse ? r : nullptr;
}

void CloseRouteAchievementCounters(BattleObject& o) {
  // The reaction mark is the trade / counter-kind byte the hit resolution leaves.
  o.tradeMark = 0;
  if (g_GameModeFlags != MODE_ARCADE) return;
  int32_t info[4] = {};
  std::string name;
  if (!BattleSeamMainRouteStage(info, &name)) return;
  if (info[0] == 8 || info[0] == 15) BattleSeamCloseStageAchievementCounters(info[0]);
}
