// Boxes, pushing, clashes and hit detection.
#include "battle/hit_detection.h"

#include <algorithm>

#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/box_to_screen.h"
#include "battle/gauges.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

// Middle-zone limits of the tie rule of the separation (512 pixels either side).
constexpr int32_t kZoneEdge = 65536;

const Han6AttackData* FrameAttack(const BattleObject& o) { return o.frameRec ? o.frameRec->attack : nullptr; }

// The object whose holding decides what an attack may touch: a child's owner, else itself.
const BattleObject* AttackOwner(const BattleObject& o) { return o.kind >= kKindChildFirst ? o.owner : &o; }

bool IsSlotOfSide(const BattleObject& t, int slot) {
  return t.side < 4 && g_SideStatus[t.side].activePlayer == slot;
}

void CountRegistration(BattleObject& o) {
  if (o.hitsLeft) --o.hitsLeft;
  o.registeredHits = static_cast<int16_t>(o.registeredHits + 1);
  o.attackConnected = 1;
}

// Appends one pending hit when the target's list has room.
bool AppendPendingHit(BattleObject& t, Han6AttackData* attack, const ScreenRect& where,
                      BattleObject& attacker) {
  if (t.pendingHitCount >= kPendingHits) return false;
  const int i = t.pendingHitCount++;
  t.pendingHitAttack[i] = attack;
  t.pendingHitRect[i] = where;
  t.pendingHitAttacker[i] = &attacker;
  return true;
}

void NoteAchievement(const BattleObject& a, int chara, int pattern1, int pattern2, int id) {
  if (a.charaIndex == chara && (a.pattern == pattern1 || a.pattern == pattern2) &&
      BattleSeamIsLocalSide(a.side))
    BattleSeamQueueAchievement(id);
}

// The invulnerability classes that turn an attack away: 1 against standing-guardable attacks,
// 2 against crouching-guardable ones, 3 against strikes, 4 against throws.
bool ClassTurnsAway(int cls, const Han6AttackData& atk, bool isThrow) {
  if (cls == 1 && (atk.atgd & 0x1)) return true;
  if (cls == 2 && (atk.atgd & 0x4)) return true;
  return cls == (isThrow ? 4 : 3);
}

// Places the object's attack boxes (at most room of them); 0 when there are none.
int PlaceAttackBoxes(const BattleObject& o, std::span<ScreenRect> rects) {
  BoxIterator it;
  if (!BoxListBegin(&it, o, kAttackBoxList)) return 0;
  return PlaceBoxList(rects, it);
}

// 1 when the object's list of the given kind meets the placed rects; the meeting goes to out.
int ListMeets(const BattleObject& o, int kind, const ScreenRect* rects, int n, ScreenRect* out) {
  BoxIterator it;
  if (n == 0 || !BoxListBegin(&it, o, kind)) return 0;
  return BoxListHitsAny(rects, n, out, it);
}

// The clash spark: a random point of the overlap (two common draws, x then y) in the spawner's
// frame coordinates, common effect 5.
void ClashSpark(BattleObject& spawner, const ScreenRect& r) {
  const int32_t r1 = RandNext();
  const int32_t r2 = RandNext();
  // The overlap is strict, so both extents are at least 1.
  int32_t x = Wrap(r1 % (int64_t{r.x2} - r.x1) + r.x1);
  int32_t y = Wrap(r2 % (int64_t{r.y2} - r.y1) + r.y1);
  ScreenToFrameCoords(spawner, &x, &y);
  SpawnEngineEffect(spawner, 5, x, y, 64, 4096);
}

