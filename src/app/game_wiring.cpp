// The game's one list of installs.
#include "app/game_wiring.h"

#include "Replay/replay_controller.h"
#include "battle/battle_rules.h"
#include "menu/pause_control.h"
#include "menu/pause_menu.h"
#include "menu/training_hooks.h"
#include "scene/scene_wiring.h"
#include "scene/stage_bg.h"

void InstallGameWiring() {
  InstallBattleRules();
  InstallTrainingHooks();
  InstallPauseControl();
  InstallPauseMenu();
  InstallReplaySeams();
  InstallStageSeams();
  InstallSceneWiring();
}
