// The round call, fight call, KO call and winner call overlays of the battle scene: textures,
// drawing, sounds and their presentation random numbers.
#pragma once

// Fills the calls' seams.
void InstallCallOverlays();
