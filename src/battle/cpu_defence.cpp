// The CPU's reflexes and the training dummy.
//
// Frame order, as the driver runs it: `CpuDefenceInput` (from `ReadCharacterInput`, controller
// not 0) clears the input slots and writes the defence; the control step's throw escape may ask
// `TrainingThrowTech`; `CpuAiFrame` (from `UpdateCharacters`) then ticks the pattern step, runs
// `CpuAutoRecovery` and `TrainingGuardDecision` and may write its own input on top; the system
// commands and the command scan read the slots last. Random numbers come from the common stream
// only, in this order, and only where a rule below draws.
#include "battle/cpu_defence.h"

#include "app/random.h"
#include "battle/battle_driver.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/control_rules.h"
#include "battle/cpu_ai.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"

using namespace training_enemy;

int32_t g_AirRecoveryMode;
int32_t g_DownRecoveryMode;
int32_t g_TrainingActionTimer;
int32_t g_TrainingIdleFrames;
int32_t g_TrainingTechFrame;

namespace {

constexpr uint32_t kButtonD = 0x8;
constexpr uint32_t kButtonE = 0x10;

// The two shield-chance columns of the level table (`RollCpuShieldChance`).
constexpr int kShieldAfterNoGuard = 0;
constexpr int kShieldWhileShielding = 1;

// `BattleObject.aiGuardDecision` values.
constexpr uint8_t kDecisionUndecided = 0;
constexpr uint8_t kDecisionGuard = 1;
constexpr uint8_t kDecisionNoGuard = 2;
constexpr uint8_t kDecisionNoShield = 10;
constexpr uint8_t kDecisionShieldPending = 11;

// The ENEMY ACTION timer: the dummy acts once it has counted past this many frames.
constexpr int32_t kActionFrames = 240;
// The RECOVER cycle's states.
constexpr int32_t kCycleWaitHit = 0, kCycleWaitFree = 1, kCycleActed = 100, kCycleBusy = 101;
// COMBO defence: the dummy defends only this long after its last reaction of kind 5 or 10.
constexpr int32_t kComboIdleFrames = 50;

bool InTraining() { return g_GameModeFlags == MODE_TRAINING; }
int Setting(int entry) { return BattleSeamTrainingSetting(entry); }
bool IsFree(const BattleObject& o) { return FrameState(o).asmv != 0; }
bool Odd() { return RandNext() % 2 != 0; }

// STAND, JUMP and CROUCH: the dummy holds a stance and defends by the defence settings.
bool IsStanceStatus(int status) {
  return status == kStatusStand || status == kStatusJump || status == kStatusCrouch;
}
bool IsGuardOption(int defence) { return defence == kDefenceAllGuard || defence == kDefenceStatusGuard; }
bool IsShieldOption(int defence) { return defence == kDefenceAllShield || defence == kDefenceStatusShield; }

enum class Reflex { kNone, kCpu, kShield, kDodge };

// A stance dummy's reaction for this frame by ENEMY DEFENCETYPE and ENEMY DEFENCE. Only RANDOM
// with a shield option or DODGE draws (one draw).
Reflex StanceDummyReflex() {
  const int defence = Setting(kTrainingEnemyDefence);
  const Reflex reflex = IsShieldOption(defence)    ? Reflex::kShield
                        : defence == kDefenceDodge ? Reflex::kDodge
                                                   : Reflex::kNone;
  switch (Setting(kTrainingEnemyDefenceType)) {
    case kDefenceNormal:
      return reflex;
    case kDefenceCombo:
      return g_TrainingIdleFrames < kComboIdleFrames ? reflex : Reflex::kNone;
    case kDefenceRandom:
      if (reflex == Reflex::kNone) return Reflex::kNone;
      return Odd() ? reflex : Reflex::kNone;
    default:
      return Reflex::kNone;
  }
}

// ENEMY ACTION "ACTION D" (its timer past 240) and "RECOVER D" (its cycle at 100) hold the shield
// button in the dummy's stance.
void StanceDummyHoldD(BattleObject& o, int status) {
  const int action = Setting(kTrainingEnemyAction);
  bool hold = false;
  if (action == kActionD && g_TrainingActionTimer > kActionFrames) {
    hold = true;
    g_TrainingActionTimer = 0;
  } else if (action == kRecoverD && g_TrainingActionTimer == kCycleActed) {
    hold = true;
  }
  if (!hold) return;
  if (status == kStatusStand)
    o.inputDir = 0;
  else if (status == kStatusCrouch)
    o.inputDir = 2;
  PressCpuButtons(o, kButtonD);
}

// A giant of the second kind takes no defence; each time a hit takes its life below a quarter,
// a half or three quarters it asks once for its system command. Only the lowest threshold
// passed counts, so a single hit from 80 % to below 25 % marks 25 % alone. The products of the
// maximum life with 0.25, 0.5 and 0.75 are exact, so integer division gives them truncated.
void GiantLifeMarks(BattleObject& o) {
  if (o.hitReaction == 0 || o.hitStop != 0) return;
  static constexpr struct {
    int32_t limit;
    uint16_t bit;
  } kMarks[] = {{g_MaxLife / 4, 0x4}, {g_MaxLife / 2, 0x2}, {g_MaxLife / 4 * 3, 0x1}};
  for (const auto& m : kMarks) {
    if (o.life >= m.limit) continue;
    if (!(o.aiLifeMarks & m.bit)) {
      o.aiLifeMarks |= m.bit;
      o.aiSystemRequest = 1;
    }
    return;
  }
}

// The CPU's shield follow-ups. The three steps run one after another in the same frame: a
// decision the first two leave at 11 is carried out at once by the third (and, outside fighting
// type 1, draws for shield or dodge).
void CpuShieldFollowUp(BattleObject& o) {
  if (o.shieldState != 0 && FindImminentThreat(o))
    o.aiGuardDecision =
        RollCpuShieldChance(kShieldWhileShielding) ? kDecisionShieldPending : kDecisionUndecided;
  if (o.aiGuardDecision == kDecisionNoGuard) {
    if (RollCpuShieldChance(kShieldAfterNoGuard)) {
      o.aiGuardDecision = kDecisionShieldPending;
      if (CpuShieldReaction(o) == 1) o.aiGuardDecision = kDecisionUndecided;
    } else {
      o.aiGuardDecision = kDecisionNoShield;
    }
  }
  if (o.aiGuardDecision == kDecisionShieldPending) {
    int done;
    if (GetTypeParams(o.type).sparkType == 1)
      done = CpuShieldReaction(o);
    else
      done = RandNext() % 8 != 0 ? CpuShieldReaction(o) : CpuDodgeReaction(o);
    if (done == 1) o.aiGuardDecision = kDecisionUndecided;
  }
}

// The RECOVER cycle on the action timer: wait to be hit (not free), then act at the first chance
// (free again, a shield that took the hit, or a cancellable frame), then wait for the action to
// start and end. A hit reaction holds the cycle at 1.
void RecoverCycle(BattleObject& o, uint32_t button) {
  const bool free = IsFree(o);
  int32_t next;
  switch (g_TrainingActionTimer) {
    case kCycleWaitHit:
      next = free ? kCycleWaitHit : kCycleWaitFree;
      break;
    case kCycleWaitFree:
      if (free || o.shieldState == 2 || FrameState(o).ascn != 0) {
        PressCpuButtons(o, button);
        next = kCycleActed;
      } else {
        next = kCycleWaitFree;
      }
      break;
    case kCycleActed:
      next = free ? kCycleActed : kCycleBusy;
      break;
    case kCycleBusy:
      next = free ? kCycleWaitHit : kCycleBusy;
      break;
    default:
      next = kCycleWaitHit;
      break;
  }
  g_TrainingActionTimer = o.hitReaction != 0 ? kCycleWaitFree : next;
}

int GroundRecoveryKind(BattleObject& o) {
  switch (g_DownRecoveryMode) {
    case 0:
    case 1:
    case 2:
      return g_DownRecoveryMode;
    case 3:
      return RandNext() % 3;
    case 4:
      if (o.aiDownTechGate != 1) return -1;
      if (Odd()) return RandNext() % 3;
      o.aiDownTechGate = 0;
      return -1;
    default:
      return -1;
  }
}

int AirRecoveryKind(BattleObject& o) {
  switch (g_AirRecoveryMode) {
    case 0:
      return 4;
    case 1:
      return 5;
    case 2:
      return 3;
    case 3:
      return 3 + RandNext() % 3;
    case 4:
      if (o.aiAirTechDelay > 1) --o.aiAirTechDelay;
      if (o.aiAirTechDelay != 1) return -1;
      if (Odd()) {
        const int kind = 3 + RandNext() % 3;
        o.aiAirTechDelay = 0;
        return kind;
      }
      o.aiAirTechDelay = RandNext() % 16 + 1;
      return -1;
    default:
      return -1;
  }
}

}  // namespace

