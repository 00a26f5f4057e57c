// The system-effect particle pool: short-lived visual effects (sparks, rings, flashes, streaks,
// portraits, round marks and the round calls) spawned by effect number, system code or call
// code, and aged, moved and drawn once per frame by the battle draw.
#pragma once

#include <cstdint>

struct BattleObject;

inline constexpr int kParticlePoolSize = 4000;
// The last slots of the pool are kept for the round calls: the fight call is the only release
// of the input lock outside training, the round call its only requester and the knock-out call
// what the judge waits for, so a pool filled by sparks must not drop one of them.
inline constexpr int kCallReservedSlots = 16;
// Sparks (kinds 257 and 1257) are made only while fewer than this many live.
inline constexpr int32_t kSparkCap = 500;

struct Particle {
  uint8_t inUse;
  uint8_t flip;
  uint8_t ignoreFreeze;
  BattleObject* anchor;
  int16_t kind;
  int16_t life;
  int16_t maxLife;
  int32_t x, y, z;
  int16_t vx, vy, vz;
  int16_t ax, ay, az;
  int32_t p0, p1, p2, p3, p4, p5, p6;
  int32_t state;
  BattleObject* object;
};

extern Particle g_ParticlePool[kParticlePoolSize];
extern int32_t g_SparkCount;
// One past the highest slot taken since the last clear: the pass and the hash walk the slots
// below it (no slot above was ever taken). Derived from the pool, not state of its own; slots
// are taken through the allocators below (as the object pool's are through its spawns).
extern int32_t g_ParticleHighWater;

// The first free slot below the reserved call slots, cleared to zeros; null when none is free.
Particle* AllocParticle();
// The same over the whole pool, reserved slots included (the round calls only).
Particle* AllocCallParticle();
// Frees every particle and zeroes the spark count; every clear of the pool goes through it.
void ClearParticlePool();
// Frees one live slot (a spark lowers the spark count).
void FreeParticle(Particle& p);
// 1 while a particle does not age this frame: paused, or (without ignoreFreeze) a global freeze
// or a slow-motion skip frame.
bool IsParticleFrozen(const Particle& p);

// The three spawners. Blocks: x, y (world units), then the parameters P2.. (effect numbers read
// up to P7, system codes up to P10, call codes P2 and P3).
int SpawnParticleEffect(int number, const int32_t* block, int flip, BattleObject* o);
int SpawnSystemEffect(BattleObject* o, int code, const int32_t* block, int flip);
int SpawnCallEffect(int code, const int32_t* block, int flip);
// The particle pass of the battle draw: per live slot the draw by kind, the kinds' own state
// changes, then ageing and moving.
int UpdateDrawParticles();
// Live particles in the pool (tests and benchmarks).
int CountLiveParticles();

void InstallParticleSeams();
