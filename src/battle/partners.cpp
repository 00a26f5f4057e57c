// Partner characters: call, assist partner, takeover body, tag battle and the exchange.
#include "battle/partners.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/frame_effects.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"

namespace {

bool TagBattle() { return (g_GameModeFlags & kTagBattleFlag) != 0; }

int TagTypeOf(const BattleObject& o) { return BattleSeamGetCharacterTagType(o.charaIndex); }

bool Matches(BattleObject& o, std::string_view text) {
  if (!o.playerRecord) return false;
  std::array<uint8_t, 20> notation{};
  CompileNotation(notation, text);
  return MatchCommandNotation(o.playerRecord->ext.history, notation) != 0;
}

int32_t TableField(const BattleObject& o, int32_t CharaCommandTable::*field) {
  if (!o.playerRecord || !o.playerRecord->ext.commandTable) return 0;
  return (*o.playerRecord->ext.commandTable).*field;
}

// The other slot of a side's pair: slot + 2 below 2, slot - 2 from 2 up.
int PairSlot(int slot) { return slot < 2 ? slot + 2 : slot - 2; }

void Steer(BattleObject& m, int32_t target) {
  if (m.posX < target && m.facing == 1) {
    m.facing = m.wantedFacing = 0;
  } else if (m.posX > target && m.facing == 0) {
    m.facing = m.wantedFacing = 1;
  }
}

void ResetAssist(BattleObject& m, SideStatus& s) {
  s.partnerControl = 0;
  if (m.pattern != 0) ChangePattern(m, 0, 0, 1000);
}

// The action state a takeover body takes from the body it replaces; identity, links, input,
// frame data, gauges, draw fields and the action counters stay the body's own.
// clang-format off
#define TAKEOVER_FIELDS(F)                                                                    \
  F(posX) F(posY) F(prevPosX) F(prevPosY) F(facing) F(wantedFacing) F(velX) F(velY) F(accX)   \
  F(accY) F(velXStop) F(hitVelX) F(hitVelY) F(hitAccX) F(hitAccY) F(inertiaX)                 \
  F(inertiaSource) F(inertiaDecay) F(inertiaPattern) F(throwOffsetX) F(throwOffsetY)          \
  F(contactFlags) F(childContactFlags) F(reactionNew) F(reactionFrames) F(pattern) F(frame)   \
  F(pendingPattern) F(pendingPriority) F(conditionsPending) F(effectsPending)                 \
  F(hitVectorFresh) F(hitStop) F(hitStopPass) F(attackConnected) F(pendingHitStop) F(held)    \
  F(downState) F(burstBlock) F(juggleWeight) F(strikeInvuln) F(throwInvuln) F(noHitFrames)    \
  F(jumpStartFrames) F(airSteps) F(heldSteps) F(untechTime) F(hitFrames) F(recoveryFlags)     \
  F(airRecoveryAllowed) F(groundRecoveryAllowed) F(techInvuln) F(hitSteps) F(hitReaction)     \
  F(hitVectorStep) F(hitVectorFacing) F(hitVector) F(patternHold) F(finishKind) F(airJumps)   \
  F(throwClashFrames) F(throwConnected) F(hitStopLength) F(pendingHitCount) F(statusKind)     \
  F(statusTimer) F(hitsTaken) F(stepFrames) F(stepped) F(finishCheck) F(landed)               \
  F(landingJump)
// clang-format on

void TakeActionState(BattleObject& m, const BattleObject& a) {
#define TAKE(f) m.f = a.f;
  TAKEOVER_FIELDS(TAKE)
#undef TAKE
  std::copy(std::begin(a.reaction), std::end(a.reaction), std::begin(m.reaction));
  std::copy(std::begin(a.pendingReaction), std::end(a.pendingReaction), std::begin(m.pendingReaction));
  std::copy(std::begin(a.pendingHitAttack), std::end(a.pendingHitAttack), std::begin(m.pendingHitAttack));
  std::copy(std::begin(a.pendingHitRect), std::end(a.pendingHitRect), std::begin(m.pendingHitRect));
  std::copy(std::begin(a.pendingHitAttacker), std::end(a.pendingHitAttacker),
            std::begin(m.pendingHitAttacker));
}

// Every link to the old body now names the new one; the old body's own link of that kind goes.
void MoveLinks(BattleObject& from, BattleObject& to) {
  auto move = [&](BattleObject& o) {
    if (o.target == &from) {
      o.target = &to;
      from.target = nullptr;
    }
    if (o.heldObject == &from) {
      o.heldObject = &to;
      from.heldObject = nullptr;
    }
    if (o.shieldedAttacker == &from) {
      o.shieldedAttacker = &to;
      from.shieldedAttacker = nullptr;
    }
  };
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse) move(r.obj);
  for (int i = 0; i < g_PoolHighWater; ++i) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    if (!s.inUse) continue;
    move(s.obj);
    if (s.obj.parent == &from) s.obj.owner = s.obj.creditOwner = &to;
  }
}

}  // namespace

