// The per-frame battle drivers.
#include "battle/battle_driver.h"

#include <span>
#include <utility>
#include <vector>

#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/command_input.h"
#include "battle/game_mode.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

bool SlowMotionLets() { return !IsSlowMotionSkipFrame(); }

bool AnyPlayerFreeze() {
  for (int s = 0; s < kBattleStateRows; ++s)
    if (g_BattleState[FreezeTimerIndex(s)] > 0) return true;
  return false;
}

}  // namespace

bool BattleGateRun() { return g_Paused == 0 && g_GlobalFreeze == 0 && SlowMotionLets(); }
bool BattleGateRunNoFreeze() { return g_Paused == 0 && SlowMotionLets(); }
bool BattleGateFight() { return g_BattlePhase != 0; }

int CharacterMayAct(BattleObject& o) {
  if (g_GlobalFreeze == 0 && !AnyPlayerFreeze()) return 1;
  return BattleSeamMayActInFreeze(&o);
}

void CacheFramePointers() {
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse) RefreshFramePointers(r.obj);
}

void SortPlayerOrder() {
  // Exchange sort: an entry is swapped with a later one of strictly lower priority.
  for (int i = 0; i < kPlayerSlots; ++i)
    for (int j = i + 1; j < kPlayerSlots; ++j)
      if (g_PlayerOrder[j]->obj.drawPriority < g_PlayerOrder[i]->obj.drawPriority)
        std::swap(g_PlayerOrder[i], g_PlayerOrder[j]);
}

void ApplyButtonMacro(BattleObject& o) {
  if (!o.playerRecord) return;
  int32_t& mode = o.playerRecord->ext.macroMode;
  if (o.inputButtons & 0x10) {
    const int d = o.inputDir;
    if (d == 4 || d == 6) {
      o.inputButtons |= 0x9009;
      mode = 2;
    } else if (d == 2) {
      o.inputButtons |= 0x3003;
      mode = 3;
    } else if (d == 0) {
      o.inputButtons |= 0x7007;
      mode = 1;
    } else {
      mode = 0;
    }
  } else if ((o.inputButtons & 0x10000) && mode == 1 && (CurrentStance(o) == 0 || CurrentStance(o) == 2) &&
             o.inputDir == 0) {
    o.inputButtons |= 0x7000;
  } else {
    mode = 0;
  }
}

void ReadCharacterInput() {
  if (g_Paused) return;
  for (PlayerRecord* r : g_PlayerOrder) {
    if (!r->inUse) continue;
    BattleObject& o = r->obj;
    if (BattleGateFight()) {
      if (g_GameModeFlags == MODE_TRAINING && BattleSeamIsDummyTakenOver()) {
        // The player drives the dummy: every character reads its pad, nothing is recorded.
        BattleSeamReadBattlePad(&o);
        ApplyButtonMacro(o);
      } else if (o.controller == 0) {
        BattleSeamReadBattlePad(&o);
        BattleSeamReplayInputHook(&o, o.playerIndex);
        ApplyButtonMacro(o);
      } else {
        BattleSeamCpuInput(&o);
      }
    }
    // Screen terms: the reverse map (point reflection) while the controls are reversed (any
    // non-zero count, as the pad read takes it), then the mirror map when facing left.
    uint8_t d = o.inputDir < 10 ? o.inputDir : 0;
    if (o.reversedFrames != 0) d = ReverseDirection(d);
    if (o.facing == 1) d = MirrorDirection(d);
    o.inputDirFacing = d;
    BattleSeamPushInputHistory(&o);
    if (g_GlobalFreeze == 0 && CharacterMayAct(o)) BattleSeamControlStep(&o);
  }
}

