// Gauges, guard gauge, circuit charge, exact-guard tracker, damage-reduce window and shield.
#include "battle/gauges.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "battle/partners.h"

namespace {

// A frame request: taken unless one of this priority or more is pending.
void RequestFrame(BattleObject& o, int frame, int priority) {
  if (o.pendingFramePriority >= priority) return;
  o.pendingFrame = static_cast<int16_t>(frame);
  o.pendingFramePriority = static_cast<int16_t>(priority);
}

// The meter's owner for adds: the gauge owner, and for a member standing in for its partner
// the side's active character.
BattleObject& MeterOwner(BattleObject& o) {
  BattleObject* m = GetGaugeOwner(o);
  if (m->partnerState != 0 && m->side < 2) {
    const int active = g_SideStatus[m->side].activePlayer;
    if (active >= 0 && active < kPlayerSlots && g_PlayerRecords[active].inUse)
      m = &g_PlayerRecords[active].obj;
  }
  return *m;
}

int32_t ExactShieldWindow(const TypeParams& t, int stance) {
  switch (stance) {
    case 0:
      return t.exShieldStand;
    case 1:
      return t.exShieldAir;
    case 2:
      return t.exShieldCrouch;
    default:
      return 0;
  }
}

}  // namespace

// A child object with flag 0x8 passes its hit stop to a parent of its own side.
void GiveHitStop(BattleObject& o, int stop) {
  if (o.kind >= kKindChildFirst && (o.flags & 0x8) && o.parent && o.parent->side == o.side) {
    o.parent->hitStop = static_cast<uint8_t>(stop);
    o.hitStop = 0;
    return;
  }
  o.hitStop = static_cast<uint8_t>(stop);
}

namespace {

bool IsBack(int dir) { return dir == 1 || dir == 4 || dir == 7; }

// A system effect on behalf of the object: its block holds the world point and, as the first
// parameter, the rotation.
void SystemEffect(BattleObject& o, int code, int32_t x, int32_t y, int32_t rotation) {
  int32_t block[12] = {x, y, rotation};
  BattleSeamSpawnSystemEffect(&o, code, block, o.facing);
}

}  // namespace

// ---- meter ----

int HasMeter(BattleObject& o, int cost) {
  BattleObject& g = *GetGaugeOwner(o);
  if (g.gaugeMode == 5 || cost == 0) return 1;
  if (g.gaugeMode == 255) return 0;
  if (IsGaugeLocked(g)) return 0;
  if (g.gaugeMode != 0) return 1;
  return g.circuit >= cost ? 1 : 0;
}

void SpendMeter(BattleObject& o, int cost) {
  BattleObject& g = *GetGaugeOwner(o);
  int32_t spend = 0;
  if (cost == kSpendAll) {
    spend = kSpendAll;
  } else if (g.gaugeMode == 0) {
    spend = cost;
  } else if (g.gaugeMode == 3) {
    // Percentages of the mode's length in integers: the same on every machine.
    spend = g.gaugeModeMax * (o.armorFrames == 10001 ? 40 : 19) / 100;
  } else if (g.gaugeMode == 1 || g.gaugeMode == 2) {
    spend = g.gaugeModeMax * 40 / 100;
  }
  o.pendingSpend = spend;
  o.pendingSpendMode = g.gaugeMode;
}

void ApplyMeterSpend(BattleObject& o) {
  BattleObject& g = *GetGaugeOwner(o);
  // Left pending: the round is over, or the gauge is unlimited.
  if (g_JudgeState != 0 || g.gaugeMode == 5) return;
  const int32_t spend = o.pendingSpend;
  const int32_t mode = o.pendingSpendMode;
  o.pendingSpend = 0;
  if (mode == 0) {
    if (g.gaugeMode == 0) g.circuit = Wrap(std::max<int64_t>(0, int64_t{g.circuit} - spend));
  } else if (mode == 3) {
    if (spend == kSpendAll)
      SetGaugeMode(g, 0, 0, 0);
    else if (g.gaugeMode == 3)
      g.heatTimer = Wrap(int64_t{g.heatTimer} - spend);
  } else if (mode == 1 || mode == 2) {
    if (spend == kSpendAll)
      SetGaugeMode(g, (mode == 2 && GetTypeParams(g.type).sparkType != 1) ? 10000 : 0, 0, 0);
    else if (g.gaugeMode == mode)
      g.heatTimer = Wrap(int64_t{g.heatTimer} - spend);
  }
  SetGaugeLock(g, 420, 110);
  // pendingSpendMode stays as the mode the HUD and the command limits read.
}

