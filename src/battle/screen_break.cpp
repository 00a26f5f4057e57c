// The screen break-up, HUD digits and small predicates (see screen_break.h).
#include "battle/screen_break.h"

float ScreenBreakProgress() { return 1.0f; }
void SetScreenBreakProgress(float) {}
void ResetScreenBreakEffect() {}
void DrawScreenBreakEffect() {}

void InstallScreenBreakSeams() {}
