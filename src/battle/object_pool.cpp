// The object pool and its passes.
#include "battle/object_pool.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/control_rules.h"
#include "battle/effect_geometry.h"
#include "battle/object_move.h"
#include "battle/object_state.h"

namespace {

bool AnyFreezeRuns() {
  for (int s = 0; s < kBattleStateRows; ++s)
    if (g_BattleState[FreezeTimerIndex(s)] > 0) return true;
  return false;
}

// Frees an object whose frame could not be resolved; true when it was freed.
bool FreeIfNoFrame(ObjectPoolSlot& slot) {
  if (slot.obj.frameRec) return false;
  slot.inUse = 0;
  slot.obj.removing = 0;
  return true;
}

// A spawn happens inside its spawner's frame entry, so its own first entry counts on from the
// spawner's depth: a chain of objects whose first frames spawn again is bounded as well.
void EnterSpawnedFrame(const BattleObject& spawner, BattleObject& o) {
  o.entryDepth = spawner.entryDepth;
  SetPattern(o);
  o.entryDepth = 0;
}

// The pool slot holding `o`, or -1 when it is not a pool object (a character).
int PoolSlotOf(const BattleObject* o) {
  const auto base = reinterpret_cast<uintptr_t>(&g_ObjectPool[0].obj);
  const auto p = reinterpret_cast<uintptr_t>(o);
  if (p < base || (p - base) % sizeof(ObjectPoolSlot) != 0) return -1;
  const uintptr_t i = (p - base) / sizeof(ObjectPoolSlot);
  return i < static_cast<uintptr_t>(kObjectPoolSize) ? static_cast<int>(i) : -1;
}

// The camera's screen edges, 16 pixels inside the screen (they widen as the camera zooms out).
int32_t ScreenEdge(bool left) { return BattleSeamGetScreenEdge(left ? 0 : 1); }

void Approach(int32_t& v, int32_t target) {
  // The step lies between v and the target, so the sum fits; the difference needs 64 bits.
  const int64_t d = int64_t{target} - v;
  if (d == 0) return;
  int64_t step = d / 16;
  if (step == 0) step = d > 0 ? 1 : -1;
  v = static_cast<int32_t>(v + step);
}

}  // namespace

ObjectPoolSlot* FindFreePoolSlot() {
  for (ObjectPoolSlot& s : g_ObjectPool)
    if (!s.inUse) return &s;
  return nullptr;
}

ObjectPoolSlot* SlotOf(BattleObject* o) {
  const int32_t ref = BattleObjectRef(o);
  return ref >= 100 && ref < 100 + kObjectPoolSize ? &g_ObjectPool[ref - 100] : nullptr;
}

