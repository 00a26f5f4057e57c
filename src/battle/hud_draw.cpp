// The drawing of the battle's combo HUD.
#include "battle/hud_draw.h"

void ReleaseExpiredCutIns() {}
void InstallHudDrawSeams() {}