void CopyPartnerGauges(BattleObject& dst, const BattleObject& src) {
  dst.life = src.life;
  dst.redLife = src.redLife;
  dst.heatTimer = src.heatTimer;
  dst.gaugeMode = src.gaugeMode;
  dst.gaugeModeMax = src.gaugeModeMax;
  dst.circuit = src.circuit;
  dst.guardGauge = src.guardGauge;
  dst.guardHealRate = src.guardHealRate;
  dst.guardGaugeState = src.guardGaugeState;
  dst.guardStopTimer = src.guardStopTimer;
  dst.guardCount = src.guardCount;
  dst.guardQualityStop = src.guardQualityStop;
  dst.guardQuality = src.guardQuality;
}

int IsTakeoverDue(BattleObject& o) {
  if (TagTypeOf(o) != 255 || o.finishKind == 0) return 0;
  if (g_GameModeFlags == MODE_TRAINING) return 1;
  if (g_GameModeFlags == MODE_ARCADE && (o.controller == 0 || o.controller == 1)) return 0;
  if (o.side > 1) return 0;
  return g_BattleState[BattleStateIndex::kMatchPoint0 + (1 - o.side)] != 0 ? 1 : 0;
}

int CheckPartnerCallCommand(BattleObject& o) {
  if (TagTypeOf(o) != 1 || !o.partner) return 0;
  FlipInputHistory(o);
  const Han6FrameState& st = FrameState(o);
  const BattleObject& g = *GetGaugeOwner(o);
  if (st.asmv == 1 && (st.stance == 0 || st.stance == 2) &&
      ((g.gaugeMode == 0 && g.circuit >= 10000) || g.gaugeMode == 2)) {
    // The longer input belongs to the command list.
    if (Matches(o, "020202D")) return 0;
  }
  return Matches(o, "0202D") ? PartnerCall(o) : 0;
}

int PartnerCall(BattleObject& caller) {
  if (g_GameModeFlags & kFourPlayerFlag) return 0;
  if (g_CommandLock == 2) return 0;
  if (caller.side > 1) return 0;
  SideStatus& s = g_SideStatus[caller.side];
  if (s.hasPartner == 0) return 1;
  if (g_JudgeState != 0) return 0;
  const Han6FrameState& st = FrameState(caller);
  if (TagBattle()) {
    if (s.partnerControl != 0 || (st.stance != 0 && st.stance != 2)) return 0;
    if (!BattleSeamCanCancel(&caller, 0) && !BattleSeamCanCancel(&caller, 1)) return 0;
    const int32_t call = TableField(caller, &CharaCommandTable::tagCallPattern);
    if (call != 0) ChangePattern(caller, call, 0, 9999);
    caller.strikeInvuln = caller.throwInvuln = 2;
    s.partnerControl = 200;
    return 1;
  }
  const bool partnerAirborne = caller.partner && CurrentStance(*caller.partner) == 1;
  if (caller.hitReaction == 0 && st.asmv == 1 && st.stance != 1 && !partnerAirborne) {
    ChangePattern(caller, 53, 0, 999);
    s.partnerControl = 1;
    if (caller.charaIndex == 4 && BattleSeamIsLocalSide(caller.side) && !BattleSeamRoundCallDone())
      BattleSeamQueueAchievement(23);
  }
  // Outside tag battle the input is consumed whether or not the call could start.
  return 1;
}

