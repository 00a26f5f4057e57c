// Frame conditions that reach other objects: command jumps, box searches (grab, catch,
// reflect, box touch, the shield-box touch, partner contact), the throw attempt and homing.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/random.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/frame_conditions.h"
#include "battle/frame_conditions_internal.h"
#include "battle/hit_detection.h"
#include "battle/object_state.h"

namespace frame_conditions {

namespace {

const CommandEntry* CommandAt(const CharaCommandTable& t, int32_t id) {
  if (id <= 0 || static_cast<size_t>(id) >= t.commands.size()) return nullptr;
  return t.commands[static_cast<size_t>(id)].get();
}

int CommandPriority(int32_t p7) {
  if (p7 == 0) return 5000;
  // 64 bits: a very negative P7 would leave the int range.
  if (p7 < 10000) return static_cast<int>(std::min<int64_t>(5000 - static_cast<int64_t>(p7), INT32_MAX));
  return p7 - 10000;
}

// Turns an object to face (or face away from) another.
void FaceTowards(BattleObject& o, const BattleObject& t, bool away) {
  uint8_t f = t.posX < o.posX ? 1 : 0;
  if (away) f = f ? 0 : 1;
  o.facing = o.wantedFacing = f;
}

// The registration a condition makes on the object it found.
void Register(BattleObject& t, bool spendHit) {
  if (spendHit && t.hitsLeft) --t.hitsLeft;
  ++t.registeredHits;
}

void TurnRound(BattleObject& o) { o.facing = o.wantedFacing = o.facing ? 0 : 1; }

// x velocity negated and, with a scale, times scale / 256 (toward zero).
int32_t ReflectVelocity(int32_t v, int32_t scale) {
  int64_t r = -static_cast<int64_t>(v);
  if (scale != 0) r = r * scale / 256;
  return static_cast<int32_t>(r);
}

// The box search; null when nothing overlaps.
BattleObject* Search(BattleObject& o, int ownKind, int otherKind, int sideFilter, int groups,
                     int attackFilter) {
  BattleObject* found = nullptr;
  if (!BattleSeamFindOverlappingObject(&o, ownKind, otherKind, sideFilter, groups, attackFilter, &found))
    return nullptr;
  return found;
}

BattleObject* ThrowTarget(BattleObject& o, int mode, int range, int low, int span) {
  BattleObject* found = nullptr;
  if (!BattleSeamFindThrowTarget(&o, mode, range, low, span, &found)) return nullptr;
  return found;
}

}  // namespace

void SetConditionHitStop(BattleObject& o, int32_t value) {
  const uint8_t stop = static_cast<uint8_t>(std::clamp<int32_t>(value, 0, 255));
  if (o.kind >= kKindChildFirst && (o.flags & 0x8) && o.parent && o.parent->side == o.side) {
    o.parent->hitStop = stop;
    o.hitStop = 0;
    return;
  }
  o.hitStop = stop;
}

bool HasBoxList(const BattleObject& o, int kind) {
  BoxIterator it;
  if (!BoxListBegin(&it, o, kind)) return false;
  for (int i = 0; i < it.count; ++i)
    if (it.first[i]) return true;
  return false;
}

bool ContactCancelTest(BattleObject& o, int kind, int flags) {
  BattleObject& owner = ConditionOwner(o);
  if (owner.hitReaction != 0 || ActiveMember(owner).noCommand) return false;
  const uint16_t c = owner.contactFlags;
  if (kind == 1 && !(c & 0x7)) return false;
  if (kind == 2 && !(c & 0x2)) return false;
  if (kind == 3 && !(c & 0x5)) return false;
  if ((flags & 1) && !(c & 0x10)) return false;
  if ((flags & 2) && !(c & 0x20)) return false;
  return true;
}

// A CPU-controlled owner picks among the candidates with one draw of the common stream
// (RandNext, counted), made only when at least one candidate was collected.
int CommandJump(BattleObject& o, const int32_t* commands, int count, int32_t frame, int32_t p7,
                bool testOnly) {
  BattleObject& owner = ConditionOwner(o);
  BattleObject& active = ActiveMember(owner);
  if (!owner.playerRecord || !active.playerRecord) return 0;
  const CharaCommandTable* table = owner.playerRecord->ext.commandTable.get();
  if (!table) return 0;
  const bool human = owner.controller != 1 || BattleSeamInTrainingPlayback(&owner);
  int chosen = 0;
  std::vector<int32_t> candidates;
  for (int i = 0; i < count && chosen == 0; ++i) {
    const CommandEntry* e = CommandAt(*table, commands[i]);
    if (!e) continue;
    uint32_t marks = 0;
    if (!CheckCommandConditions(owner, *e, 1, &marks)) continue;
    if (!BattleSeamHasMeter(&owner, static_cast<int>(e->cost))) continue;
    if (human) {
      FlipInputHistory(active);
      if (MatchCommandNotation(active.playerRecord->ext.history, e->notation)) chosen = commands[i];
    } else if (owner.aiRandomPick) {
      candidates.push_back(commands[i]);
    }
  }
  if (!human && !candidates.empty()) {
    chosen = candidates[static_cast<size_t>(RandNext() % static_cast<int32_t>(candidates.size()))];
    owner.aiRandomPick = 0;
  }
  if (chosen == 0 || testOnly) return chosen;
  const CommandEntry& e = *CommandAt(*table, chosen);
  if (frame >= 0) {
    GoToFrame(o, frame);
    if (e.cost != 0) BattleSeamSpendMeter(&owner, static_cast<int>(e.cost));
    owner.playerRecord->ext.chain.lastFiredCommand = chosen;
  } else if (ChangePattern(owner, static_cast<int>(e.pattern), 0, CommandPriority(p7))) {
    // Only an accepted request costs meter and enters the chain; the input is consumed and
    // the reaction cleared by the chosen command either way.
    if (e.cost != 0) BattleSeamSpendMeter(&owner, static_cast<int>(e.cost));
    NoteChainNumber(owner, chosen);
  }
  if (e.flags & 0x10) BattleSeamExpireInputHistory(&owner);
  o.hitReaction = 0;
  return chosen;
}

void Grab(BattleObject& o, const int32_t* p) {
  const int otherKind = p[2] % 1000;
  const int attackFilter = ((p[2] / 1000) % 10 != 0 ? 10 : 0) + (p[2] / 10000) % 10;
  // Without a box 9 of its own (or with a negative kind) the grab finds nothing.
  BattleObject* t = HasBoxList(o, 3) && otherKind >= 0
                        ? Search(o, 3, otherKind, p[1] % 1000, p[1] >= 10000 ? 1 : 2, attackFilter)
                        : nullptr;
  if (p[4] & 1) {
    // Acts only when nothing is found.
    if (t) return;
  } else {
    if (!t) return;
    if ((p[1] / 1000) % 10 != 0 && std::abs(static_cast<int64_t>(t->posX)) >= 65536) return;
    Register(*t, p[2] % 10000 == 0);
    if (p[3] != 0) {
      SetConditionHitStop(o, p[3]);
      SetConditionHitStop(*t, p[3]);
    }
    if (p[4] & 4)
      FaceTowards(o, *t, true);
    else if (p[4] & 2)
      FaceTowards(o, *t, false);
    // The grab achievement: the route character 34 catching character 34 mid-attack, or a
    // character in pattern 201 from a standing or walking grab.
    const int side = o.side;
    if (t->registeredHits == 1 && side < 2 && BattleSeamRouteCharacter(side) == 34 &&
        ((t->charaIndex == 34 && t->attackRec) ||
         (t->pattern == 201 && (o.pattern == 0 || o.pattern == 10))) &&
        BattleSeamIsLocalSide(side) && g_GrabAchievementCount < 10) {
      ++g_GrabAchievementCount;
      BattleSeamSetAchievementStat(48, side, g_GrabAchievementCount);
      if (g_GrabAchievementCount == 10) BattleSeamQueueAchievement(48);
    }
  }
  if (p[0] < 10000)
    GoToFrame(o, p[0]);
  else
    ChangePattern(o, p[0] - 10000, 1, 500);
}

void Catch(BattleObject& o, const int32_t* p) {
  const int otherKind = p[2] % 1000;
  if (!HasBoxList(o, 3) || otherKind < 0) return;
  BattleObject* t = Search(o, 3, otherKind, p[1], 1, (p[2] / 10000) % 10);
  if (!t || !BattleSeamThrowCheck(&o, t, 1)) return;
  GoToFrame(o, p[0]);
  t->throwClashFrames = 0;
  t->groundRecoveryAllowed = 0;
  Register(*t, p[2] == 0);
  if (p[3] != 0) {
    SetConditionHitStop(o, p[3]);
    SetConditionHitStop(*t, p[3]);
  }
}

void Reflect(BattleObject& o, const int32_t* p) {
  BattleObject& owner = ConditionOwner(o);
  if (p[7] != 0) {
    if (o.hitsLeft != 0 || !(o.contactFlags & 0x4) || !o.target) return;
    BattleObject& t = *o.target;
    o.side = t.side;
    o.facing = o.wantedFacing = t.facing;
    t.creditOwner = &owner;
    GoToFrame(o, p[0]);
    if (p[2] != 0) ApplyCounterReference(o, p[3]);
    return;
  }
  if (!HasBoxList(o, 3)) return;
  BattleObject* found = Search(o, 3, 6, 0, 2, 0);
  if (!found) return;
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    ObjectPoolSlot& s = g_ObjectPool[pi];
    BattleObject& c = s.obj;
    if (!s.inUse || &c == found || c.parent != found || !(c.spawnFlags & 0x4)) continue;
    c.side = o.side;
    TurnRound(c);
    c.velX = ReflectVelocity(c.velX, p[0]);
    c.accX = static_cast<int16_t>(-c.accX);
    c.posX = static_cast<int32_t>(2 * static_cast<int64_t>(found->posX) - c.posX);
  }
  found->side = o.side;
  TurnRound(*found);
  found->creditOwner = &owner;
  found->velX = ReflectVelocity(found->velX, p[0]);
  found->accX = static_cast<int16_t>(-found->accX);
  ++found->registeredHits;
}

