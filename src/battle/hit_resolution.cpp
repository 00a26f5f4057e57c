// Hit resolution: the guard choice, the per-entry hit record and the resolution of a defender's
// pending hits into damage, knock-outs, hit stop, sparks, sounds, banners and one reaction.
#include "battle/hit_resolution.h"

#include <algorithm>

#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/frame_effects.h"
#include "battle/game_mode.h"
#include "battle/gauges.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle/partners.h"

int32_t g_LastFinishKind = 3;

namespace {

// Objects credited to the common-effect owner carry side 255, while the side records hold four
// entries: such a side has no records to write.

const CharaCommandTable* CommandTableOf(const BattleObject& o) {
  return o.playerRecord && o.playerRecord->ext.commandTable ? o.playerRecord->ext.commandTable.get()
                                                            : nullptr;
}

// The credited owner: a spawned object's owner; an object without one counts for itself (the
// owner link of a spawned object can be missing, and the owner is read for several values).
BattleObject& CreditedOwner(BattleObject& a) {
  return a.kind >= kKindChildFirst && a.creditOwner ? *a.creditOwner : a;
}

const HitVector* VectorEntry(int vector) {
  if (vector < 0 || static_cast<size_t>(vector) >= g_VectorTables.hit.size()) return nullptr;
  return &g_VectorTables.hit[static_cast<size_t>(vector)];
}

bool VectorHasReaction(int vector) { return VectorReactionPattern(vector, 0) != 0; }

int GuardBitOfSlot(int slot) { return slot == 1 ? 0x2 : slot == 2 ? 0x4 : 0x1; }

bool IsThrowAttack(const Han6AttackData& a) { return a.atng != 0; }

int32_t HitStopOfLevel(int level) { return level >= 0 && level < 7 ? g_VectorTables.battleBytes[level] : 0; }

bool InTraining() { return g_GameModeFlags == MODE_TRAINING; }

// The spark table: particle effect (-1 none), three parameters, default hit sound.
struct SparkRow {
  int32_t particle, p0, p1, p2, sound;
};
constexpr SparkRow kSparkRows[21] = {
    {3, 9, 16, 0, 0},  {3, 10, 20, 0, 1}, {3, 12, 28, 0, 2},   {3, 9, 16, 0, 3},    {3, 10, 20, 0, 4},
    {3, 12, 28, 0, 5}, {3, 14, 32, 0, 6}, {3, 14, 32, 0, 7},   {9, 20, 0, 0, 8},    {6, 20, 0, 0, 9},
    {7, 3, 0, 0, 10},  {8, 4, 0, 0, 11},  {22, 10, 10, 15, 6}, {22, 10, 10, 15, 6}, {-1, 0, 0, 0, 10000},
    {3, 12, 0, 0, 2},  {9, 0, 0, 0, 8},   {9, 28, 0, 10, 8},   {9, 12, 0, 1, 8},    {9, 16, 0, 2, 8},
    {9, 22, 0, 3, 8},
};
constexpr int kNoSpark = 14;

const SparkRow* SparkRowOf(int kind) { return kind >= 0 && kind < 21 ? &kSparkRows[kind] : nullptr; }

void RequestSoundChecked(int sound) {
  if (sound >= 0 && sound < kBattleSoundSlots) BattleSeamRequestSound(sound);
}

// A common effect shown at a world point.
void CommonEffectAt(BattleObject& spawner, int number, int32_t x, int32_t y) {
  if (BattleObject* e = SpawnEngineEffect(spawner, number, 0, 0, 0, 0)) {
    e->posX = x;
    e->posY = y;
  }
}

void ParticleAt(BattleObject& o, int number, int32_t x, int32_t y, int32_t p2 = 0, int32_t p3 = 0,
                int32_t p4 = 0) {
  int32_t block[8] = {x, y, p2, p3, p4, 0, 0, 0};
  BattleSeamSpawnParticleEffect(number, block, o.facing, &o);
}

void QueueAchievementFor(int side, int id) {
  if (side >= 0 && side < 2 && BattleSeamIsLocalSide(side)) BattleSeamQueueAchievement(id);
}

// The achievement hooks of a hit or throw, by the character number each side chose and the
// attacker's pattern.
void RunHitAchievementHooks(const BattleObject& d, const BattleObject& a, int counter) {
  if (a.side > 1) return;
  const int kind = BattleSeamRouteCharacter(a.side);
  const int other = d.side <= 1 ? BattleSeamRouteCharacter(d.side) : -1;
  const int p = a.pattern;
  int id = 0;
  if (kind == 1 && p == 117) id = 20;
  if (kind == 2 && p == 200 && counter != 0) id = 21;
  if (kind == 5 && p == 150) id = 24;
  if (kind == 7 && p == 205 && d.charaIndex == 1) id = 26;
  if (kind == 17 && (p == 150 || p == 151) && (other == 7 || other == 15)) id = 35;
  if (kind == 18 && p == 183 && other == 23) id = 36;
  if (kind == 33 && p == 687) id = 44;
  if (id != 0) QueueAchievementFor(a.side, id);
}

// The object that carries an attacker's hit stop: a child that moves with its owner stops it.
BattleObject& HitStopCarrier(BattleObject& a) {
  if (a.kind >= kKindChildFirst && (a.flags & 0x08) && a.owner && a.owner->side == a.side) return *a.owner;
  return a;
}

}  // namespace