int ClashCheck(BattleObject& self, bool withAttackBoxes) {
  if (self.hitsLeft == 0) return 0;
  ScreenRect rects[kStrikeBoxRoom];
  int n = 0;
  if (withAttackBoxes) {
    const Han6AttackData* atk = FrameAttack(self);
    if (!atk || (atk->atf1 & 0x8) || (atk->atng != 0 && (atk->atgd & 0x7) == 0)) return 0;
    n = PlaceAttackBoxes(self, rects);
  } else {
    BoxIterator it;
    if (BoxListBegin(&it, self, kClashBoxList)) n = PlaceBoxList(rects, it);
  }
  if (n == 0) return 0;
  auto clashes = [&](BattleObject& c) {
    if (&c == &self || c.side == self.side || c.hitReaction != 0 || c.hitsLeft == 0) return false;
    ScreenRect where;
    if (!ListMeets(c, kClashBoxList, rects, n, &where)) return false;
    ApplyClashReaction(c, self);
    ApplyClashReaction(self, c);
    self.attackConnected = 1;
    ClashSpark(self, where);
    return true;
  };
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && clashes(r.obj)) return 1;
  for (int i = 0; i < g_PoolHighWater; ++i) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    if (s.inUse && s.obj.kind != kKindAfterimage && clashes(s.obj)) return 1;
  }
  return 0;
}

// A strike target of the attacker (before its boxes are compared).
bool CanStrike(const BattleObject& a, const Han6AttackData& atk, BattleObject& t, int slot) {
  if (&t == &a) return false;
  if (t.side == a.side && !(atk.atf1 & 0x200)) return false;
  if (t.heldObject || t.downState > 2 || t.throwConnected || t.strikeInvuln || t.noHitFrames ||
      t.techInvuln == 1 || t.partnerState == 1)
    return false;
  if (t.held && !IsSlotOfSide(t, slot)) return false;  // a reserve partner while held
  if (g_GameModeFlags & 0x300) {
    // With partners or four players a holder's attacks touch only what it holds.
    const BattleObject* owner = AttackOwner(a);
    const BattleObject* holding = owner ? owner->heldObject : nullptr;
    if (holding && &t != holding) return false;
    if (t.held && &t != holding) return false;
  }
  return CanHitStance(CurrentStance(t), t.hitReaction, t.guarding, atk.atgd, t.held) != 0;
}

bool CanThrow(const BattleObject& a, const Han6AttackData& atk, BattleObject& t, int slot) {
  const bool plain = (atk.atgd & 0xF) == 0;
  if (&t == &a || !IsSlotOfSide(t, slot)) return false;
  if (t.side == a.side && !(atk.atf1 & 0x200)) return false;
  if (t.heldObject || g_SideStatus[t.side].actionLock != 0 || BattleSeamIsGiantCharacter(&t) ||
      t.downState > 2)
    return false;
  if (!plain && (t.strikeInvuln || t.noHitFrames)) return false;
  if (plain && t.throwInvuln) return false;
  if (t.techInvuln == 1 || t.partnerState == 1 || t.held) return false;
  if (!CanHitStance(CurrentStance(t), t.hitReaction, t.guarding, atk.atgd, 0)) return false;
  if (ClassTurnsAway(FrameState(t).asys, atk, true)) return false;
  return t.armorFrames == 0 || t.armorFrames == 10001;
}

}  // namespace

