// Object movement, stage edges and pushing.
#include "battle/object_move.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/box_to_screen.h"
#include "battle/chara_command.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

// One oscillation step of an axis; returns the movement in world units.
int32_t WaveStep(int16_t wave[4]) {
  const int mode = wave[0], amplitude = wave[1], period = wave[3];
  if (mode == 0 || period == 0) return 0;
  const int phase = wave[2];
  int next = phase + 1;
  if (next >= period) next = 0;
  wave[2] = static_cast<int16_t>(next);
  if (mode != 1) return 0;
  // double precision with our own sine; both offsets truncated to whole pixels.
  const double w = kBattlePi / (period * 0.5);
  const int32_t before = static_cast<int32_t>(amplitude * BattleSin(phase * w));
  const int32_t after = static_cast<int32_t>(amplitude * BattleSin((phase + 1) * w));
  return (after - before) * 128;
}

void SetWave(int16_t wave[4], int mode, int amplitude, int period, float fraction) {
  wave[0] = static_cast<int16_t>(mode);
  wave[1] = static_cast<int16_t>(amplitude);
  wave[3] = static_cast<int16_t>(period);
  // float32 product of the period and the starting fraction, truncated; a NaN or huge fraction
  // from frame data saturates instead of being an undefined conversion, then wraps to int16.
  wave[2] = fraction == 0.0f ? 0 : static_cast<int16_t>(FloatToInt32(static_cast<float>(period) * fraction));
}

const CharaCommandTable* TableOf(const BattleObject& o) {
  return o.playerRecord ? o.playerRecord->ext.commandTable.get() : nullptr;
}

void RememberMomentum(BattleObject& o, const Han6FrameState& st) {
  if (st.asf0 & 0x1) {
    o.inertiaSource = o.velX;
    o.inertiaPattern = static_cast<int16_t>(o.pattern);
  } else {
    o.inertiaSource = 0;
  }
  o.speedCapPattern = (st.asf0 & 0x1000) ? static_cast<int16_t>(o.pattern) : 0;
}

}  // namespace

// The push box (slot 0) of the current frame in world units, or false.
bool PushBox(const BattleObject& o, int32_t* x1, int32_t* x2, int32_t* y1, int32_t* y2) {
  const Han6Box* b = FrameBox(o, 0);
  if (!b) return false;
  WorldRect r;
  BoxToWorld(o, *b, &r);
  *x1 = r.x1;
  *x2 = r.x2;
  *y1 = r.y1;
  *y2 = r.y2;
  return true;
}

namespace {

bool HitStepFlag(const BattleObject& o, uint32_t flag) {
  return o.hitVector != 255 && (GetHitVectorFlags(o.hitVector, o.hitVectorStep) & flag) != 0;
}

void PushPass(bool pool) {
  auto visit = [&](BattleObject& o) {
    if (o.held || HitStepFlag(o, 0x8)) return;
    if (g_Paused == 0) o.wallTouch = 0;
    if (o.partnerState != 0) return;
    int32_t ax1, ax2, ay1, ay2;
    if (!PushBox(o, &ax1, &ax2, &ay1, &ay2)) return;
    for (int round = 0; round < 5; ++round) {
      for (PlayerRecord& r : g_PlayerRecords) {
        BattleObject& other = r.obj;
        if (!r.inUse || &other == &o || other.partnerState != 0) continue;
        // The other's box comes from the box rules, which also decide who takes part.
        int32_t b[4] = {};
        if (!PushBox(o, &ax1, &ax2, &ay1, &ay2) || !BattleSeamGetPushCandidateBox(&o, &other, b)) continue;
        const int32_t bx1 = b[0], by1 = b[1], bx2 = b[2], by2 = b[3];
        const int64_t width = int64_t{std::min(ax2, bx2)} - std::max(ax1, bx1);
        const bool overlapY = std::min(ay2, by2) > std::max(ay1, by1);
        if (width <= 0 || !overlapY) continue;
        BattleSeamSeparatePair(&o, &other, static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX)));
        // Two characters move together by the other's distance excess and then by its wall
        // correction, so a pusher follows a character it pressed into the wall instead of
        // standing inside it.
        if (IsCharacter(o) && IsCharacter(other)) {
          const int32_t excess = GetDistanceExcess(other, other.posX);
          o.posX = WrapAdd(o.posX, excess);
          other.posX = WrapAdd(other.posX, excess);
          const int32_t edge = StageEdgeCorrection(other, 0);
          o.posX = WrapAdd(o.posX, edge);
          other.posX = WrapAdd(other.posX, edge);
        }
        // Then the other alone, by its own distance excess and wall (both in its correction).
        other.posX = WrapAdd(other.posX, StageEdgeCorrection(other, 0));
      }
    }
  };
  if (pool) {
    for (int pi = 0; pi < g_PoolHighWater; ++pi) {
      ObjectPoolSlot& s = g_ObjectPool[pi];
      if (s.inUse && s.obj.kind != kKindAfterimage) visit(s.obj);
    }
  } else {
    for (PlayerRecord& r : g_PlayerRecords)
      if (r.inUse) visit(r.obj);
  }
}

}  // namespace