void CpuDefenceInput(BattleObject& o) {
  o.inputDir = 0;
  o.inputButtons = 0;
  if (g_JudgeState != 0 || o.noCommand || g_CommandLock == 2) return;
  Reflex mode = Reflex::kCpu;
  if (InTraining()) {
    TrainingEnemyStatusInput(o);
    const int status = Setting(kTrainingEnemyStatus);
    if (IsStanceStatus(status)) {
      mode = StanceDummyReflex();
      StanceDummyHoldD(o, status);
    } else if (status != kStatusCpu) {
      mode = Reflex::kNone;
    }
  }
  if (BattleSeamIsGiantCharacter(&o) == 2) {
    GiantLifeMarks(o);
    return;
  }
  switch (mode) {
    case Reflex::kCpu:
      CpuShieldFollowUp(o);
      break;
    case Reflex::kShield:
      if (CpuShieldReaction(o) == 1) o.aiGuardDecision = kDecisionUndecided;
      break;
    case Reflex::kDodge:
      if (CpuDodgeReaction(o) == 1) o.aiGuardDecision = kDecisionUndecided;
      break;
    case Reflex::kNone:
      break;
  }
}

int CpuShieldReaction(BattleObject& o) {
  BattleObject* threat = FindImminentThreat(o);
  if (!threat) return 0;
  if (o.hitStop == 0) PressCpuButtons(o, kButtonD);
  if (InTraining() && Setting(kTrainingEnemyDefence) == kDefenceStatusShield) {
    // The shield follows the dummy's set stance; a jumping dummy keeps the direction it has.
    const int status = Setting(kTrainingEnemyStatus);
    if (status == kStatusStand)
      o.inputDir = 0;
    else if (status == kStatusCrouch)
      o.inputDir = 2;
  } else {
    o.inputDir = FrameState(*threat).stance == 2 ? 2 : 0;
  }
  return 1;
}

