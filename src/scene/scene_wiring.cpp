// The scenes' one list of installs.
#include "scene/scene_wiring.h"

#include "scene/battle_hud.h"
#include "scene/call_overlays.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

void InstallSceneWiring() {
  ClearSceneTable();
  InstallBattleScene();
  InstallBattleHud();
  InstallCallOverlays();
  // Each later scene module adds its installer here.
}