int VectorStepWallBounces(int id, int step) { return (GetHitVectorFlags(id, step) & 0x1) ? 1 : 0; }
int VectorStepEndsOnLanding(int id, int step) { return (GetHitVectorFlags(id, step) & 0x10) ? 1 : 0; }
int VectorStepNoPush(int id, int step) { return (GetHitVectorFlags(id, step) & 0x8) ? 1 : 0; }

void ApplySpeedCap(BattleObject& o) {
  if (o.speedCapPattern == 0 || o.speedCapPattern == o.pattern) return;
  // Afterimages and slots without a command table read the standard gravity.
  const CharaCommandTable* t = TableOf(o);
  const int32_t maxX = t && t->gravityMaxX != 0 ? t->gravityMaxX : 1000;
  const int32_t addY = t && t->gravityAddY != 0 ? t->gravityAddY : 150;
  if (o.facing == 0)
    o.velX = std::min(o.velX, maxX);
  else
    o.velX = Wrap(std::max<int64_t>(o.velX, -int64_t{maxX}));
  o.accY = static_cast<int16_t>(addY);
  o.accX = 0;
  o.speedCapPattern = static_cast<int16_t>(o.pattern);
}

void ApplyFrameMotion(BattleObject& o) {
  const Han6FrameState& st = FrameState(o);
  if (o.hitVectorFresh == 1) {
    o.hitVectorFresh = 0;
    o.inertiaX = 0;
    o.inertiaDecay = 0;
    o.inertiaSource = 0;
    if (o.hitReaction < 0 && st.motion && (st.motion->flags & 0xF0) == 0x10 &&
        (st.motion->flags & 0x0F) == 0x01)
      o.hitReaction = WrapAdd(o.hitReaction, -1);
  }
  const bool firstOnly = (static_cast<uint32_t>(st.asf0) & 0x80000000u) != 0;
  if (st.motion && !(firstOnly && o.conditionsPending != 2)) {
    const Han6Motion& m = *st.motion;
    const int hx = m.flags >> 4, hy = m.flags & 0x0F;
    const int d = o.facing == 0 ? 1 : -1;
    if (hx == 1) {
      o.velX = 0;
      o.accX = 0;
      o.velXStop = 0;
      for (int16_t& w : o.waveX) w = 0;
    }
    if (hy == 1) {
      o.velY = 0;
      o.accY = 0;
      for (int16_t& w : o.waveY) w = 0;
      o.landed = 0;
      o.speedCapPattern = 0;
    }
    if (hx != 0) {
      o.velX = WrapAdd(o.velX, m.velocityX * d);
      o.accX = static_cast<int16_t>(m.accelerationX * d);
      o.velXStop = static_cast<int16_t>(st.asmx * d);
      if (o.hitVelX) {
        o.velX = WrapAdd(o.velX, o.hitVelX);
        o.hitVelX = 0;
      }
      if (o.hitAccX) {
        o.accX = o.hitAccX;
        o.hitAccX = 0;
      }
      if (st.extra && (st.extra->mode >> 4))
        SetWave(o.waveX, st.extra->mode >> 4, st.extra->amplitudeX * d, st.extra->periodX, st.extra->phaseX);
    }
    if (hy != 0) {
      o.velY = WrapAdd(o.velY, m.velocityY);
      o.accY = m.accelerationY;
      if (o.hitVelY) {
        o.velY = WrapAdd(o.velY, o.hitVelY);
        o.hitVelY = 0;
      }
      if (o.hitAccY) {
        o.accY = o.hitAccY;
        o.hitAccY = 0;
      }
      if (st.extra && (st.extra->mode & 0x0F))
        SetWave(o.waveY, st.extra->mode & 0x0F, st.extra->amplitudeY, st.extra->periodY, st.extra->phaseY);
    }
  }
  ApplySpeedCap(o);
  if (o.inertiaPattern != o.pattern && o.inertiaSource != 0) {
    o.inertiaX = WrapAdd(o.inertiaX, o.inertiaSource);
    o.inertiaSource = 0;
    o.inertiaDecay = static_cast<int16_t>(o.inertiaX / 10);
  }
  if (st.asf0 & 0x2) {
    o.inertiaX = 0;
    o.inertiaDecay = 0;
  }
  RememberMomentum(o, st);
  // The hit-vector step that follows a landing.
  if (o.hitVector != 255 && o.landingJump) {
    o.landingJump = 0;
    if (VectorStepEndsOnLanding(o.hitVector, o.hitVectorStep) || o.guarding) {
      o.hitVector = 255;
      o.hitReaction = 0;
    } else {
      ++o.hitVectorStep;
      const int pattern = GetHitVectorPattern(o.hitVector, o.hitVectorStep, 0);
      const bool stepExists = o.hitVector < g_VectorTables.hit.size() && o.hitVectorStep < 5 &&
                              o.hitVectorStep < g_VectorTables.hit[o.hitVector].count;
      if (stepExists && ChangePattern(o, pattern, 1, 0)) {
        BattleSeamApplyHitVector(&o, o.hitVector, o.hitVectorStep, o.hitVectorFacing, 0, 0);
        o.hitFrames = 0;
      }
    }
  }
}

