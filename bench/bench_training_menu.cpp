// The training menu's paused frame with a setting menu open (the enemy setting menu over the main
// menu, its help window showing): one UpdateTrainingMenu (input, update, help keys and the queued
// drawing) on the recording device, in microseconds per frame. Run from the build folder (the
// sample folder is ./gamedata, or VT_SAMPLE_DIR).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "menu/pause_control.h"
#include "menu/training_menu.h"
#include "menu/training_setting_menus.h"
#include "menu/training_settings.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"

namespace {

GameData g_config{};

void Press(uint32_t buttons, int direction) {
  PadState& s = g_AppJoystick->menuBank[g_MainSide];
  s = PadState{};
  for (int b = 0; b < 3; ++b)
    if ((buttons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
  if (direction) s.menuDirection = static_cast<uint8_t>(direction | PadState::kChanged);
}

void MenuFrame(uint32_t buttons = 0, int direction = 0) {
  Press(buttons, direction);
  UpdateTrainingMenu();
  Press(0, 0);
  ResetDrawList(&g_MainDrawList);
}

void TrainingMenuWithSettingMenu(benchmark::State& state) {
  static const std::filesystem::path sample = std::filesystem::absolute(
      std::getenv("VT_SAMPLE_DIR") != nullptr ? std::getenv("VT_SAMPLE_DIR") : "gamedata");
  std::error_code ec;
  std::filesystem::current_path(sample, ec);
  vt::SetDebugQuiet(true);
  FillDefaultGameData(g_config);
  g_config.SELECT_LANGUAGE = 1;
  g_GameData = &g_config;
  SceneHarness harness;
  SceneHarnessOptions o;
  o.commonResources = true;
  o.firstScene = SCENE_OPTION;
  if (ec || !harness.Start(o)) {
    state.SkipWithError("no sample folder or device");
    return;
  }
  LoadGameText();
  g_GameModeFlags = MODE_TRAINING;
  g_MainSide = 0;
  ResetTrainingSettings();
  g_ReplayController.Reset();
  g_Paused = 1;
  g_PauseStep = 1;
  MenuFrame();
  for (int i = 0; i < 30; ++i) MenuFrame();
  g_TrainingMainMenu->sets[0]->SetCursorById("ENEMY_SETTING");
  MenuFrame(1, 0);
  for (int i = 0; i < 30; ++i) MenuFrame();
  if (!g_TrainingMainMenu || !g_TrainingMainMenu->OpenSettingMenu()) {
    state.SkipWithError("the setting menu did not open");
    harness.Stop();
    return;
  }
  g_TrainingMainMenu->OpenSettingMenu()->sets[0]->SetCursorById("AIR_RECOVERY");
  int frame = 0;
  for (auto _ : state) {
    // Left and right in turn every sixteenth frame: the choice and its help text change.
    MenuFrame(0, ++frame % 16 == 0 ? (frame % 32 ? 4 : 6) : 0);
  }
  CloseTrainingMenu();
  harness.Stop();
  g_GameModeFlags = 0;
  g_GameData = nullptr;
}
BENCHMARK(TrainingMenuWithSettingMenu)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