// ---- the hit-vector entries as the resolution reads them ----
// The reaction pattern and its guarding variant are the first step's two patterns; the strength
// is the header's level; the length is the number of steps (a defender whose step has run past
// the last one is at the end of its reaction). The header's fifth value carries two marks: above
// 0 a knock-out turns the vector into 99, below 0 a giant with its own rules takes vector 2.

int32_t VectorReactionPattern(int vector, int guarding) {
  const HitVector* v = VectorEntry(vector);
  if (!v || v->count <= 0) return 0;
  return guarding ? v->steps[0].pattern2 : v->steps[0].pattern;
}

int VectorRedirectsOnFinish(int vector) {
  const HitVector* v = VectorEntry(vector);
  return v && v->fifth > 0 ? 1 : 0;
}

int VectorSignNegative(int vector) {
  const HitVector* v = VectorEntry(vector);
  return v && v->fifth < 0 ? 1 : 0;
}

int32_t VectorLength(int vector) {
  const HitVector* v = VectorEntry(vector);
  return v ? v->count : 0;
}

// ---- the guard choice ----

int CanGuardNow(BattleObject& d) {
  const int side = SideIndexOrNone(d.side);
  if (d.hitsTaken != 0 || (side >= 0 && g_SideStatus[side].actionLock != 0) || d.finishKind != 0) return 0;
  const Han6FrameState& st = FrameState(d);
  if (st.asmv != 0) return d.pendingPriority >= 0 && d.pendingPattern >= 1 && d.pendingPattern <= 9 ? 0 : 1;
  if (st.asf0 & (0x100 | 0x200 | 0x400)) return 0;
  return d.guarding || d.pattern == 17 || d.pattern == 18 ? 1 : 0;
}

int GuardKindFromInput(BattleObject& d, const BattleObject& a) {
  const int dir = d.inputDir;
  const bool fromBehind = d.facing == a.facing;
  if (CurrentStance(d) == 1) {
    if (dir == 1 || dir == 4 || dir == 7) return 3;
    if ((dir == 3 || dir == 6 || dir == 9) && fromBehind && !d.held) return 3;
  } else {
    if (dir == 1) return 2;
    if (dir == 4) return 1;
    if (dir == 3 && fromBehind) return 2;
    if (dir == 6 && fromBehind) return 1;
  }
  if (!d.guarding) return 0;
  if (CurrentStance(d) == 1) return 3;
  return dir >= 1 && dir <= 3 ? 2 : 1;
}