// ---- gauge lock ----

void SetGaugeLock(BattleObject& o, int timer, int rate) {
  if (!IsGaugeLocked(o)) {
    o.circuitBreakRate = static_cast<int16_t>(rate);
    o.circuitBreakTimer = static_cast<int16_t>(timer);
    o.circuitBreakLength = static_cast<int16_t>(timer);
    return;
  }
  if (rate != 0) return;
  if (o.circuitBreakTimer < timer) {
    o.circuitBreakTimer = static_cast<int16_t>(timer);
    o.circuitBreakLength = static_cast<int16_t>(timer);
  } else {
    o.circuitBreakLength = o.circuitBreakTimer;
  }
}

int IsGaugeLocked(const BattleObject& o) {
  return o.circuitBreakTimer != 0 && o.circuitBreakRate == 0 ? 1 : 0;
}

int IsGaugeLockScaled(BattleObject& o) {
  if (o.circuitBreakTimer == 0) return 0;
  return BattleSeamIsGiantCharacter(&o) ? 0 : 1;
}

int GetGaugeLockRate(const BattleObject& o) { return o.circuitBreakRate; }

// ---- guard gauge and quality ----

int AddGuardGauge(BattleObject& o, float amount, int stop) {
  const float max = GetTypeParams(o.type).ggMaxVal;
  float g = o.guardGauge + amount;
  int result = 0;
  if (amount > 0.0f && g >= max) {
    g = max;
    result = 2;
  } else if (amount < 0.0f && g <= 0.0f) {
    g = 0.0f;
    result = 1;
  }
  o.guardGauge = std::clamp(g, 0.0f, std::max(max, 0.0f));
  if (stop >= 0) o.guardStopTimer = stop;
  if (stop > 0) o.guardHealRate = GetTypeParams(o.type).ggHealVal;
  return result;
}

void GuardGaugeStep(BattleObject& o) {
  const TypeParams& t = GetTypeParams(o.type);
  if (o.guardGaugeState == 0 || o.guardGaugeState == 2) {
    // A zero type row has no refill length: its quotient is 0 and the gauge refills by 1.
    const int32_t q = t.ggRecoverVal > 0 ? FloatToInt32(t.ggMaxVal / static_cast<float>(t.ggRecoverVal)) : 0;
    o.guardGauge += static_cast<float>(std::max(1, q));
    o.guardStopTimer = 0;
    if (o.guardGauge >= t.ggMaxVal) {
      o.guardGauge = t.ggMaxVal;
      o.guardGaugeState = 1;
    }
  } else if (o.guardGaugeState == 1) {
    if (o.guardGauge < t.ggMaxVal && o.guardStopTimer == 0 && o.patternHold == 0) {
      // float32 throughout: fifty growths of 0.02 from 0 stay just below 1.0.
      o.guardGauge = std::min(t.ggMaxVal, o.guardGauge + static_cast<float>(FloatToInt32(o.guardHealRate)));
      o.guardHealRate = o.guardHealRate + t.ggHealPlusVal;
    }
  }
  if (o.guardStopTimer > 0) --o.guardStopTimer;
}

int IsGuardGaugeLow(const BattleObject& o) {
  return o.guardGaugeState == 1 && o.guardGauge <= 0.3f * GetTypeParams(o.type).ggMaxVal ? 1 : 0;
}

void AddGuardQuality(BattleObject& o, float delta) {
  if (o.guardGaugeState != 1 && delta >= 0.0f) return;
  const TypeParams& t = GetTypeParams(o.type);
  o.guardQuality = std::clamp(o.guardQuality + delta, 0.0f, std::max(t.gqMaxVal, 0.0f));
  o.guardQualityStop = static_cast<int16_t>(t.gqStopVal);
}

void GuardQualityStep(BattleObject& o) {
  const TypeParams& t = GetTypeParams(o.type);
  if (o.guardQualityStop > 0)
    --o.guardQualityStop;
  else
    o.guardQuality = std::max(0.0f, o.guardQuality - t.gqRecoverVal);
  if (g_GameModeFlags == MODE_TRAINING) {
    static constexpr float kFloor[5] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const int s = BattleSeamTrainingSetting(7);
    if (s >= 1 && s <= 4) o.guardQuality = std::max(o.guardQuality, t.gqMaxVal * kFloor[s]);
  }
}

