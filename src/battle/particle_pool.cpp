// The system-effect particle pool (see particle_pool.h).
//
// Random numbers: every "random(n)" below is one draw of the common stream (RandNext, counted)
// taken modulo n, made at its site in the order written; n <= 0 gives 0 and makes no draw
// (PickRandom's rule), so data with a zero range cannot divide by zero and keeps its spawn.
// A spawn that finds no free slot makes none of its draws: the slot is taken first and the
// draws fill it, so a full pool leaves the common stream where it was.
#include "battle/particle_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/box_to_screen.h"
#include "battle/frame_effects.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle/particle_draw.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"

Particle g_ParticlePool[kParticlePoolSize];
int32_t g_SparkCount;
int32_t g_ParticleHighWater;

namespace {

// No slot below this index is free (a search cache; every free goes through FreeParticle).
int32_t g_FreeHint;

Particle* TakeSlot(int32_t limit) {
  // A pool cleared behind the allocator's back (the slot under the hint is free again) starts
  // the search from the first slot.
  if (g_FreeHint > 0 && !g_ParticlePool[g_FreeHint - 1].inUse) g_FreeHint = 0;
  for (int32_t i = g_FreeHint; i < limit; ++i) {
    Particle& p = g_ParticlePool[i];
    if (p.inUse) continue;
    g_FreeHint = i + 1;
    if (i + 1 > g_ParticleHighWater) g_ParticleHighWater = i + 1;
    std::memset(&p, 0, sizeof p);
    p.inUse = 1;
    return &p;
  }
  g_FreeHint = std::max(g_FreeHint, limit);
  return nullptr;
}

int32_t Random(int32_t n) { return PickRandom(0, n); }

bool IsSpark(int kind) { return kind == 257 || kind == 1257; }

void SetLife(Particle& p, int32_t life) { p.life = p.maxLife = Wrap<int16_t>(life); }

// A new particle of a kind at the block's point; null when the pool is full.
Particle* NewParticle(int kind, int32_t life, const int32_t* b, int flip, bool ignoreFreeze = false,
                      bool call = false) {
  Particle* p = call ? AllocCallParticle() : AllocParticle();
  if (!p) return nullptr;
  p->kind = static_cast<int16_t>(kind);
  SetLife(*p, life);
  p->x = b[0];
  p->y = b[1];
  p->flip = static_cast<uint8_t>(flip);
  p->ignoreFreeze = ignoreFreeze ? 1 : 0;
  if (IsSpark(kind)) ++g_SparkCount;
  return p;
}

int32_t Trunc(double v) { return FloatToInt32(static_cast<float>(v)); }

// A velocity of the given speed toward an angle in degrees (the game's own sine and cosine).
void AimVelocity(Particle& p, int32_t degrees, int32_t speed) {
  const double a = degrees * kBattlePi / 180.0;
  p.vx = Wrap<int16_t>(Trunc(BattleCos(a) * speed));
  p.vy = Wrap<int16_t>(Trunc(BattleSin(a) * speed));
}

// A common effect object placed at a world point.
void CommonEffectAt(BattleObject& o, int number, int32_t x, int32_t y) {
  if (BattleObject* e = SpawnEngineEffect(o, number, 0, 0, 0, 0)) {
    e->posX = x;
    e->posY = y;
  }
}

// The object a marker follows: a spawned object's parent, else the object itself.
BattleObject* AnchorOf(BattleObject* o) { return o->kind >= kKindChildFirst && o->parent ? o->parent : o; }

// A particle placed relative to its anchor: the block's world point less the anchor's position.
Particle* NewAnchored(int kind, int32_t life, BattleObject* o, const int32_t* b, int flip) {
  Particle* p = NewParticle(kind, life, b, flip);
  if (!p) return nullptr;
  p->anchor = AnchorOf(o);
  p->x = Wrap(int64_t{b[0]} - p->anchor->posX);
  p->y = Wrap(int64_t{b[1]} - p->anchor->posY);
  return p;
}

// Sideways launches "toward the flip side" go to +x for flip 1 and to -x for flip 0, as the line
// pairs of effect 5 state it in figures.

// Sparks of a request: the cap is tested once, so a request made at 499 live sparks still makes
// its whole count.
bool SparksAllowed() { return g_SparkCount < kSparkCap; }

// One kind-258 line pair with the random launch of effects 5 and 8 (three draws: vx, vy, vz).
bool LinePair(const int32_t* b, int flip, int32_t spread, int32_t colour) {
  Particle* p = NewParticle(258, 45, b, flip);
  if (!p) return false;
  const int32_t r = Random(spread == 2 ? 1024 : 512);
  if (spread == 2)
    p->vx = static_cast<int16_t>(r - 512);
  else
    p->vx = static_cast<int16_t>(p->flip == 1 ? 64 + r : -64 - r);
  p->vy = static_cast<int16_t>(-64 - Random(768));
  p->vz = static_cast<int16_t>(Random(3) - 1);
  p->ay = 18;
  p->p4 = colour;
  // The trail starts at the launch point.
  p->p0 = p->p2 = p->x;
  p->p1 = p->p3 = p->y;
  return true;
}

// Debris of kind 28 (effects 27 to 30): life base + random(range), vx from the spread, vy up to
// -rise, both slowing to 0 over the life. Three draws: life, vx, vy.
bool Debris(const int32_t* b, int flip, int32_t lifeBase, int32_t lifeRange, int32_t spread, bool towardFlip,
            int32_t rise, int32_t size, int32_t colour) {
  Particle* p = NewParticle(28, 0, b, flip);
  if (!p) return false;
  SetLife(*p, static_cast<int32_t>(int64_t{lifeBase} + Random(lifeRange)));
  const int32_t r = Random(spread);
  const int64_t vx = towardFlip ? (flip == 1 ? int64_t{r} : -int64_t{r}) : int64_t{r} - spread / 2;
  p->vx = Wrap<int16_t>(vx);
  p->vy = Wrap<int16_t>(-int64_t{Random(rise)});
  if (p->life > 0) {
    p->ax = static_cast<int16_t>(-p->vx / p->life);
    p->ay = static_cast<int16_t>(-p->vy / p->life);
  }
  p->p0 = colour;
  p->p4 = size;
  return true;
}

// Sized burst (effect 9): the central flash of the size class, then the sparks. Per spark three
// draws: life, angle, speed.
void SpawnSizedBurst(const int32_t* b, int flip) {
  const int32_t count = b[2], size = b[4];
  int kind = 272;
  int32_t life = 0, height = 0, width = 0;
  switch (size) {
    case 1:
      life = 10, height = 2, width = 1;
      break;
    case 2:
      life = 13, height = 3, width = 2;
      break;
    case 3:
      life = 16, height = 4, width = 2;
      break;
    case 10:
      life = 20, height = 6, width = 3;
      break;
    default:
      kind = 270, life = 16, height = 4, width = 2;
      break;
  }
  if (Particle* p = NewParticle(kind, life, b, flip, true)) {
    p->p1 = height;
    p->p2 = width;
  }
  if (!SparksAllowed()) return;
  const int sparkKind = size == 10 ? 1257 : 257;
  for (int32_t i = 0; i < count; ++i) {
    Particle* p = NewParticle(sparkKind, 0, b, flip, true);
    if (!p) return;  // the pool stays full for the rest of the request
    SetLife(*p, 7 + Random(10));
    const int32_t angle = Random(360);
    AimVelocity(*p, angle, Random(1801));
  }
}

// Effect 10: the freeze and its flash timer. A player outside the five rows and an event timer
// past the 64 of a row are ignored (they would index other words of the battle block).
void FreezeEffect(const int32_t* b, int flip) {
  const int32_t player = b[2], mode = b[3] % 100, length = b[4];
  const bool rowOk = player >= 0 && player < kBattleStateRows;
  if (mode != 0 && mode != 1) return;
  if (mode == 1) {
    if (rowOk) {
      g_BattleState[FreezeTimerIndex(player)] = length == 0 ? 30 : length;
      if (b[7] != 1) ++g_BattleState[FreezeSerialIndex(player)];
      g_BattleState[BattleStateIndex::kFreezeStarted] = 1;
    }
  } else {
    g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = length;
  }
  const int64_t timer = 31 + int64_t{flip};
  if (rowOk && timer >= 0 && timer <= 63) {
    // Raised: a longer running timer is kept.
    const int32_t want = std::max(60, length);
    int32_t& t = g_BattleState[PlayerTimerIndex(player, static_cast<int>(timer))];
    if (t < want) {
      if (t == 0) g_BattleState[PlayerTimerElapsedIndex(player, static_cast<int>(timer))] = 0;
      t = want;
      g_BattleState[PlayerTimerStartIndex(player, static_cast<int>(timer))] = want;
    }
  }
  BattleSeamRequestSound(24);
}

// Effects 27 and 28 show only for a shown fighter: no object, its side's active member, or a
// side whose partner is shown.
bool DebrisShown(const BattleObject* o) {
  if (!o) return true;
  const int side = SideIndexOrNone(o->side);
  if (side < 0) return true;
  return GetSidePlayer(side, 0) == o || g_SideStatus[side].showPartner != 0;
}

}  // namespace