void ResetPartnerRound(int side) {
  if (side < 0 || side > 1) return;
  SideStatus& s = g_SideStatus[side];
  s.activePlayer = side;
  s.partnerControl = 0;
  s.partnerFrames = 0;
}

void PartnerStep(BattleObject& member) {
  if (TagTypeOf(member) == 255)
    TakeoverPartnerStep(member);
  else
    AssistPartnerStep(member);
}

void PartnerControl(BattleObject& member) {
  if (TagBattle())
    TagPartnerStep(member);
  else
    PartnerStep(member);
}

void AssistPartnerStep(BattleObject& m) {
  if (!m.partner || m.side > 1) return;
  BattleObject& a = *m.partner;
  SideStatus& s = g_SideStatus[m.side];
  // The point 150 pixels in front of the active member.
  const int32_t target = WrapAdd(a.posX, a.facing == 0 ? 19200 : -19200);
  CopyPartnerGauges(m, a);
  if (FrameState(m).asmv != 1 && m.pattern != 53) {
    m.partnerState = 2;
    return;
  }
  m.partnerState = 1;
  const int64_t distance = std::llabs(static_cast<int64_t>(a.posX) - m.posX);
  switch (s.partnerControl) {
    case 0:
      if (m.pattern == 0) {
        SetDrawPriorityMode(m, 2);
        if (distance <= 38400) {
          BattleSeamAutoFace(&m, 0);
          return;
        }
        BattleSeamFacePartner(&m);
        m.facing = m.wantedFacing;
        ChangePattern(m, 10, 0, 0);
      } else if (m.pattern == 10) {
        Steer(m, target);
        if (distance <= 19200) {
          BattleSeamAutoFace(&m, 0);
          m.facing = m.wantedFacing;
          ChangePattern(m, 0, 0, 0);
        }
      }
      break;
    case 1:
      if (m.facing == m.wantedFacing && a.facing == a.wantedFacing) {
        Steer(m, target);
        s.partnerControl = 2;
      }
      break;
    case 2:
      if (a.pattern != 53) {
        ResetAssist(m, s);
      } else if ((m.facing == 0 && m.posX > target) || (m.facing == 1 && m.posX < target)) {
        m.posX = target;
        ChangePattern(m, 53, 0, 300);
        BattleSeamFacePartner(&m);
        s.partnerControl = 3;
      } else {
        ChangePattern(m, 245, 0, 0);
      }
      break;
    case 3:
      if (a.pattern != 53) ResetAssist(m, s);
      break;
    default:
      break;
  }
}

void TakeoverPartnerStep(BattleObject& m) {
  if (!m.partner || m.side > 1) return;
  BattleObject& a = *m.partner;
  SideStatus& s = g_SideStatus[m.side];
  CopyPartnerGauges(m, a);
  if (s.partnerControl == 0 || s.partnerControl == 255) {
    if (m.partnerState != 0) {
      m.posX = 256000;
      m.posY = 0;
      m.facing = a.facing;
      m.wantedFacing = a.wantedFacing;
      ChangePattern(m, 0, 0, 1);
    }
    return;
  }
  if (s.partnerControl != 1 || a.held) return;
  TakeActionState(m, a);
  ThrowDeathEffect(a);
  RefreshFramePointers(m);
  if (CheckPatternFrame(m) != 0) {
    // The body's own frame data lacks the copied pattern or frame: it starts from the top.
    m.pattern = 0;
    m.frame = 0;
    RefreshFramePointers(m);
  }
  MoveLinks(a, m);
  m.held = 0;
  m.hitFrames = 0;
  m.parent = nullptr;
  m.hitVectorStep = 0;
  m.hitsTaken = -1;
  m.rotationPivotX = m.rotationPivotY = 0;
  m.rotation = 0;
  s.activePlayer = PairSlot(s.activePlayer);
  a.partnerState = 1;
  m.partnerState = 0;
  s.partnerControl = 255;
}