void BoxTouch(BattleObject& o, const int32_t* p) {
  if (!HasBoxList(o, p[1]) || p[2] < 0) return;
  BattleObject* t = Search(o, p[1], p[2], 0, 1, 0);
  if (!t) return;
  if (p[3] == 1) {
    const int64_t sx = (static_cast<int64_t>(t->posX) - BattleSeamCameraX() + 32768) >> 8;
    if (sx < 9 || sx > 311) return;
  }
  GoToFrame(o, p[0]);
  Register(*t, p[2] == 0);
  if (p[3] != 0) {
    SetConditionHitStop(o, p[3]);
    SetConditionHitStop(*t, p[3]);
  }
}

void ShieldBoxTouch(BattleObject& o, const int32_t* p) {
  if (o.hitsLeft == 0 || o.hitStop != 0 || !HasBoxList(o, 0)) return;
  // Attack boxes against box 9 (list kind 3) of a character of the object's own side.
  if (Search(o, 0, 3, 1, 1, 0)) GoToFrame(o, p[0]);
}

// At distance 0 there is no direction: the velocity is left as it is.
void Homing(BattleObject& o, const int32_t* p) {
  BattleObject* ref = nullptr;
  if (p[7] == 2) {
    ref = &ConditionOwner(o);
  } else if (o.heldObject) {
    ref = o.heldObject;
  } else if (o.target) {
    ref = o.target;
  } else {
    for (PlayerRecord& r : g_PlayerRecords) {
      if (r.inUse && r.obj.side != o.side) {
        ref = &ActiveMember(r.obj);
        break;
      }
    }
  }
  if (!ref) return;
  if (p[7] == 0) {
    const int32_t dx = static_cast<int32_t>((static_cast<int64_t>(ref->posX) - o.posX) / 4);
    const int32_t dy = static_cast<int32_t>((static_cast<int64_t>(ref->posY) - 4096 - o.posY) / 4);
    if (dx == 0 && dy == 0) return;
    // This condition's own rule, not VectorAngle's: the angle from +x with a full pi, cos for x.
    const double angle = BattleAtan2(dy, dx);
    o.velX = static_cast<int32_t>(o.velX + static_cast<int64_t>(p[1] * BattleCos(angle)));
    o.velY = static_cast<int32_t>(o.velY + static_cast<int64_t>(p[1] * BattleSin(angle)));
    o.accX = 0;
    return;
  }
  if (p[7] != 1 && p[7] != 2) return;
  const int64_t offX = ref->facing == 1 ? -static_cast<int64_t>(p[0]) : p[0];
  const int64_t destX = ref->posX + offX * 128;
  const int64_t destY = ref->posY + static_cast<int64_t>(p[1]) * 128;
  const int64_t dx = destX - o.posX, dy = destY - o.posY;
  if (dx == 0 && dy == 0) {
    o.velX = o.velY = 0;
    return;
  }
  if (p[3] > 0) {
    // A step of length P3 along d reaches or passes the destination on both axes exactly
    // when P3 is at least |d|. Either axis alone beyond P3 already says no, and keeps the
    // squares within 64 bits.
    const int64_t step = p[3];
    if (std::llabs(dx) <= step && std::llabs(dy) <= step && step * step >= dx * dx + dy * dy) {
      o.velX = static_cast<int32_t>(dx);
      o.velY = static_cast<int32_t>(dy);
      o.accX = 0;
      return;
    }
  }
  if (p[4] != 0) {
    o.velX = static_cast<int32_t>(dx / p[4]);
    o.velY = static_cast<int32_t>(dy / p[4]);
  }
  if ((p[5] & 1) && dx != 0) o.facing = o.wantedFacing = dx < 0 ? 1 : 0;
}

