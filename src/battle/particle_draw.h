// The drawing of the system-effect particles: one draw law per particle kind, through the effect
// drawing routines, and the system-effect textures they sample.
//
// Drawing changes nothing the simulation reads: every law only queues commands (and returns
// before queueing while draws are not submitted); the kinds' state changes stay with the pass.
#pragma once

#include <cstdint>

struct Particle;
struct TextureHandle;

// ".\grp\system\EFF00", "EFF01", "EF21", "win_mark00", ".\grp\_NewFx\RingEff", "WaterDrop00",
// "WaterDrop01", in that order; null while not loaded or when the file could not be read.
inline constexpr int kSystemEffectTextureCount = 7;
extern TextureHandle* g_SystemEffectTextures[kSystemEffectTextureCount];

// Loads the system-effect textures (a missing file leaves its handle null); returns 1.
int LoadSystemEffectTextures();
void FreeSystemEffectTextures();

// The draw priorities of the particle laws (the rings and quads queue at the effect routines'
// own 396).
inline constexpr int32_t kParticleSpritePriority = 456;
inline constexpr int32_t kParticleLinePriority = 200;
inline constexpr int32_t kRoundWinMarkPriority = 716;

// "Fading with K": (life - 1) x K / maxLife, integer division; a maxLife of 0 or less gives 0.
int32_t ParticleFadeAlpha(int32_t life, int32_t maxLife, int32_t k);

// The draw of one live particle by its kind at its world position (the anchor already added).
// The blend and filter modes are set around the draws and put back to 1.
void DrawParticle(const Particle& p, int32_t worldX, int32_t worldY);

void InstallParticleDrawSeams();
