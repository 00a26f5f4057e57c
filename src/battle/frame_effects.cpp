// The frame-effect dispatcher's per-record table and the special actions of type 6.
#include "battle/frame_effects.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "Sound/soundproc.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_sound.h"
#include "battle/battle_tables.h"
#include "battle/control_rules.h"
#include "battle/effect_geometry.h"
#include "battle/object_move.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

constexpr int kGameModeTagBattle = 0x100;
constexpr int kGameModeFourPlayer = 0x200;

int32_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return static_cast<int32_t>(std::clamp(v, lo, hi)); }

int FacingSign(const BattleObject& o) { return o.facing == 1 ? -1 : 1; }

// K: the object's character (its owner for a child, else the object).
BattleObject& CharacterOf(BattleObject& o) { return o.kind >= kKindChildFirst && o.owner ? *o.owner : o; }

// The other character of K's side when K is its side's active character, else K.
BattleObject* PartnerOf(BattleObject& k) {
  if (k.side < 2 && g_SideStatus[k.side].activePlayer == k.playerIndex) return k.partner;
  return &k;
}

// A draw in lo..hi (hi exclusive) from the common stream: no draw and lo when the range is empty.
int32_t DrawBetween(int32_t lo, int32_t hi) {
  return static_cast<int32_t>(lo + int64_t{PickRandom(0, Clamp64(int64_t{hi} - lo, 0, INT32_MAX))});
}

void SetFacing(BattleObject& o, int facing) {
  if (o.facing == facing) return;
  o.facing = o.wantedFacing = static_cast<uint8_t>(facing);
  // Every facing change turns the speed stop round with the object.
  o.velXStop = Wrap<int16_t>(-int64_t{o.velXStop});
}

// 1 at the right stage edge, 2 at the left one, else 0.
int EdgeSideOf(const BattleObject& o) {
  if (o.posX >= kStageHalfWidth) return 1;
  if (o.posX <= -kStageHalfWidth) return 2;
  return 0;
}

BattleObject* TargetOf(BattleObject& k) {
  if (k.target) return k.target;
  // The first character of the other side that may be touched: only a partner standing by
  // (partner state 1) may not; an assist partner acting (state 2) may.
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && r.obj.side != k.side && r.obj.partnerState != 1) return &r.obj;
  return nullptr;
}

// ---- velocity and position ----

// 6/6. Draws (common stream): mode 0 one for the velocity when P1 differs from P0 and one for
// the acceleration when P3 differs from P2, in that order; mode 1 one for the angle when P4 is
// positive and one for the speed when P1 is positive. An empty or negative range draws nothing.
void SetVelocity(BattleObject& o, const int32_t* p) {
  const int sign = FacingSign(o);
  switch (p[11]) {
    case 0: {
      const int32_t v = p[1] != p[0] ? DrawBetween(p[0], p[1]) : p[0];
      const int32_t a = p[3] != p[2] ? DrawBetween(p[2], p[3]) : p[2];
      if (p[4] == 0) {
        o.velX = Wrap<int32_t>(int64_t{v} * sign);
        o.accX = Wrap<int16_t>(int64_t{a} * sign);
      } else {
        o.velY = v;
        o.accY = Wrap<int16_t>(a);
      }
      return;
    }
    case 1: {
      int64_t angle = p[3] + int64_t{PickRandom(0, p[4])};
      if (o.facing == 1) angle = 10000 - angle;
      const int64_t speed = p[0] + int64_t{PickRandom(0, p[1])};
      const double rad = static_cast<double>(angle) / 10000.0 * 2.0 * kBattlePi;
      // This effect's own rule, not PolarToXY's: turns of 1/10000 from straight up (sin for x,
      // -cos for y) with a full pi. Kept as its own.
      const double sx = BattleSin(rad), cy = -BattleCos(rad);
      o.velX = Wrap<int32_t>(static_cast<int64_t>(sx * static_cast<double>(speed)));
      o.velY = Wrap<int32_t>(static_cast<int64_t>(cy * static_cast<double>(speed)));
      int64_t mag = p[2];
      if (p[5] == 1) mag = -(p[2] != 0 ? speed / p[2] : speed);
      o.accX = Wrap<int16_t>(static_cast<int64_t>(sx * static_cast<double>(mag)));
      o.accY = Wrap<int16_t>(static_cast<int64_t>(cy * static_cast<double>(mag)));
      return;
    }
    case 2: {
      BattleObject& k = CharacterOf(o);
      const int64_t steps = std::max(p[0], 2);
      const int64_t g = std::max(p[1], 1);
      o.velX = Wrap<int32_t>((int64_t{k.posX} - o.posX) / steps);
      o.accY = Wrap<int16_t>(g);
      o.velY = Wrap<int32_t>((int64_t{p[2]} * 128 + k.posY - o.posY - g * steps * (steps + 1) / 2) / steps);
      o.accX = 0;
      return;
    }
    default:
      return;
  }
}