int BoxesOverlap(const ScreenRect& a, const ScreenRect& b, ScreenRect* out) {
  if (!(a.y1 < b.y2 && b.x1 < a.x2 && b.y1 < a.y2 && a.x1 < b.x2)) return 0;
  if (out)
    *out = ScreenRect{std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
  return 1;
}

int PointInBox(const ScreenRect& r, int32_t x, int32_t y) {
  return r.x1 < x && x < r.x2 && r.y1 < y && y < r.y2 ? 1 : 0;
}

int BoxListBegin(BoxIterator* it, const BattleObject& o, int kind) {
  *it = BoxIterator{};
  it->owner = &o;
  const Han6Frame* f = o.frameRec;
  if (!f || kind < 0) return 0;
  if (kind == kAttackBoxList) {
    it->count = static_cast<int>(std::min<size_t>(f->attackBoxCount, f->attackBoxes.size()));
    it->first = f->attackBoxes.data();
    return it->count > 0;
  }
  // The slot count as the frame states it, never past the slots stored.
  const int64_t slots = static_cast<int64_t>(std::min<size_t>(f->boxCount, f->boxes.size()));
  if (kind == kPushBoxList) {
    it->count = slots >= 1 ? 1 : 0;
    it->first = f->boxes.data();
  } else if (kind == kHurtBoxList) {
    it->count = static_cast<int>(std::clamp<int64_t>(slots - 1, 0, 8));
    it->first = slots >= 2 ? f->boxes.data() + 1 : nullptr;
  } else {
    const int64_t slot = int64_t{kind} + 6;
    it->count = slot < slots ? 1 : 0;
    it->first = slot < slots ? f->boxes.data() + slot : nullptr;
  }
  return it->count > 0;
}

int PlaceBoxList(std::span<ScreenRect> rects, BoxIterator& it) {
  int placed = 0;
  for (; it.next < it.count && static_cast<size_t>(placed) < rects.size(); ++it.next) {
    const Han6Box* b = it.first[it.next];
    if (b) BoxToScreen(*it.owner, *b, &rects[placed++]);
  }
  return placed;
}

int BoxListHitsAny(const ScreenRect* rects, int n, ScreenRect* out, BoxIterator& it) {
  for (; it.next < it.count; ++it.next) {
    const Han6Box* b = it.first[it.next];
    if (!b) continue;
    ScreenRect placed;
    BoxToScreen(*it.owner, *b, &placed);
    for (int i = 0; i < n; ++i)
      if (BoxesOverlap(placed, rects[i], out)) return 1;
  }
  return 0;
}

int ProximityBoxesOverlap(const BattleObject& a, const BattleObject& b) {
  BoxIterator it;
  ScreenRect own[1];
  if (!BoxListBegin(&it, a, kShieldBoxList) || PlaceBoxList(own, it) == 0) return 0;
  return ListMeets(b, kShieldBoxList, own, 1, nullptr);
}

int ShieldBoxesOverlap(const BattleObject& defender, const BattleObject& attacker, ScreenRect* out) {
  ScreenRect rects[kStrikeBoxRoom];
  const int n = PlaceAttackBoxes(attacker, rects);
  if (n == 0) return 0;
  // Box 9 counts only in frames with ten or more slots (it is also the proximity box).
  const Han6Frame* f = defender.frameRec;
  if (f && f->boxCount >= 10 && ListMeets(defender, kShieldBoxList, rects, n, out)) return 1;
  return ListMeets(defender, kHurtBoxList, rects, n, out);
}

int MatchesAttackFilter(const Han6AttackData& attack, int filter) {
  const bool isThrow = attack.atng != 0;
  switch (filter) {
    case 1:
      return !isThrow && (attack.atgd & 0x1);
    case 2:
      return !isThrow && (attack.atgd & 0x4);
    case 3:
      return !isThrow;
    case 4:
      return isThrow && (attack.atgd & 0x1);
    case 5:
      return isThrow && (attack.atgd & 0x4);
    case 6:
      return isThrow;
    case 7:
      return (attack.atgd & 0x1) != 0;
    case 8:
      return (attack.atgd & 0x4) != 0;
    default:
      // 0, values above 8 and (from a negative condition parameter) values below 0.
      return 1;
  }
}

BattleObject* FindOverlappingObject(BattleObject& self, int ownKind, int otherKind, int sideFilter,
                                    int groups, int attackFilter) {
  BoxIterator it;
  ScreenRect rects[kStrikeBoxRoom];
  if (!BoxListBegin(&it, self, ownKind)) return nullptr;
  const int n = PlaceBoxList(rects, it);
  if (n == 0) return nullptr;
  // The filter's tens ask for attacks whether or not they have hits left, its units the kind of
  // attack. C++ division truncates: a negative filter keeps a non-positive unit (any attack).
  const bool spentToo = attackFilter / 10 != 0;
  const int kindFilter = attackFilter % 10;
  auto touches = [&](BattleObject& c) {
    if (&c == &self || c.kind == kKindAfterimage || c.partnerState == 1) return false;
    if (sideFilter == 0 && c.side == self.side) return false;
    if (sideFilter == 1 && c.side != self.side) return false;
    if (otherKind != 0) return ListMeets(c, otherKind, rects, n, nullptr) != 0;
    const Han6AttackData* atk = FrameAttack(c);
    if (!(c.hitsLeft || spentToo) || !atk || (atk->atf1 & 0x8) || !MatchesAttackFilter(*atk, kindFilter) ||
        (atk->atng != 0 && (atk->atgd & 0xF) == 0))
      return false;
    return ListMeets(c, kAttackBoxList, rects, n, nullptr) != 0;
  };
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && touches(r.obj)) return &r.obj;
  if (groups == 2)
    for (int i = 0; i < g_PoolHighWater; ++i) {
      ObjectPoolSlot& s = g_ObjectPool[i];
      if (s.inUse && touches(s.obj)) return &s.obj;
    }
  return nullptr;
}