int InterpolateLanding(BattleObject& o, int32_t dx, int32_t dy) {
  if (o.posY > 0 && dy != 0) {
    const int32_t y = o.posY;
    o.posY = 0;
    // 64-bit: dx x (dy - y) overflows int32 for fast objects.
    o.posX = WrapAdd(
        o.posX, static_cast<int32_t>(static_cast<int64_t>(dx) * (static_cast<int64_t>(dy) - y) / dy - dx));
  }
  return 1;
}

int32_t GetDistanceExcess(const BattleObject& o, int32_t x) {
  // 64-bit differences: a position far off the stage must not overflow.
  int64_t farthest = 0, correction = 0;
  // A character being finished off (a finish kind set) no longer holds the other one in reach.
  for (const PlayerRecord& r : g_PlayerRecords) {
    if (!r.inUse || &r.obj == &o || r.obj.partnerState != 0 || r.obj.finishKind != 0 || o.partnerState != 0)
      continue;
    const int64_t d = static_cast<int64_t>(x) - r.obj.posX;
    const int64_t ad = d < 0 ? -d : d;
    if (ad > farthest) {
      farthest = ad;
      correction = ad > kMaxCharaDistance ? (d > 0 ? kMaxCharaDistance - d : -kMaxCharaDistance - d) : 0;
    }
  }
  return static_cast<int32_t>(correction);
}