Particle* AllocParticle() { return TakeSlot(kParticlePoolSize - kCallReservedSlots); }

Particle* AllocCallParticle() { return TakeSlot(kParticlePoolSize); }

void ClearParticlePool() {
  std::memset(g_ParticlePool, 0, sizeof g_ParticlePool);
  g_SparkCount = 0;
  g_ParticleHighWater = 0;
  g_FreeHint = 0;
}

void FreeParticle(Particle& p) {
  if (!p.inUse) return;
  p.inUse = 0;
  if (IsSpark(p.kind) && g_SparkCount > 0) --g_SparkCount;
  const int32_t i = static_cast<int32_t>(&p - g_ParticlePool);
  if (i < g_FreeHint) g_FreeHint = i;
}

bool IsParticleFrozen(const Particle& p) {
  if (g_Paused) return true;
  return !p.ignoreFreeze && (g_GlobalFreeze != 0 || IsSlowMotionSkipFrame());
}

int CountLiveParticles() {
  int n = 0;
  for (int i = 0; i < g_ParticleHighWater; ++i) n += g_ParticlePool[i].inUse != 0;
  return n;
}

int SpawnParticleEffect(int number, const int32_t* b, int flip, BattleObject* o) {
  if (g_Paused == 1 || !b) return 1;
  switch (number) {
    case 0:
      if (Particle* p = NewParticle(264, b[3] == 0 ? 30 : b[3], b, flip, true)) {
        p->p0 = b[2];
        p->p1 = b[4];
      }
      break;
    case 1:
      if (Particle* p = NewParticle(273, b[2] == 0 ? 15 : b[2], b, flip)) {
        p->p0 = b[3] == 0 ? 30 : b[3];
        p->p1 = b[4] == 0 ? 10 : b[4];
      }
      break;
    case 2:
      NewParticle(2, 30, b, flip, true);
      // The freeze and the background hold are battle state, not a picture: they happen even
      // when the pool has no slot for the burst.
      g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = 30;
      g_BgHoldTimer = 180;
      break;
    case 3:
      if (Particle* p = NewParticle(271, std::max(b[2], 5), b, flip)) p->p0 = Random(360);
      if (SparksAllowed()) {
        for (int32_t i = 0; i < b[3]; ++i) {
          Particle* p = NewParticle(257, 0, b, flip);
          if (!p) break;
          SetLife(*p, 10 + Random(10));
          const double a = Random(360) * kBattlePi / 180.0;
          p->p1 = Trunc(BattleCos(a) * 512);
          p->p2 = Trunc(BattleSin(a) * 512);
        }
      }
      break;
    case 4:
      if (Particle* p = NewParticle(4, 20, b, flip)) p->ax = flip == 1 ? 15 : -15;
      for (int i = 0; i < 3; ++i) {
        Particle* p = NewParticle(256, 90, b, flip);
        if (!p) break;
        const int32_t vx = Random(768);
        p->vx = static_cast<int16_t>(flip == 1 ? vx : -vx);
        p->vy = static_cast<int16_t>(-Random(512));
        p->ay = 10;
      }
      break;
    case 5: {
      const int32_t n = b[4] == 0 ? 15 : b[4];
      const int lineFlip = b[2] != 0 ? (flip == 1 ? 0 : 1) : flip;
      for (int32_t i = 0; i < n; ++i) {
        if (!LinePair(b, lineFlip, b[2] == 0 || b[2] == 1 ? 0 : 2, b[3])) break;
      }
      break;
    }
    case 6:
      if (Particle* p = NewParticle(259, 13, b, flip)) {
        p->vy = static_cast<int16_t>(-Random(512));
        p->ay = -5;
        p->p0 = b[3];
      }
      break;
    case 7:
      for (int32_t i = 0; i < b[2]; ++i) {
        Particle* p = NewParticle(260, 45, b, flip);
        if (!p) break;
        p->vx = static_cast<int16_t>(Random(1024) - 512);
        p->vy = static_cast<int16_t>(-Random(1024));
        p->ay = 15;
      }
      break;
    case 8:
      for (int i = 0; i < 9; ++i) {
        Particle* p = NewParticle(261, 20, b, flip);
        if (!p) break;
        p->p0 = 40 * i;
        p->p1 = 48;
        p->p2 = 96;
        p->p3 = 16;
      }
      for (int i = 0; i < 10; ++i) {
        if (!LinePair(b, flip, 2, 2)) break;
      }
      break;
    case 9:
      SpawnSizedBurst(b, flip);
      break;
    case 10:
      FreezeEffect(b, flip);
      break;
    case 14:
    case 15:
    case 16:
      if (Particle* p = NewParticle(number - 6, 30, b, flip, number == 15)) {
        if (number != 15) p->p0 = b[2];
      }
      if (number == 15) g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = 10;
      break;
    case 19:
      if (Particle* p = NewParticle(11, 12, b, b[2] == 1 ? (flip == 1 ? 0 : 1) : flip)) p->p0 = b[3];
      break;
    case 20:
      for (int i = 0; i < 3; ++i) {
        Particle* p = NewParticle(12, 30, b, flip, true);
        if (!p) break;
        p->p0 = Random(360);
        p->p1 = Random(360);
        p->p2 = Random(360);
      }
      break;
    case 21:
      if (Particle* p = NewParticle(13, 25, b, flip)) {
        p->p1 = b[2];
        p->p2 = b[3];
        p->p3 = b[4];
        p->p4 = 25;
        p->p5 = p->p0 = 130;
      }
      break;
    case 22:
      for (int32_t i = 0; i < b[2]; ++i) {
        Particle* p = NewParticle(274, b[3], b, flip);
        if (!p) break;
        p->p0 = Random(360);
        p->p3 = b[4];
      }
      break;
    case 23:
    case 24:
      if (Particle* p = NewParticle(number == 23 ? 19 : 20, b[5] == 0 ? b[2] : b[5], b, flip)) {
        p->p0 = b[3];
        p->p1 = b[4];
        p->p4 = std::max(b[2], 1);
      }
      break;
    case 27:
    case 28:
    case 29:
      if (number != 29 && !DebrisShown(o)) break;
      for (int32_t i = 0; i < b[7]; ++i) {
        if (!Debris(b, flip, b[4], b[4], b[2], (b[6] & 1) != 0, b[3], number == 27 ? 48 : 96, b[5])) break;
      }
      break;
    case 30: {
      // Three layers: large, middle and small pieces flung wide.
      constexpr int32_t kLayers[3][2] = {{80, 96}, {50, 64}, {50, 32}};
      for (const auto& layer : kLayers) {
        for (int32_t i = 0; i < layer[0]; ++i) {
          if (!Debris(b, flip, 40, 40, 4096, false, 2048, layer[1], 0)) return 1;
        }
      }
      break;
    }
    case 100:
    case 101: {
      const int32_t lives[2] = {number == 100 ? 24 : 16, 30};
      for (int i = 0; i < (number == 100 ? 2 : 1); ++i) {
        Particle* p = NewParticle(3000, lives[i], b, flip);
        if (!p) break;
        p->p2 = i;
        p->p4 = 16;
        p->p5 = 160;
        p->p6 = 1000;
      }
      break;
    }
    case 256:
      if (Particle* p = NewParticle(7, 30, b, flip)) {
        p->vx = static_cast<int16_t>(Random(129) - 64);
        p->vy = static_cast<int16_t>(Random(129) - 64);
        p->ay = static_cast<int16_t>(30 + Random(30));
      }
      break;
    case 265:
      for (int i = 0; i < 80; ++i) {
        Particle* p = NewParticle(280, 0, b, flip);
        if (!p) break;
        SetLife(*p, 10 + Random(21));
        const int32_t angle = Random(360);
        AimVelocity(*p, angle, Random(1024));
      }
      break;
    case 300:
      // The block's first two words are the side and the mark index here, not a point.
      if (Particle* p = NewParticle(999, 13, b, flip)) {
        p->x = p->y = 0;
        p->p0 = b[0];
        p->p1 = b[1];
      }
      break;
    case 301:
      if (Particle* p = NewParticle(301, 20, b, flip)) {
        p->p1 = 2500;
        p->p2 = 0xF0F080;
        p->p3 = 320;
        p->p4 = 10;
      }
      break;
    case 302:
      for (int i = 0; i < 10; ++i) {
        Particle* p = NewParticle(302, 60, b, flip, true);
        if (!p) break;
        p->p1 = 36 * i;
        p->p2 = 0xFFFFFF;
        p->p3 = 128;
      }
      NewParticle(303, 60, b, flip, true);
      break;
    default:
      break;  // other numbers spawn nothing
  }
  return 1;
}

