// The battle scene.
#include "scene/scene_battle.h"

int32_t g_SideWinCounts[2];

void InstallBattleScene() {}
