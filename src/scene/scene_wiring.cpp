// The scenes' one list of installs.
#include "scene/scene_wiring.h"

#include "Replay/replay_controller.h"
#include "scene/arcade_screens.h"
#include "scene/battle_hud.h"
#include "scene/boot_scene.h"
#include "scene/call_overlays.h"
#include "scene/chara_select.h"
#include "scene/game_modes.h"
#include "scene/main_menu.h"
#include "scene/replay_select.h"
#include "scene/options_menu.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/story_scene.h"
#include "scene/test_menu.h"
#include "scene/title_scene.h"
#include "scene/vs_screen.h"
#include "scene/winner_demo.h"

void InstallSceneWiring() {
  ClearSceneTable();
  InstallBattleScene();
  InstallBattleHud();
  InstallCallOverlays();
  InstallReplayCalls();
  InstallMainMenu();
  InstallCharaSelect();
  InstallBootScene();
  InstallTitleScene();
  InstallArcadeScreens();
  InstallVsScreens();
  InstallStoryScene();
  InstallWinnerDemo();
  InstallTestMenuScene();
  InstallReplaySelectScene();
  InstallOptionsScene();
  // Each later scene module adds its installer here.
}

void InstallReplayCalls() {
  // The mode starters write the controller's mode and the match rules sync its header (the
  // battle's round change moves its round through the replay seams); a playback start resets the
  // match and goes to the VS screen.
  g_MatchRuleHooks.setReplayMode = [](int mode) { g_ReplayController.mode = static_cast<uint32_t>(mode); };
  g_MatchRuleHooks.syncReplaySettings = SyncReplaySettings;
  g_ReplaySceneCalls.resetMatchState = ResetMatchState;
  g_ReplaySceneCalls.enterVsScreen = [] {
    g_ChallengeState = 0;
    ChangeScene(SCENE_VS_SCREEN);
  };
}
