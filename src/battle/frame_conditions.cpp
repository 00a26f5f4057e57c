// Frame conditions: the dispatcher, the phase filter and the condition types that look only
// at the object, its owner, its pair, the camera and the round.
#include "battle/frame_conditions.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/frame_conditions_internal.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

using namespace frame_conditions;

namespace {

// The follow zoom; a zero, negative or unset zoom divides as 1.0.
float Zoom() {
  const float z = BattleSeamCameraZoom();
  return z > 0.0f ? z : 1.0f;
}

// trunc(v / zoom) in float32, as the edges are computed. A zoom so small that the quotient
// leaves the int32 range would make the conversion undefined: it is kept within +-2^28 (far
// beyond any stage).
int64_t ByZoom(int32_t v) {
  const float q = static_cast<float>(v) / Zoom();
  constexpr float kLimit = 268435456.0f;
  return static_cast<int64_t>(std::clamp(q, -kLimit, kLimit));
}

int32_t ToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

bool PatternPending(const BattleObject& o) { return o.pendingPattern != -1; }

// P0 below 10000: go to frame P0; from 10000: request pattern P0 - 10000, flag 1.
void FrameOrPattern(BattleObject& o, int32_t p0, int priority) {
  if (p0 < 10000)
    GoToFrame(o, p0);
  else
    ChangePattern(o, p0 - 10000, 1, priority);
}

// Direction classes of the condition tests; 255 (any direction) only where the test has it.
bool DirectionMatches(int dir, int32_t want, bool anyClass = true) {
  switch (want) {
    case 10:
      return dir == 4 || dir == 6;
    case 11:
      return dir == 4 || dir == 6 || dir == 7 || dir == 8 || dir == 9;
    case 12:
      return dir >= 7 && dir <= 9;
    case 13:
      return dir >= 1 && dir <= 3;
    case 255:
      return anyClass || dir == want;
    default:
      return dir == want;
  }
}

// The stick as seen on screen: the facing-relative direction mirrored when facing left.
int ScreenDirection(const BattleObject& o) {
  return o.facing == 1 ? MirrorDirection(o.inputDir) : o.inputDir;
}

// Type 1.
bool OwnerDirectionTest(BattleObject& o, const int32_t* p) {
  const BattleObject& owner = ConditionOwner(o);
  const int dir = owner.noCommand ? 0 : owner.inputDir;
  const bool match = p[0] == 10 ? (dir == 6 || dir == 3) : dir == p[0];
  if (p[2] == 0) return match;
  if (p[2] == 1) return !match;
  return false;
}

// Type 2's bounds.
bool LeavingScreen(const BattleObject& o, const int32_t* p) {
  if (p[0] & 1) {
    const int64_t right = static_cast<int64_t>(BattleSeamCameraX()) + 10752 + ByZoom(40960);
    const int64_t left = static_cast<int64_t>(BattleSeamGetScreenEdge(0)) - 12800;
    if (o.posX > right || o.posX < left) return true;
  }
  if (p[0] & 2) {
    const int64_t cy = BattleSeamCameraY();
    if (o.posY < cy - 12800 - ByZoom(54272) || o.posY > cy + 12800 + ByZoom(7168)) return true;
  }
  if (p[1] != 0 && o.landed) return true;
  if (p[2] != 0 && o.patternEnded) return true;
  return false;
}

// Types 3 and 38: the contact test with a mask table.
bool ContactTest(const BattleObject& o, const int32_t* p, const uint16_t (&masks)[8]) {
  if (o.hitsLeft != 0 || o.contactFlags == 0) return false;
  if ((o.contactFlags & 0x100) && p[1] / 100 != 0) return false;
  const int32_t code = p[1] % 100;
  if (code < 0 || code > 7 || masks[code] == 0) return false;
  if (!(o.contactFlags & masks[code])) return false;
  if (p[2] == 1) return (o.contactFlags & 0x10) != 0;
  if (p[2] == 2) return (o.contactFlags & 0x20) != 0;
  return p[2] == 0;
}
constexpr uint16_t kContactMasks[8] = {0x2, 0x3, 0xE, 0xF, 0, 0x1, 0xC, 0xD};
constexpr uint16_t kContactVarMasks[8] = {0x2, 0x3, 0x6, 0x7, 0, 0x1, 0x4, 0x5};

// Type 4.
bool MotionTest(const BattleObject& o, const int32_t* p) {
  int64_t h = static_cast<int64_t>(o.velX) + o.hitVelX;
  if (o.facing == 1) h = -h;
  const int64_t v = static_cast<int64_t>(o.velY) + o.hitVelY;
  bool hx, vy;
  switch (p[1]) {
    case 0:
      hx = true;
      break;
    case 1:
      hx = h < 0;
      break;
    case 2:
      hx = h > 0;
      break;
    default:
      return false;
  }
  switch (p[2]) {
    case 0:
      vy = true;
      break;
    case 1:
      vy = v > 0;
      break;
    case 2:
      vy = v < 0;
      break;
    default:
      return false;
  }
  return hx && vy;
}

// Types 6 and 7: the input pattern test; the result frame or pattern in *result.
bool InputPatternTest(BattleObject& o, const int32_t* p, int32_t* result) {
  if (PatternPending(o)) return false;
  if (o.hitVector != 255 && (o.hitVelX || o.hitVelY || o.hitAccX || o.hitAccY)) return false;
  BattleObject& m = ActiveMember(ConditionOwner(o));
  const int dir = m.noCommand ? 0 : m.inputDir;
  const uint32_t word = m.noCommand ? 0 : m.inputButtons;
  const int32_t flags = p[3];
  if ((flags & 0x08) && m.hitReaction != 0 && m.guarding == 1) return false;
  if ((flags & 0x10) && m.hitReaction != 0 && m.guarding != 1) return false;
  if ((flags & 0x20) && o.contactFlags == 0) return false;
  const bool dirMatch = DirectionMatches(dir, p[0]);
  const uint32_t bits = (flags & 0x02) ? (word >> 12) & 0xFF : word & 0xFF;
  const uint32_t want = static_cast<uint32_t>(p[1]);
  bool holds;
  if (flags & 0x01) {
    holds = !dirMatch;
    if (holds && p[1] != 0 && p[1] != 255)
      holds = (flags & 0x04) ? (bits & want) == 0 : (bits & want) != want;
  } else {
    // One button, or P3 bit 2: any of them; several buttons: exactly that set, so "A+B"
    // does not hold while C is pressed with them.
    bool buttons;
    if (p[1] == 255)
      buttons = true;
    else if ((flags & 0x04) || std::has_single_bit(want))
      buttons = (bits & want) != 0;
    else
      buttons = bits == want;
    holds = dirMatch && buttons;
  }
  if (!holds) return false;
  *result = ToInt32(static_cast<int64_t>(p[2]) + (p[4] != 0 ? o.pattern : 0));
  return true;
}

// Type 8. The chance is one draw modulo 512 of the chosen stream, made at every evaluation
// that reaches it (so the stream advances the same whatever P1 says); a pattern pick draws
// once more from the same stream, modulo max(P3, 1), only when the condition holds with P2
// non-zero. The common stream's draws are RandNext (counted in the common draw count).
void Chance(BattleObject& o, const int32_t* p) {
  auto draw = [&](int32_t n) {
    const int32_t r = p[7] == 0 ? RandNext() : RandStreamNext(2);
    return r % n;
  };
  const int32_t r = draw(512);
  if (!(p[1] >= 512 || r < p[1])) return;
  if (p[2] == 0) {
    GoToFrame(o, p[0]);
    // Character 20's lucky frame counts towards its achievement.
    if (p[0] == 3 && ConditionOwner(o).charaIndex == 20)
      BattleSeamCountAchievementProgress(&ConditionOwner(o), 46);
  } else {
    ChangePattern(o, ToInt32(static_cast<int64_t>(p[0]) + draw(std::max<int32_t>(p[3], 1))), 1, 500);
  }
}

// Type 12.
void DistanceOrHeight(BattleObject& o, const int32_t* p) {
  if (p[2] & 0x08) {
    BattleObject& owner = ConditionOwner(o);
    if (!owner.playerRecord || owner.playerRecord->ext.chain.registrations >= 2) return;
  }
  // The stick classes here have no "any direction": 255 is a direction that never comes.
  if (p[3] != 0 && !DirectionMatches(ScreenDirection(o), p[3], false)) return;
  if (p[2] & 0x04) {
    if (!(-(o.posY >> 8) < p[1])) return;
  } else {
    BattleObject* t = GetTargetOpponent(o, nullptr);
    if (!t) return;
    // P4 is measured in front of the target.
    const int64_t offset = static_cast<int64_t>(p[4]) * 256 * (t->facing == 1 ? -1 : 1);
    const int64_t dx = std::llabs(static_cast<int64_t>(t->posX) + offset - o.posX) >> 8;
    if (!(dx < p[1])) return;
    if ((p[2] & 0x01) && std::abs(static_cast<int64_t>(t->posX)) >= 65536) return;
  }
  if (p[2] & 0x02)
    ChangePattern(o, p[0], 0, 1000);
  else
    RequestFrame(o, p[0], 255);
}

// Type 13.
void EdgeBounce(BattleObject& o, const int32_t* p) {
  if (p[2] != 255 && p[2] != o.inputDir) return;
  const int64_t inset = static_cast<int64_t>(p[3]) * 256;
  const int64_t left = BattleSeamGetScreenEdge(0) + inset;
  const int64_t right = static_cast<int64_t>(BattleSeamCameraX()) - 2048 + ByZoom(40960) - inset;
  // The edge in front of an object facing right is the right one.
  const bool testRight = p[4] == 1 ? o.facing == 0 : p[4] == 2 ? o.facing == 1 : true;
  const bool testLeft = p[4] == 1 ? o.facing == 1 : p[4] == 2 ? o.facing == 0 : true;
  if (!((testLeft && o.posX <= left) || (testRight && o.posX >= right))) return;
  if (p[5] & 1) {
    o.velX = Wrap(-int64_t{o.velX});
    o.accX = static_cast<int16_t>(-o.accX);
  }
  if (p[5] & 2) o.facing = o.wantedFacing = o.facing ? 0 : 1;
  if (p[0] == -1) return;
  if (p[1] == 0)
    RequestFrame(o, p[0], 255);
  else if (!PatternPending(o))
    ChangePattern(o, p[0], 0, 1000);
}

// Type 26.
void StickImpulse(BattleObject& o, const int32_t* p) {
  const int dir = ScreenDirection(o);
  int64_t dx = 0, dy = 0;
  bool pushed = false;
  if (p[0] == 10) {
    if (dir == 6 || dir == 4) {
      dx = dir == 6 ? p[1] : -static_cast<int64_t>(p[1]);
      dy = p[2];
      pushed = true;
    }
  } else if (p[0] == 11) {
    pushed = true;
    switch (dir) {
      case 4:
        dx = -static_cast<int64_t>(p[1]);
        break;
      case 6:
        dx = p[1];
        break;
      case 7:
        dx = -static_cast<int64_t>(p[1]);
        dy = p[2];
        break;
      case 8:
        dy = p[2];
        break;
      case 9:
        dx = p[1];
        dy = p[2];
        break;
      default:
        pushed = false;
        break;
    }
  } else if (p[0] == dir) {
    dx = p[1];
    dy = p[2];
    pushed = true;
  }
  if (!pushed) return;
  o.velX = Wrap(o.velX + dx);
  o.velY = Wrap(o.velY + dy);
  if (p[3] != 0) {
    // The bound as a magnitude, taken in 64 bits so the most negative P3 stays defined.
    const int64_t cap = std::llabs(static_cast<int64_t>(p[3]));
    if (dx > 0) o.velX = ToInt32(std::min<int64_t>(o.velX, cap));
    if (dx < 0) o.velX = ToInt32(std::max<int64_t>(o.velX, -cap));
  }
}

// Type 27.
bool OwnerStateTest(const BattleObject& o, int32_t sel) {
  const BattleObject* w = o.owner;
  if (!w) return false;
  if ((sel == 0 || (sel & 1)) && w->held) return true;
  if ((sel & 2) && w->hitReaction != 0 && w->guarding != 1) return true;
  if ((sel & 4) && w->hitReaction != 0 && w->guarding == 1) return true;
  return false;
}

// Type 29.
void ScreenLimit(BattleObject& o, const int32_t* p) {
  const int32_t limit = p[1] == -30000 ? o.charVars[0] : p[1];
  const int32_t sx = (o.posX >> 7) + 320;
  if (!(p[2] == 0 ? limit >= sx : limit <= sx)) return;
  GoToFrame(o, p[0]);
  o.posX = ToInt32((static_cast<int64_t>(limit) - 320) * 128);
}

// Type 32.
void ArcadeStart(BattleObject& o, const int32_t* p) {
  if (g_GameModeFlags != MODE_ARCADE || BattleSeamArcadeVariant()) return;
  BattleObject& owner = ConditionOwner(o);
  if (p[1] == 0 && owner.controller != 1) return;
  if (p[1] == 1 && owner.controller == 1) return;
  if (p[2] == 1 && (g_RoundCounter != 0 || g_BattlePhase == 0 || BattleSeamIsGiantCharacter(&owner))) return;
  GoToFrame(owner, p[0]);
}

// Type 33: the character's 250 sound slots.
bool SoundQuiet(BattleObject& o, int32_t slot) {
  BattleObject* c = &ConditionOwner(o);
  // 255 asks about all of them at once.
  if (slot != 255 && (slot < 0 || slot >= 250)) return false;
  return !BattleSeamIsSoundSlotBusy(c, slot);
}

// Type 39: the side's member that is not active.
bool InactiveMemberInPattern(BattleObject& o, int32_t pattern) {
  if (PartnerModes()) return false;
  BattleObject& owner = ConditionOwner(o);
  BattleObject* inactive = &ActiveMember(owner) == &owner ? owner.partner : &owner;
  return inactive && inactive->pattern == pattern;
}

bool IsInactivePartner(const BattleObject& o) {
  return o.partner && !(o.side < 4 && g_SideStatus[o.side].activePlayer == o.playerIndex);
}

// Type 53: a frame carrying a type 51 condition.
bool FrameHasType(const BattleObject& o, int type) {
  if (!o.frameRec) return false;
  for (const Han6Condition* c : o.frameRec->conditions)
    if (c && c->type == type) return true;
  return false;
}

// Type 60.
void CircuitCharge(BattleObject& o, int32_t p0) {
  if (o.kind < kKindChildFirst) {
    if (!o.chargeActive) BattleSeamStartCharge(&o);
    if (p0 >= 0) {
      const uint32_t held = o.inputButtons >> 12;
      const bool buttons = (held & 0x5) == 0x5 || (held & 0x6) == 0x6;
      if (buttons && GetGaugeMode(o) == 0 && o.hitReaction == 0 && !o.held && !o.noCommand) return;
      o.chargeActive = 0;
      GoToFrame(o, p0);
    } else if (o.hitReaction != 0 || o.held || o.noCommand) {
      o.chargeActive = 0;
    }
    return;
  }
  if (p0 >= 0 && o.owner && !o.owner->chargeActive) GoToFrame(o, p0);
}

// other * over / axis; a product past 64 bits lies far beyond any stage and is taken as a
// move that the int32 clamp then stops at the end of the range.
int64_t Proportional(int64_t other, int64_t over, int64_t axis) {
  int64_t product = 0;
  if (__builtin_mul_overflow(other, over, &product))
    return ((other < 0) != (over < 0)) != (axis < 0) ? INT64_MIN / 2 : INT64_MAX / 2;
  return product / axis;
}

// Type 70: the first passed edge puts the object back on it and moves the other coordinate
// back along the velocity by the same proportion; a zero velocity component gives no
// proportional move (nothing to divide by).
void EdgeClamp(BattleObject& o, const int32_t* p) {
  const int64_t cx = BattleSeamCameraX(), cy = BattleSeamCameraY();
  struct Edge {
    int32_t param;
    int64_t at;
    bool horizontal, below;
  };
  const Edge edges[4] = {{p[2], cx - ByZoom(40960) + 2048, true, true},
                         {p[3], cx + ByZoom(40960) - 2048, true, false},
                         {p[0], cy - ByZoom(54272), false, true},
                         {p[1], cy + ByZoom(7168), false, false}};
  for (const Edge& e : edges) {
    if (e.param < 0) continue;
    const int64_t pos = e.horizontal ? o.posX : o.posY;
    if (!(e.below ? pos < e.at : pos > e.at)) continue;
    const int64_t over = pos - e.at;
    if (e.horizontal) {
      o.posX = ToInt32(e.at);
      if (o.velX != 0) o.posY = ToInt32(o.posY - Proportional(o.velY, over, o.velX));
    } else {
      o.posY = ToInt32(e.at);
      if (o.velY != 0) o.posX = ToInt32(o.posX - Proportional(o.velX, over, o.velY));
    }
    GoToFrame(o, e.param);
    return;
  }
}

// Types that do nothing while a pattern request is pending.
bool WaitsForPatternRequest(int type) {
  switch (type) {
    case 8:
    case 10:
    case 21:
    case 22:
    case 24:
    case 25:
    case 27:
    case 28:
    case 29:
    case 30:
    case 33:
    case 36:
    case 39:
    case 40:
    case 41:
    case 50:
    case 70:
      return true;
    default:
      return false;
  }
}

void EvalSeam(BattleObject* o, const Han6Condition* c, int phase) {
  if (!o || !c) return;
  // A destroyed object evaluates nothing more of its list.
  if (o->removing) return;
  const int own = ConditionPhase(c->type);
  if (own != 255 && own != phase) return;
  EvalFrameCondition(*o, *c);
}

}  // namespace