int GuardDamage(BattleObject& o, float damage, float* result) {
  const TypeParams& t = GetTypeParams(o.type);
  float d = g_JudgeState != 0 ? 0.0f : damage;
  int r = 0;
  if (o.guardGaugeState != 1) {
    d = 0.0f;
  } else {
    if (d < 0.0f) {
      // A zero type row has no quality maximum: no quality bonus then.
      const float bonus = t.gqMaxVal > 0.0f ? o.guardQuality / t.gqMaxVal : 0.0f;
      d = d * (1.0f + bonus);
    } else if (d > 0.0f) {
      d = (o.guardQuality + 1.0f) * d;
      if (o.guardCount > 0 && t.ggCorrectVal != 1.0f) d = d * t.ggCorrectVal;
      switch (CurrentStance(o)) {
        case 0:
          d = d * t.guardGround;
          break;
        case 1:
          d = d * t.guardAir;
          break;
        case 2:
          d = d * t.guardCrouch;
          break;
        default:
          break;
      }
    }
    r = AddGuardGauge(o, -d, t.ggStopVal);
    if (r == 1) o.guardGaugeState = 2;
  }
  if (result) *result = d;
  return r;
}

// ---- circuit charge ----

void StartCharge(BattleObject& o) {
  o.chargeStep = g_TypeSystem.mcChargePlus;
  o.chargeCount = 0;
  SystemEffect(o, 130, o.posX, o.posY, 0);
  o.chargeActive = 1;
}

void CircuitChargeStep(BattleObject& o) {
  if (!o.chargeActive) return;
  if (o.hitReaction != 0 || o.held || o.noCommand) {
    o.chargeActive = 0;
    return;
  }
  o.chargeCount = WrapAdd(o.chargeCount, g_TypeSystem.mcChargeCntPlus);
  if (o.chargeCount >= 100)
    o.chargeStep = Wrap(std::min<int64_t>(int64_t{o.chargeStep} + 1, g_TypeSystem.mcChargePlusMax));
  int32_t amount = o.chargeStep;
  if (IsGaugeLockScaled(o)) amount = Wrap(int64_t{amount} * o.circuitBreakRate / 256);
  if (amount == 0) return;
  BattleObject& m = MeterOwner(o);
  const int32_t before = m.circuit;
  AddCircuitMeter(m, amount, 0, 0);
  // A meter that came in out of range (negative from damaged data) is clamped by the add, so
  // the change can exceed the int range; the running total saturates.
  const int64_t change = int64_t{m.circuit} - before;
  if (change != 0 && m.side < 2 && BattleSeamIsLocalSide(m.side)) {
    g_ChargeMeterTotal =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t{g_ChargeMeterTotal} + change, INT32_MIN, INT32_MAX));
    if (g_ChargeMeterTotal >= 10000) BattleSeamQueueAchievement(14);
  }
}

// ---- back-press tracker ----

void BackPressStep(BattleObject& o) {
  const bool back = IsBack(o.inputDir);
  ++o.exGuardFrames;
  auto set = [&](int32_t s) {
    o.exGuardState = s;
    o.exGuardFrames = 0;
  };
  switch (o.exGuardState) {
    case 0:
      if (!back) set(1);
      break;
    case 1:
      if (back)
        set(10);
      else
        o.exGuardFrames = 0;
      break;
    case 10:
      if (!back)
        set(255);
      else if (o.exGuardFrames >= (o.guarding ? 6 : 8))
        set(255);
      break;
    case 255:
      if (o.exGuardFrames >= 8 && !back) set(0);
      break;
    default:
      break;
  }
}

int IsExGuardInput(const BattleObject& o) {
  return GetTypeParams(o.type).isExGuard != 0 && o.exGuardState == 10 ? 1 : 0;
}

// ---- damage-reduce window ----

void ReduceWindowStep(ReduceWindow w, int pressed) {
  if (w.timer > 0) --w.timer;
  if (g_GameModeFlags == MODE_TRAINING) {
    const int setting = BattleSeamTrainingSetting(12);
    if (setting == 1) {
      w.state = kReduceOpen;
      w.timer = 4;
      return;
    }
    if (setting == 2) {
      // One counted draw of the common stream per step of each character.
      if (RandNext() & 1) {
        w.state = kReduceOpen;
        w.timer = 4;
      } else {
        w.state = kReduceCoolDown;
        w.timer = 6;
      }
      return;
    }
  }
  switch (w.state) {
    case kReduceClosed:
      if (pressed) {
        w.state = kReduceOpen;
        w.timer = 5;
      }
      break;
    case kReduceCoolDown:
      if (pressed)
        w.timer = 6;
      else if (w.timer == 0)
        w.state = kReduceClosed;
      break;
    case kReduceOpen:
      if (w.used) {
        if (pressed) {
          w.timer = 4;
          w.used = 0;
        } else {
          w.state = kReduceClosed;
        }
      } else if (w.timer == 0) {
        w.state = kReduceCoolDown;
        w.timer = 6;
      }
      break;
    default:
      break;
  }
}