void SeparatePair(BattleObject& a, BattleObject& b, int32_t overlap) {
  const int32_t d = overlap;
  int32_t shareA = d, shareB = 0;
  if (d >= 128 || d <= -128) {
    shareB = d >> 1;
    shareA = (d >> 1) + (d % 2);
  }
  bool aRight;
  if (a.posX != b.posX) {
    aRight = a.posX > b.posX;
  } else if (a.facing != b.facing) {
    // Facing each other, the one facing right gives way to the left.
    aRight = a.facing == 1;
  } else if (a.wantedFacing != b.wantedFacing) {
    aRight = a.wantedFacing == 1;
  } else if (a.posX >= kZoneEdge || (a.posX > -kZoneEdge && a.facing == 1)) {
    aRight = a.posY >= b.posY;
  } else {
    aRight = a.posY < b.posY;
  }
  if (aRight) {
    a.posX = WrapAdd(a.posX, shareA);
    b.posX = WrapAdd(b.posX, -shareB);
  } else {
    a.posX = WrapAdd(a.posX, -shareA);
    b.posX = WrapAdd(b.posX, shareB);
  }
}

int CheckAttackClash(BattleObject& self) { return ClashCheck(self, true); }
int CheckClashBoxes(BattleObject& self) { return ClashCheck(self, false); }

void ApplyClashReaction(BattleObject& o, BattleObject& other) {
  o.contactFlags |= 0x04 | (CurrentStance(o) == 1 ? 0x20 : 0x10);
  if (o.hitsLeft) --o.hitsLeft;
  o.registeredHits = static_cast<int16_t>(o.registeredHits + 1);
  AddCircuitMeter(o, 200, 0, 1);
  o.target = other.kind >= kKindChildFirst && other.creditOwner ? other.creditOwner : &other;
  GiveHitStop(o, 16);
  if (IsCharacter(o)) {
    o.strikeInvuln = 18;
    o.throwInvuln = 18;
  }
}

int CanHitStance(int stance, int32_t reaction, int guarding, int32_t atgd, int held) {
  if ((atgd & 0x100) && stance == 0) return 0;
  if ((atgd & 0x200) && stance == 1) return 0;
  if ((atgd & 0x400) && stance == 2) return 0;
  if ((atgd & 0x4000) && (reaction == 0 || held)) return 0;
  if ((atgd & 0x800) && (reaction != 0 || held)) return 0;
  if ((atgd & 0x1000) && guarding) return 0;
  if ((atgd & 0x2000) && reaction < -2) return 0;
  return 1;
}