// 6/8: toward a point 4096 units above the target; no change at distance 0.
void AimAtTarget(BattleObject& o, const int32_t* p) {
  BattleObject* t = TargetOf(CharacterOf(o));
  if (!t) return;
  const double dx = static_cast<double>(t->posX) - o.posX;
  const double dy = static_cast<double>(t->posY) - 4096.0 - o.posY;
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0.0) return;
  o.velX = Wrap<int32_t>(o.velX + static_cast<int64_t>(static_cast<double>(p[1]) * (dx / len)));
  o.velY = Wrap<int32_t>(o.velY + static_cast<int64_t>(static_cast<double>(p[1]) * (dy / len)));
  o.accX = o.accY = 0;
  if (p[2] <= 0) return;
  // Not VectorAngle: this effect measures from +x with a full pi, where VectorAngle keeps
  // 3.1415. Kept as its own.
  double deg = BattleAtan2(dy, dx) * 180.0 / kBattlePi;
  if (o.facing == 1) deg = 180.0 - deg;
  while (deg < 0.0) deg += 360.0;
  while (deg >= 360.0) deg -= 360.0;
  int sector = static_cast<int>(deg / (360.0 / p[2]));
  if (sector >= p[2]) sector = p[2] - 1;
  o.frame = Wrap<int32_t>(int64_t{p[0]} + sector);
  o.frameTimer = 0;
  SetPattern(o);
}

// 6/12.
void SetPosition(BattleObject& o, const int32_t* p) {
  BattleObject& k = CharacterOf(o);
  const int sign = FacingSign(o);
  switch (p[11]) {
    case 0: {
      if (p[4] & 2) {
        k.posX = o.posX;
        k.posY = o.posY;
        return;
      }
      BattleObject& m = p[3] == 1 ? o : k;
      if (p[4] & 1) {
        // Without an opponent to stand by, nothing moves.
        BattleObject* t = GetTargetOpponent(k, nullptr);
        if (!t) return;
        m.posX = t->posX;
        m.posY = 0;
        m.posX = Wrap<int32_t>(m.posX + int64_t{p[0]} * 128 * sign);
        m.posY = Wrap<int32_t>(m.posY + int64_t{p[1]} * 128);
      } else if (p[2] != 0) {
        // The camera's screen edges, which follow its zoom.
        m.posX = Wrap<int32_t>(o.facing == 1 ? int64_t{BattleSeamGetScreenEdge(1)} - int64_t{p[0]} * 128
                                             : int64_t{BattleSeamGetScreenEdge(0)} + int64_t{p[0]} * 128);
        m.posY = Wrap<int32_t>(int64_t{p[1]} * 128);
      } else {
        m.posX = Wrap<int32_t>(m.posX + int64_t{p[0]} * 128 * sign);
        m.posY = Wrap<int32_t>(m.posY + int64_t{p[1]} * 128);
      }
      if (g_GameModeFlags & kGameModeFourPlayer)
        m.posX = Wrap<int32_t>(m.posX + int64_t{StageEdgeCorrection(m, 0)});
      return;
    }
    case 1:
      BattleSeamResetBattleCamera();
      o.posX = Wrap<int32_t>(int64_t{p[0]} * 128 * (((p[2] & 1) && k.facing == 1) ? -1 : 1));
      o.posY = Wrap<int32_t>(int64_t{p[1]} * 128);
      return;
    case 2: {
      const BattleObject& base = o.parent ? *o.parent : k;
      o.posX = Wrap<int32_t>(base.posX + int64_t{p[0]} * 128 * sign);
      o.posY = Wrap<int32_t>(base.posY + int64_t{p[1]} * 128);
      return;
    }
    case 3: {
      const int edge = EdgeSideOf(o);
      if (edge == 1) o.posX = kStageHalfWidth;
      if (edge == 2) o.posX = -kStageHalfWidth;
      return;
    }
    default:
      return;
  }
}