int SpawnSystemEffect(BattleObject* o, int code, const int32_t* b, int flip) {
  // A request without an object cannot ask the freeze gate: nothing is spawned.
  if (g_Paused == 1 || !o || !b || !CanActDuringFreeze(*o)) return 1;
  switch (code) {
    case 0:
      NewAnchored(5, 20, o, b, flip);
      break;
    case 1:
      if (Particle* p = NewAnchored(6, 90, o, b, flip)) {
        p->vx = -2000;
        p->vy = -100;
        p->ax = 300;
        p->p1 = b[1];
      }
      break;
    case 4:
      if (Particle* p = NewParticle(21, 10, b, flip)) {
        // P3 1 and 2 fix the streak level or upright (mirrored by the flip); otherwise it lies
        // along the object's motion.
        int32_t angle = 0;
        if (b[3] == 1) {
          angle = flip == 1 ? 180 : 0;
        } else if (b[3] == 2) {
          angle = flip == 1 ? 270 : 90;
        } else if (o->velX != 0 || o->velY != 0) {
          angle = Trunc(BattleAtan2(o->velY, o->velX) * 180.0 / kBattlePi);
        } else {
          angle = flip == 1 ? 180 : 0;
        }
        const float speed = std::sqrt(static_cast<float>(o->velX) * static_cast<float>(o->velX) +
                                      static_cast<float>(o->velY) * static_cast<float>(o->velY));
        p->p0 = angle;
        p->p1 = FloatToInt32(speed) / 15 + 16;
      }
      break;
    case 26: {
      // Heat activation. The gauge owner (the side's active character in the four-player mode)
      // switches mode; the mode lengths are the gauge rules' (GaugeModeLength).
      BattleObject& g = *GetGaugeOwner(*o);
      int started = 0;
      if (g.gaugeMode == 5 || g.gaugeMode == 2) {
        SetGaugeMode(*o, GaugeModeLength(*o, 3), 3, 60);
        started = 3;
      } else if (CanEnterGaugeMode(*o, 1)) {
        SetGaugeMode(*o, GaugeModeLength(*o, 1), 1, 10);
        started = 1;
      }
      if (!started) break;
      g.circuit = 0;
      CommonEffectAt(*o, 187, b[0], b[1]);
      CommonEffectAt(*o, 186, b[0], b[1]);
      g_ScreenShake = 16;
      o->flashTimer = 30;
      if (started == 3) CommonEffectAt(*o, o->type == 2 || o->type == 8 ? 302 : 102, b[0], b[1]);
      break;
    }
    case 50:
      if (Particle* p = NewParticle(2000, 41, b, flip)) {
        p->p0 = o->playerIndex;
        p->p1 = b[3];
        p->object = o;
      }
      if (b[2] != 3) {
        CommonEffectAt(*o, 90, b[0], b[1]);
        SpawnParticleEffect(10, b, flip, o);
      }
      break;
    case 256:
      if (Particle* p = NewParticle(17, 10, b, flip)) {
        p->p0 = b[2];
        p->p1 = b[3];
        p->p2 = b[4];
      }
      break;
    case 257:
      if (Particle* p = NewParticle(277, 20000, b, flip)) {
        p->vx = static_cast<int16_t>(Random(1024) - 512);
        p->vy = static_cast<int16_t>(-Random(1024));
        p->ay = 70;
      }
      break;
    case 258: {
      // A point inside the first hurt box of the current frame (two draws); none, no marker.
      const Han6Box* box = nullptr;
      for (int n = 1; n <= 8 && !box; ++n) box = FrameBox(*o, n);
      if (!box) break;
      Particle* p = NewParticle(278, 20, b, flip);
      if (!p) break;
      WorldRect r;
      BoxToWorld(*o, *box, &r);
      p->x = static_cast<int32_t>(r.x1 + int64_t{Random(Wrap(int64_t{r.x2} - r.x1))});
      p->y = static_cast<int32_t>(r.y1 + int64_t{Random(Wrap(int64_t{r.y2} - r.y1))});
      break;
    }
    case 259:
      NewParticle(279, b[4], b, flip);
      break;
    case 260:
      if (Particle* p = NewParticle(282, 20, b, flip)) p->object = o;
      break;
    case 261: {
      const int64_t dx = int64_t{o->posX} - o->prevPosX, dy = int64_t{o->posY} - o->prevPosY;
      if (dx == 0 && dy == 0) break;
      BattleObject* e = SpawnEngineEffect(*o, Wrap(int64_t{b[4]} + 64), 0, 0, 0, 0);
      if (!e) break;
      const double angle = BattleAtan2(static_cast<double>(dy), static_cast<double>(dx));
      e->rotation = Trunc(angle / (2.0 * kBattlePi) * 10000.0);
      const double distance = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
      e->scaleX = static_cast<float>(distance / 256.0 / std::max(b[3], 1));
      break;
    }
    case 1260:
      if (Particle* p = NewParticle(1282, 20, b, flip)) {
        p->x = o->posX;
        p->y = o->posY;
        p->p0 = o->prevPosX;
        p->p1 = o->prevPosY;
        p->p4 = b[2];
        p->p5 = b[3];
        p->p6 = b[4];
        p->object = o;
      }
      break;
    default:
      break;
  }
  return 1;
}