int CpuGuardKind(BattleObject& d, const Han6AttackData& atk) {
  const int stance = CurrentStance(d);
  int kind = 0;
  if (stance == 1) {
    if (atk.atgd & 0x2) kind = 3;
  } else if (stance == 0) {
    kind = (atk.atgd & 0x1) ? 1 : (atk.atgd & 0x4) ? 2 : 0;
  } else if (stance == 2) {
    kind = (atk.atgd & 0x4) ? 2 : (atk.atgd & 0x1) ? 1 : 0;
  }
  if (kind == 0 || !InTraining()) return kind;
  const int action = BattleSeamTrainingSetting(0);
  if (action >= 3 && action <= 5) return kind;
  if (BattleSeamTrainingSetting(2) == 2) {
    // Only attacks guardable in the stance the dummy is set to.
    static constexpr int kStanceBit[3] = {0x1, 0x2, 0x4};
    if (action < 0 || action > 2 || !(atk.atgd & kStanceBit[action])) return 0;
  }
  if (BattleSeamTrainingSetting(3) == 2 && ((stance == 0 && kind == 2) || (stance == 2 && kind == 1))) {
    // The coin: a guard against the stance succeeds on an even common draw only.
    if (RandNext() % 2 != 0) return 0;
  }
  return kind;
}

int GuardOutcome(BattleObject& d, const Han6AttackData& atk, int kind, int32_t* slot) {
  static constexpr int kKindBit[4] = {0, 0x1, 0x4, 0x2};
  static constexpr int kKindSlot[4] = {0, 0, 2, 1};
  if (kind >= 1 && kind <= 3) *slot = kKindSlot[kind];
  const Han6FrameState& st = FrameState(d);
  const bool cancelled = (static_cast<uint32_t>(st.asf1) & 0x80000000u) != 0;
  if (!cancelled) {
    if (kind >= 1 && kind <= 3 && (atk.atgd & kKindBit[kind])) return 1;
    // Automatic guard frames: 0x100 standing, 0x200 air, 0x400 crouching against the attack's
    // 0x1, 0x2 and 0x4.
    if ((st.asf0 >> 8) & atk.atgd & 0x7) return 2;
  }
  if ((atk.atgd & 0x7) == 0) {
    const int slotNow = std::clamp<int>(*slot, 0, 2);
    return VectorHasReaction(atk.hitVectors[slotNow] & 0xFF) ? 0 : 1;
  }
  return 0;
}

// ---- the entry's hit record ----