void TagPartnerStep(BattleObject& m) {
  if (!m.partner || m.side > 1) return;
  BattleObject& a = *m.partner;
  SideStatus& s = g_SideStatus[m.side];
  m.heatTimer = a.heatTimer;
  m.gaugeMode = a.gaugeMode;
  m.gaugeModeMax = a.gaugeModeMax;
  m.circuit = a.circuit;
  ++s.partnerFrames;
  switch (s.partnerControl) {
    case 0:
      m.posX = -65536;
      ChangePattern(m, 0, 0, 1000);
      break;
    case 100: {
      m.strikeInvuln = m.throwInvuln = 2;
      if (CurrentStance(m) != 1) break;
      bool out = true;
      if (m.kind < kKindChildFirst) out = std::abs(BattleSeamHeldSpanEdgeCorrection(&m)) > 50;
      if (out) {
        s.partnerControl = 101;
        s.partnerFrames = 0;
      }
      break;
    }
    case 101:
      if (m.finishKind != 0) break;
      m.posX = -65536;
      ChangePattern(m, 0, 0, 1000);
      m.strikeInvuln = m.throwInvuln = 2;
      if (s.partnerFrames > 120) s.partnerControl = 0;
      break;
    case 200: {
      const int32_t entry = TableField(m, &CharaCommandTable::tagEntryPattern);
      if (entry != 0) {
        m.facing = a.facing;
        m.wantedFacing = a.facing;
        ChangePattern(m, entry, 0, 1000);
        ExecutePatternChange(m);
        m.posY = 0;
        m.posX = WrapAdd(BattleSeamCameraTargetX(), m.facing == 0 ? -40960 : 40960);
      }
      s.partnerControl = 255;
      break;
    }
    default:
      break;
  }
}

void ProcessPartnerSwap() {
  // The four-player mode has no partner control: every character there is active, and a count
  // raised by partner contact must not hand a side's gauges to another character.
  if (g_GameModeFlags & kFourPlayerFlag) return;
  for (int side = 0; side < 2; ++side) {
    SideStatus& s = g_SideStatus[side];
    if (!s.hasPartner || s.activePlayer < 0 || s.activePlayer >= kPlayerSlots) continue;
    const int nSlot = PairSlot(s.activePlayer);
    PlayerRecord& ar = g_PlayerRecords[s.activePlayer];
    PlayerRecord& nr = g_PlayerRecords[nSlot];
    if (!ar.inUse || !nr.inUse) continue;
    BattleObject& a = ar.obj;
    BattleObject& n = nr.obj;
    const bool mayExchange = a.armorFrames != 0 || a.hitReaction == 0;
    if (TagBattle()) {
      if (s.partnerControl != 255) continue;
      if (!mayExchange) {
        s.partnerControl = 254;
        continue;
      }
      s.activePlayer = nSlot;
      a.noPush = 1;
      n.noPush = 0;
      n.heatTimer = a.heatTimer;
      n.gaugeMode = a.gaugeMode;
      n.gaugeModeMax = a.gaugeModeMax;
      n.circuit = a.circuit;
      // Half of the incoming member's recoverable life is lost.
      if (n.redLife > n.life) n.redLife = Wrap(n.life + (int64_t{n.redLife} - n.life) / 2);
      n.noCommand = 0;
      n.partnerState = 0;
      n.landed = 0;
      n.airJumps = 127;
      n.partner = &a;
      a.partnerState = 1;
      s.partnerControl = a.finishKind != 0 ? 101 : 100;
    } else {
      if (s.partnerControl != 4) continue;
      if (!mayExchange) {
        s.partnerControl = 3;
        continue;
      }
      s.activePlayer = nSlot;
      a.noPush = 1;
      n.noPush = 0;
      CopyPartnerGauges(n, a);
      n.noCommand = 0;
      n.partnerState = 0;
      n.accX = n.accY = 0;
      n.velX = n.velY = 0;
      n.landed = 0;
      n.airJumps = 127;
      n.posY = 0;
      n.partner = &a;
      a.partnerState = 1;
      s.partnerControl = 0;
    }
  }
}