// Calls take the reserved slots too, and are not refused while paused: the round's start and
// end wait for them.
int SpawnCallEffect(int code, const int32_t* b, int flip) {
  if (!b) return 1;
  switch (code) {
    case 253:
      if (NewParticle(1003, 600, b, flip, false, true)) StartFightCall();
      break;
    case 254:
      NewParticle(1002, 800, b, flip, false, true);
      break;
    case 255:
      // Stored in p2 and p3, where the knock-out call reads its variant and parameter.
      if (Particle* p = NewParticle(1000, 600, b, flip, true, true)) {
        p->p2 = b[2];
        p->p3 = b[3];
      }
      break;
    case 256:
      if (NewParticle(1001, 500, b, flip, false, true)) {
        // A negative round value still names rounds 0..9.
        const int32_t round = ((b[2] % 10) + 10) % 10;
        g_RoundCallRound = round;
        g_RoundCallWins = g_RoundsToWin;
        g_RoundCallFirst = round == 0 ? 1 : 0;
        StartRoundCall();
      }
      break;
    case 258:
      NewParticle(1004, 600, b, flip, false, true);
      break;
    case 1000:
      NewParticle(1502, 500, b, flip, false, true);
      break;
    case 1001:
      NewParticle(1504, 20000, b, flip, false, true);
      break;
    case 1002:
      NewParticle(1505, 1, b, flip, false, true);
      break;
    default:
      break;
  }
  return 1;
}