void SpawnObjectFrom(BattleObject& spawner, const Han6Effect& r, ObjectPoolSlot& slot,
                     SpawnNumber numbering) {
  const int32_t* p = r.params;
  slot.inUse = 1;
  NotePoolSlotTaken(slot);
  slot.spawnedInUpdate = g_InBattleUpdate;
  slot.obj = BattleObject{};
  BattleObject& o = slot.obj;
  o.pattern = r.number;
  // Read literally, the relative rule would also turn an engine-made effect such as status mark
  // 179 from a fighter in pattern 17 into pattern 196, which the common set does not have: the
  // object would fall back to pattern 0 and never remove itself. Only the data's numbers are
  // relative.
  if (numbering == SpawnNumber::kDataRelative && r.number > 100 && r.number < 1000)
    o.pattern += spawner.pattern;
  o.parent = &spawner;
  ++spawner.childCount;
  BattleObject* owner = spawner.kind < kKindChildFirst ? &spawner : spawner.owner;
  o.owner = o.creditOwner = owner;
  o.target = owner ? owner->target : nullptr;
  o.pendingPattern = o.pendingFrame = -1;
  o.pendingReaction[0] = o.pendingReaction[1] = -1;
  o.drawPriority = 100;
  o.conditionsPending = o.effectsPending = 1;
  spawner.priorityMode = 0;
  o.hitVector = 255;
  o.type = spawner.type;
  o.side = spawner.side;
  o.playerIndex = spawner.playerIndex;
  o.dataIndex = spawner.dataIndex;
  o.facing = o.wantedFacing = spawner.facing;
  o.kind = kKindSpawned;
  o.freezeSerial =
      spawner.playerIndex < kBattleStateRows ? g_BattleState[FreezeSerialIndex(spawner.playerIndex)] : 0;
  o.rotation = Wrap(int64_t{p[7]} + ((p[2] & 0x100) ? spawner.rotation : 0));
  o.scaleX = o.scaleY = 1.0f;
  o.spawnFlags = static_cast<uint16_t>(p[2] & (0x01 | 0x04 | 0x08 | 0x20 | 0x40));
  o.flags = static_cast<uint16_t>(p[3] & (0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0040 | 0x0080 | 0x1000));
  if (p[3] & 0x0002) o.spawnFlags |= 0x20;
  if (p[3] & 0x0400) o.drawPriority = 460;
  if (p[3] & 0x0800) o.facing = o.wantedFacing = o.side == 1 ? 1 : 0;
  if (p[2] & 0x0800) o.facing = o.wantedFacing = o.facing ? 0 : 1;
  if (p[4] != 0) {
    o.followMode = static_cast<uint8_t>(p[4]);
    o.followBase = static_cast<uint8_t>(o.pattern);
    o.followX = static_cast<int16_t>(p[0]);
    o.followY = static_cast<int16_t>(p[1]);
  }
  o.ownerCounterSlot = static_cast<uint16_t>(p[8]);
  if (p[3] & 0x0200) {
    o.spawnFlags |= 0x02;
    o.posX = Wrap((int64_t{p[0]} - 128) * 256);
    o.posY = Wrap(int64_t{p[1]} * 256);
    o.facing = o.wantedFacing = 0;
  } else {
    int64_t dx = int64_t{p[0]} * 128, dy = int64_t{p[1]} * 128;
    if (IsCutSpriteFrame(spawner)) {
      dx *= 2;
      dy *= 2;
    }
    if (o.facing == 1) dx = -dx;
    // Measured toward the spawner's opponent (its target, else the nearest one).
    if (p[3] & 0x0100) {
      int32_t distance = 0;
      if (const BattleObject* t = GetTargetOpponent(spawner, &distance))
        dx += t->posX < spawner.posX ? -int64_t{distance} : int64_t{distance};
    }
    if (p[2] & 0x0400) {
      o.posX = Wrap(ScreenEdge(o.facing == 1) + dx);
      o.posY = Wrap(spawner.posY + dy);
    } else if (p[2] & 0x0200) {
      o.posX = Wrap(ScreenEdge(o.facing != 1) + dx);
      o.posY = Wrap(spawner.posY + dy);
    } else if (p[2] & 0x10) {
      if (p[3] & 0x0080) {
        o.posX = Wrap(dx);
        o.posY = Wrap(dy);
      } else {
        o.posX = Wrap(BattleSeamCameraX() + dx);
        o.posY = Wrap(BattleSeamCameraY() + dy);
      }
    } else {
      o.posX = Wrap(spawner.posX + dx);
      o.posY = Wrap(spawner.posY + dy);
    }
    if (p[2] & 0x80) o.posY = Wrap(int64_t{p[1]} * 256);
    if (p[2] & 0x02) {
      o.spawnFlags |= 0x02;
      o.facing = o.wantedFacing = 0;
    }
  }
  o.prevPosX = o.posX;
  o.prevPosY = o.posY;
}