int CpuDodgeReaction(BattleObject& o) {
  if (!FindImminentThreat(o)) return 0;
  if (IsFree(o)) {
    PressCpuButtons(o, kButtonE);
    o.inputDir = 2;
    ApplyButtonMacro(o);
  }
  return 1;
}

int CpuWantsToGuard(BattleObject& o) {
  if (g_JudgeState != 0 || o.noCommand || o.finishKind || o.held) return 0;
  if (o.guarding) return 1;
  const Han6FrameState& s = FrameState(o);
  if (s.asmv != 0) return o.aiGuardDecision == kDecisionGuard ? 1 : 0;
  if (s.asf0 & 0x700) return 0;
  return o.pattern == 17 || o.pattern == 18 ? 1 : 0;
}

// The ground part and the air part run one after the other, as written: a character the ground
// test passes is never one the air test passes (one needs a free or standing frame, the other an
// airborne frame that is not free), so only the air wait's count-down sees both.
int CpuAutoRecovery(PlayerRecord& player) {
  BattleObject& o = player.obj;
  if (g_JudgeState != 0 || o.noCommand || o.hitReaction >= 0) return 0;
  if (o.groundRecoveryAllowed && CanGroundRecover(o)) {
    o.recoveryDone = 1;
    const int kind = GroundRecoveryKind(o);
    if (kind >= 0) {
      DoRecovery(o, kind);
      BattleSeamExpireInputHistory(&o);
      o.techInvuln = 1;
    }
  }
  if (o.airRecoveryAllowed > 1) --o.airRecoveryAllowed;
  if (o.airRecoveryAllowed == 1) {
    if (CanAirRecover(o)) {
      o.recoveryFlags |= 0x01;
      o.recoveryDone = 1;
    } else {
      o.recoveryFlags &= static_cast<uint8_t>(~0x01);
    }
  }
  if (o.recoveryFlags & 0x01) {
    const int kind = AirRecoveryKind(o);
    if (kind >= 0) DoRecovery(o, kind);
  }
  return 0;
}

