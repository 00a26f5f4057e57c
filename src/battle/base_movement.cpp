// Base movement: the controller that turns the stick and the A, B and C buttons into the
// standard patterns (walk, crouch, jump, guard, normal attacks, air jumps) when no command of
// the character's list fired; and the recovery inputs after a hit.
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/object_state.h"

namespace {

constexpr int kRecoveryPriority = 30001;
constexpr int kEffectRecovery = 172;
constexpr int kGuardHoldFrames = 8;

bool Down(int m) { return m >= 1 && m <= 3; }

// A base-movement request: priority 1, never over a request of priority 1 or more.
void Request(BattleObject& o, int pattern) { ChangePattern(o, pattern, 0, 1); }

void RequestUnlessIn(BattleObject& o, int pattern) {
  if (o.pattern != pattern) Request(o, pattern);
}

int JumpPattern(int m) {
  switch (m) {
    case 7:
      return std_pattern::kJumpBack;
    case 8:
      return std_pattern::kJumpUp;
    case 9:
      return std_pattern::kJumpForward;
    default:
      return -1;
  }
}

bool IsHumanOrDummy(BattleObject& o) { return o.controller == 0 || BattleSeamIsTrainingDummy(&o); }

int GroundJump(BattleObject& o, int m) {
  const int pattern = JumpPattern(m);
  if (pattern < 0) return 0;
  RequestUnlessIn(o, pattern);
  if (o.noHitFrames != 0) o.noHitFrames = 1;
  return 1;
}

// The standing-and-crouching guard stance: hold the guard while an attack comes, else let the
// hold run out and leave the guard.
void GuardStanceStep(BattleObject& o, uint32_t buttons, int m) {
  const bool crouching = CurrentStance(o) == 2;
  if ((m == 1 || m == 4) && FindIncomingAttack(o)) {
    ChangePattern(o, m == 1 ? std_pattern::kCrouchGuard : std_pattern::kGuard, 0, 1);
    o.guardHold = kGuardHoldFrames;
  } else if (m != 1 && m != 4) {
    o.guardHold = 0;
  }
  if (o.guardHold > 0) --o.guardHold;
  if (o.guardHold == 0) {
    const int pattern = Down(m) ? (crouching ? std_pattern::kCrouch : std_pattern::kCrouchDown)
                                : (crouching ? std_pattern::kStandUp : std_pattern::kStand);
    ChangePattern(o, pattern, 0, 1);
  }
  if (NormalAttack(o, buttons, m, CurrentStance(o) & 1)) o.guardHold = 0;
}

}  // namespace

bool CanGroundRecover(const BattleObject& o) {
  if (o.hitVectorStep == 0 || o.hitVectorStep == 255 || o.hitReaction > 0 || o.hitFrames > 4) return false;
  const Han6FrameState& s = FrameState(o);
  return s.asmv != 0 || s.stance == 0 || s.stance == 2;
}

bool CanAirRecover(const BattleObject& o) {
  const Han6FrameState& s = FrameState(o);
  return s.asmv == 0 && s.stance == 1 && o.hitReaction <= 0 && o.hitFrames >= o.untechTime;
}

int CanWalk(const BattleObject& o) {
  switch (o.pattern) {
    case 0:
    case 10:
    case 11:
    case 13:
    case 14:
    case 15:
      return 1;
    default:
      return (FrameState(o).asf0 & 0x4) ? 0 : 1;
  }
}

int AutoGuard(BattleObject& o) {
  if (o.controller != 0) return 0;
  const Han6FrameState& s = FrameState(o);
  if (static_cast<uint32_t>(s.asf1) & 0x80000000u) return 0;
  if (s.stance == 1 || !CanWalk(o) || !FindIncomingAttack(o)) return 0;
  if (!ChangePattern(o, s.stance == 2 ? std_pattern::kCrouchGuard : std_pattern::kGuard, 0, 1)) return 0;
  o.guardHold = kGuardHoldFrames;
  return 1;
}

