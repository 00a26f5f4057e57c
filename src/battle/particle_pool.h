// The system-effect particle pool: short-lived visual effects (sparks, rings, flashes, streaks,
// portraits, round marks and the round calls) spawned by effect number, system code or call
// code, and aged, moved and drawn once per frame by the battle draw.
#pragma once

#include <cstdint>

struct BattleObject;

inline constexpr int kParticlePoolSize = 4000;

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

Particle* AllocParticle();
// Frees every particle and zeroes the spark count; every clear of the pool goes through it.
void ClearParticlePool();
int SpawnParticleEffect(int number, const int32_t* block, int flip, BattleObject* o);
int SpawnSystemEffect(BattleObject* o, int code, const int32_t* block, int flip);
int SpawnCallEffect(int code, const int32_t* block, int flip);
int UpdateDrawParticles();

void InstallParticleSeams();
