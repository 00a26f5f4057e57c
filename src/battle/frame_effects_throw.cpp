// Throw control by frame effects: putting the held opponent into its thrown pattern and place
// (types 4 and 14), throw damage (type 5), and the release with its knock-out.
#include <algorithm>

#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_sound.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/frame_effects.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

constexpr int32_t kMaxCircuit = 30000;

// Positions may not go below the ground (y grows downward; 0 is the ground).
int32_t NotBelowGround(int64_t y) { return Wrap<int32_t>(std::min<int64_t>(y, 0)); }

// An effect offset of the thrower in world units: x 128, doubled for a cut-sprite frame, x
// mirrored by the thrower's facing.
void ThrowOffset(const BattleObject& thrower, int32_t x, int32_t y, int64_t* ox, int64_t* oy) {
  const int64_t scale = IsCutSpriteFrame(thrower) ? 256 : 128;
  *ox = int64_t{x} * scale * (thrower.facing == 1 ? -1 : 1);
  *oy = int64_t{y} * scale;
}

// The victim takes the thrown pattern and frame and faces the thrower.
void EnterThrownPattern(BattleObject& thrower, BattleObject& v, int32_t pattern, int32_t frame) {
  v.pattern = pattern;
  v.pendingPattern = Wrap<int16_t>(pattern);
  v.frame = frame;
  v.frameTimer = 0;
  v.facing = v.wantedFacing = thrower.facing ? 0 : 1;
  v.throwOffsetX = v.throwOffsetY = 0;
  v.holdWords[0] = v.holdWords[1] = 0;
  v.rotation = 0;
}

// Placement of types 4 and 14. With P2 / 10000 the thrower moves to the victim; otherwise the
// victim stands on the thrower and keeps the offset. `hold` is the victim's own point that is
// to sit on the offset (0, 0 for its origin).
void PlaceThrown(BattleObject& thrower, BattleObject& v, const int32_t* p, int64_t holdX, int64_t holdY,
                 bool keepAboveGround) {
  int64_t ox = 0, oy = 0;
  ThrowOffset(thrower, p[0], p[1], &ox, &oy);
  ox -= holdX;
  oy -= holdY;
  if (p[2] / 10000 != 0) {
    thrower.posX = Wrap<int32_t>(v.posX + ox);
    thrower.posY = NotBelowGround(v.posY + oy);
    v.throwOffsetX = Wrap<int32_t>(-ox);
    v.throwOffsetY = Wrap<int32_t>(-oy);
  } else {
    v.posX = thrower.posX;
    v.posY = thrower.posY;
    v.throwOffsetX = Wrap<int32_t>(ox);
    v.throwOffsetY = Wrap<int32_t>(keepAboveGround ? std::min<int64_t>(oy, -int64_t{v.posY}) : oy);
  }
}

// The release shared by types 4 and 14.
void ReleaseThrown(BattleObject& thrower, BattleObject& v, int flags, int reactionTime, int vector) {
  v.posX = Wrap<int32_t>(int64_t{v.posX} + v.throwOffsetX);
  v.posY = NotBelowGround(int64_t{v.posY} + v.throwOffsetY);
  v.throwOffsetX = v.throwOffsetY = 0;
  int knockOut;
  if (g_JudgeState == 0)
    knockOut = ThrowFinishCheck(v, &thrower, flags);
  else
    knockOut = v.finishKind != 0 && !v.koVoicePlayed ? 1 : 0;
  ReleaseThrowLink(thrower, v, flags, reactionTime);
  ApplyThrowVector(v, flags, vector);
  if (knockOut) StartThrowKnockOut(v);
}

// The world position of one of the victim's hold points (box slots 18..22) relative to its
// origin: the box centre, mirrored by its facing, x 128 (doubled for a cut-sprite frame).
// False when the frame has no box in that slot.
bool HoldPoint(const BattleObject& v, int32_t slot, int64_t* x, int64_t* y) {
  const Han6Frame* f = v.frameRec;
  if (!f || slot < 0 || slot >= f->boxCount || static_cast<size_t>(slot) >= f->boxes.size()) return false;
  const Han6Box* b = f->boxes[static_cast<size_t>(slot)];
  if (!b) return false;
  const int64_t scale = IsCutSpriteFrame(v) ? 256 : 128;
  const int64_t cx = (int64_t{b->x1} + b->x2) * scale / 2;
  *x = v.facing == 1 ? -cx : cx;
  *y = (int64_t{b->y1} + b->y2) * scale / 2;
  return true;
}

}  // namespace