namespace frame_conditions {

void PutOnGround(BattleObject& o) {
  if (!o.landed) return;
  o.posY = 0;
  o.landed = 0;
}

}  // namespace frame_conditions

int ConditionPhase(int type) {
  if (type == 14 || type == 51) return 255;
  if (type == 15 || type == 19 || type == 20) return 1;
  return 0;
}

BattleObject& ConditionOwner(BattleObject& o) { return o.kind >= kKindChildFirst && o.owner ? *o.owner : o; }

BattleObject& ActiveMember(BattleObject& o) {
  if (!o.partner || (o.side < 4 && g_SideStatus[o.side].activePlayer == o.playerIndex)) return o;
  return *o.partner;
}

bool HasOpponentCharacter(const BattleObject& o, int chara) {
  for (const PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && r.obj.side != o.side && r.obj.charaIndex == chara) return true;
  return false;
}

void ApplyCounterReference(BattleObject& o, int32_t r) {
  if (r <= 0) return;
  const int counter = (r % 100) / 10, amount = r % 10;
  if (r < 100) {
    int8_t& c = ConditionOwner(o).actionCounters[counter];
    c = static_cast<int8_t>(std::max(0, c - amount));
  } else {
    int32_t& c = g_BattleCounters[counter];
    c = Wrap(std::max<int64_t>(0, int64_t{c} - amount));
  }
}