// 6/16. Draws (common stream): one for the angle when P1 is positive, then one for the speed
// when P3 + 1 is positive.
void SetVelocityByDegrees(BattleObject& o, const int32_t* p) {
  if (p[11] == 1) {
    const int64_t tx = int64_t{BattleSeamCameraX()} + int64_t{p[0]} * 128;
    const int64_t ty = int64_t{BattleSeamCameraY()} + int64_t{p[1]} * 128;
    const int64_t div = p[2] >= 2 ? p[2] : 1;
    o.velX = Wrap<int32_t>((tx - o.posX) / div);
    o.velY = Wrap<int32_t>((ty - o.posY) / div);
    o.accX = o.accY = 0;
    return;
  }
  if (p[11] != 0) return;
  int64_t angle = (p[0] + int64_t{PickRandom(0, p[1])}) % 360;
  if (o.facing == 1) angle = 180 - angle;
  const int64_t speed = p[2] + int64_t{PickRandom(0, Clamp64(int64_t{p[3]} + 1, INT32_MIN, INT32_MAX))};
  // Not PolarToXY: this effect's own rule takes cos for x and sin for y (degrees from +x).
  // Kept as its own.
  const double rad = static_cast<double>(angle) * kBattlePi / 180.0;
  o.velX = Wrap<int32_t>(static_cast<int64_t>(BattleCos(rad) * static_cast<double>(speed)));
  o.velY = Wrap<int32_t>(static_cast<int64_t>(BattleSin(rad) * static_cast<double>(speed)));
}

// ---- gauges and counters ----

void HealCharacter(BattleObject& o, const int32_t* p) {
  BattleObject& k = CharacterOf(o);
  if (g_JudgeState != 0 || k.held) return;
  k.redLife = Clamp64(int64_t{k.redLife} + p[3], 0, g_MaxLife);
  if (k.life < k.redLife) k.life = Clamp64(int64_t{k.life} + p[0], 0, k.redLife);
  k.life = std::min(k.life, g_MaxLife);
  BattleObject& g = *GetGaugeOwner(o);
  if (g.gaugeMode != 0) g.heatTimer = Clamp64(int64_t{g.heatTimer} + p[2], 0, INT32_MAX);
  if (p[1] != 0 && k.gaugeMode == 0) BattleSeamAddCircuitMeter(&k, p[1]);
}