BattleObject* SpawnEffectObject(BattleObject& spawner, const Han6Effect& r) {
  int16_t* onceFlag = nullptr;
  if (r.type == 1000) {
    if (r.params[5] < 0 || r.params[5] >= 9) return nullptr;  // the flag index must name a variable
    onceFlag = &spawner.charVars[r.params[5]];
    if (*onceFlag != 0) return nullptr;
  }
  ObjectPoolSlot* slot = FindFreePoolSlot();
  if (!slot) return nullptr;
  if (onceFlag) *onceFlag = 1;
  SpawnObjectFrom(spawner, r, *slot);
  slot->obj.playerIndex = spawner.playerIndex;
  slot->obj.dataIndex = spawner.dataIndex;
  slot->obj.frameData = spawner.frameData;
  EnterSpawnedFrame(spawner, slot->obj);
  return FreeIfNoFrame(*slot) ? nullptr : &slot->obj;
}

BattleObject* SpawnCommonEffect(BattleObject& spawner, const Han6Effect& r, SpawnNumber numbering) {
  ObjectPoolSlot* slot = FindFreePoolSlot();
  if (!slot) return nullptr;
  SpawnObjectFrom(spawner, r, *slot, numbering);
  slot->obj.dataIndex = kCommonEffectData;
  slot->obj.frameData = &g_CommonFrameData;
  EnterSpawnedFrame(spawner, slot->obj);
  return FreeIfNoFrame(*slot) ? nullptr : &slot->obj;
}

BattleObject* SpawnEngineEffect(BattleObject& spawner, int number, int32_t p0, int32_t p1, int32_t p2,
                                int32_t p3) {
  Han6Effect r;
  r.type = 8;
  r.number = number;
  r.params[0] = p0;
  r.params[1] = p1;
  r.params[2] = p2;
  r.params[3] = p3;
  return SpawnCommonEffect(spawner, r, SpawnNumber::kAbsolute);
}

void SpawnScatter(BattleObject& spawner, const Han6Effect& r) {
  const int32_t* p = r.params;
  const int32_t n = p[4] == 0 ? 1 : p[4];
  // More passes than the pool has slots could only draw for objects that cannot stay: a
  // huge count from the data would spin here for billions of passes.
  const int32_t passes = std::min(p[5] != 0 ? p[5] : n, kObjectPoolSize);
  // Every draw comes from the common stream, in this order per pass: the number (with P5),
  // the two offset draws, the rotation (with P9).
  for (int32_t i = 0; i < passes; ++i) {
    ObjectPoolSlot* slot = FindFreePoolSlot();
    // A full pool ends the group: the passes left could not spawn anything either, and no
    // draw is made for them.
    if (!slot) return;
    Han6Effect e;
    e.type = r.type;
    e.number = Wrap(int64_t{r.number} + (p[5] != 0 ? RandNext() % std::max(n, 1) : i));
    if (p[3] == 30000) {
      const int32_t radius = RandNext() % std::max(p[2], 1);
      const int32_t degrees = RandNext() % 360;
      int32_t dx = 0, dy = 0;
      PolarToXY(radius, degrees, &dx, &dy);
      e.params[0] = Wrap(int64_t{p[0]} + dx);
      e.params[1] = Wrap(int64_t{p[1]} + dy);
    } else {
      e.params[0] = Wrap(int64_t{p[0]} + RandNext() % std::max(p[2], 1));
      e.params[1] = Wrap(int64_t{p[1]} + RandNext() % std::max(p[3], 1));
    }
    e.params[2] = p[6];
    e.params[3] = p[7];
    e.params[7] = Wrap(int64_t{p[8]} + (p[9] != 0 ? RandNext() % p[9] : 0));
    e.params[8] = p[10];
    SpawnObjectFrom(spawner, e, *slot);
    slot->obj.playerIndex = spawner.playerIndex;
    slot->obj.dataIndex = spawner.dataIndex;
    slot->obj.frameData = spawner.frameData;
    EnterSpawnedFrame(spawner, slot->obj);
    FreeIfNoFrame(*slot);
  }
}