void ThrowAttempt(BattleObject& o, const int32_t* p) {
  BattleObject& owner = ConditionOwner(o);
  const CharaCommandTable* table = owner.playerRecord ? owner.playerRecord->ext.commandTable.get() : nullptr;
  if (!table || (p[1] != 0 && p[1] != 1)) return;
  const ThrowEntry& entry = p[1] == 0 ? table->groundThrow : table->airThrow;
  if (!entry.enabled) return;
  BattleObject* t = p[1] == 0 ? ThrowTarget(o, 1, entry.second != 0 ? entry.second : 48, 0, 0)
                              : ThrowTarget(o, 0, 60, -60, 90);
  if (!t || !BattleSeamThrowCheck(&o, t, p[7] == 0 ? 1 : 0)) return;
  const bool inReaction = t->hitReaction != 0;
  BattleSeamNoteComboThrow(&o, t);
  BattleSeamRequestSound(0);
  int32_t frame = p[0];
  if (inReaction) {
    const int32_t regs = owner.playerRecord->ext.chain.registrations;
    if (p[3] != 0 && regs >= 2)
      frame = p[3];
    else if (p[2] != 0)
      frame = p[2];
  }
  if (frame != o.frame) RequestFrame(o, frame, 30000);
  if (p[1] == 0)
    t->groundRecoveryAllowed = (FrameState(*t).asmv != 0 || BattleSeamIsGuardStance(t)) ? 1 : 0;
  else
    t->groundRecoveryAllowed = 0;
}

void PartnerContact(BattleObject& o, const int32_t* p) {
  BattleObject* partner = o.partner;
  if (!partner) return;
  if (o.partnerState) {
    // A partner standing by only follows its partner's hit-stop; the box test has no effect.
    o.hitStop = partner->hitStop;
    return;
  }
  o.frameTimer = 0;
  if (!HasBoxList(o, 3) || !HasBoxList(*partner, 3)) return;
  if (!BattleSeamProximityBoxesOverlap(&o, partner)) return;
  GoToFrame(o, p[0]);
  GoToFrame(*partner, p[0]);
  if (o.side < 4) ++g_SideStatus[o.side].partnerControl;
}

}  // namespace frame_conditions
