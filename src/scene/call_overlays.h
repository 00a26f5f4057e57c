// The round call, fight call, KO call and winner call overlays of the battle scene: textures,
// drawing, sounds and their presentation random numbers.
#pragma once

// Fills the calls' seams.
void InstallCallOverlays();

// The KO effect graphics of start-up (kept for the whole run; a missing file leaves an empty
// texture) and their free at shutdown.
void LoadKoEffectGraphics();
void FreeKoEffectGraphics();