void DetectHits(BattleObject& a) {
  if (a.hitsLeft == 0 || a.hitStop != 0 || a.partnerState == 1 ||
      g_BattleState[BattleStateIndex::kGlobalFreezeRequest] != 0 || !CanActDuringFreeze(a))
    return;
  if (CheckAttackClash(a) || ShieldCheck(a)) return;
  Han6AttackData* atk = a.frameRec ? a.frameRec->attack : nullptr;
  // Attack boxes without attack data register nothing: the resolution reads every entry's data.
  if (!atk || atk->atng != 0) return;
  ScreenRect rects[kStrikeBoxRoom];
  const int n = PlaceAttackBoxes(a, rects);
  if (n == 0) return;
  bool registered = false;
  for (int slot = 0; slot < kPlayerSlots; ++slot) {
    PlayerRecord& r = g_PlayerRecords[slot];
    BattleObject& t = r.obj;
    if (!r.inUse || !CanStrike(a, *atk, t, slot)) continue;
    ScreenRect where;
    if (!ListMeets(t, kHurtBoxList, rects, n, &where)) continue;
    if (ClassTurnsAway(FrameState(t).asys, *atk, false)) continue;
    if (!AppendPendingHit(t, atk, where, a)) continue;
    registered = true;
    NoteAchievement(a, 25, 60, 61, 47);
  }
  if (registered) CountRegistration(a);
}

void DetectThrows(BattleObject& a) {
  if (a.hitsLeft == 0 || a.hitStop != 0 || a.partnerState == 1) return;
  if (g_GameModeFlags & 0x300) {
    const BattleObject* owner = AttackOwner(a);
    if (owner && owner->held) return;
  }
  Han6AttackData* atk = a.frameRec ? a.frameRec->attack : nullptr;
  if (!atk || atk->atng == 0) return;
  ScreenRect rects[kThrowBoxRoom];
  const int n = PlaceAttackBoxes(a, rects);
  if (n == 0) return;
  // The character it last dealt with first, then the others in slot order.
  int order[kPlayerSlots + 1];
  int count = 0;
  const int32_t first = BattleObjectRef(a.target);
  if (first >= 0 && first < kPlayerSlots) order[count++] = first;
  for (int slot = 0; slot < kPlayerSlots; ++slot)
    if (slot != first) order[count++] = slot;
  for (int k = 0; k < count; ++k) {
    const int slot = order[k];
    PlayerRecord& r = g_PlayerRecords[slot];
    BattleObject& t = r.obj;
    if (!r.inUse || !CanThrow(a, *atk, t, slot)) continue;
    ScreenRect where;
    if (!ListMeets(t, kHurtBoxList, rects, n, &where) || !AppendPendingHit(t, atk, where, a)) continue;
    CountRegistration(a);
    a.throwConnected = 1;
    a.strikeInvuln = 4;
    a.throwInvuln = 4;
    NoteAchievement(a, 29, 371, 375, 43);
    return;
  }
}

void InstallHitDetectionSeams() {
  BattleSeams& s = g_BattleSeams;
  s.CheckClashBoxes = [](BattleObject* o) { CheckClashBoxes(*o); };
  s.DetectHits = [](BattleObject* o) { DetectHits(*o); };
  s.DetectThrows = [](BattleObject* o) { DetectThrows(*o); };
  s.SeparatePair = [](BattleObject* a, BattleObject* b, int32_t overlap) { SeparatePair(*a, *b, overlap); };
  s.FindOverlappingObject = [](BattleObject* self, int ownKind, int otherKind, int sideFilter, int groups,
                               int attackFilter, BattleObject** found) {
    BattleObject* t = FindOverlappingObject(*self, ownKind, otherKind, sideFilter, groups, attackFilter);
    if (found) *found = t;
    return t ? 1 : 0;
  };
  s.ProximityBoxesOverlap = [](BattleObject* a, BattleObject* b) { return ProximityBoxesOverlap(*a, *b); };
  s.ShieldBoxesOverlap = [](BattleObject* d, BattleObject* a, ScreenRect* out) {
    return ShieldBoxesOverlap(*d, *a, out);
  };
  s.GetPushCandidateBox = PushCandidateBox;
  s.MayActInFreeze = [](BattleObject* o) { return CanActDuringFreeze(*o); };
}