BattleObject* SpawnAfterimage(BattleObject& o, int colourMode, int scaleSpeedX, int scaleSpeedY, int32_t life,
                              int keepPriority) {
  if (life == 0) return nullptr;
  ObjectPoolSlot* slot = FindFreePoolSlot();
  if (!slot) return nullptr;
  FrameDataSet* data = o.kind >= kKindChildFirst ? (o.owner ? o.owner->frameData : nullptr) : o.frameData;
  if (!data) return nullptr;  // the slot stays free
  // The fade divides by the life, stored as int16: keep it 1..32767.
  life = std::clamp<int32_t>(life, 1, 32767);
  slot->inUse = 1;
  NotePoolSlotTaken(*slot);
  slot->spawnedInUpdate = g_InBattleUpdate;
  slot->obj = BattleObject{};
  BattleObject& a = slot->obj;
  a.pattern = o.pattern;
  a.frame = o.frame;
  a.nextSprite = o.nextSprite;
  a.posX = a.prevPosX = o.posX;
  a.posY = a.prevPosY = o.posY;
  a.scaleX = o.scaleX;
  a.scaleY = o.scaleY;
  a.rotation = o.rotation;
  a.facing = a.wantedFacing = o.facing;
  a.side = o.side;
  a.playerIndex = o.playerIndex;
  a.dataIndex = o.dataIndex;
  a.frameData = data;
  a.kind = kKindAfterimage;
  a.frameTimer = life;
  a.afterLife = static_cast<int16_t>(life);
  a.afterColour = static_cast<uint8_t>(colourMode + 1);
  a.afterScaleSpeedX = static_cast<int16_t>(scaleSpeedX);
  a.afterScaleSpeedY = static_cast<int16_t>(scaleSpeedY);
  a.owner = a.creditOwner = &o;
  a.pendingPattern = a.pendingFrame = -1;
  a.pendingReaction[0] = a.pendingReaction[1] = -1;
  a.hitVector = 255;
  a.drawPriority = keepPriority ? o.drawPriority : 100;
  // Kept for the drawing: bit 0 draws the copy just above the priority it took.
  a.afterPriorityFlag = static_cast<int16_t>(keepPriority);
  o.priorityMode = 0;
  SetPattern(a);
  // SetPattern's frame timer is the afterimage's life.
  a.frameTimer = life;
  return &a;
}

void RemovePoolObject(BattleObject& o) {
  // Only pool objects are removed: a removal asked for a character (a "destroy" condition on
  // a character's frame) would leave it marked for the rest of the round.
  if (o.removing || !SlotOf(&o)) return;
  o.removing = 1;
  RemoveChildren(o);
  const int n = o.ownerCounterSlot;
  // The code names one of ten counters; codes from 100 would index past them.
  if (n < 100 && n % 10 != 0 && o.owner) {
    int8_t& c = o.owner->actionCounters[n / 10];
    c = static_cast<int8_t>(std::max(0, c - n % 10));
  }
  if (o.owner && BattleSeamIsLocalSide(o.owner->side))
    BattleSeamResetRemovalAchievementCounter(o.owner->side);
}

void RemoveChildren(BattleObject& o) {
  if (o.childCount == 0) return;
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!s.inUse || s.obj.parent != &o || &s.obj == &o) continue;
    if (s.obj.spawnFlags & (0x01 | 0x20))
      RemovePoolObject(s.obj);
    else if (s.obj.spawnFlags & 0x04)
      s.obj.parent = o.parent;
  }
}

void RemoveResetChildren(BattleObject& parent) {
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!s.inUse || s.obj.parent != &parent || !(s.obj.spawnFlags & 0x20)) continue;
    s.inUse = 0;
    RemovePoolObject(s.obj);
  }
}

void RemoveLandingChildren(BattleObject& parent) {
  if (parent.childCount == 0) return;
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (s.inUse && s.obj.parent == &parent && (s.obj.spawnFlags & 0x20)) RemovePoolObject(s.obj);
  }
}

