// Damage scaling, untech time, meter gain on contact, circuit break, throw link and hit vectors.
#include "battle/damage_scaling.h"

#include <algorithm>

#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/combo_records.h"
#include "battle/game_mode.h"
#include "battle/gauges.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

constexpr int32_t kTeamBattleMode = 0x30;

// The damage level indexes the five level factors. It comes from the configuration, replay
// headers and peers: a value outside 0..4 is clamped here, with one log line per new value.
int DamageLevelIndex() {
  static int32_t lastLogged = 2;
  const int32_t level = std::clamp(g_DamageLevel, 0, 4);
  if (level != g_DamageLevel && g_DamageLevel != lastLogged) {
    lastLogged = g_DamageLevel;
    DebugPrint("damage level %d is outside 0..4; %d is used\n", g_DamageLevel, level);
  }
  return level;
}

float AttackRatio(BattleObject& a) {
  BattleObject& g = *GetGaugeOwner(a);
  const TypeParams& t = GetTypeParams(g.type);
  switch (g.gaugeMode) {
    case 1:
      return t.attackRatioHeat;
    case 2:
      return t.attackRatioMax;
    case 3:
      return t.attackRatioSableHeat;
    default:
      return 1.0f;
  }
}

float DefenceRatio(BattleObject& d) {
  BattleObject& g = *GetGaugeOwner(d);
  const TypeParams& t = GetTypeParams(g.type);
  switch (g.gaugeMode) {
    case 1:
      return t.defenceRatioHeat;
    case 2:
      return t.defenceRatioMax;
    case 3:
      return t.defenceRatioSableHeat;
    default:
      return 1.0f;
  }
}

// The main side's stage index on its route; false when there is no current route stage (the
// mode bonus then adds nothing).
bool MainStageIndex(int32_t* n) {
  int32_t info[4] = {};
  if (!BattleSeamMainRouteStage(info, nullptr)) return false;
  *n = info[1];
  return true;
}

bool IsBroken(BattleObject& o) { return GetGaugeOwner(o)->circuitBreakTimer != 0; }

int32_t BrokenShare(BattleObject& o, int32_t a) {
  // The lock's rate over 256, toward zero.
  return static_cast<int32_t>(int64_t{GetGaugeOwner(o)->circuitBreakRate} * a / 256);
}

}  // namespace

