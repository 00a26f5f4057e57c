// The character draw: each fighter placed through its object matrix and drawn with its flashes,
// tints and shadow, spawning its aura, heat and status particles; the battle HUD textures.
#pragma once

#include <cstdint>

struct BattleObject;

// 1 while any fighter's heat mode (modes 1 and 3) runs.
int IsAnyHeatActive();
void DrawCharacters();
int LoadBattleHudTextures();
void FreeBattleHudTextures();

void InstallCharacterDrawSeams();
