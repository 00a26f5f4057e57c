// Control rules: lookups of opponents and partners, cancel and chain rules, the throw-target
// search, and the installer of the control seams.
#include "battle/control_rules.h"

#include <cstdlib>

#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/object_state.h"

namespace {

int32_t AbsDiff(int32_t a, int32_t b) {
  const int64_t d = static_cast<int64_t>(a) - b;
  const int64_t m = d < 0 ? -d : d;
  return m > INT32_MAX ? INT32_MAX : static_cast<int32_t>(m);
}

const Han6Pattern* PatternRecord(const BattleObject& o, int pattern) {
  if (!o.frameData || !o.frameData->patterns || pattern < 0 || pattern >= kHan6PatternSlots) return nullptr;
  return o.frameData->patterns->patterns[static_cast<size_t>(pattern)].get();
}

bool FrameHasConditionType(const Han6Frame* f, int type) {
  if (!f) return false;
  for (const Han6Condition* c : f->conditions)
    if (c && c->type == type) return true;
  return false;
}

// An attack that makes a human character guard: attack data without bit 0x4000 of its first
// flag word, hits left, and an attack box in the frame.
bool IsIncomingAttack(const BattleObject& a) {
  if (!a.frameRec || !a.frameRec->attack || (a.frameRec->attack->atf1 & 0x4000)) return false;
  return a.hitsLeft != 0 && GetActiveAttack(a) != nullptr;
}

bool HasHurtBox(const BattleObject& o) {
  if (!o.frameRec) return false;
  const auto& boxes = o.frameRec->boxes;
  for (size_t i = 1; i <= 8 && i < boxes.size(); ++i)
    if (boxes[i]) return true;
  return false;
}

bool SideActionLocked(const BattleObject& o) { return o.side < 4 && g_SideStatus[o.side].actionLock != 0; }

bool GroundThrowable(const BattleObject& t) {
  const Han6FrameState& s = FrameState(t);
  return s.stance != 1 && !SideActionLocked(t) && t.hitReaction == 0 && t.throwInvuln == 0 &&
         t.jumpStartFrames == 0 && t.techInvuln != 1 && t.partnerState != 1 && !t.held &&
         t.armorFrames != 10001 && s.asys != 4 && HasHurtBox(t);
}

bool AirThrowable(const BattleObject& t) {
  const Han6FrameState& s = FrameState(t);
  return s.stance == 1 && !SideActionLocked(t) && t.downState <= 2 && t.throwInvuln == 0 &&
         t.techInvuln != 1 && t.partnerState != 1 && !t.held && t.armorFrames != 10001 && s.asys != 4 &&
         (t.hitReaction == 0 || t.posY <= -16384);
}

// Seam adapters.
int CanCancelSeam(BattleObject* o, int kind) { return CanCancel(*o, kind); }
int SystemCommandsSeam(BattleObject* o) { return CheckSystemCommands(*o); }
void BaseMovementSeam(BattleObject* o, uint32_t buttons, int dir) { BaseMovement(*o, buttons, dir); }
void ControlStepSeam(BattleObject* o) { ThrowEscape(*o); }
int GuardStanceSeam(BattleObject* o) { return IsGuardStance(*o); }
int CancelClassSeam(BattleObject* o, int kind) { return GetCancelClass(*o, kind); }
int ChainSeam(BattleObject* o, int command) { return CanChainTo(*o, command); }
int ThrowTargetSeam(BattleObject* o, int mode, int range, int low, int span, BattleObject** target) {
  BattleObject* t = FindThrowTarget(*o, mode, range, low, span);
  if (target) *target = t;
  return t != nullptr;
}

}  // namespace

// ---- lookups ----

int FindIncomingAttack(const BattleObject& o) {
  auto check = [&o](const BattleObject& a) -> int {
    if (&a == &o || a.side == o.side || a.partnerState == 1 || !IsIncomingAttack(a)) return 0;
    if (AbsDiff(a.posX, o.posX) > 25600) return 0;
    return a.frameTimer == 0 ? 2 : 1;
  };
  for (const PlayerRecord& r : g_PlayerRecords)
    if (r.inUse)
      if (const int v = check(r.obj)) return v;
  for (int i = 0; i < g_PoolHighWater; ++i) {
    const ObjectPoolSlot& s = g_ObjectPool[i];
    if (s.inUse)
      if (const int v = check(s.obj)) return v;
  }
  return 0;
}

