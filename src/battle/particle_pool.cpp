// The system-effect particle pool (see particle_pool.h).
#include "battle/particle_pool.h"

#include <cstring>

Particle g_ParticlePool[kParticlePoolSize];
int32_t g_SparkCount;

Particle* AllocParticle() { return nullptr; }
void ClearParticlePool() {
  std::memset(g_ParticlePool, 0, sizeof g_ParticlePool);
  g_SparkCount = 0;
}
int SpawnParticleEffect(int, const int32_t*, int, BattleObject*) { return 1; }
int SpawnSystemEffect(BattleObject*, int, const int32_t*, int) { return 1; }
int SpawnCallEffect(int, const int32_t*, int) { return 1; }
int UpdateDrawParticles() { return 1; }

void InstallParticleSeams() {}