namespace {

// The draw of one particle by its kind, behind the draw submission and the pool drawing
// switch; it changes no state (the kinds' own changes follow in StepKind).
void DrawParticleKind(const Particle& p, int32_t worldX, int32_t worldY) {
  if (!g_BattleDrawSubmit) return;
  if (g_BattleDrawSeams.PoolDrawingOn && !g_BattleDrawSeams.PoolDrawingOn()) return;
  DrawParticle(p, worldX, worldY);
}

// A particle below the ground is put back on it and bounces at half speed.
void Bounce(Particle& p) {
  if (p.y > 0) {
    p.y = 0;
    p.vy = static_cast<int16_t>(-(p.vy / 2));
  }
}

// The calls: each is advanced unless paused and drawn every frame; false when it ended.
bool StepCall(Particle& p, int32_t wx, int32_t wy) {
  switch (p.kind) {
    case 1000:
      if (p.state == 0) {
        g_KoCall.KoKind = KoKindForResult(p.p2);
        g_KoCall.extra = p.p3;
        StartKoCall();
        p.state = 1;
      }
      p.life = 2;
      if (g_KoCall.done) {
        FreeParticle(p);
        return false;
      }
      if (!g_Paused) UpdateKoCall();
      BattleSeamDrawKoCall();
      DrawParticleKind(p, wx, wy);
      return true;
    case 1001:
      if (!g_Paused) {
        UpdateRoundCall();
        UpdateRoundCallBars();
      }
      // The bars hand over to the fight call once: state 1 becomes 2 with the request.
      if (g_RoundCallBars.state == 1) {
        const int32_t block[4] = {p.x, p.y, 0, 0};
        SpawnCallEffect(253, block, 0);
        g_RoundCallBars.state = 2;
      }
      BattleSeamDrawRoundCall();
      BattleSeamDrawRoundCallBars();
      DrawParticleKind(p, wx, wy);
      if (g_RoundCall.done) {
        FreeParticle(p);
        return false;
      }
      return true;
    default:  // 1003
      if (!g_Paused) UpdateFightCall();
      BattleSeamDrawFightCall();
      DrawParticleKind(p, wx, wy);
      if (!g_Paused) {
        // The release is written once: the lock stays released even if the particle is
        // removed later, and a lock set again afterwards is not undone by this call.
        if (g_FightCall.released && p.state == 0) {
          g_CommandLock = 0;
          p.state = 1;
        }
        if (g_FightCall.done) {
          FreeParticle(p);
          return false;
        }
      }
      return true;
  }
}

// The state changes of the kinds that have them, after their draw.
void StepKind(Particle& p, int32_t wx, int32_t wy, bool frozen) {
  switch (p.kind) {
    case 6: {
      // The acceleration pushes the swing back past +-2000, and the emitter drops a fan every
      // frame (frozen or not; the spawner itself refuses while paused).
      if (p.vx > 2000) p.ax = -300;
      if (p.vx < -2000) p.ax = 300;
      const int32_t block[8] = {wx, wy};
      SpawnParticleEffect(256, block, 0, nullptr);
      break;
    }
    case 13:
      if (!frozen) {
        const int64_t k = std::max<int64_t>(0, int64_t{p.life} - p.maxLife + p.p4);
        p.p0 = Wrap(p.p0 + k);
      }
      break;
    case 14: {
      const int32_t w = p.maxLife - p.life + 2;
      const bool still = w <= 50;
      if (still && p.life % 3 == 0 && !frozen) {
        // Seven draws in this order; the first six would build requests for effect numbers 260
        // and 261, which spawn nothing, so only the draws remain of them.
        Random(2);
        Random(2);
        Random(50);
        Random(30);
        Random(360);
        Random(4);
        const int32_t r = Random(10);
        // Without an object there is no one to ask the freeze gate: the draws are made, the
        // marker is not.
        const int32_t block[12] = {wx, wy, r + 10, 8};
        if (p.object) SpawnSystemEffect(p.object, 256, block, p.flip);
      }
      break;
    }
    case 28:
      if (!frozen) p.p1 = static_cast<int32_t>((int64_t{p.p1} + p.p2) % 10000);
      break;
    case 256:
    case 260:
      Bounce(p);
      break;
    case 258:
      if (!frozen) {
        // The trail keeps the last two points (world units).
        p.p2 = p.p0;
        p.p3 = p.p1;
        p.p0 = wx;
        p.p1 = wy;
      }
      Bounce(p);
      break;
    case 999:
      // The mark's side comes from the spawn's block: only the two sides have marks.
      if (p.life == 1 && !frozen && (p.p0 == 0 || p.p0 == 1)) SettleSideMarks(p.p0);
      break;
    case 2000: {
      // 0 spawned, 1 sliding in (16 frames), 10 holding, 100 fading out (the last 16 frames),
      // -1 on its last frame.
      const int32_t age = p.maxLife - p.life;
      if (p.state == 0) p.state = 1;
      if (p.state == 1 && age >= 16) p.state = 10;
      if (p.state == 10 && p.life <= 16) p.state = 100;
      if (p.state == 100 && p.life <= 1) p.state = -1;
      break;
    }
    default:
      break;
  }
}

}  // namespace