void MoveChildren(BattleObject& parent, int32_t dx, int32_t dy) {
  if (parent.childCount == 0) return;
  // Carried children of every pool object, indexed once: a long chain of carried objects then
  // costs one pass instead of a pool scan per link. Reused slots can link objects into a cycle
  // of parents, so each object moves at most once, and the parent (moved by the caller) not
  // again. The moves are plain additions, so the visiting order does not change the result.
  std::array<int16_t, kObjectPoolSize> firstChild, nextSibling;
  firstChild.fill(-1);
  nextSibling.fill(-1);
  std::vector<int16_t> pending;
  const int high = std::clamp(g_PoolHighWater, 0, kObjectPoolSize);
  for (int pi = high - 1; pi >= 0; --pi) {
    const ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!s.inUse || !(s.obj.spawnFlags & 0x04)) continue;
    if (s.obj.parent == &parent) pending.push_back(static_cast<int16_t>(pi));
    const int up = PoolSlotOf(s.obj.parent);
    if (up < 0) continue;
    nextSibling[static_cast<size_t>(pi)] = firstChild[static_cast<size_t>(up)];
    firstChild[static_cast<size_t>(up)] = static_cast<int16_t>(pi);
  }
  std::bitset<kObjectPoolSize> moved;
  if (const int self = PoolSlotOf(&parent); self >= 0) moved[static_cast<size_t>(self)] = true;
  while (!pending.empty()) {
    const auto pi = static_cast<size_t>(pending.back());
    pending.pop_back();
    if (moved[pi]) continue;
    moved[pi] = true;
    BattleObject& o = g_ObjectPool[pi].obj;
    o.posX = Wrap(int64_t{o.posX} + dx);
    o.posY = Wrap(int64_t{o.posY} + dy);
    if (o.childCount == 0) continue;
    for (int c = firstChild[pi]; c >= 0; c = nextSibling[static_cast<size_t>(c)])
      if (!moved[static_cast<size_t>(c)]) pending.push_back(static_cast<int16_t>(c));
  }
}

BattleObject* NextChildOf(int& iterator, const BattleObject* parent) {
  for (; iterator >= 0 && iterator < g_PoolHighWater; ++iterator) {
    ObjectPoolSlot& s = g_ObjectPool[iterator];
    if (s.inUse && s.obj.parent == parent) return &g_ObjectPool[iterator++].obj;
  }
  return nullptr;
}

BattleObject* NextHolderOf(int& iterator, const BattleObject* object) {
  for (; iterator >= 0 && iterator < g_PoolHighWater; ++iterator) {
    ObjectPoolSlot& s = g_ObjectPool[iterator];
    if (s.inUse && s.obj.heldObject == object) return &g_ObjectPool[iterator++].obj;
  }
  return nullptr;
}

int PoolObjectMayAct(const BattleObject& o) {
  if (o.patternEnded == 1 || o.kind == kKindAfterimage || (o.flags & 0x1000) ||
      g_BattleState[BattleStateIndex::kFreezeStarted] == 1)
    return 1;
  if (o.flags & 0x0040) {
    if (!AnyFreezeRuns()) return 1;
    const int own = o.playerIndex;
    if (own < kBattleStateRows && g_BattleState[FreezeTimerIndex(own)] > 0 &&
        o.freezeSerial == g_BattleState[FreezeSerialIndex(own)])
      return 1;
    return 0;
  }
  return g_GlobalFreeze == 0 && !AnyFreezeRuns() ? 1 : 0;
}