// ---- shield ----

const Han6Condition* FindShieldCondition(const BattleObject& o) {
  if (!o.frameRec) return nullptr;
  for (const Han6Condition* c : o.frameRec->conditions)
    if (c && c->type == 51) return c;
  return nullptr;
}

int ShieldStep(BattleObject& o) {
  if (o.hitStop != 0) return 0;
  if (o.hitVector != 255 && (o.hitVelX || o.hitVelY || o.hitAccX || o.hitAccY)) return 0;
  // "Nothing without a shield frame": the count is left as it stands when the shield ends. It
  // starts again where a shield starts, when a pattern change enters a shield frame (the pattern
  // change clears it with the grant); the exact-shield level is only asked of a defender that
  // stands in a shield frame, so a stale count outside one is never read.
  const Han6Condition* c = FindShieldCondition(o);
  if (!c) return 0;
  o.throwInvuln = 0;
  ++o.shieldFrames;
  const TypeParams& t = GetTypeParams(o.type);
  const int32_t exact = ExactShieldWindow(t, CurrentStance(o));
  bool goesOn = false;
  if (o.shieldFrames <= exact) {
    goesOn = true;
  } else if (o.shieldFrames <= int64_t{exact} + t.shieldKeepTime) {
    const uint32_t held = o.noCommand ? 0u : (o.inputButtons & 0xFF000u);
    if (held == 0x8000u) {
      BattleObject& g = *GetGaugeOwner(o);
      if (g.gaugeMode == 0) {
        g.circuit = Wrap(std::max<int64_t>(0, int64_t{g.circuit} - t.shieldCost));
        goesOn = g.circuit > 0;
      } else {
        goesOn = g.gaugeMode != 255;
      }
    }
  }
  if (goesOn) return 0;
  const int p0 = c->params[0];
  if (p0 == o.frame) return 0;
  RequestFrame(o, p0, 2999);
  return 1;
}

int ShieldLevel(const BattleObject& defender) {
  const TypeParams& t = GetTypeParams(defender.type);
  if (t.shieldType != 0 && t.shieldType != 1) return 1;
  return defender.shieldFrames <= ExactShieldWindow(t, CurrentStance(defender)) ? 2 : 1;
}

int ShieldHeightCheck(const BattleObject& defender, const BattleObject& attacker) {
  if (!IsCharacter(attacker)) return 1;
  const int ds = CurrentStance(defender);
  const int as = CurrentStance(attacker);
  if (attacker.patternRec && attacker.patternRec->psts == 1 && attacker.patternRec->plvl == 0)
    return ds == 0 && as == 2 ? 2 : 1;
  if (ds == 0) return as == 2 ? 0 : 1;
  if (ds == 2) return as == 2 ? 1 : 0;
  return 1;
}

int ShieldCheck(BattleObject& attacker) {
  // A spent attack (no hits left) is no longer active: it cannot be shielded again, which would
  // pay the defender's meter each frame its boxes stay out.
  const Han6AttackData* atk = GetActiveAttack(attacker);
  if (!atk || attacker.hitsLeft == 0) return 0;
  if ((atk->atf1 & 0x2000) || (atk->atng != 0 && (atk->atgd & 0x7) == 0)) return 0;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& d = r.obj;
    if (!r.inUse || &d == &attacker || d.side == attacker.side || d.hitReaction != 0) continue;
    if (!FindShieldCondition(d)) continue;
    ScreenRect overlap;
    if (!BattleSeamShieldBoxesOverlap(&d, &attacker, &overlap)) continue;
    const int height = ShieldHeightCheck(d, attacker);
    if (height == 0) return 0;
    if (height == 2) AddPenalty(d, 10000, 90);
    ShieldSuccess(d, attacker, ShieldLevel(d), overlap);
    return 1;
  }
  return 0;
}