void HealTouched(BattleObject& o, const int32_t* p) {
  if (g_JudgeState != 0) return;
  BattleObject* touched = nullptr;
  // Box list 3 of the object against box list 2 of characters only (group 1).
  if (!BattleSeamFindOverlappingObject(&o, 3, 2, p[0], 1, 0, &touched) || !touched) return;
  touched->life = Clamp64(int64_t{touched->life} + p[1], 0, g_MaxLife);
  BattleObject& g = *GetGaugeOwner(o);
  if (g.gaugeMode != 0) g.heatTimer = Clamp64(int64_t{g.heatTimer} + p[3], 0, INT32_MAX);
  const int32_t before = touched->circuit;
  if (p[2] != 0 && g.gaugeMode == 0) BattleSeamAddCircuitMeter(touched, p[2]);
  // Character 3 counts the circuit it takes from others toward achievement 22.
  BattleObject& k = CharacterOf(o);
  if (k.charaIndex == 3 && touched->circuit < before && BattleSeamIsLocalSide(k.side) &&
      BattleSeamAddAchievementCounter(k.side, 22, touched->circuit - before) < -9999)
    BattleSeamQueueAchievement(22);
}

// 6/100 and 6/101: P0 above 99 names battle counter P0 / 100 (amount P0 % 100), else action
// counter P0 % 100 / 10 of K (amount P0 % 10). Negative codes and counters past 9 are ignored.
void ChangeCounter(BattleObject& o, int32_t code, bool subtract) {
  if (o.removing || code < 0) return;
  if (code > 99) {
    const int32_t index = code / 100;
    if (index >= 10) return;
    int64_t v = g_BattleCounters[index];
    v += subtract ? -(code % 100) : code % 100;
    if (subtract && v < 0) v = 0;
    g_BattleCounters[index] = Wrap<int32_t>(v);
    return;
  }
  BattleObject& k = CharacterOf(o);
  int8_t& c = k.actionCounters[code % 100 / 10];
  int v = c + (subtract ? -(code % 10) : code % 10);
  if (subtract && v < 0) v = 0;
  c = Wrap<int8_t>(v);
}

void SetCharacterVariable(BattleObject& o, const int32_t* p) {
  if (p[0] < 0 || p[0] >= 9) return;
  BattleObject& owner = p[2] / 10 != 0 ? *GetGaugeOwner(o) : CharacterOf(o);
  int16_t& var = owner.charVars[p[0]];
  switch (p[2] % 10) {
    case 0:
      var = Wrap<int16_t>(p[1]);
      break;
    case 1:
      var = Wrap<int16_t>(int64_t{var} + p[1]);
      break;
    default:
      break;
  }
}

// 6/111: velocity and acceleration kept in four int16 words and given back.
void KeepMotion(BattleObject& o, const int32_t* p) {
  if (p[0] == 0) {
    o.savedMotion[0] = Wrap<int16_t>(o.velX);
    o.savedMotion[1] = Wrap<int16_t>(o.velY);
    o.savedMotion[2] = o.accX;
    o.savedMotion[3] = o.accY;
    if (p[1] != 0) {
      o.velX = o.velY = 0;
      o.accX = o.accY = 0;
    }
    if (p[2] != 0 && o.velY < 1 && o.accY < 1) o.savedMotion[3] = Wrap<int16_t>(p[2]);
  } else if (p[0] == 1) {
    o.velX = o.savedMotion[0];
    o.velY = o.savedMotion[1];
    o.accX = o.savedMotion[2];
    o.accY = o.savedMotion[3];
  }
}

bool StanceFits(const BattleObject& o, int32_t kind) {
  const int stance = CurrentStance(o);
  switch (kind) {
    case 0:
      return true;
    case 1:
      return stance != 1;
    case 2:
      return stance == 1;
    case 3:
      return stance == 0;
    case 4:
      return stance == 2;
    default:
      return false;
  }
}