BattleObject* FindFarthestCharacter(const BattleObject& o, int32_t* distance) {
  BattleObject* best = nullptr;
  int32_t bestD = -1;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& c = r.obj;
    if (!r.inUse || &c == &o || c.partnerState != 0 || c.finishKind != 0) continue;
    const int32_t d = AbsDiff(c.posX, o.posX);
    if (d > bestD) {  // ties keep the earlier record
      best = &c;
      bestD = d;
    }
  }
  if (distance) *distance = best ? bestD : 0;
  return best;
}

BattleObject* FindNearestOpponent(const BattleObject& o, int32_t* distance) {
  BattleObject* best = nullptr;
  int32_t bestD = 0x1000000;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& c = r.obj;
    if (!r.inUse || &c == &o || c.side == o.side || c.partnerState == 1) continue;
    const int32_t d = AbsDiff(c.posX, o.posX);
    if (d < bestD) {
      best = &c;
      bestD = d;
    }
  }
  if (distance) *distance = best ? bestD : 0;
  return best;
}

BattleObject* FindNearestOpponentXY(const BattleObject& o, int32_t* dx, int32_t* dy) {
  BattleObject* best = nullptr;
  int64_t bestD = 0x2000000;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& c = r.obj;
    if (!r.inUse || &c == &o || c.side == o.side || c.partnerState == 1) continue;
    const int64_t d = static_cast<int64_t>(AbsDiff(c.posX, o.posX)) + AbsDiff(c.posY, o.posY);
    if (d < bestD) {
      best = &c;
      bestD = d;
    }
  }
  if (dx) *dx = best ? AbsDiff(best->posX, o.posX) : 0;
  if (dy) *dy = best ? AbsDiff(best->posY, o.posY) : 0;
  return best;
}

int IsSideActive(const BattleObject& o) {
  if (!o.partner) return 1;
  return o.side < 4 && g_SideStatus[o.side].activePlayer == o.playerIndex;
}

BattleObject* GetActiveMember(BattleObject& o) {
  if (!o.partner) return nullptr;
  return IsSideActive(o) ? &o : o.partner;
}

BattleObject* GetInactiveMember(BattleObject& o) {
  if (!o.partner) return nullptr;
  return IsSideActive(o) ? o.partner : &o;
}

BattleObject* GetTargetOpponent(BattleObject& o, int32_t* distance) {
  BattleObject* t = o.target ? o.target : FindNearestOpponent(o, nullptr);
  if (t && t->partner && !IsSideActive(*t)) t = t->partner;
  if (distance) *distance = t ? AbsDiff(t->posX, o.posX) : 0;
  return t;
}

BattleObject* FindThrowTarget(BattleObject& o, int mode, int range, int low, int span) {
  if (o.held || o.holding || o.heldObject) return nullptr;
  const int64_t y0 = static_cast<int64_t>(o.posY) + static_cast<int64_t>(low) * 256;
  const int64_t y1 = static_cast<int64_t>(o.posY) + (static_cast<int64_t>(low) + span) * 256;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& t = r.obj;
    if (!r.inUse || &t == &o || t.side == o.side || !IsSideActive(t)) continue;
    if (BattleSeamIsGiantCharacter(&t) || t.held || t.holding || t.heldObject) continue;
    const int64_t reach =
        FrameHasConditionType(t.frameRec, 51) || FrameState(o).asys == 3 ? int64_t{range} + 8 : range;
    // In front: on the side the thrower faces (facing 0 looks toward +x).
    const int64_t dx = static_cast<int64_t>(t.posX) - o.posX;
    const int64_t ahead = o.facing == 0 ? dx : -dx;
    if (ahead < 0 || ahead > reach * 256) continue;
    if (mode == 1) {
      if (GroundThrowable(t)) return &t;
    } else if (mode == 0) {
      if (t.posY >= y0 && t.posY <= y1 && AirThrowable(t)) return &t;
    }
  }
  return nullptr;
}

// ---- cancel and chain rules ----

int GetCancelClass(const BattleObject& o, int kind) {
  const Han6FrameState& s = FrameState(o);
  if (kind == 0) return o.shieldState == 2 ? 2 : s.ascn;
  if (kind == 1 || kind == 2) return o.shieldState != 0 ? 2 : s.ascs;
  return 0;
}

int IsGuardStance(const BattleObject& o) {
  return (o.pattern == std_pattern::kGuard || o.pattern == std_pattern::kCrouchGuard) && o.guarding != 1 &&
         o.hitReaction == 0 && o.controller == 0;
}