void ShieldSuccess(BattleObject& d, BattleObject& a, int level, const ScreenRect& overlap) {
  if (a.hitsLeft) --a.hitsLeft;
  ++a.registeredHits;
  d.shieldedClass = static_cast<uint8_t>(a.patternRec ? a.patternRec->psts : 0);
  BattleObject* credited = (a.kind >= kKindChildFirst && a.creditOwner) ? a.creditOwner : &a;
  d.shieldedAttacker = credited;
  d.target = credited;
  GiveHitStop(d, 14);
  d.strikeInvuln = 18;
  const Han6AttackData* atk = a.attackRec;
  if (!atk || !(atk->atf1 & 0x400)) GiveHitStop(a, 18);

  AddCircuitMeter(d, 500, 0, 0);
  const TypeParams& t = GetTypeParams(d.type);
  if (t.shieldType == 1 && level == 2) level = 1;
  BattleSeamTrainingShieldNotice(&d, level);
  if (level == 2 && d.side < 2 && BattleSeamIsLocalSide(d.side)) BattleSeamQueueAchievement(10);

  if (d.shieldState == 0 || d.hitStop < 13) {
    // The spark: three draws of the common stream through RandInt (not counted), in the order
    // x, y, rotation; the point is taken in screen pixels and placed in the world.
    const int32_t sx = overlap.x1 + RandInt(overlap.x2 - overlap.x1);
    const int32_t sy = overlap.y1 + RandInt(overlap.y2 - overlap.y1);
    const int32_t rotation = RandInt(10000);
    int code = 110;
    switch (d.type) {
      case 1:
      case 3:
      case 4:
      case 5:
      case 6:
      case 7:
        code = 111;
        break;
      case 2:
      case 8:
        code = 112;
        break;
      case 9:
        code = 113;
        break;
      default:
        break;
    }
    if (level == 2) code += 5;
    const int32_t wx = Wrap((int64_t{sx} - 320) * 128 + BattleSeamCameraX());
    const int32_t wy = Wrap((int64_t{sy} - 432) * 128 + BattleSeamCameraY());
    SystemEffect(d, code, wx, wy, rotation);
  }

  d.shieldState = static_cast<uint8_t>(level);
  d.childPurge = 1;
  if (d.playerRecord) {
    InputHistory& h = d.playerRecord->ext.history;
    const int32_t head = h.head[4];
    if (head >= 0 && head < InputHistory::kEntries && h.frames[4][head] < 30000) h.frames[4][head] = 30000;
  }

  const Han6Condition* c = FindShieldCondition(d);
  if (level == 2 && GetGaugeMode(d) == 3 && c && c->params[2] != 0) {
    ChangePattern(d, c->params[2], 1, 0);
    SpendMeter(d, kSpendAll);
    d.shieldState = 0;
    d.penalty = static_cast<int16_t>(10000.0f * (0.5f - 0.5f * GaugeRatio(d)));
    d.penaltyHold = 30000;
    if (d.side < 2 && BattleSeamIsLocalSide(d.side)) BattleSeamQueueAchievement(17);
  } else if (c) {
    RequestFrame(d, c->params[1], 3000);
  }
}

// ---- meter add ----

void AddCircuitMeter(BattleObject& o, int amount, int kind, int useRate) {
  if (g_JudgeState != 0) return;
  BattleObject& m = MeterOwner(o);
  if (m.gaugeMode == 5) return;
  if (m.playerRecord && (kind == 1 || kind == 2)) GaugeTimerWord(*m.playerRecord) = kind == 1 ? 10 : 20;
  if (m.gaugeMode != 0 || IsGaugeLocked(m)) return;
  const TypeParams& t = GetTypeParams(m.type);
  if (amount > 0) {
    const bool delayed = m.playerRecord && MeterGainDelay(*m.playerRecord) > 0;
    if (useRate || delayed) {
      float a = static_cast<float>(amount);
      if (useRate) a = a * t.mcPlusVal;
      if (delayed) a = a * 0.1f;
      // A huge rate from the type row saturates instead of leaving the int range; a nan rate
      // adds nothing.
      amount = FloatToInt32(std::min(a, 2147483520.0f));
    }
  }
  // The sum is kept in range: extreme amounts from the data saturate (the meter is clamped to
  // its maximum below anyway).
  if (m.circuit >= 0)
    m.circuit = static_cast<int32_t>(std::clamp<int64_t>(int64_t{m.circuit} + amount, 0, INT32_MAX));
  else if (amount > 0)
    m.circuit = static_cast<int32_t>(std::min<int64_t>(int64_t{m.circuit} + amount, INT32_MAX));
  // A zero type row has no maximum: it never fills (and never enters the full-meter mode).
  const int32_t max = std::max(0, t.magicCircuitMax);
  if (t.sparkType != 2 && t.sparkType != 8 && max > 0 && m.circuit >= max) {
    SetGaugeMode(m, 600, 2, 10);
    BattleSeamPushHudNotice(m.side, 16);
    m.circuit = t.sparkType == 1 ? max / 3 : std::max(0, max - 10000);
  }
  m.circuit = std::clamp(m.circuit, 0, max);
  BattleSeamAddRoundMeterGained(m.side, amount);
}