int UpdateDrawParticles() {
  // Slots in index order, up to the high-water mark read afresh each time: a particle spawned
  // during the pass into a later slot is drawn and aged in this same pass (one spawned outside
  // the pass is drawn first on the next frame, with its full life).
  for (int32_t i = 0; i < g_ParticleHighWater; ++i) {
    Particle& p = g_ParticlePool[i];
    if (!p.inUse) continue;
    int32_t wx = p.x, wy = p.y;
    if (p.anchor) {
      wx = WrapAdd(wx, p.anchor->posX);
      wy = WrapAdd(wy, p.anchor->posY);
    }
    const bool frozen = IsParticleFrozen(p);
    if (p.kind == 1000 || p.kind == 1001 || p.kind == 1003) {
      if (!StepCall(p, wx, wy)) continue;
    } else {
      DrawParticleKind(p, wx, wy);
      StepKind(p, wx, wy, frozen);
    }
    if (frozen) continue;
    if (p.life <= 1) {
      FreeParticle(p);
      continue;
    }
    --p.life;
    p.x = WrapAdd(p.x, p.vx);
    p.y = WrapAdd(p.y, p.vy);
    p.z = WrapAdd(p.z, p.vz);
    // 16-bit velocities: a long fall under gravity wraps, as it always has.
    p.vx = Wrap<int16_t>(int64_t{p.vx} + p.ax);
    p.vy = Wrap<int16_t>(int64_t{p.vy} + p.ay);
    p.vz = Wrap<int16_t>(int64_t{p.vz} + p.az);
  }
  return 1;
}

void InstallParticleSeams() {
  g_BattleSeams.SpawnParticle = [](int id, int32_t x, int32_t y) {
    // The engine's particle requests by effect number at a point (a wall bounce's rings, the
    // spark and recovery effects): no parameters, no flip, no object.
    const int32_t block[8] = {x, y};
    SpawnParticleEffect(id, block, 0, nullptr);
  };
  g_BattleSeams.SpawnParticleEffect = [](int number, const int32_t* block, int flip, BattleObject* o) {
    SpawnParticleEffect(number, block, flip, o);
  };
  g_BattleSeams.SpawnSystemEffect = [](BattleObject* o, int code, const int32_t* block, int flip) {
    SpawnSystemEffect(o, code, block, flip);
  };
  g_BattleSeams.SpawnCallEffect = [](int code, const int32_t* block, int flip) {
    SpawnCallEffect(code, block, flip);
  };
  g_BattleSeams.DrawParticles = [] { UpdateDrawParticles(); };
  // The pool objects and the particles are drawn while the characters are (the story text
  // switches all three off together).
  g_BattleDrawSeams.PoolDrawingOn = [] { return BattleSeamDrawCharactersOn(); };
}
