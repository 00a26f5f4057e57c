// The battle scene's HUD.
#include "scene/battle_hud.h"

void DrawBattleHud() {}
void ShakeLifeBar(int) {}
void InstallBattleHud() {}