int AirJump(BattleObject& o, int m) {
  if (o.landed || !(o.airJumps & 0x80)) return 0;
  const CharaCommandTable* t = o.playerRecord ? o.playerRecord->ext.commandTable.get() : nullptr;
  const int used = o.airJumps & 0x7F;
  if (!t || used >= t->airJumps) return 0;
  int pattern = -1;
  if (m == 7) pattern = 40;
  if (m == 8) pattern = 39;
  if (m == 9) pattern = 38;
  if (pattern < 0 || !ChangePattern(o, pattern, 1, 10)) return 0;
  o.airJumps = static_cast<uint8_t>((used + 1) & 0x7F);
  return 1;
}

int NormalAttack(BattleObject& o, uint32_t buttons, int m, int code) {
  if (g_CommandLock != 0) return 0;
  const uint32_t pressed = buttons & 0x7;
  if (!pressed) return 0;
  const int button = (pressed & 0x4) ? 2 : (pressed & 0x2) ? 1 : 0;  // C over B over A
  static constexpr int kPriority[3] = {2, 6, 10};
  static constexpr int kCrouchPriority[3] = {4, 8, 12};
  int pattern = 0, priority = 0;
  if ((code & 0xF) == 1) {
    pattern = 7 + button;
    priority = kPriority[button];
  } else if (Down(m)) {
    pattern = 4 + button;
    priority = kCrouchPriority[button];
  } else {
    pattern = 1 + button;
    priority = kPriority[button];
  }
  if (code >= 16) {
    if (!ChangePattern(o, pattern, 1, priority)) return 0;
    if (code == 17) {
      o.guarding = 0;
      o.downState = 0;
    }
  } else {
    if (!CanChainToPattern(o, pattern)) return 0;
    if (!ChangePattern(o, pattern, 0, priority)) return 0;
    if (CurrentStance(o) != 1) {
      BattleSeamAutoFacing(&o);
      o.facing = o.wantedFacing;
    }
    if (o.contactFlags & 0x4) o.cancelledOnContact = 1;
  }
  if (o.noHitFrames != 0) o.noHitFrames = 1;
  return 1;
}

void BaseMovement(BattleObject& o, uint32_t buttons, int m) {
  if (g_CommandLock == 2 || o.noCommand != 0 || o.patternHold != 0) return;
  if (o.playerRecord && CheckSystemCommands(o) == 1) return;
  if (RecoveryInput(o, buttons, m)) return;
  const Han6FrameState& s = FrameState(o);
  const int code = s.asmv * 16 + s.stance;
  switch (code) {
    case 16:
      o.airJumps = 0;
      if (m == 0) {
        if (o.pattern == std_pattern::kWalkForward || o.pattern == std_pattern::kWalkBack)
          Request(o, std_pattern::kStand);
      } else if (Down(m)) {
        if (CanWalk(o)) RequestUnlessIn(o, std_pattern::kCrouchDown);
      } else if (m == 4) {
        if (!AutoGuard(o) && CanWalk(o)) RequestUnlessIn(o, std_pattern::kWalkBack);
      } else if (m == 6) {
        if (CanWalk(o)) RequestUnlessIn(o, std_pattern::kWalkForward);
      } else {
        GroundJump(o, m);
      }
      NormalAttack(o, buttons, m, 16);
      break;
    case 18:
      if (NormalAttack(o, buttons, m, 18)) break;
      if (m == 1)
        AutoGuard(o);
      else if (m == 4)
        RequestUnlessIn(o, std_pattern::kWalkBack);
      else if (m == 6)
        RequestUnlessIn(o, std_pattern::kWalkForward);
      else
        GroundJump(o, m);
      break;
    case 17:
      if (m == 0) o.airJumps |= 0x80;
      if (AirJump(o, m)) {
        o.guarding = 0;
        o.downState = 0;
      } else {
        NormalAttack(o, buttons, m, 17);
      }
      break;
    case 1:
      if (m == 0) o.airJumps |= 0x80;
      if (CanJumpCancel(o) && AirJump(o, m)) break;
      if (CanCancelNormal(o)) NormalAttack(o, buttons, m, 1);
      break;
    case 0:
    case 2:
      if (IsGuardStance(o)) {
        GuardStanceStep(o, buttons, m);
        break;
      }
      if (o.jumpCancelUsed == 0 && CanJumpCancel(o)) {
        int pattern = JumpPattern(m);
        if (m == 8 && o.highJump == 1 && o.playerRecord && o.playerRecord->ext.commandTable &&
            o.playerRecord->ext.commandTable->highJumpPattern != 0)
          pattern = o.playerRecord->ext.commandTable->highJumpPattern;
        if (pattern >= 0 && ChangePattern(o, pattern, 0, 30000)) {
          o.jumpCancelUsed = 1;
          break;
        }
      }
      if (CanCancelNormal(o)) NormalAttack(o, buttons, m, code);
      break;
    default:
      break;
  }
}

