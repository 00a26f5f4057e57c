// The battle scene.
#include "scene/scene_battle.h"

void InstallBattleScene() {}