BattleObject* ThrowVictim(BattleObject& thrower) {
  if (thrower.owner && thrower.owner->heldObject) return thrower.owner->heldObject;
  return thrower.heldObject;
}

void ThrowSetPattern(BattleObject& thrower, const Han6Effect& e) {
  BattleObject* v = ThrowVictim(thrower);
  if (!v) return;
  const int32_t* p = e.params;
  EnterThrownPattern(thrower, *v, e.number, p[7]);
  if (!(p[3] & 0x10)) PlaceThrown(thrower, *v, p, 0, 0, false);
  SetPattern(*v);
  if (p[3] & 0x01) ReleaseThrown(thrower, *v, p[3], p[5], p[4]);
}

void ThrowControl(BattleObject& thrower, const Han6Effect& e) {
  BattleObject* v = ThrowVictim(thrower);
  if (!v) return;
  const int32_t* p = e.params;
  const bool release = (p[3] & 0x01) != 0;
  EnterThrownPattern(thrower, *v, e.number, release ? 0 : p[5]);
  if (p[2] % 10000 != 0) v->rotation = p[2] % 10000;
  // The hold point is read from the frame the victim enters.
  if (CheckPatternFrame(*v) != 0) v->pattern = v->frame = 0;
  RefreshFramePointers(*v);
  if (!(p[3] & 0x10)) {
    int64_t hx = 0, hy = 0;
    // Hold points 1..5 are box slots 18..22; a slot the frame does not have places the origin.
    if (p[4] >= 1 && p[4] <= 5) HoldPoint(*v, p[4] + 17, &hx, &hy);
    if (p[6] & 0x01) {
      // The thrower is placed relative to the victim instead.
      int64_t ox = 0, oy = 0;
      ThrowOffset(thrower, p[0], p[1], &ox, &oy);
      thrower.posX = Wrap<int32_t>(v->posX - (ox - hx));
      thrower.posY = NotBelowGround(v->posY - (oy - hy));
    } else {
      PlaceThrown(thrower, *v, p, hx, hy, !(p[6] & 0x02));
    }
  }
  SetPattern(*v);
  // Attached to a frame point of the thrower: the movement step keeps it there. A point
  // number outside the follow base's byte is ignored.
  if (p[11] != 0 && p[10] >= 0 && p[10] <= 255) {
    int32_t x = 0, y = 0, angle = 0;
    if (BattleSeamFramePoint(&thrower, p[10], &x, &y, &angle)) {
      v->posX = x;
      v->posY = y;
      v->throwOffsetX = v->throwOffsetY = 0;
    }
    thrower.followMode = 200;
    thrower.followBase = static_cast<uint8_t>(p[10]);
    thrower.anchorPoint = Wrap<int16_t>(p[2]);
  }
  if (release) {
    ReleaseThrown(thrower, *v, p[3], BattleSeamUntechDecay(v, p[5]), p[4]);
    if (thrower.followMode == 200) thrower.followMode = 0;
  }
}

void ReleaseThrowLink(BattleObject& thrower, BattleObject& victim, int flags, int reactionTime) {
  thrower.heldObject = nullptr;
  thrower.holding = 0;
  if (thrower.owner) {
    thrower.owner->heldObject = nullptr;
    thrower.owner->holding = 0;
    ClearChainMemory(*thrower.owner);
  }
  ClearChainMemory(thrower);
  victim.held = 0;
  victim.hitFrames = 0;
  victim.hitVectorStep = 0;
  victim.hitMarks[0] = victim.hitMarks[1] = 1;
  victim.holdWords[0] = victim.holdWords[1] = 0;
  victim.rotation = 0;
  if (flags & 0x04) victim.posY = 0;
  if (flags & 0x08) victim.downState = 10;
  if (flags & 0x20) victim.hitMarks[1] = 0;
  victim.untechTime = Wrap<int16_t>(reactionTime != 0 ? reactionTime : 9999);
  if (!(victim.pendingReaction[0] > 9 && victim.pendingReaction[1] >= 0)) {
    for (int32_t& w : victim.pendingReaction) w = 0;
    victim.pendingReaction[0] = 10;
  }
}