int RecoveryInput(BattleObject& o, uint32_t buttons, int m) {
  if (!IsHumanOrDummy(o) || o.hitReaction == 0 || o.held || g_JudgeState != 0) return 0;
  if (o.groundRecoveryAllowed && CanGroundRecover(o)) {
    o.recoveryDone = 1;
    // Up tap, forward tap, back tap, tried in this order.
    static constexpr int kTaps[3][2] = {{0, 0}, {1, 2}, {3, 1}};
    for (const auto& tap : kTaps) {
      if (!MatchDirectionTap(o, tap[0])) continue;
      if (BattleSeamIsLocalSide(o.side)) BattleSeamQueueAchievement(7);
      DoRecovery(o, tap[1]);
      BattleSeamExpireInputHistory(&o);
      o.techInvuln = 1;
      return 1;
    }
    return 0;
  }
  if (o.airRecoveryAllowed > 1) --o.airRecoveryAllowed;
  if (o.hitStop != 0)
    o.recoveryFlags &= static_cast<uint8_t>(~0x10);
  else if ((buttons & 0xF) && o.untechTime - o.hitFrames < 3)
    o.recoveryFlags |= 0x10;
  if (o.airRecoveryAllowed != 1) return 0;
  o.recoveryFlags &= static_cast<uint8_t>(~0x01);
  if (!CanAirRecover(o)) return 0;
  o.recoveryFlags |= 0x01;
  o.recoveryDone = 1;
  if (!(o.recoveryFlags & 0x10)) return 0;
  const bool forward = m == 3 || m == 6 || m == 9;
  const bool back = m == 1 || m == 4 || m == 7;
  int kind = 4;
  if (forward || back) {
    const bool turning = o.facing != o.wantedFacing;
    kind = (forward != turning) ? 3 : 5;
  }
  DoRecovery(o, kind);
  o.recoveryFlags &= static_cast<uint8_t>(~0x10);
  return 1;
}

void DoRecovery(BattleObject& o, int k) {
  const int id = 90 + k;
  MotionVector mv;
  GetMotionOfHitVector(id, 0, &mv);
  // Vectors point the way the character faces; 64-bit so a table value of INT32_MIN mirrors
  // without overflow (it wraps like every store into a narrower field).
  const int64_t sign = o.wantedFacing == 1 ? -1 : 1;
  o.hitVelX = static_cast<int32_t>(static_cast<uint32_t>(mv.vx * sign));
  o.hitVelY = mv.vy;
  o.hitAccX = static_cast<int16_t>(mv.ax * sign);
  o.hitAccY = static_cast<int16_t>(mv.ay);
  o.hitReaction = GetHitVectorStun(id, 0);
  o.hitVectorStep = 0;
  o.burstBlock = 0;
  o.recoveryFlags = 0;
  o.airRecoveryAllowed = 0;
  o.groundRecoveryAllowed = 0;
  if (k <= 2) o.airActions = 100;
  ChangePattern(o, GetHitVectorPattern(id, 0, 0), 1, kRecoveryPriority);
  // The air recoveries start their effect 32 units higher.
  BattleSeamSpawnParticle(kEffectRecovery, o.posX, k >= 3 ? WrapAdd(o.posY, -32) : o.posY);
}
