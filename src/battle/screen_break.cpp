// The screen break-up, HUD digits and small predicates (see screen_break.h).
#include "battle/screen_break.h"

#include "battle/battle_seams.h"
#include "battle/round_calls.h"

float ScreenBreakProgress() { return 1.0f; }
void SetScreenBreakProgress(float) {}
void ResetScreenBreakEffect() {}
void DrawScreenBreakEffect() {}

void InstallScreenBreakSeams() {
  // The partner call waits for the round call to have run its 4 s.
  g_BattleSeams.RoundCallDone = [] { return static_cast<int>(g_RoundCallDone); };
}
