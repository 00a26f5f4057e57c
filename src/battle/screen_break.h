// The screen break-up of a round start, the HUD digit strings and the small battle predicates.
#pragma once

#include <cstdint>

// The break-up's progress, 0 to 1, kept as a float32 in the battle state block.
float ScreenBreakProgress();
void SetScreenBreakProgress(float p);
void ResetScreenBreakEffect();
void DrawScreenBreakEffect();

void InstallScreenBreakSeams();