void ApplyThrowVector(BattleObject& victim, int flags, int vector) {
  const int facing = victim.facing ? 0 : 1;
  const int mirror = (flags & 0x02) ? 1 : 0;
  BattleSeamApplyHitVector(&victim, vector, 0, facing, mirror, 0);
  if (victim.finishKind != 0 && victim.hitReaction > 0) {
    ++victim.hitVectorStep;
    victim.pattern = 26;
    victim.pendingPattern = 26;
    victim.frame = 0;
    BattleSeamApplyHitVector(&victim, 99, 0, facing, mirror, 0);
  }
}

int ThrowFinishCheck(BattleObject& victim, BattleObject* thrower, int flags) {
  if (g_JudgeState != 0 || victim.life >= 0) return 0;
  int result = 0;
  if (!(flags & 0x40) && BattleSeamKnockOutAllowed(&victim, 1) && victim.finishKind == 0) {
    victim.finishKind = Wrap<uint8_t>(thrower ? BattleSeamFinishKindFor(thrower) : 3);
    result = 1;
  }
  victim.life = 0;
  return result;
}

void StartThrowKnockOut(BattleObject& victim) {
  PlayKnockOutVoice(victim);
  victim.koVoicePlayed = 1;
}

void CutThrowLink(BattleObject* victim, int reactionTime) {
  if (victim && victim->parent) ReleaseThrowLink(*victim->parent, *victim, 0, reactionTime);
}

void ThrowDeathEffect(BattleObject& o) {
  const CharaCommandTable* table =
      o.playerRecord && o.playerRecord->ext.commandTable ? o.playerRecord->ext.commandTable.get() : nullptr;
  if (!table || table->koEffect == 0 || !BattleSeamIsTakeoverDue(&o)) return;
  Han6Effect e;
  e.type = 1;
  e.number = table->koEffect;
  e.params[2] = 68;
  SpawnEffectObject(o, e);
}

void ThrowDamage(BattleObject& thrower, const Han6Effect& e) {
  BattleObject* v = ThrowVictim(thrower);
  if (!v) return;
  const int32_t* p = e.params;
  switch (e.number) {
    case 0:
      v->hitReaction = p[0];
      break;
    case 1: {
      const int32_t amount = p[4] != 0 ? BattleSeamScaleDamage(v, &thrower, p[0], 0) : p[0];
      BattleSeamCountThrowDamage(v, &thrower, amount);
      // The thrower type's versus-damage factor is the red-damage ratio of throws, as for
      // strikes.
      int32_t red = FloatToInt32(static_cast<float>(p[5]) * GetTypeParams(thrower.type).vsDamageVal);
      if (p[4] != 0) red = BattleSeamScaleDamage(v, &thrower, red, 0);
      if (g_JudgeState == 0) {
        v->life = Wrap<int32_t>(std::clamp<int64_t>(int64_t{v->life} - amount, INT32_MIN, INT32_MAX));
        // As for strikes: not below the life, and never below 0 (a lethal throw takes the life
        // below 0 until the release decides the knock-out).
        // A negative factor from the type file raises it instead; that saturates.
        v->redLife = static_cast<int32_t>(std::min<int64_t>(
            std::max<int64_t>({int64_t{v->redLife} - red, int64_t{v->life}, 0}), INT32_MAX));
      }
      BattleSeamShakeLifeBar(v);
      BattleSeamComboScoreOnHit(&thrower, amount);
      const uint8_t stop = Wrap<uint8_t>(std::max(p[2], 0));
      BattleObject* stopped = &thrower;
      if (thrower.kind >= kKindChildFirst && (thrower.flags & 0x08) && thrower.owner &&
          thrower.owner->side == thrower.side)
        stopped = thrower.owner;
      stopped->hitStop = stop;
      v->hitStop = stop;
      if (p[3] >= 1 && p[3] <= 1499) BattleSeamRequestSound(p[3]);
      // Character 11's throws of patterns 205 and 207 count their damage toward achievement 30.
      const BattleObject& k = thrower.kind >= kKindChildFirst && thrower.owner ? *thrower.owner : thrower;
      if (k.charaIndex == 11 && (k.pattern == 205 || k.pattern == 207) && BattleSeamIsLocalSide(k.side) &&
          BattleSeamAddAchievementCounter(k.side, 30, amount) > 1999)
        BattleSeamQueueAchievement(30);
      break;
    }
    case 2:
      v->facing = v->wantedFacing = v->facing ? 0 : 1;
      break;
    case 3:
      v->circuit = Wrap<int32_t>(std::clamp<int64_t>(int64_t{v->circuit} + p[0], 0, kMaxCircuit));
      break;
    default:
      break;
  }
}