int ScaleDamage(BattleObject& d, BattleObject& a, int base, int isHit) {
  // 1.-2. Level, the attacker's gauge mode and its side's factor.
  int32_t v = ScaleByFactor(base, kDamageLevelFactors[DamageLevelIndex()]);
  v = ScaleByFactor(v, AttackRatio(a));
  const int attackerSide = SideIndexOrNone(a.side);
  if (attackerSide >= 0 && g_SideStatus[attackerSide].attackFactor != 1.0f)
    v = ScaleByFactor(v, g_SideStatus[attackerSide].attackFactor);
  const int32_t stepTwo = v;

  // 3. Life class. The scaling applies below each quarter (life 2850 of 11400 is class 2, base
  // 30); a note elsewhere says "at one quarter or less", but the algorithm is followed.
  const int32_t quarter = g_MaxLife / 4;
  int32_t scale;
  int lifeClass;
  if (d.life < quarter) {
    scale = 29;
    lifeClass = 3;
  } else if (d.life < g_MaxLife / 2) {
    scale = 30;
    lifeClass = 2;
  } else if (d.life < 3 * quarter) {
    scale = 31;
    lifeClass = 1;
  } else {
    scale = 32;
    lifeClass = 0;
  }

  // 4. Defence: the command file's ratio for the life class times the gauge mode's ratio; a
  // product of 0 (a zero ratio in either) counts as 1.0; then the recovery rate.
  const CharaCommandTable* table =
      d.playerRecord && d.playerRecord->ext.commandTable ? d.playerRecord->ext.commandTable.get() : nullptr;
  float defence = (table ? table->guardRatio[lifeClass] : 1.0f) * DefenceRatio(d);
  if (defence == 0.0f) defence = 1.0f;
  defence = defence * (d.playerRecord ? d.playerRecord->ext.recoveryRate : 1.0f);

  // 5. The mode bonus against the main player.
  int32_t n = 0;
  if (g_GameModeFlags == MODE_ARCADE && !BattleSeamArcadeVariant() && MainStageIndex(&n) && n >= 0) {
    if (a.side != g_MainSide) {
      static constexpr int32_t kRaise[10] = {-2, -2, -1, 0, 1, 0, 0, 0, 0, 1};
      v = WrapAdd(v, ScaleByFactor(v, static_cast<float>(n) * kArcadeBonusPerStage));
      scale += n < 10 ? kRaise[n] : 2;
    }
  } else if (g_GameModeFlags == kTeamBattleMode && MainStageIndex(&n) && n >= 0) {
    if (a.side != g_MainSide) v = WrapAdd(v, ScaleByFactor(v, static_cast<float>(n) * kTeamBonusPerStage));
    if (d.side != g_MainSide) scale -= FloatToInt32(static_cast<float>(n) * kTeamBaseCutPerStage);
  }

  // 6. Defence, and the tag characters' extra.
  int32_t w = ScaleByFactor(v, defence);
  if (BattleSeamGetCharacterTagType(d.charaIndex) == 1) w = ScaleByFactor(w, kTagTypeDefence);

  // 7. Proration: the owner's penalty first, then the combo so far.
  BattleObject& owner = a.owner ? *a.owner : a;
  if (owner.penalty != 0) {
    const float q = owner.penaltyHold == 30000
                        ? 100.0f * (1.0f - static_cast<float>(owner.penalty) / 10000.0f)
                        : 100.0f - 55.0f * static_cast<float>(owner.penalty) / 10000.0f;
    const int32_t qi = FloatToInt32(q);
    if (qi != 0) UpdateProration(a, qi, 0);
  }
  if (const ComboRecord* r = CurrentComboRecord(a)) {
    scale = std::max(scale - r->hits, 1);
    const float p = r->proration != 0 ? static_cast<float>(r->proration) / 100.0f : 1.0f;
    // w may be negative (factors from data): the division by 32 rounds toward zero.
    w = ScaleByFactor(Wrap<int32_t>(int64_t{w} * scale / 32), p);
  } else {
    w = Wrap<int32_t>(int64_t{w} * std::max(scale, 1) / 32);
  }

  // 8. Stance.
  if (d.hitVector == 98 || d.hitReaction < -2) {
    w = ScaleByFactor(w, kFinishingStanceFactor);
  } else {
    const TypeParams& t = GetTypeParams(d.type);
    switch (CurrentStance(d)) {
      case 0:
        w = ScaleByFactor(w, t.damageGround);
        break;
      case 1:
        w = ScaleByFactor(w, t.damageAir);
        break;
      case 2:
        w = ScaleByFactor(w, t.damageCrouch);
        break;
      default:
        break;  // other stances take no factor
    }
  }

  // 9. The damage-reduce window.
  if (d.playerRecord) {
    ReduceWindow window = ReduceWindowOf(*d.playerRecord);
    if (isHit == 0) TellGuardDisplay(d.side, window.state);
    if (window.state == kReduceOpen) {
      w = ScaleByFactor(w, kReduceWindowFactor);
      if (window.used == 0) {
        window.used = 1;
        if (!BattleSeamIsGiantCharacter(&d)) {
          // The mark is the anchored marker of system code 0 at the defender.
          int32_t block[12] = {d.posX, d.posY};
          BattleSeamSpawnSystemEffect(&d, 0, block, d.facing);
        }
      }
    }
  }

  // 10. A weak hit never deals nothing, but a base that the level and gauge made 0 does.
  if (stepTwo == 0) return 0;
  if (w <= 0) {
    // RandNext gives 0..2147483646, so the remainder is 0..9.
    w = 1 + RandNext() % 10;
  }
  return w;
}