void Facing(BattleObject& o, const int32_t* p) {
  BattleObject& k = CharacterOf(o);
  switch (p[0]) {
    case 0:
      SetFacing(o, o.facing ? 0 : 1);
      return;
    case 1: {
      const uint8_t before = o.facing;
      BattleSeamAutoFace(&o, p[2]);
      if (o.facing != before) o.velXStop = Wrap<int16_t>(-int64_t{o.velXStop});
      return;
    }
    case 2:
    case 3: {
      const bool back = o.inputDir == 1 || o.inputDir == 4 || o.inputDir == 7;
      const bool forward = o.inputDir == 3 || o.inputDir == 6 || o.inputDir == 9;
      if (p[0] == 2 ? !back : !forward) return;
      SetFacing(o, o.facing ? 0 : 1);
      if (p[1] == 0 && o.heldObject) SetFacing(*o.heldObject, o.heldObject->facing ? 0 : 1);
      return;
    }
    case 4:
      SetFacing(o, 0);
      return;
    case 5:
      SetFacing(o, 1);
      return;
    case 6:
      // One draw from the common stream.
      SetFacing(o, PickRandom(0, 2));
      return;
    case 7:
      SetFacing(o, k.facing);
      return;
    default:
      return;
  }
}

void FollowWord(BattleObject& o, int32_t index, int32_t value) {
  if (index == 0)
    o.anchorPoint = Wrap<int16_t>(value);
  else if (index >= 1 && index <= 4)
    o.followWords[index - 1] = Wrap<int16_t>(value);
}

void SetFollowParams(BattleObject& o, const Han6Effect& e) {
  const int32_t* p = e.params;
  if (e.number == 0) {
    if (p[0] != 0) o.followX = Wrap<int16_t>(p[0]);
    if (p[1] != 0) o.followY = Wrap<int16_t>(p[1]);
    if (p[2] != 0) o.followLimit = Wrap<uint16_t>(p[2]);
  } else if (e.number == 1) {
    FollowWord(o, p[0], p[1]);
  }
}

// The particle block: x, y converted from P0, P1, then the effect's further parameters.
void ParticleBlock(const BattleObject& o, const Han6Effect& e, int32_t block[12]) {
  EffectOffsetToWorld(o, e.params[0], e.params[1], &block[0], &block[1]);
  for (int i = 2; i < 12; ++i) block[i] = e.params[i];
}

}  // namespace

int32_t PickRandom(int32_t useSecondStream, int32_t n) {
  if (n <= 0) return 0;
  const int32_t v = useSecondStream != 0 ? RandStreamNext(2) : RandNext();
  return v % n;
}

void EffectOffsetToWorld(const BattleObject& o, int32_t x, int32_t y, int32_t* wx, int32_t* wy) {
  const int64_t scale = IsCutSpriteFrame(o) ? 256 : 128;
  const int64_t dx = int64_t{x} * scale * FacingSign(o);
  *wx = Wrap<int32_t>(o.posX + dx);
  *wy = Wrap<int32_t>(o.posY + int64_t{y} * scale);
}