// ---- per-step hooks ----

void GaugeTimedStateStep(BattleObject& o, int anyButton) {
  if (o.playerRecord) ReduceWindowStep(ReduceWindowOf(*o.playerRecord), anyButton);
}

// Runs before the freeze gate, so a spend made for a move that freezes the screen shows at
// once. A recorded spend is applied on the step after the command fired.
void GaugeBookkeeping(BattleObject& o) {
  if (o.pendingSpend != 0) ApplyMeterSpend(o);
  if (!IsCharacter(o)) return;
  BackPressStep(o);
  // Both words run down by one per step (the meter-gain delay "runs" while it is positive).
  if (MeterGainDelay(*o.playerRecord) > 0) --MeterGainDelay(*o.playerRecord);
  if (GaugeTimerWord(*o.playerRecord) > 0) --GaugeTimerWord(*o.playerRecord);
}

void GuardShieldLock(BattleObject& o) {
  if (!IsCharacter(o)) return;
  GuardGaugeStep(o);
  GuardQualityStep(o);
  CircuitChargeStep(o);
}

namespace {

int SeamHasMeter(BattleObject* o, int cost) { return HasMeter(*o, cost); }
void SeamSpendMeter(BattleObject* o, int cost) { SpendMeter(*o, cost); }
void SeamTimedStateStep(BattleObject* o, int any) { GaugeTimedStateStep(*o, any); }
void SeamBookkeeping(BattleObject* o) { GaugeBookkeeping(*o); }
void SeamGuardShieldLock(BattleObject* o) { GuardShieldLock(*o); }
int SeamShieldHold(BattleObject* o) { return IsCharacter(*o) ? ShieldStep(*o) : 0; }
void SeamAddCircuitMeter(BattleObject* o, int amount) { AddCircuitMeter(*o, amount, 0, 0); }
void SeamStartCharge(BattleObject* o) { StartCharge(*o); }
void SeamSetGaugeLock(BattleObject* o, int timer, int rate) { SetGaugeLock(*o, timer, rate); }
int SeamIsGaugeLocked(BattleObject* o) { return IsGaugeLocked(*o); }
int SeamAddGuardGauge(BattleObject* o, int amount, int stop) {
  return AddGuardGauge(*o, static_cast<float>(amount), stop);
}
void SeamAddGuardQuality(BattleObject* o, float delta) { AddGuardQuality(*o, delta); }
int SeamCheckPartnerCall(BattleObject* o) { return CheckPartnerCallCommand(*o); }
int SeamPartnerCall(BattleObject* o) { return PartnerCall(*o); }
int SeamIsTakeoverDue(BattleObject* o) { return IsTakeoverDue(*o); }
void SeamPartnerControl(BattleObject* o) { PartnerControl(*o); }

}  // namespace

void InstallGaugeAndPartnerSeams() {
  BattleSeams& s = g_BattleSeams;
  s.HasMeter = SeamHasMeter;
  s.SpendMeter = SeamSpendMeter;
  s.TimedStateStep = SeamTimedStateStep;
  s.GaugeBookkeepingStep = SeamBookkeeping;
  s.GuardShieldLockStep = SeamGuardShieldLock;
  s.ShieldHoldCheck = SeamShieldHold;
  s.AddCircuitMeter = SeamAddCircuitMeter;
  s.StartCharge = SeamStartCharge;
  s.SetGaugeLock = SeamSetGaugeLock;
  s.IsGaugeLocked = SeamIsGaugeLocked;
  s.AddGuardGauge = SeamAddGuardGauge;
  s.AddGuardQuality = SeamAddGuardQuality;
  s.CheckPartnerCallCommand = SeamCheckPartnerCall;
  s.PartnerCall = SeamPartnerCall;
  s.IsTakeoverDue = SeamIsTakeoverDue;
  s.PartnerControl = SeamPartnerControl;
  s.ProcessPartnerSwap = ProcessPartnerSwap;
}