int32_t HitVectorUntechTime(int vector) {
  if (vector < 0 || static_cast<size_t>(vector) >= g_VectorTables.hit.size()) return 0;
  // The header's fifth value holds the vector's default untech time. The file has no other
  // header value for the finishing-redirect and sign marks that the hit resolution reads, so the
  // same value carries them (VectorRedirectsOnFinish, VectorSignNegative): a vector with a
  // default untech time turns a knock-out into 99.
  return g_VectorTables.hit[static_cast<size_t>(vector)].fifth;
}

int UntechDecay(const BattleObject& o, int t) {
  const TypeSystem& sys = g_TypeSystem;
  if (sys.ukemiMinus == 0) return t;
  const float s = sys.ukemiStart;
  const float w = o.juggleWeight;
  if (w >= s && s != 1.0f)
    t = FloatToInt32(static_cast<float>(t) - ((w - s) / (1.0f - s)) * static_cast<float>(sys.ukemiMinus));
  int64_t r = int64_t{t} - o.juggleCount;
  if (r < sys.ukemiLimit) r = sys.ukemiLimit;
  return static_cast<int32_t>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

void SetUntechTime(BattleObject& d, const HitInfo& info) {
  if (info.vector < 0) return;
  const int32_t atf1 = info.attack ? info.attack->atf1 : 0;
  d.airRecoveryAllowed = (atf1 & 0x80) || info.counter != 0 ? 0 : 1;
  int t = info.attack && info.attack->atsu != 0 ? info.attack->atsu : HitVectorUntechTime(info.vector);
  if (!(atf1 & 0x20000)) t = UntechDecay(d, t);
  if (atf1 & 0x400000) d.juggleCount = Wrap<int16_t>(int32_t{d.juggleCount} + 1);
  d.untechTime = Wrap<int16_t>(t);
  d.groundRecoveryAllowed = (atf1 & 0x100) && info.vector != 98 ? 0 : 1;
}

void MeterGainOnContact(BattleObject& d, BattleObject& a, const HitInfo& info) {
  const int32_t at = info.attack ? info.attack->atca : 0;
  int32_t gainA = 0, gainD = 0;
  const bool brokenA = IsBroken(a);
  const bool brokenD = IsBroken(d);
  if (info.guard != 0) {
    gainA = brokenA ? ScaleByFactor(BrokenShare(a, at), kGuardMeterBroken)
                    : ScaleByFactor(at, kGuardMeterAttacker);
    if (GetTypeParams(d.type).mcGuardPlus != 0) {
      const bool exGuard = IsExGuardInput(d) != 0;
      if (!brokenD)
        gainD = exGuard ? (at == 0 ? 150 : ScaleByFactor(at, kExGuardMeter))
                        : (at == 0 ? 89 : ScaleByFactor(at, kGuardMeterDefender));
      else if (exGuard)
        gainD = at == 0 ? 100 : ScaleByFactor(at, kExGuardMeterBroken);
    }
  } else {
    gainA = brokenA ? BrokenShare(a, at) : at;
    if (!brokenD) {
      gainD = at == 0 ? 111 : ScaleByFactor(at, kHitMeterDefender);
      // The juggle boost. A start of 1.0 or more would divide by zero or below it (inf or nan
      // into the truncation): no boost then, as the untech decay skips a start of 1.0.
      const float s = g_TypeSystem.mcPlusHoseiStart;
      const float w = d.juggleWeight;
      if (s < 1.0f && w >= s)
        gainD = ScaleByFactor(gainD, 1.0f + ((w - s) / (1.0f - s)) * g_TypeSystem.mcPlusHoseiMax);
    }
  }
  if (const ComboRecord* r = CurrentComboRecord(a)) {
    const int32_t percent = r->meterPercent != 0 ? r->meterPercent : 100;
    // A negative gain (atca from data) divides toward zero too.
    gainA = static_cast<int32_t>(int64_t{gainA} * percent / 100);
  }
  AddCircuitMeter(a, gainA, 0, 1);
  AddCircuitMeter(d, gainD, 1, 1);
}

void ApplyCircuitBreak(BattleObject& o, int length, int32_t flags) {
  BattleObject& m = *GetGaugeOwner(o);
  const bool hardLock = m.circuitBreakTimer != 0 && m.circuitBreakRate == 0;
  if (!hardLock) {
    const int32_t spark = GetTypeParams(m.type).sparkType;
    SpawnEngineEffect(m, spark == 2 || spark == 8 ? 300 : 100, 0, 0, 0x50, 0x1CC0);
    SpawnEngineEffect(m, 53, 0, 0, 0x50, 0x1CC0);
  }
  if (!(flags & 0x100000)) {
    if (m.gaugeMode == 0)
      m.circuit = std::max(m.circuit - 10000, 0);
    else if (m.gaugeMode >= 1 && m.gaugeMode <= 3)
      SetGaugeMode(m, 0, 0, 0);
  }
  // The length is a 16-bit word: a lock already in force halves it as an unsigned 15-bit value.
  // A negative length from data starts no lock (a negative timer would never count down).
  if (hardLock) length = static_cast<uint16_t>(length) >> 1;
  length = std::clamp(length, 0, 32767);
  if (!hardLock) {
    m.circuitBreakRate = 0;
    m.circuitBreakTimer = static_cast<int16_t>(length);
    m.circuitBreakLength = static_cast<int16_t>(length);
  } else if (length > m.circuitBreakTimer) {
    m.circuitBreakTimer = static_cast<int16_t>(length);
    m.circuitBreakLength = static_cast<int16_t>(length);
  }
}

// The third argument: the interface names it "keepDown" and clears the lying state "unless
// keepDown", but the hit resolution passes "not atf1 0x100000" and that flag is the one that
// keeps the victim's lying state. The caller and the flag agree, so the argument is taken as
// "clear the lying state": 1 clears it (the throws of the frame conditions pass 1 with their
// state test), 0 keeps it.
int LinkThrow(BattleObject& v, BattleObject& h, int clearLying) {
  if (h.heldObject == &v || h.pendingPattern != -1 || h.heldObject || v.held || h.hitReaction != 0 ||
      v.guarding)
    return 0;
  v.hitFrames = 0;
  v.hitSteps = 0;
  v.heldSteps = 0;
  v.hitsTaken = 0;
  if (h.owner) h.owner->heldObject = &v;
  h.heldObject = &v;
  h.holding = 1;
  v.parent = &h;
  v.lastAttacker = &h;
  const int stance = CurrentStance(v);
  h.contactFlags = static_cast<uint16_t>(h.contactFlags | 0x02 | (stance == 0 || stance == 2 ? 0x10 : 0x20));
  v.held = h.kind == kKindSpawned ? 2 : 1;
  ApplyHitVector(v, 8, 0, h.facing, 0, 0);
  v.pendingHitCount = 0;
  for (int i = 0; i < kPendingHits; ++i) {
    v.pendingHitAttack[i] = nullptr;
    v.pendingHitAttacker[i] = nullptr;
    v.pendingHitRect[i] = ScreenRect{};
  }
  v.hitReaction = 0;
  v.untechTime = 0;
  v.strikeInvuln = v.throwInvuln = 0;
  if (clearLying) v.downState = 0;
  v.posX = WrapAdd(v.posX, -v.velX);
  v.posY = WrapAdd(v.posY, -v.velY);
  return 2;
}

int ApplyHitVector(BattleObject& o, int vector, int step, int facing, int mirror, int noVelocity) {
  int32_t sign = facing == 0 ? 1 : -1;
  if (mirror == 1) sign = -sign;
  MotionVector m;
  GetMotionOfHitVector(vector, step, &m);
  if (noVelocity) {
    o.hitVelX = sign;
    o.hitAccX = 0;
  } else {
    o.hitVelX = Wrap<int32_t>(int64_t{m.vx} * sign);
    o.hitAccX = Wrap<int16_t>(int64_t{m.ax} * sign);
  }
  o.hitVelY = m.vy;
  o.hitAccY = Wrap<int16_t>(m.ay);
  o.hitReaction = GetHitVectorStun(vector, step);
  o.hitVectorFacing = Wrap<uint8_t>(facing);
  o.hitVectorStep = Wrap<uint8_t>(step);
  o.hitVector = Wrap<uint8_t>(vector);
  o.contactFlags = 0;
  o.landed = o.landingJump = 0;
  o.strikeInvuln = o.throwInvuln = 0;
  o.hitVectorFresh = 1;
  if (BattleSeamIsTakeoverDue(&o)) {
    const int side = SideIndexOrNone(o.side);
    if (side >= 0 && g_SideStatus[side].partnerControl == 0) g_SideStatus[side].partnerControl = 1;
  }
  return 1;
}

namespace {

void SeamApplyHitVector(BattleObject* o, int vector, int step, int facing, int mirror, int noVelocity) {
  ApplyHitVector(*o, vector, step, facing, mirror, noVelocity);
}
int SeamScaleDamage(BattleObject* d, BattleObject* a, int base, int isHit) {
  return ScaleDamage(*d, *a, base, isHit);
}
int SeamUntechDecay(BattleObject* o, int t) { return UntechDecay(*o, t); }
int SeamThrowCheck(BattleObject* thrower, BattleObject* target, int stateTest) {
  return LinkThrow(*target, *thrower, stateTest);
}
void SeamUpdateProration(BattleObject* o, int value, int kind) { UpdateProration(*o, value, kind); }
void SeamCountThrowDamage(BattleObject* victim, BattleObject* thrower, int damage) {
  CountThrowDamage(*victim, *thrower, damage);
}
int SeamComboScoreOnHit(BattleObject* a, int damage) { return ComboScoreOnHit(*a, damage); }
void SeamNoteComboThrow(BattleObject* thrower, BattleObject* target) { NoteComboThrow(*thrower, *target); }

}  // namespace

void InstallComboAndDamageSeams() {
  BattleSeams& s = g_BattleSeams;
  s.PushHudNotice = PushBanner;
  s.UpdateProration = SeamUpdateProration;
  s.CountThrowDamage = SeamCountThrowDamage;
  s.ComboScoreOnHit = SeamComboScoreOnHit;
  s.NoteComboThrow = SeamNoteComboThrow;
  s.AddRoundMeterGained = AddRoundMeterGained;
  s.UpdateDrawHud = UpdateDrawHud;
  AddRoundWordsReset(ResetComboRoundWords);
  s.ScaleDamage = SeamScaleDamage;
  s.UntechDecay = SeamUntechDecay;
  s.ThrowCheck = SeamThrowCheck;
  s.ApplyHitVector = SeamApplyHitVector;
  // What the hit resolution hands over per resolved entry.
  s.SetUntechTime = [](BattleObject* d, const HitInfo* info) {
    if (d && info) SetUntechTime(*d, *info);
  };
  s.MeterGainOnContact = [](BattleObject* d, BattleObject* a, const HitInfo* info) {
    if (d && a && info) MeterGainOnContact(*d, *a, *info);
  };
  s.ApplyCircuitBreak = [](BattleObject* o, int length, int flags) {
    if (o) ApplyCircuitBreak(*o, length, flags);
  };
  s.OnComboHit = [](BattleObject* d, BattleObject* a, const Han6AttackData* attack) {
    if (d && a) OnComboHit(*d, *a, attack);
  };
  s.SetComboMeterPercent = SetComboMeterPercent;
  s.AddComboDamage = AddComboDamage;
}