void StuckRecovery(BattleObject& o) {
  BattleObject* holder = o.held ? o.parent : nullptr;
  // A character held by another character is that thrower's business: neither case applies.
  if (holder && holder->kind == 0) return;
  if (holder) {
    int it = 0;
    if (NextHolderOf(it, &o)) return;
    BattleObject* chara = holder->kind >= kKindChildFirst ? holder->owner : holder;
    if (!chara || !FrameState(*chara).asmv) return;
    o.held = 0;
    o.posX = WrapAdd(o.posX, o.throwOffsetX);
    o.posY = WrapAdd(o.posY, o.throwOffsetY);
    o.throwOffsetX = o.throwOffsetY = 0;
    if (o.posY > 0) o.posY = 0;
    o.frameTimer = 0;
    o.pattern = 26;
    o.pendingPattern = 26;
    o.frame = 0;
    BattleSeamApplyHitVector(&o, 7, 0, o.facing ? 0 : 1, 0, 0);
    BattleSeamCutThrowLink(&o, 20);
    return;
  }
  if (o.hitReaction < 0 && CurrentStance(o) == 1 && o.velX == 0 && o.velY == 0 && o.accX == 0 &&
      o.accY == 0 && o.hitVelX == 0 && o.hitVelY == 0 && o.hitAccX == 0 && o.hitAccY == 0) {
    BattleSeamApplyHitVector(&o, 7, 0, o.facing, 0, 0);
    if (o.pendingPriority < 0) ChangePattern(o, 26, 1, 0);
  }
}

void UpdateCharacters() {
  SortPlayerOrder();
  for (PlayerRecord* r : g_PlayerOrder) {
    if (!r->inUse) continue;
    BattleObject& o = r->obj;
    const bool mayAct = CharacterMayAct(o) != 0;
    if (g_GlobalFreeze != 0 && !mayAct) continue;
    StuckRecovery(o);
    if (!o.held && g_Paused != 1 && g_GlobalFreeze == 0 && mayAct && o.followMode == 0) {
      o.prevPosX = o.posX;
      o.prevPosY = o.posY;
    }
    if (!o.held && (o.side > 1 || g_SideStatus[o.side].hasPartner == 0 || o.partnerState == 0))
      BattleSeamAutoFacing(&o);
  }
  ReadCharacterInput();
  BattleSeamReplayFrameTick();
  for (PlayerRecord* r : g_PlayerOrder) {
    if (!r->inUse) continue;
    BattleObject& o = r->obj;
    if (g_GlobalFreeze != 0 || !CharacterMayAct(o)) continue;
    ObjectStateStep(o);
    ObjectPhysicsStep(o);
    if (o.hitStop == 0) BattleSeamPushTrail(&o);
    int baseOnly = 0;
    if (g_CommandLock != 1) baseOnly = (o.noCommand != 0 || o.patternHold != 0 || o.techInvuln == 1) ? 1 : 0;
    if (o.partner && o.side < 2 && g_SideStatus[o.side].activePlayer != o.playerIndex &&
        !(g_GameModeFlags & 0x200)) {
      BattleSeamPartnerControl(&o);
      continue;
    }
    // In training the dummy's AI rests while the player takes it over (replays off).
    if (o.controller == 1 &&
        !(g_GameModeFlags == MODE_TRAINING && BattleSeamReplayMode() == 0 && BattleSeamIsDummyTakenOver()))
      BattleSeamCpuAiFrame(&o);
    const int sys = BattleSeamCheckSystemCommands(&o);
    if (sys != 0 && sys != 2) continue;
    if (baseOnly != 1 && !o.heldObject && BattleSeamScanCommandList(&o) != -1) continue;
    BattleSeamBaseMovement(&o, o.inputButtons, o.inputDir);
  }
}

void RunFrameConditions(BattleObject& o, int phase) {
  if (o.kind == kKindAfterimage || g_Paused || !SlowMotionLets() || !o.frameRec) return;
  // Walked over the list captured now: a condition may enter another frame mid-walk. Frame data
  // does not change during a battle, so the old frame's own list is that capture (no copy).
  const std::span<Han6Condition* const> list = o.frameRec->conditions;
  for (const Han6Condition* c : list)
    if (c) BattleSeamEvalFrameCondition(&o, c, phase);
}

void RunCharacterConditionsPrePass() {
  if (g_Paused || !SlowMotionLets()) return;
  for (PlayerRecord& r : g_PlayerRecords) {
    if (!r.inUse || r.obj.kind == kKindAfterimage) continue;
    // Phase 3 (with the every-pass phase 255, which the condition code matches itself).
    RunFrameConditions(r.obj, 3);
  }
}

void SortPlayersAndRunConditions() {
  SortPlayerOrder();
  for (PlayerRecord* r : g_PlayerOrder)
    if (r->inUse) RunFrameConditions(r->obj, 0);
}

