// The character draw (see character_draw.h).
#include "battle/character_draw.h"

int IsAnyHeatActive() { return 0; }
void DrawCharacters() {}
int LoadBattleHudTextures() { return 1; }
void FreeBattleHudTextures() {}

void InstallCharacterDrawSeams() {}