void GoToFrame(BattleObject& o, int32_t frame) {
  o.frame = frame;
  o.frameTimer = 0;
  SetPattern(o);
}

void RequestFrame(BattleObject& o, int32_t frame, int priority) {
  if (o.pendingFramePriority >= priority) return;
  o.pendingFrame = static_cast<int16_t>(frame);
  o.pendingFramePriority = static_cast<int16_t>(priority);
}

void EvalFrameCondition(BattleObject& o, const Han6Condition& c) {
  const int32_t* p = c.params;
  if (WaitsForPatternRequest(c.type) && PatternPending(o)) return;
  switch (c.type) {
    case 1:
      if (OwnerDirectionTest(o, p) && !PatternPending(o)) {
        if (p[1] >= 10000)
          GoToFrame(o, p[1] - 10000);
        else
          ChangePattern(o, p[1], 0, 0);
      }
      break;
    case 2:
      if (LeavingScreen(o, p)) {
        RemovePoolObject(o);
        // The counter gives back what the destroyed object held; a character is never
        // destroyed, so it gives nothing back either.
        if (o.removing) ApplyCounterReference(o, p[3]);
      }
      break;
    case 3:
      if (ContactTest(o, p, kContactMasks)) {
        FrameOrPattern(o, p[0], 500);
        PutOnGround(o);
        ApplyCounterReference(o, p[3]);
      }
      break;
    case 4:
      if (MotionTest(o, p)) GoToFrame(o, p[0]);
      break;
    case 5:
      if (o.patternHold != 0) {
        GoToFrame(o, p[0]);
      } else if (o.frameTimer == 0) {
        o.hitVectorStep = 255;
        o.hitFrames = 0;
      }
      break;
    case 6:
    case 7: {
      int32_t result = 0;
      if (!InputPatternTest(o, p, &result)) break;
      if (c.type == 6)
        GoToFrame(o, result);
      else
        ChangePattern(o, result, 1, 500);
      break;
    }
    case 8:
      Chance(o, p);
      break;
    case 9:
      o.loopCounter = static_cast<uint8_t>(p[0]);
      break;
    case 10:
      if (o.loopCounter == 0) GoToFrame(o, p[0]);
      break;
    case 11:
      if (ContactCancelTest(o, p[1], p[3])) CommandJump(o, &p[0], 1, p[2] != 0 ? p[2] : -1, p[7], false);
      break;
    case 12:
      DistanceOrHeight(o, p);
      break;
    case 13:
      EdgeBounce(o, p);
      break;
    case 14:
      if (o.hitReaction == 0) Grab(o, p);
      break;
    case 15:
      if (o.hitReaction == 0) Catch(o, p);
      break;
    case 16:
      if (p[0] == 0) o.posX = WrapAdd(o.posX, BattleSeamCameraDeltaX());
      if (p[1] == 0) o.posY = WrapAdd(o.posY, BattleSeamCameraDeltaY());
      break;
    case 17:
      if (o.contactFlags != 0 && o.registeredHits >= p[1]) {
        GoToFrame(o, p[0]);
        PutOnGround(o);
        ApplyCounterReference(o, p[2]);
      }
      break;
    case 18:
      if (o.kind >= kKindChildFirst && o.owner &&
          (p[1] == 256 ? o.owner->patternChanged != 0 : o.owner->pattern == p[1]))
        GoToFrame(o, p[0]);
      break;
    case 19:
      if (o.hitReaction == 0) Reflect(o, p);
      break;
    case 20:
      if (o.hitReaction == 0) BoxTouch(o, p);
      break;
    case 21: {
      if (PartnerModes()) break;
      bool found = false;
      if (p[7] == 0) {
        found = HasOpponentCharacter(o, p[1]);
      } else {
        for (int i = 1; i <= 6 && p[i] >= 0 && !found; ++i) found = HasOpponentCharacter(o, p[i]);
      }
      if (found) GoToFrame(o, p[0]);
      break;
    }
    case 22:
      if (g_MatchStage == p[1]) GoToFrame(o, p[0]);
      break;
    case 24: {
      const int32_t slot = p[1] / 10;
      if (p[1] >= 0 && slot < 10 && ConditionOwner(o).actionCounters[slot] >= p[1] % 10) GoToFrame(o, p[0]);
      break;
    }
    case 25: {
      if (!CharVarIndexOk(p[1])) break;
      BattleObject& base = (p[3] / 10) % 10 == 0 ? ConditionOwner(o) : o;
      const int32_t v = ActiveMember(base).charVars[p[1]];
      const int32_t how = p[3] % 10;
      const bool holds = how == 0 ? p[2] < v : how == 1 ? v < p[2] : how == 2 ? v == p[2] : false;
      if (holds) FrameOrPattern(o, p[0], 100);
      break;
    }
    case 26:
      StickImpulse(o, p);
      break;
    case 27:
      if (OwnerStateTest(o, p[2])) {
        if (p[1] != 0)
          GoToFrame(o, p[0]);
        else
          ChangePattern(o, p[0], 1, 300);
      }
      break;
    case 28:
      if (g_JudgeState != 0) GoToFrame(o, p[0]);
      break;
    case 29:
      ScreenLimit(o, p);
      break;
    case 30:
      if (o.facing == p[1]) GoToFrame(o, p[0]);
      break;
    case 31:
      if (!CharVarIndexOk(p[1])) break;
      if (CommandJump(o, &p[0], 1, -1, 0, true) != 0) {
        o.charVars[p[1]] = static_cast<int16_t>(p[2]);
        BattleSeamExpireInputHistory(&ConditionOwner(o));
      }
      break;
    case 32:
      ArcadeStart(o, p);
      break;
    case 33:
      if (SoundQuiet(o, p[1])) GoToFrame(o, p[0]);
      break;
    case 34:
      Homing(o, p);
      break;
    case 35:
      if (ContactCancelTest(o, p[0] & 0xFF, (p[0] >> 8) & 0xFF)) CommandJump(o, &p[1], 4, -1, p[7], false);
      break;
    case 36: {
      const bool equal = GetGaugeMode(o) == p[1];
      if (p[2] == 0 ? equal : !equal) GoToFrame(o, p[0]);
      break;
    }
    case 37:
      ChangePattern(o, p[0], 1, 300);
      break;
    case 38: {
      if (!ContactTest(o, p, kContactVarMasks) || !CharVarIndexOk(p[3])) break;
      BattleObject& who = (p[4] / 10) % 10 == 0 ? ConditionOwner(o) : o;
      int16_t& v = who.charVars[p[3]];
      if (p[4] % 10 == 0)
        v = static_cast<int16_t>(p[0]);
      else if (p[4] % 10 == 1)
        v = static_cast<int16_t>(static_cast<int64_t>(v) + p[0]);
      break;
    }
    case 39:
      if (InactiveMemberInPattern(o, p[1])) GoToFrame(o, p[0]);
      break;
    case 40:
      if (o.stepFrames >= p[1]) GoToFrame(o, p[0]);
      break;
    case 41:
      if (IsInactivePartner(o)) GoToFrame(o, p[0]);
      break;
    case 42:
      if (!BattleSeamHasRoundEndMark(o.side)) FrameOrPattern(o, p[0], 100);
      break;
    case 50:
      ShieldBoxTouch(o, p);
      break;
    case 52:
      ThrowAttempt(o, p);
      break;
    case 53: {
      BattleObject& owner = ConditionOwner(o);
      if (!(FrameHasType(owner, 51) && owner.shieldState == 0)) RemovePoolObject(o);
      break;
    }
    case 54: {
      const BattleObject& owner = ConditionOwner(o);
      if ((owner.held && owner.hitStop == 0) || owner.hitReaction != 0) GoToFrame(o, p[0]);
      break;
    }
    case 55:
      GoToFrame(o, (GetGaugeOwner(o)->playerIndex & 1) ? p[1] : p[0]);
      break;
    case 60:
      if (o.hitReaction == 0) CircuitCharge(o, p[0]);
      break;
    case 70:
      EdgeClamp(o, p);
      break;
    case 100:
      PartnerContact(o, p);
      break;
    case 150: {
      const CharaCommandTable* t = o.playerRecord ? o.playerRecord->ext.commandTable.get() : nullptr;
      if (t && o.finishKind != 0 && o.revivalsUsed < t->destroyCount) GoToFrame(o, p[0]);
      break;
    }
    case 151:
      if (o.finishKind != 0) {
        ++o.revivalsUsed;
        o.finishKind = 0;
        o.life = o.redLife = g_MaxLife;
        o.noCommand = 0;
      }
      break;
    default:
      break;
  }
}

int EndOfPatternRemoval(BattleObject& o) {
  if (o.removing || !SlotOf(&o) || !o.frameRec) return 0;
  for (const Han6Condition* c : o.frameRec->conditions) {
    if (!c || c->type != 2 || c->params[2] == 0) continue;
    RemovePoolObject(o);
    ApplyCounterReference(o, c->params[3]);
    return 1;
  }
  return 0;
}

void InstallFrameConditionSeams() {
  g_BattleSeams.EvalFrameCondition = EvalSeam;
  g_BattleSeams.EndOfPatternRemoval = [](BattleObject* o) { return o ? EndOfPatternRemoval(*o) : 0; };
  g_BattleSeams.HasOpponentCharacter = [](BattleObject* o, int chara) {
    return o && HasOpponentCharacter(*o, chara) ? 1 : 0;
  };
}
