// The battle scene: the scene object that runs the battle round after round, its start and end,
// the match-end routes, and the match rules and credits pieces it reads.
#pragma once

#include <cstdint>

// Consecutive wins shown beside each side, loaded at the first round of a match.
extern int32_t g_SideWinCounts[2];

// Registers the battle scene and fills the battle seams the scenes answer.
void InstallBattleScene();