void ComputeHitInfo(BattleObject& d, HitInfo& info) {
  const Han6AttackData& atk = *info.attack;
  const int slot = std::clamp<int>(info.vectorSlot, 0, 2);
  const uint32_t atf1 = static_cast<uint32_t>(atk.atf1);
  bool finishing = false;
  bool armour = false;
  int32_t word = 0;
  // Kept as the game has it: a guarded entry without the slot's guard bit stays guarded only
  // when its hit vector has a reaction pattern (the guard choice decided the opposite for
  // attacks without guard bits, so those end up as hits here).
  if (info.guard == 1 && !(atk.atgd & GuardBitOfSlot(slot)) &&
      !VectorHasReaction(atk.hitVectors[slot] & 0xFF))
    info.guard = 0;
  if (info.guard != 0) {
    info.critical = info.counter = info.lethal = 0;
    if (atf1 & 0x1) {
      info.damage = atk.atat >> 3;
      info.redDamage = 0;
    } else {
      info.damage = 0;
      info.redDamage = atk.atgs >> 3;
    }
    info.guardDamage = atk.atkz;
    if (info.guard == 1) {
      word = atk.guardVectors[slot];
      info.vector = word & 0xFF;
    } else {
      info.vector = -1;
    }
  } else {
    // 1. Critical: a draw of the common stream only when neither the data nor training decide.
    if (atk.atat == 0 || (atf1 & 0x4000)) {
      info.critical = 0;
    } else {
      const int setting = InTraining() ? BattleSeamTrainingSetting(13) : 0;
      if (setting == 1)
        info.critical = 0;
      else if (setting == 2)
        info.critical = 2;
      else
        info.critical = RandNext() % 32 == 0 ? 1 : 0;
    }
    // 2.
    info.lethal = !(atf1 & 0x2) && !IsThrowAttack(atk) ? 1 : 0;
    info.damage = atk.atat;
    if (info.critical) info.damage = FloatToInt32(static_cast<float>(atk.atat) * 1.15f);
    info.guardDamage = 0;
    info.redDamage = atk.atgs < 10 ? 0 : atk.atgs;
    // 3. Counter: training overrides draw from random stream 1.
    info.counter = d.counterState;
    if (InTraining() && d.hitReaction == 0 && !d.held) {
      switch (BattleSeamTrainingSetting(10)) {
        case 1:
          info.counter = RandStreamNext(1) % 2 + 1;
          break;
        case 2:
          info.counter = 2;
          break;
        case 3:
          info.counter = 1;
          break;
        case 4:
          info.counter = RandStreamNext(1) % 3;
          break;
        case 5:
          info.counter = RandStreamNext(1) % 2 * 2;
          break;
        case 6:
          info.counter = RandStreamNext(1) % 2;
          break;
        default:
          break;
      }
    }
    if (atf1 & 0x40000) info.counter = 0;
    // 4.
    word = atk.hitVectors[slot];
    info.vector = word & 0xFF;
    if (d.armorFrames != 0) {
      info.vector = -2;
      armour = true;
    }
    info.untechWeight = atk.atuh == 0.0f ? 1.0f : atk.atuh;
    if (atf1 & 0x20000) info.untechWeight = 0.0f;
    // 5. The finishing rule: a defender at the end of its reaction.
    if (d.hitVector != 255 && info.vector >= 0 && VectorHasReaction(info.vector) &&
        (d.hitVector == 98 || (d.hitVectorStep >= VectorLength(d.hitVector) && d.techInvuln == 0))) {
      if (!(atf1 & 0x20000)) {
        info.vector = 98;
        word = 0;
        finishing = true;
      } else {
        word = atk.hitVectors[1];
        info.vector = word & 0xFF;
        info.fixedProration = 1;
        info.fixedProrationValue = 65;
        info.comboMeterPercent = 45;
      }
    }
  }
  info.mirror = (word >> 8) & 1;
  info.noVelocity = (word >> 9) & 1;
  // 6.
  if (info.vector >= 0 && !VectorHasReaction(info.vector)) {
    info.vector = -1;
    finishing = false;
  }
  // 7. Hit stop.
  int32_t h = HitStopOfLevel(atk.level);
  if (atk.atsn != 0) h = atk.atsn;
  if ((atf1 & 0x10000) && (info.guard != 0 || armour || finishing)) h = atk.atgn;
  info.attackerStop = (atf1 & 0x400) ? 0 : h;
  int32_t stop = h;
  if (info.guard == 0) {
    if (finishing) {
      if (h > 0) stop -= 1;
    } else if (slot == 1) {
      stop += 2;
    }
    if (info.counter == 1) stop = 2 * stop + 1;
    if (info.counter == 2) stop = 2 * stop + 3;
  }
  info.defenderStop = stop;
  // 8.
  info.lethal = KnockOutAllowed(&d, info.lethal);
}

// ---- knock-out rules ----

int KnockOutAllowed(BattleObject* o, int lethal) {
  if (!lethal) return 0;
  if (InTraining() && BattleSeamTrainingSetting(4) != 4) return 0;
  if (o && o->partner) {
    const int side = SideIndexOrNone(o->side);
    if (side >= 0 && g_SideStatus[side].activePlayer != o->playerIndex) return 0;
  }
  return lethal;
}

int FinishKindFor(BattleObject* a) {
  int kind = 3;
  if (a) {
    const BattleObject& character = CreditedOwner(*a);
    kind = GetFinishKind(character.charaIndex, a->pattern);
  }
  g_LastFinishKind = kind;
  return kind;
}

int IsLastFinishSpecial() { return g_LastFinishKind == 20 || g_LastFinishKind == 21 ? 1 : 0; }

int IsAtMatchPoint(const BattleObject* o) {
  if (!o)
    return g_BattleState[BattleStateIndex::kMatchPoint0] || g_BattleState[BattleStateIndex::kMatchPoint0 + 1];
  if (o->side > 1) return 0;
  return g_BattleState[BattleStateIndex::kMatchPoint0 + o->side] != 0 ? 1 : 0;
}

int32_t HitResolutionHashWord() { return g_LastFinishKind; }

// ---- the resolution ----