void FollowStep(BattleObject& o) {
  BattleObject* owner = o.owner;
  if (!owner) return;
  if (o.followLimit != 0) ++o.followFrames;
  if (o.followDelay != 0) {
    --o.followDelay;
    return;
  }
  o.prevPosX = o.posX;
  o.prevPosY = o.posY;
  const int base = o.followBase;
  const int64_t ax = std::abs(int64_t{o.posX} - owner->posX), ay = std::abs(int64_t{o.posY} - owner->posY);
  const bool belowLimit = o.followLimit == 0 || o.followFrames < o.followLimit;
  int r = -1;
  switch (o.followMode) {
    case 1:
      o.facing = o.wantedFacing = owner->facing;
      if (o.pattern == base + 2) {
        if (!(belowLimit && ax <= 6144 && ay <= 6144)) r = 3;
      } else if (o.pattern == base + 3) {
        if (ax <= 4096 && ay <= 4096) {
          o.followDelay = 40;
          r = 2;
        }
        Approach(o.posX, owner->posX);
        Approach(o.posY, owner->posY);
      }
      break;
    case 2:
      if (o.pattern == base + 2) {
        o.facing = o.wantedFacing = owner->posX < o.posX ? 1 : 0;
        if (!(belowLimit && ax <= 6144 && ay <= 10000)) r = 3;
      } else if (o.pattern == base + 3) {
        if (ax <= 4096 && ay <= 10000) r = 2;
        o.facing = o.wantedFacing = owner->posX < o.posX ? 1 : 0;
        o.posX = Wrap(int64_t{o.posX} + (owner->posX < o.posX ? -o.anchorPoint : o.anchorPoint));
      }
      break;
    case 10: {
      r = owner->followerRequest != 0 ? owner->followerRequest : -1;
      owner->followerRequest = 0;
      int32_t px = 0, py = 0, angle = 0;
      if (BattleSeamFramePoint(owner, o.anchorPoint, &px, &py, &angle)) {
        o.posX = px;
        o.posY = py;
      }
      o.facing = o.wantedFacing = owner->facing;
      break;
    }
    default:
      return;
  }
  if (r != -1) ChangePattern(o, base + r, 1, 100);
}

void UpdatePoolObjects() {
  for (int i = 0; i < g_PoolHighWater; ++i) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    if (!s.inUse) continue;
    BattleObject& o = s.obj;
    if (o.removing) {
      s.inUse = 0;
      o.removing = 0;
      continue;
    }
    if (!PoolObjectMayAct(o) || o.kind == kKindAfterimage) continue;
    BattleObject* p = o.parent;
    if (o.spawnFlags & 0x01) {
      if (p && p->childPurge == 2) {
        RemovePoolObject(o);
        s.inUse = 0;
        continue;
      }
      if (p && !p->guarding && ((p->held && !p->hitStop) || p->hitReaction != 0)) RemovePoolObject(o);
    }
    if (o.spawnFlags & 0x04) {
      if (!p) {
        RemovePoolObject(o);
      } else if (p == o.owner && !p->held && p->noPush == 0 && CharacterMayAct(o)) {
        // A character that is not a partner also carries the object through its wall
        // correction of the span it covers with the object it holds.
        const int32_t edge = p->partnerState == 0 ? BattleSeamHeldSpanEdgeCorrection(p) : 0;
        const int32_t dx = Wrap(int64_t{p->posX} - p->prevPosX + edge);
        const int32_t dy = Wrap(int64_t{p->posY} - p->prevPosY);
        o.posX = Wrap(int64_t{o.posX} + dx);
        o.posY = Wrap(int64_t{o.posY} + dy);
        MoveChildren(o, dx, dy);
      }
    }
    if (o.spawnFlags & 0x20) {
      if (p && p->childPurge == 2) {
        RemovePoolObject(o);
        s.inUse = 0;
        continue;
      }
      if (p && ((p->pendingPattern != -1 && p->hitStop == 0) || p->removing)) RemovePoolObject(o);
    }
    if (o.flags & 0x0004) {
      if (FrameState(o).asmv || (p && p->held)) {
        RemovePoolObject(o);
        s.inUse = 0;
        continue;
      }
    }
    if (o.followMode != 0) FollowStep(o);
  }
  // Walked by index over the live array: objects spawned here at a higher index are visited.
  for (int i = 0; i < g_PoolHighWater; ++i) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    if (!s.inUse || !PoolObjectMayAct(s.obj)) continue;
    BattleObject& o = s.obj;
    if (o.kind == kKindAfterimage) {
      if (--o.frameTimer <= 0) RemovePoolObject(o);
      continue;
    }
    BattleObject* p = o.parent;
    if ((o.spawnFlags & 0x08) && p && !p->stepped) continue;
    if (o.flags & 0x0002) {
      if (p && p->conditionsPending == 1 && o.conditionsPending == 0) {
        const Han6Frame* f = o.frameRec;
        const int action = f ? f->endAction : 0;
        if (action == 0) {
          RemovePoolObject(o);
        } else if (action == 1) {
          ++o.frame;
          SetPattern(o);
        } else if (action == 2) {
          o.frame = f->jumpTarget;
          if (o.loopCounter) --o.loopCounter;
          SetPattern(o);
        }
      } else if (o.conditionsPending) {
        o.conditionsPending = 0;
      }
      ++o.frameTimer;
    } else if (s.spawnedInUpdate) {
      s.spawnedInUpdate = 0;
      BattleSeamRunContinuousEffects(&o);
      continue;
    } else {
      ObjectStateStep(o);
    }
    if (!s.inUse) continue;
    if (!o.frameRec) {
      // Nothing to play (a bad pattern with no pattern 0 to fall back to): gone at once.
      RemovePoolObject(o);
      s.inUse = 0;
      continue;
    }
    const bool mayAct = PoolObjectMayAct(o) != 0;
    if (!o.held && g_Paused == 0 && g_GlobalFreeze == 0 && mayAct && o.followMode == 0) {
      o.prevPosX = o.posX;
      o.prevPosY = o.posY;
    }
    const int32_t x0 = o.posX, y0 = o.posY;
    if (ObjectPhysicsStep(o) && mayAct && (o.posX != x0 || o.posY != y0))
      MoveChildren(o, Wrap(int64_t{o.posX} - x0), Wrap(int64_t{o.posY} - y0));
    BattleSeamRunContinuousEffects(&o);
  }
}

