// The drawing of the system-effect particles: one draw law per particle kind, through the effect
// drawing routines, and the system-effect textures they sample.
#pragma once

// Loads the system-effect textures (a missing file leaves its handle null); returns 1.
int LoadSystemEffectTextures();
void FreeSystemEffectTextures();

void InstallParticleDrawSeams();