void CharactersHitPhase() {
  std::vector<BattleObject*> listed;
  for (int p = 255; p >= 0; --p)
    for (PlayerRecord& r : g_PlayerRecords)
      if (r.inUse && !r.obj.held && r.obj.drawPriority == p) listed.push_back(&r.obj);
  for (BattleObject* o : listed) {
    RunFrameConditions(*o, 1);
    if (o->hitsLeft && !o->hitStop) BattleSeamCheckClashBoxes(o);
  }
  for (BattleObject* o : listed) BattleSeamDetectHits(o);
  for (BattleObject* o : listed)
    if (o->pendingHitCount == 0) BattleSeamDetectThrows(o);
}

void ResolveCharacterHits() {
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse) BattleSeamResolveHits(&r.obj);
  auto merge = [](BattleObject& o) {
    if (o.pendingHitStop == 0) return;
    o.hitStop = static_cast<uint8_t>(o.hitStop + o.pendingHitStop);
    // The shake counter is only restarted while one runs.
    if (o.hitStopLength != 0) o.hitStopLength = o.hitStop > 60 ? 60 : o.hitStop;
    o.pendingHitStop = 0;
  };
  for (PlayerRecord& r : g_PlayerRecords) {
    if (!r.inUse) continue;
    merge(r.obj);
    r.obj.pendingHitCount = 0;
    r.obj.throwConnected = 0;
  }
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (s.inUse) merge(s.obj);
  }
}

void RunCharacterEffects() {
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& o = r.obj;
    if (!r.inUse || !o.effectsPending || g_Paused == 1 || o.kind == kKindAfterimage || o.held == 1) continue;
    // The dispatcher clears the mark before it walks the list; clearing it again afterwards
    // would drop a frame entered past the re-entry limit, whose effects wait for the next pass.
    RunFrameEffects(o);
  }
}

void RunWarmUpFrames() {
  for (int i = 0; i < 6; ++i) {
    g_InBattleUpdate = 1;
    CacheFramePointers();
    RunCharacterConditionsPrePass();
    SortPlayerOrder();
    for (PlayerRecord* r : g_PlayerOrder)
      if (r->inUse) RunFrameConditions(r->obj, 0);
    RunPoolObjectConditions();
    UpdateCharacters();
    UpdatePoolObjects();
    g_InBattleUpdate = 0;
    RunCharacterEffects();
    for (int pi = 0; pi < g_PoolHighWater; ++pi) {
      ObjectPoolSlot& s = g_ObjectPool[pi];
      if (s.inUse && !s.obj.removing && s.obj.effectsPending) RunFrameEffects(s.obj);
    }
  }
  g_InBattleUpdate = 1;
}

void RunBattleFrame() {
  g_InBattleUpdate = 1;
  if (BattleSeamIsPauseAllowed() == 1) BattleSeamUpdatePauseControl();
  if (BattleGateRun()) BattleSeamProcessPartnerSwap();
  CacheFramePointers();
  if (BattleGateFight() && BattleGateRun()) RunCharacterConditionsPrePass();
  PoolObjectsHitPhase();
  if (BattleGateFight() && BattleGateRun()) {
    ResolveCharacterHits();
    SortPlayersAndRunConditions();
  }
  RunPoolObjectConditions();
  TickBattleClock();
  BattleSeamRoundFlow();
  if (BattleGateFight() && BattleGateRunNoFreeze()) {
    BattleSeamJudgeRound();
    UpdateCharacters();
  }
  BattleSeamDrawScreenFlash();
  if (BattleGateFight() && BattleGateRun()) {
    PushApartCharacters();
    PushApartPoolObjects();
    CharactersHitPhase();
  }
  if (BattleGateFight() && BattleGateRunNoFreeze()) UpdatePoolObjects();
  g_InBattleUpdate = 0;
  RunCharacterEffects();
  RunPoolObjectEffects();
}

int BattlePadIndex(const BattleObject& o) {
  const int side = o.side & 1;
  // In training the player may record or drive the dummy from the other side's pad.
  if (g_GameModeFlags == MODE_TRAINING && (BattleSeamReplayMode() == 1 || BattleSeamIsDummyTakenOver()))
    return side ^ 1;
  return side;
}