void PoolObjectsHitPhase() {
  auto eligible = [](ObjectPoolSlot& s) {
    return s.inUse && !s.obj.removing && s.obj.kind != kKindAfterimage && PoolObjectMayAct(s.obj);
  };
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!eligible(s)) continue;
    RunFrameConditions(s.obj, 1);
    if (s.obj.hitsLeft && !s.obj.hitStop) BattleSeamCheckClashBoxes(&s.obj);
  }
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!eligible(s)) continue;
    BattleSeamDetectHits(&s.obj);
    if (!s.obj.owner || s.obj.owner->pendingHitCount == 0) BattleSeamDetectThrows(&s.obj);
  }
}

void RunPoolObjectConditions() {
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (s.inUse && !s.obj.removing && PoolObjectMayAct(s.obj)) RunFrameConditions(s.obj, 0);
  }
}

void RunPoolObjectEffects() {
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (s.inUse && !s.obj.removing && s.obj.effectsPending) RunFrameEffects(s.obj);
  }
}

void DrawPoolObjects() {
  if (g_BattleDrawSeams.PoolDrawingOn && !g_BattleDrawSeams.PoolDrawingOn()) return;
  const bool running = g_BattlePhase != 0 && g_Paused == 0 && g_GlobalFreeze == 0 &&
                       !(g_SlowMotion != 0 && g_BattleFrame % 3 != 0);
  const int32_t special = g_BattleState[BattleStateIndex::kSpecialStage];
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    if (!s.inUse) continue;
    BattleObject& o = s.obj;
    // A special stage hides its own stage objects.
    if ((special == 1 || special == 2) && o.pattern == 91) continue;
    if (special == 2 && o.pattern == 200) continue;
    if (o.kind == kKindAfterimage && running) {
      // float32 growth by the scale speeds in 1/256 per frame.
      o.scaleX += static_cast<float>(o.afterScaleSpeedX) / 256.0f;
      o.scaleY += static_cast<float>(o.afterScaleSpeedY) / 256.0f;
    }
    DrawPoolObject(o);
  }
}