void ResolveHits(BattleObject& d) {
  if (d.throwConnected || d.pendingHitCount == 0) return;
  const int n = std::min<int>(d.pendingHitCount, kPendingHits);
  const int stance = std::clamp(CurrentStance(d), 0, 2);

  // The guard choice, before any damage: the last result holds for every entry.
  const bool cpu = d.controller == 1 && !BattleSeamIsDummyTakenOver();
  int32_t slots[kPendingHits];
  std::fill(slots, slots + kPendingHits, stance);
  int guard = 0;
  for (int i = 0; i < n; ++i) {
    const Han6AttackData* atk = d.pendingHitAttack[i];
    BattleObject* a = d.pendingHitAttacker[i];
    if (!atk || !a) continue;
    int kind = 0;
    if (cpu) {
      if (BattleSeamCpuWantsToGuard(&d)) kind = CpuGuardKind(d, *atk);
    } else if (CanGuardNow(d)) {
      kind = GuardKindFromInput(d, *a);
    }
    guard = GuardOutcome(d, *atk, kind, &slots[i]);
    if (guard == 0) break;
  }

  const int dSide = SideIndexOrNone(d.side);
  int32_t priority = 30000;
  bool specialCritical = false;
  bool instantGuard = false;
  bool crushed = false;
  bool anyGuarded = false;
  bool haveVector = false;
  int32_t merged = -1, mergedMirror = 0, mergedNoVelocity = 0, reactionPattern = 0, changePriority = 0;
  int32_t crushSlot = 0;
  bool mergedGuarded = false;
  int facing = d.facing;
  float weightSum = 0.0f;
  int32_t counterStopSum = 0;
  int requestKind = 0, requestParam = 0;

  for (int i = 0; i < n; ++i, ++priority) {
    Han6AttackData* atk = d.pendingHitAttack[i];
    BattleObject* ap = d.pendingHitAttacker[i];
    if (!atk || !ap) continue;
    BattleObject& a = *ap;
    BattleObject& o = CreditedOwner(a);
    const int aSide = SideIndexOrNone(a.side);
    const uint32_t atf1 = static_cast<uint32_t>(atk->atf1);
    const ScreenRect& rect = d.pendingHitRect[i];

    // 1. The special critical: one draw per entry while the credited owner's file enables it.
    const CharaCommandTable* ownerTable = CommandTableOf(o);
    if (ownerTable && ownerTable->spCritical != 0 && RandNext() % 8 == 0) specialCritical = true;
    const int entryGuard = specialCritical ? 0 : guard;

    // 2. The spark point: x drawn for hits only, y always.
    int32_t sx;
    if (entryGuard == 0) {
      const int32_t w = rect.x2 - rect.x1;
      const int32_t v = RandNext();
      sx = rect.x1 + (w > 0 ? v % w : 0);
    } else {
      sx = d.facing == 0 ? rect.x2 : rect.x1;
    }
    const int32_t hgt = rect.y2 - rect.y1;
    const int32_t vy = RandNext();
    const int32_t sy = rect.y1 + (hgt > 0 ? vy % hgt : 0);
    const int32_t px = Wrap(int64_t{sx - 320} * 128 + BattleSeamCameraX());
    const int32_t py = Wrap(int64_t{sy - 432} * 128 + BattleSeamCameraY());

    // 3.
    HitInfo info;
    info.attack = atk;
    info.vectorSlot = entryGuard != 0 ? slots[i] : stance;
    info.guard = entryGuard;
    ComputeHitInfo(d, info);
    for (int j = 0; j < std::min<int>(a.pendingHitCount, kPendingHits); ++j)
      if (a.pendingHitAttacker[j] == &d) o.tradeMark = 255;

    // 4. Draw order.
    if (!(atf1 & 0x200000) && !(a.frameRec && a.frameRec->priority == 2)) SetDrawPriorityMode(d, 2);

    const bool isThrow = IsThrowAttack(*atk);
    const SparkRow* spark = SparkRowOf(atk->athe[0]);
    int32_t dmg = 0, red = 0;
    bool knockedOut = false;
    bool crushedHere = false;

    if (info.guard == 0) {
      // 5. Damage.
      SetStatusMark(d, atk->atkk);
      if (aSide >= 0) BattleSeamSetComboMeterPercent(aSide, info.comboMeterPercent);
      dmg = BattleSeamScaleDamage(&d, &a, info.damage, 1);
      if (g_JudgeState == 0) d.life = Wrap(int64_t{d.life} - dmg);
      d.damageDisplayFrames = 24;
      BattleSeamComboScoreOnHit(&a, info.damage);
      // 6. Knock-out. Kept as the game has it: only life below 0 knocks out, so a blow that
      // leaves exactly 0 does not.
      if (info.lethal && d.finishKind == 0 && d.life < 0) {
        d.armorFrames = 0;
        o.tradeMark = 0;
        StartThrowKnockOut(d);
        d.finishKind = static_cast<uint8_t>(FinishKindFor(&a));
        if (d.finishKind == 20) {
          const int number = a.side <= 1 ? BattleSeamRouteCharacter(a.side) : -1;
          if (number == 1 || number == 2 || number == 5) QueueAchievementFor(a.side, 15);
          if (number == 3) QueueAchievementFor(a.side, 16);
        }
        knockedOut = true;
        if (info.vector >= 0 && VectorRedirectsOnFinish(info.vector)) info.vector = 99;
        info.untechWeight = 0.0f;
        if (info.vector < 0) info.vector = 0;
      }
      // 7.
      if (d.life < 0) d.life = 0;
      const float vs = GetTypeParams(o.type).vsDamageVal;
      red = BattleSeamScaleDamage(&d, &a, FloatToInt32(static_cast<float>(info.redDamage) * vs), 0);
      if (g_JudgeState == 0)
        d.redLife = std::max<int32_t>(0, std::max<int32_t>(Wrap(int64_t{d.redLife} - red), d.life));
      if (o.playerRecord) MeterGainDelay(*o.playerRecord) = 0;
      if (info.fixedProration) BattleSeamUpdateProration(&a, info.fixedProrationValue, 1);
    } else {
      // 8. Guard.
      anyGuarded = true;
      const bool instant = IsExGuardInput(d) != 0;
      if (instant) {
        instantGuard = true;
        info.damage /= 2;
        info.redDamage /= 2;
        info.defenderStop = std::max(info.defenderStop - 2, 1);
        QueueAchievementFor(d.side, 8);
      }
      const int32_t chip = BattleSeamScaleDamage(&d, &a, info.damage, 0);
      // The guard costs trunc(scaled (atgs >> 3) x 2.5) of recoverable life, not atgs / 8 alone.
      const int32_t guardRed =
          FloatToInt32(static_cast<float>(BattleSeamScaleDamage(&d, &a, info.redDamage, 0)) * 2.5f);
      if (g_JudgeState == 0) {
        d.life = std::max<int32_t>(Wrap(int64_t{d.life} - chip), 0);
        d.redLife = std::max<int32_t>(Wrap(int64_t{d.redLife} - guardRed), d.life);
      }
      dmg = chip;
      red = guardRed;
      int gauge = 0;
      if (instant) {
        AddGuardGauge(d, GetTypeParams(d.type).ggMaxVal / 20.0f, -1);
        if (o.playerRecord) MeterGainDelay(*o.playerRecord) = 120;
      } else {
        gauge = GuardDamage(d, static_cast<float>(info.guardDamage), nullptr);
      }
      crushedHere = gauge == 1;
      d.guardCount = Wrap<int16_t>(int64_t{d.guardCount} + 1);
      if (!crushedHere) {
        if (info.guard == 1) d.guarding = 1;
        if (instant && dSide >= 0) BattleSeamPushHudNotice(dSide, 0);
        BattleSeamRequestSound(20);
        if (atk->athe[0] != kNoSpark) {
          CommonEffectAt(d, instant ? 135 : IsGuardGaugeLow(d) ? 92 : 93, px, py);
          ParticleAt(d, 101, px, py);
        }
      } else {
        crushed = true;
        crushSlot = info.vectorSlot;
        ParticleAt(d, 265, px, py);
        CommonEffectAt(d, 94, px, py);
        g_ScreenShake = 24;
        g_ScreenShakeAxis = 1;
        BattleSeamRequestSound(36);
        info.vector = -1;
      }
    }

    if (!isThrow && info.guard == 0) {
      // 9. Strike hit.
      if (info.critical) {
        if (aSide >= 0) BattleSeamPushHudNotice(aSide, 4);
        CommonEffectAt(d, 170, px, py);
      }
      int sound = atk->athe[1];
      if (atk->athe[0] != kNoSpark) {
        if (specialCritical)
          CommonEffectAt(d, 151, px, py);
        else if (spark && spark->particle >= 0)
          ParticleAt(d, spark->particle, px, py, spark->p0, spark->p1, spark->p2);
      }
      if (sound == 0) sound = spark ? spark->sound : 10000;
      if (atf1 & 0x40) {
        g_ScreenShake = static_cast<int16_t>(HitStopOfLevel(atk->level));
        g_ScreenShakeAxis = 0;
      }
      if ((atf1 & 0x4) && !d.held) d.downState = 10;
      RequestSoundChecked(sound);
    }

    const bool throwLinks = isThrow && (info.guard == 0 || crushedHere);
    if (throwLinks) {
      // 10. Throw: a guarded throw never links; a crushed guard lets it.
      BattleSeamThrowCheck(&a, &d, (atf1 & 0x100000) ? 0 : 1);
      d.counterState = 0;
      d.throwClashFrames = 60;
      d.lastAttacker = &a;
      int sound = atk->athe[1];
      if (sound == 0) sound = spark ? spark->sound : 10000;
      RequestSoundChecked(sound);
      requestKind = 10;
      requestParam = 0;
    }

    if (info.guard == 0 || throwLinks) {
      // 11. Bookkeeping of hits and throws.
      if (aSide >= 0) BattleSeamAddComboDamage(aSide, dmg, atk->atat, red);
      BattleSeamOnComboHit(&d, &a, atk);
      RunHitAchievementHooks(d, a, info.counter);
    }

    // 12. The reaction vector.
    bool applied = false;
    // A linked throw's reaction is the link's own vector: its entry takes no part in the merge.
    if (info.vector != -1 && !throwLinks) {
      int32_t next = info.vector;
      if (haveVector) {
        if (info.vector == 99 && merged >= 0 && VectorRedirectsOnFinish(merged))
          next = 99;
        else if (merged >= 0 && info.vector >= 0)
          next = ResolveHitVector(merged, info.vector);
      }
      if (!haveVector || next != merged) {
        haveVector = true;
        applied = true;
        merged = next;
        mergedMirror = info.mirror;
        mergedNoVelocity = info.noVelocity;
        changePriority = priority;
        mergedGuarded = info.guard != 0;
        if (atf1 & 0x80000)
          facing = a.posX < d.posX ? 0 : a.posX > d.posX ? 1 : (d.facing ? 0 : 1);
        else
          facing = a.facing;
        if (info.untechWeight == 0.0f)
          weightSum = 0.0f;
        else
          weightSum += info.untechWeight;
        reactionPattern = VectorReactionPattern(merged, d.guarding);
        const int giant = BattleSeamIsGiantCharacter(&d);
        if ((giant == 1 || giant == 2) && d.finishKind != 0) {
          const int other = d.side == 0 ? 1 : 0;
          reactionPattern = d.side <= 1 && g_BattleState[BattleStateIndex::kMatchPoint0 + other] ? 45 : 44;
          merged = -255;
        } else if (giant == 2 && merged >= 0 && VectorSignNegative(merged)) {
          merged = 2;
          reactionPattern = VectorReactionPattern(2, d.guarding);
        }
        d.lastAttacker = &a;
        if (info.guard == 0) d.hitsTaken = Wrap<int16_t>(int64_t{d.hitsTaken} + 1);
      }
    }
    if (info.vector == -2) {
      d.flashKind = 7;
      d.flashTimer = d.flashLength = 16;
      if (d.playerRecord) {
        // Ten per cent of the current rate, taken as a factor.
        float& rate = d.playerRecord->ext.recoveryRate;
        rate = std::clamp(rate * 0.9f, 0.05f, 1.0f);
        d.playerRecord->ext.recoveryDelay = 14;
      }
    } else if (info.vector == -3) {
      d.flashKind = 5;
      d.flashTimer = d.flashLength = 30;
    }

    // 13. Contact marks on the attacker.
    uint16_t marks = info.guard != 0 ? 0x1 : isThrow ? 0x2 : (info.vector < 0 ? 0x1 : 0x2);
    marks |= CurrentStance(d) == 1 ? 0x20 : 0x10;
    a.contactFlags |= marks;
    const bool finishingReaction = info.guard == 0 && !isThrow && d.hitVector == 98;
    if (finishingReaction)
      a.contactFlags |= 0x100;
    else
      a.target = &d;
    if (a.kind >= kKindChildFirst && a.owner) a.owner->childContactFlags = a.contactFlags;

    // 14. Hit stop.
    if (!isThrow) {
      HitStopCarrier(a).pendingHitStop = static_cast<uint8_t>(std::clamp(info.attackerStop, 0, 255));
      if (applied && info.defenderStop > 0) {
        if (info.counter == 0) {
          d.hitStop = static_cast<uint8_t>(std::min(info.defenderStop, 255));
        } else {
          counterStopSum += info.defenderStop;
          d.hitStop =
              static_cast<uint8_t>(std::clamp<int32_t>(std::max<int32_t>(d.hitStop, counterStopSum), 0, 255));
          if (o.tradeMark == 0 || o.tradeMark == 255) {
            CommonEffectAt(d, 85, px, py);
            if (aSide >= 0) g_SideStatus[aSide].counterBanner = 60;
          }
          o.tradeMark = static_cast<uint8_t>(info.counter);
        }
        d.hitStopLength = std::min<uint8_t>(d.hitStop, 60);
      }
    }

    // 15. Meter, circuit break and the marks.
    BattleSeamMeterGainOnContact(&d, &a, &info);
    if (info.guard == 0 && atk->atbt != 0) BattleSeamApplyCircuitBreak(&d, atk->atbt, atk->atf1);
    if (atf1 & 0x1000) d.defenderMark = 1;
    if (atf1 & 0x10) o.ownerMark = 1;

    // 16. Untech time.
    if (!crushedHere && !knockedOut && !d.held) {
      HitInfo merge = info;
      merge.vector = merged;
      BattleSeamSetUntechTime(&d, &merge);
    } else {
      d.untechTime = 0;
    }
  }

  if (instantGuard) {
    d.exGuardState = 0;
    d.exGuardFrames = 0;
  }
  if (crushed) {
    d.guardStopTimer = 0;
    d.guardQualityStop = 0;
    g_SlowMotionRequest = 30;
    if (dSide >= 0) BattleSeamPushHudNotice(dSide, 12);
  }
  if (!haveVector || merged < 0) {
    if (crushed) {
      requestKind = 7;
      requestParam = crushSlot;
    }
    if (anyGuarded) d.guarding = 0;
    if (merged == -255) {
      d.hitVector = 255;
      d.hitReaction = 0;
      ChangePattern(d, reactionPattern, 1, changePriority);
    }
  } else if (haveVector) {
    d.hitVectorStep = 0;
    if (reactionPattern != 0) {
      ChangePattern(d, reactionPattern, 1, changePriority);
      BattleSeamApplyHitVector(&d, merged, 0, facing, mergedMirror, mergedNoVelocity);
      if (instantGuard && !mergedNoVelocity) d.hitVelX = WrapAdd(d.hitVelX, d.facing == 0 ? -150 : 150);
      if (weightSum != 0.0f && g_TypeSystem.floatLimit != 0.0f) {
        const float f = std::max(1.0f - d.juggleWeight, 0.0f);
        d.juggleWeight = d.juggleWeight + g_TypeSystem.floatLimit * weightSum;
        if (d.hitVelY < 0) d.hitVelY = FloatToInt32(static_cast<float>(d.hitVelY) * f);
      }
      requestKind = mergedGuarded ? 5 : 10;
      requestParam = 0;
    }
    d.hitStopPass = 1;
    d.hitFrames = 0;
  }

  // One request, unless a pending one of an equal or higher kind waits.
  if (requestKind != 0 && !(d.pendingReaction[1] >= 0 && d.pendingReaction[0] >= requestKind)) {
    for (int32_t& w : d.pendingReaction) w = 0;
    d.pendingReaction[0] = requestKind;
    d.pendingReaction[2] = requestParam;
  }
}

// ---- seams ----

namespace {
void SeamResolveHits(BattleObject* o) {
  if (o) ResolveHits(*o);
}
}  // namespace

void InstallHitResolutionSeams() {
  BattleSeams& s = g_BattleSeams;
  s.ResolveHits = SeamResolveHits;
  s.KnockOutAllowed = KnockOutAllowed;
  s.FinishKindFor = FinishKindFor;
}