void SpecialAction(BattleObject& o, const Han6Effect& e) {
  const int32_t* p = e.params;
  BattleObject& k = CharacterOf(o);
  switch (e.number) {
    case 0:
      o.auraEffect = p[0] == 255 ? 0 : Wrap<uint8_t>(int64_t{p[0]} + 1);
      break;
    case 1:
      if (p[0] != 0) {
        g_ScreenShake = Wrap<int16_t>(p[0]);
        g_ScreenShakeAxis = 0;
      }
      // The event timer index must name one of the player's 64 timers.
      if (p[2] != 0 && p[1] >= 0 && p[1] <= 63 && o.playerIndex < kBattleStateRows) {
        int32_t& timer = g_BattleState[PlayerTimerIndex(o.playerIndex, p[1])];
        if (timer == 0) g_BattleState[PlayerTimerElapsedIndex(o.playerIndex, p[1])] = 0;
        timer = p[2];
        g_BattleState[PlayerTimerStartIndex(o.playerIndex, p[1])] = p[2];
      }
      if (p[3] != 0) g_SlowMotionRequest = Wrap<int16_t>(p[3]);
      break;
    case 2:
      o.strikeInvuln = Wrap<uint8_t>(p[0]);
      o.throwInvuln = Wrap<uint8_t>(p[1]);
      break;
    case 3: {
      if (p[0] == 255) {
        o.trailColour = 0;
        break;
      }
      // Count and stride stay inside the 120-entry trail: both within 0..119 and their
      // product at most 119.
      const int32_t count = std::clamp(p[1], 0, 119);
      const int32_t stride = std::clamp(p[2], 0, 119);
      o.trailColour = Wrap<uint8_t>(int64_t{p[0]} + 1);
      o.trailCount = Wrap<uint8_t>(count * stride > 119 ? 119 / stride : count);
      o.trailStride = Wrap<uint8_t>(stride);
      break;
    }
    case 4:
      HealCharacter(o, p);
      break;
    case 5:
      Facing(o, p);
      break;
    case 6:
      SetVelocity(o, p);
      break;
    case 7:
      SpawnAfterimage(o, p[0], p[1], p[2], p[3], p[4]);
      break;
    case 8:
      AimAtTarget(o, p);
      break;
    case 9:
      k.noCommand = Wrap<uint8_t>(p[0]);
      break;
    case 10:
      switch (p[0]) {
        case 0:
          k.armorFrames = Wrap<int16_t>(p[1]);
          break;
        case 1:
          k.reversedFrames = Wrap<int16_t>(p[1]);
          break;
        case 2:
        case 3:
        case 4:
          k.shortTimers[p[0] - 2] = Wrap<int16_t>(p[1]);
          break;
        default:
          break;  // outside the five timer words
      }
      break;
    case 11:
      if (!IsCharacter(k)) break;
      if (p[1] != 0) {
        g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = p[0];
      } else if (k.playerIndex < kBattleStateRows) {
        g_BattleState[BattleStateIndex::kFreezeStarted] = 1;
        ++g_BattleState[FreezeSerialIndex(k.playerIndex)];
        g_BattleState[FreezeTimerIndex(k.playerIndex)] = p[0];
      }
      break;
    case 12:
      SetPosition(o, p);
      break;
    case 13:
      o.flashKind = Wrap<uint8_t>(p[0]);
      o.flashTimer = o.flashLength = Wrap<uint8_t>(p[1]);
      break;
    case 14:
      HealTouched(o, p);
      break;
    case 15:
      ApplyBgmVolume(p[0] != 0 ? g_BgmVolume : kSilentVolume);
      break;
    case 16:
      SetVelocityByDegrees(o, p);
      break;
    case 17:
      if (p[11] == 1) {
        if (p[0] == 1) BattleSeamSetCameraHold(1);
        if (p[0] == 0) BattleSeamSetCameraHold(0);
        if (p[1] == 1) BattleSeamSetFixedZoom(0);
        if (p[1] == 2) BattleSeamSetFixedZoom(1);
      } else if (p[11] == 0) {
        if (p[0] == 0) BattleSeamSetCameraFocus(255);
        if (p[0] == 1) BattleSeamSetCameraFocus(o.playerIndex);
      }
      break;
    case 18:
      if (p[0] == 0) BattleSeamSetCameraLock(1);
      if (p[0] == 1) BattleSeamSetCameraLock(0);
      break;
    case 19:
      if (p[0] != 0) BattleSeamUpdateProration(&k, p[0], p[1]);
      break;
    case 20:
      if (k.guardGaugeState == 1) {
        const int32_t amount = p[2] != 0 ? p[0] : GetTypeValue(p[0]);
        const int32_t stop = p[2] != 0 ? p[1] : GetTypeValue(p[1]);
        BattleSeamAddGuardGauge(&k, amount, stop);
      }
      break;
    case 21:
      BattleSeamSetFixedZoom(p[0]);
      break;
    case 22: {
      // One draw of RandInt (common stream, not counted), whatever P1 is.
      const int64_t v = p[0] + int64_t{RandInt(p[1])};
      const float scale = static_cast<float>(v) / 10000.0f;
      switch (p[5]) {
        case 0:
          o.scaleX = scale;
          break;
        case 1:
          o.scaleY = scale;
          break;
        case 2:
          o.scaleX = o.scaleY = scale;
          break;
        case 10:
          o.rotation = Wrap<int32_t>(v);
          break;
        default:
          break;
      }
      break;
    }
    case 23: {
      int32_t x = 0, y = 0;
      if (!BattleSeamGetTargetPoint(&o, Wrap<int32_t>(int64_t{p[0]} * 256), &x, &y)) break;
      int32_t r = static_cast<int32_t>(
          VectorToTurn(static_cast<double>(x) - o.posX, static_cast<double>(y) - o.posY) * 10000.0);
      if (o.facing == 1) r = (10000 - r) % 10000;
      o.rotation = r;
      break;
    }
    case 24: {
      const int32_t v = p[2] != 0 ? p[0] : GetTypeValue(p[0]);
      BattleSeamAddGuardQuality(&k, static_cast<float>(v) / 10000.0f);
      break;
    }
    case 50:
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
        BattleSeamStopZoomOverride();
      } else {
        // A zoom of 0 or below would divide the view by nothing: it reads as 1.0.
        const float zoom = p[3] > 0 ? static_cast<float>(p[3]) / 10000.0f : 1.0f;
        BattleSeamStartZoomOverride(p[0], p[1], p[2], zoom);
      }
      break;
    case 100:
      ChangeCounter(o, p[0], false);
      break;
    case 101:
      ChangeCounter(o, p[0], true);
      break;
    case 102:
      o.airActions = Wrap<uint8_t>(int64_t{o.airActions} + p[0]);
      break;
    case 103:
      o.airActions = Wrap<uint8_t>(std::max<int64_t>(int64_t{o.airActions} - p[0], 0));
      break;
    case 105:
      SetCharacterVariable(o, p);
      break;
    case 106:
      o.spawnFlags = static_cast<uint16_t>(o.spawnFlags & ~0x01u);
      break;
    case 107:
      if (p[1] == 0) o.stepFrames = p[0];
      if (p[1] == 1) o.stepFrames = Wrap<int32_t>(int64_t{o.stepFrames} + p[0]);
      break;
    case 110:
      if (p[0] >= 0 && p[0] <= 8) MarkChainBit(k, p[0] + 1);
      break;
    case 111:
      KeepMotion(o, p);
      break;
    case 112:
      if (p[0] != 0) BattleSeamUpdateProration(&o, p[0], p[1]);
      break;
    case 113:
      AddPenalty(o, 4100, 60);
      if (p[1] != 0) BattleSeamPushHudNotice(o.side, 10);
      break;
    case 114: {
      BattleObject* target = p[1] != 0 ? &o : (o.creditOwner ? o.creditOwner : &k);
      BattleSeamSetGaugeLock(target, p[0], 0);
      break;
    }
    case 150: {
      if (g_GameModeFlags & (kGameModeTagBattle | kGameModeFourPlayer)) break;
      BattleObject* partner = PartnerOf(k);
      if (partner && FrameState(*partner).asmv != 0 && StanceFits(*partner, p[1]))
        ChangePattern(*partner, p[0], 0, 300);
      break;
    }
    case 151:
      SetGaugeMode(k, p[1], p[0], p[2]);
      o.circuit = 0;
      break;
    case 152:
      g_BattleState[BattleStateIndex::kScreenMode] = p[0];
      if (p[0] == 1 || p[0] == 2) BattleSeamSetBackgroundFade(0);
      if (p[0] == 3) BattleSeamSetBackgroundFade(255);
      break;
    case 153:
      o.drawPriority = 452;
      break;
    case 155: {
      const int side = p[0] == 0 ? (o.side & 1) : p[0] == 1 ? ((o.side & 1) ^ 1) : 0;
      int32_t& flag = g_SideStatus[side].showPartner;
      flag = p[1] == 2 ? (flag ? 0 : 1) : p[1];
      break;
    }
    case 200:
      o.followMode = Wrap<uint8_t>(p[0]);
      for (int i = 0; i < 5; ++i) FollowWord(o, i, p[1 + i]);
      break;
    case 252:
      k.partnerState = Wrap<uint8_t>(p[0]);
      break;
    case 253:
      ++g_JudgeState;
      break;
    case 254:
      k.koWait = 1;
      break;
    case 255:
      k.patternHold |= 0x10;
      break;
    case 1100:
      if (p[0] == 0) {
        o.velX = Wrap<int32_t>(-int64_t{o.velX});
        o.accX = Wrap<int16_t>(-int64_t{o.accX});
      } else if (p[0] == 1) {
        o.velY = Wrap<int32_t>(-int64_t{o.velY});
        o.accY = Wrap<int16_t>(-int64_t{o.accY});
      }
      break;
    default:
      break;
  }
}