void TrainingEnemyStatusInput(BattleObject& o) {
  if (!IsSideActive(o)) return;
  switch (Setting(kTrainingEnemyStatus)) {
    case kStatusStand:
      o.inputDir = 0;
      break;
    case kStatusJump:
      o.inputDir = 8;
      break;
    case kStatusCrouch:
      o.inputDir = 2;
      break;
    default:
      // CPU, MANUAL and DUMMY: the dummy is not a stance dummy and has no enemy action.
      return;
  }
  const int action = Setting(kTrainingEnemyAction);
  if (action >= kActionOff && action <= kActionD) {
    if (o.hitReaction != 0) {
      g_TrainingActionTimer = 1;
    } else if (g_TrainingActionTimer <= kActionFrames) {
      ++g_TrainingActionTimer;
    } else if (action >= kActionA && action <= kActionC) {
      // OFF and ACTION D leave the timer past 240 (CpuDefenceInput serves ACTION D).
      PressCpuButtons(o, 1u << (action - kActionA));
      g_TrainingActionTimer = 0;
    }
  } else if (action >= kRecoverA && action <= kRecoverD) {
    RecoverCycle(o, 1u << (action - kRecoverA));
  }
}

void TrainingGuardDecision(BattleObject& o, int afterPick) {
  const int32_t kind = ReactionKind(o);
  g_TrainingIdleFrames = kind == 5 || kind == 10 ? 0 : WrapAdd(g_TrainingIdleFrames, 1);
  const int status = Setting(kTrainingEnemyStatus);
  const int type = Setting(kTrainingEnemyDefenceType);
  if (afterPick && IsStanceStatus(status) && type == kDefenceCombo) o.aiGuardDecision = kDecisionUndecided;
  if (o.aiGuardDecision != kDecisionUndecided) return;
  if (status == kStatusCpu) {
    if (afterPick)
      o.aiGuardDecision = RollCpuGuardRate(o.playerIndex) ? kDecisionGuard : kDecisionNoGuard;
    else
      o.aiGuardDecision = kind == 5 ? kDecisionGuard : kDecisionUndecided;
    return;
  }
  if (!IsStanceStatus(status)) return;  // MANUAL and DUMMY
  const int defence = Setting(kTrainingEnemyDefence);
  const bool guard = IsGuardOption(defence);
  const bool other = IsShieldOption(defence) || defence == kDefenceDodge;
  if (!guard && !other) return;  // OFF decides nothing, and draws nothing
  switch (type) {
    case kDefenceCombo:
      // COMBO decides only after a pick, and only while the dummy's last reaction is recent.
      if (!afterPick || g_TrainingIdleFrames >= kComboIdleFrames) return;
      [[fallthrough]];
    case kDefenceNormal:
      o.aiGuardDecision = guard ? kDecisionGuard : kDecisionNoGuard;
      return;
    case kDefenceRandom:
      if (guard)
        o.aiGuardDecision = Odd() ? kDecisionGuard : kDecisionNoGuard;
      else if (!afterPick || Odd())  // a busy shield or dodge dummy draws nothing
        o.aiGuardDecision = kDecisionNoGuard;
      return;
    default:
      return;
  }
}

int TrainingThrowTech(BattleObject& o) {
  if (!InTraining()) return 0;
  const int t = o.heldSteps;
  switch (Setting(kTrainingThrowRecovery)) {
    case kTechAllFast:
      return t == 0 ? 1 : 0;
    case kTechAllLate:
      return t >= 7 ? 1 : 0;
    case kTechAllRandom:
      if (t == 0) g_TrainingTechFrame = RandNext() % 8;
      return t == g_TrainingTechFrame ? 1 : 0;
    case kTechRandomFast:
      return t == 0 && !Odd() ? 1 : 0;
    case kTechRandomLate:
      return t >= 7 && !Odd() ? 1 : 0;
    case kTechRandomRandom:
      if (t == 0) g_TrainingTechFrame = Odd() ? -1 : RandNext() % 8;
      return t == g_TrainingTechFrame ? 1 : 0;
    default:
      return 0;  // NORMAL: the dummy never escapes
  }
}

void ResetCpuDefenceState() {
  g_AirRecoveryMode = 0;
  g_DownRecoveryMode = 0;
  g_TrainingActionTimer = 0;
  g_TrainingIdleFrames = 0;
  g_TrainingTechFrame = 0;
}

void InstallCpuDefenceSeams() {
  BattleSeams& s = g_BattleSeams;
  s.CpuInput = [](BattleObject* o) { CpuDefenceInput(*o); };
  s.CpuWantsToGuard = [](BattleObject* o) { return CpuWantsToGuard(*o); };
  s.CpuThrowEscape = [](BattleObject* o) { return TrainingThrowTech(*o); };
}
