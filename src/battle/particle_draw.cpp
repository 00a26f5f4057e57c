// The drawing of the system-effect particles.
#include "battle/particle_draw.h"

int LoadSystemEffectTextures() { return 1; }
void FreeSystemEffectTextures() {}
void InstallParticleDrawSeams() {}