int32_t StageEdgeCorrection(BattleObject& o, int32_t dx) {
  if (o.kind >= kKindChildFirst) return 0;
  if (o.partnerState != 0 && !HitStepFlag(o, 0x8)) return 0;
  const int64_t start = static_cast<int64_t>(o.posX) + dx;
  int64_t x = start;
  if (IsCharacter(o))
    x += GetDistanceExcess(o, static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)));
  x = std::clamp<int64_t>(x, -kStageHalfWidth, kStageHalfWidth);
  return static_cast<int32_t>(x - start);
}

int32_t PushAttackerFromCorner(BattleObject& o, int32_t c) {
  if (o.held || o.partnerState != 0 || o.noPush || !IsCharacter(o) || !o.lastAttacker || c == 0) return 0;
  // The push lasts while the reaction step counter is below the push length of the current
  // hit-vector step; without a hit vector (or a step past the table) that length is 0, so a
  // character that is not reeling from a hit never pushes its last attacker.
  int32_t pushLength = 0;
  if (o.hitVector != 255 && o.hitVector < g_VectorTables.hit.size() && o.hitVectorStep < 5 &&
      o.hitVectorStep < g_VectorTables.hit[o.hitVector].count)
    pushLength = g_VectorTables.hit[o.hitVector].steps[o.hitVectorStep].fifth;
  if (o.hitSteps >= pushLength) return 0;
  if (o.hitReaction < 0) {
    const int32_t fixed = o.hitVector == 98 ? g_VectorTables.pushFinish : g_VectorTables.pushNormal;
    c = c < 0 ? -fixed : fixed;
  }
  BattleObject* attacker = o.lastAttacker;
  if (attacker->kind == kKindSpawned) {
    if (!(attacker->flags & 0x08) || !attacker->owner) return c;
    attacker = attacker->owner;
  } else if (attacker->kind >= kKindChildFirst) {
    return c;
  }
  if (o.velX != 0 && attacker->finishKind == 0) {
    attacker->posX = WrapAdd(attacker->posX, c);
    attacker->posX = WrapAdd(attacker->posX, StageEdgeCorrection(*attacker, 0));
  }
  return c;
}

int32_t MoveObject(BattleObject& o, int32_t dx, int32_t dy) {
  o.posX = WrapAdd(o.posX, dx);
  o.posY = WrapAdd(o.posY, dy);
  const int32_t r = StageEdgeCorrection(o, 0);
  if (r != 0) {
    o.posX = WrapAdd(o.posX, r);
    PushAttackerFromCorner(o, r);
    o.wallTouch = r < 0 ? 1 : 2;
  }
  return r;
}

void WallBounceStep(BattleObject& o) {
  const bool bounceStep = o.hitVector != 255 && VectorStepWallBounces(o.hitVector, o.hitVectorStep);
  if (o.hitReaction != 0 && bounceStep &&
      ((o.wallTouch == 1 && o.velX > 0) || (o.wallTouch == 2 && o.velX < 0))) {
    BattleSeamRequestSound(25);
    g_ScreenShake = 15;
    o.hitMarks[0] = o.hitMarks[1] = 1;
    BattleObject* stopped = &o;
    if (o.kind >= kKindChildFirst && (o.flags & 0x08) && o.owner && o.owner->side == o.side)
      stopped = o.owner;
    stopped->hitStop = 8;
    ++o.downState;
    o.hitStopPass = 1;
    ++o.hitVectorStep;
    o.facing = o.wantedFacing = o.velX >= 0 ? 1 : 0;
    BattleSeamApplyHitVector(&o, 7, 0, o.facing, 0, 0);
    if (o.pendingPattern == -1) ChangePattern(o, 26, 1, 0);
    SpawnEngineEffect(o, 67, 0, -64, 0x40, 0x1000);
    BattleSeamSpawnParticle(100, o.posX, WrapAdd(o.posY, -128 * 128));
  } else if (bounceStep && o.hitStop == 0 && o.posY >= -64 * 128 && o.hitFrames % 6 == 0) {
    SpawnEngineEffect(o, 18, 0, 0, 0x80, 0x1000);
  }
  if (o.landed && o.hitVector != 255 && (GetHitVectorFlags(o.hitVector, o.hitVectorStep) & 0x4))
    SpawnEngineEffect(o, 50, 0, 0, 0, 0);
}