int CanCancel(const BattleObject& o, int kind) {
  const Han6FrameState& s = FrameState(o);
  if (s.asmv != 0) return 1;
  if (IsGuardStance(o)) return 1;
  bool countContact = true;
  if (kind == 255) {
    kind = 0;
    countContact = false;
  }
  if (kind < 0 || kind > 2) return 0;
  if (o.shieldState != 0) return 3;
  const uint16_t contact = countContact ? o.contactFlags : 0;
  bool pass = false;
  switch (GetCancelClass(o, kind)) {
    case 1:
      pass = contact != 0;
      break;
    case 2:
      pass = true;
      break;
    case 3:
      pass = (contact & 0x2) != 0;
      break;
    default:
      break;
  }
  if (pass) return 1;
  if (kind == 2 && (s.asf1 & 0x1)) return 2;
  return 0;
}

int CanCancelNormal(const BattleObject& o) {
  const Han6FrameState& s = FrameState(o);
  if (s.asf1 & 0x4) return 0;
  if (o.shieldState == 2) return 1;
  switch (s.ascn) {
    case 1:
      return (o.contactFlags & 0xF) != 0;
    case 2:
      return 1;
    case 3:
      return (o.contactFlags & 0x2) != 0;
    default:
      return 0;
  }
}

int CanJumpCancel(const BattleObject& o) {
  const Han6FrameState& s = FrameState(o);
  if (o.shieldState == 2) return 1;
  switch (s.ascn) {
    case 1:
      if (o.contactFlags == 0) return 0;
      break;
    case 2:
      break;
    case 3:
      return (o.contactFlags & 0x2) != 0;
    default:
      return 0;
  }
  if (s.stance != 1) {
    if (o.contactFlags == 0) return 0;
    // A contact that was only guarded needs the frame's permission bit.
    if ((o.contactFlags & 0x3) == 0x1 && !(s.asf1 & 0x4)) return 0;
  }
  return 1;
}

int GetChainRank(const BattleObject& o, int pattern) {
  const Han6Pattern* cur = o.patternRec ? o.patternRec : PatternRecord(o, o.pattern);
  const Han6Pattern* next = PatternRecord(o, pattern);
  const bool curChain = cur && cur->psts == 1;
  const bool nextChain = next && next->psts == 1;
  if (!curChain && !nextChain) return 0;
  // A pattern outside the chains ranks 0 against one inside them.
  const int curRank = curChain ? cur->plvl : 0;
  const int nextRank = nextChain ? next->plvl : 0;
  return curRank < nextRank ? 1 : -1;
}

int CanChainTo(BattleObject& o, int command) {
  const CharaCommandTable* t = o.playerRecord ? o.playerRecord->ext.commandTable.get() : nullptr;
  if (!t || command < 0 || static_cast<size_t>(command) >= t->commands.size() ||
      !t->commands[static_cast<size_t>(command)])
    return 1;
  const int rank = GetChainRank(o, static_cast<int>(t->commands[static_cast<size_t>(command)]->pattern));
  if (rank == 0) return 1;
  if (GetTypeParams(o.type).reverseBeat != 0) return TestChainNumber(o, command) ? 0 : 1;
  return rank == 1;
}

int CanChainToPattern(BattleObject& o, int pattern) {
  const int rank = GetChainRank(o, pattern);
  if (rank == 0) return 1;
  if (GetTypeParams(o.type).reverseBeat != 0) {
    if (!o.playerRecord) return 1;
    const uint32_t bits = o.playerRecord->ext.chain.lowPatternBits;
    return ((bits >> (static_cast<uint32_t>(pattern) % 32)) & 1) ? 0 : 1;
  }
  return rank == 1;
}

bool IsFirstFrameChainReplacement(const BattleObject& o) {
  return o.patternRec && o.patternRec->psts == 1 && o.stepFrames == 0 && o.playerRecord &&
         o.playerRecord->ext.chain.oldStateFree != 0;
}

void InstallControlRuleSeams() {
  BattleSeams& s = g_BattleSeams;
  s.CanCancel = CanCancelSeam;
  s.CheckSystemCommands = SystemCommandsSeam;
  s.BaseMovement = BaseMovementSeam;
  s.ControlStep = ControlStepSeam;
  s.IsGuardStance = GuardStanceSeam;
  s.GetCancelClass = CancelClassSeam;
  s.CanChainTo = ChainSeam;
  s.FindThrowTarget = ThrowTargetSeam;
}