void RunFrameEffect(BattleObject* o, const Han6Effect* e) {
  if (!o || !e) return;
  int32_t block[12];
  switch (e->type) {
    case 2:
      ParticleBlock(*o, *e, block);
      BattleSeamSpawnSystemEffect(o, e->number, block, o->facing);
      break;
    case 3:
      ParticleBlock(*o, *e, block);
      BattleSeamSpawnParticleEffect(e->number, block, o->facing, o);
      break;
    case 4:
      ThrowSetPattern(*o, *e);
      break;
    case 5:
      ThrowDamage(*o, *e);
      break;
    case 6:
      SpecialAction(*o, *e);
      break;
    case 7:
      ParticleBlock(*o, *e, block);
      BattleSeamSpawnCallEffect(e->number, block, o->facing);
      break;
    case 9:
      PlaySoundEffect(*o, *e);
      break;
    case 14:
      ThrowControl(*o, *e);
      break;
    case 30:
      SetFollowParams(*o, *e);
      break;
    default:
      break;  // unknown types are ignored; 10002 runs only as a continuous effect
  }
}

void RunContinuousEffects(BattleObject* o) {
  if (!o) return;
  if (g_Paused == 1 || o->kind == kKindAfterimage || o->held) {
    o->effectsPending = 0;
    return;
  }
  if (const Han6Frame* f = o->frameRec) {
    // Captured like every effect walk: a spawn may change the object's frame (the old frame's
    // list itself never changes).
    const std::span<Han6Effect* const> effects = f->effects;
    int32_t block[12];
    for (const Han6Effect* e : effects) {
      if (!e || e->type != 10002) continue;
      ParticleBlock(*o, *e, block);
      BattleSeamSpawnSystemEffect(o, e->number, block, o->facing);
    }
  }
  o->effectsPending = 0;
}

int IsHiddenPartnerObject(const BattleObject* o) {
  if (!o) return 0;
  // Every character of the four-player mode is active.
  if (g_GameModeFlags & kGameModeFourPlayer) return 0;
  const BattleObject& k = o->kind >= kKindChildFirst && o->owner ? *o->owner : *o;
  if (!IsCharacter(k) || k.side >= 4 || IsSideActive(k)) return 0;
  return g_SideStatus[k.side].showPartner ? 0 : 1;
}

void InstallFrameEffectSeams() {
  g_BattleDrawSeams.HiddenPartner = IsHiddenPartnerObject;
  BattleSeams& s = g_BattleSeams;
  s.RunFrameEffect = RunFrameEffect;
  s.RunContinuousEffects = RunContinuousEffects;
  s.RequestSound = RequestBattleSound;
  s.IsSoundSlotBusy = IsSoundSlotBusy;
  s.CutThrowLink = CutThrowLink;
  s.LoadCharacterSoundList = [](int slot, int chara, int fileSet) {
    LoadCharacterSeList(slot, chara, fileSet);
  };
  s.FreeCharacterSounds = FreeCharacterSounds;
}