int ObjectPhysicsStep(BattleObject& o) {
  if (o.held || g_Paused == 1 || (o.hitStop != 0 && o.hitStopPass == 0)) return 0;
  const Han6FrameState& st = FrameState(o);
  if (st.asf0 & 0x1) {
    o.inertiaSource = o.velX;
    o.inertiaPattern = static_cast<int16_t>(o.pattern);
  }
  if (st.asf0 & 0x1000) o.speedCapPattern = static_cast<int16_t>(o.pattern);
  const int16_t accX = o.accX;
  const int32_t velBefore = o.velX;
  o.velX = WrapAdd(o.velX, o.accX);
  o.velY = WrapAdd(o.velY, o.accY);
  int32_t dx = o.velX, dy = o.velY;
  dx = WrapAdd(dx, WaveStep(o.waveX));
  dy = WrapAdd(dy, WaveStep(o.waveY));
  if (st.stance == 1 && o.prevStance != 1) o.inertiaX /= 3;
  dx = WrapAdd(dx, o.inertiaX);
  MoveObject(o, dx, dy);
  if (st.stance != 1) {
    if (o.inertiaX > 0)
      o.inertiaX = std::max(0, o.inertiaX - std::abs(static_cast<int32_t>(o.inertiaDecay)));
    else if (o.inertiaX < 0)
      o.inertiaX = std::min(0, o.inertiaX + std::abs(static_cast<int32_t>(o.inertiaDecay)));
  }
  if (o.velXStop != 0) {
    const int32_t stop = o.velXStop;
    bool stopNow;
    if (accX != 0)
      stopNow = (velBefore <= stop && o.velX > stop) || (velBefore >= stop && o.velX < stop);
    else
      stopNow = o.facing == 0 ? o.velX > stop : o.velX < stop;
    if (stopNow) {
      o.velX = stop == 1 || stop == -1 ? 0 : stop;
      o.accX = 0;
    }
  }
  bool landedNow = false;
  if (!o.held && o.posY > 0 && !(o.kind == kKindSpawned && (o.spawnFlags & 0x40))) {
    o.landed = 1;
    landedNow = true;
    if (o.wallTouch || dx == 0)
      o.posY = 0;
    else
      InterpolateLanding(o, dx, dy);
  }
  if (o.heldObject && o.holding) {
    const int32_t mx = Wrap(int64_t{o.posX} - o.prevPosX);
    const int32_t my = Wrap(landedNow ? -int64_t{o.prevPosY} : int64_t{o.posY} - o.prevPosY);
    MoveObject(*o.heldObject, mx, my);
    if (o.followMode == 200) {
      int32_t px = 0, py = 0, angle = 0;
      if (BattleSeamFramePoint(&o, o.followBase, &px, &py, &angle)) {
        o.heldObject->posX = px;
        o.heldObject->posY = py;
        if (o.anchorPoint >= 0) {
          int32_t rot = Wrap(int64_t{angle} * 10000 / 360 + o.anchorPoint);
          if (rot >= 10000) rot -= 10000;
          o.heldObject->rotation = rot;
        }
      }
    }
  }
  return 1;
}

void PushApartCharacters() { PushPass(false); }
void PushApartPoolObjects() { PushPass(true); }

int PushCandidateBox(BattleObject* self, BattleObject* other, int32_t* out) {
  if (other == self || other->side == self->side || other->partnerState != 0 || other->held ||
      self->noPush != 0 || HitStepFlag(*other, 0x8))
    return 0;
  return PushBox(*other, &out[0], &out[2], &out[1], &out[3]) ? 1 : 0;
}
