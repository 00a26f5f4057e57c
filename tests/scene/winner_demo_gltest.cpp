// The winner demo on the offscreen GL device: the winner screen with its quote, the VS result
// menu and the save's OK box, saved as screenshots for a look.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/vs_result_menu.h"
#include "scene/winner_demo.h"
#include "scene/winner_screen.h"
#include "support/test_util.h"

namespace {

constexpr uint32_t kDecide = 1u << 1;  // the harness pad's raw bits: menu button 0

ScenePadFrame Pad(uint8_t dir, uint32_t buttons) {
  ScenePadFrame f;
  f.dir[0] = dir;
  f.buttons[0] = buttons;
  return f;
}

void Shot(const char* name) {
  const std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
  ASSERT_FALSE(px.empty());
  const char* dir = "/work/shots/winner";
  if (std::filesystem::exists("/work/shots")) {
    std::filesystem::create_directories(dir);
    vt::image::SaveImage(std::string(dir) + "/" + name + ".png", vt::image::kFilePng, px.data(), 640, 480);
  }
}

TEST(WinnerDemoGl, WinnerScreenMenuAndOkBox) {
  namespace fs = std::filesystem;
  fs::copy(fs::path(VT_SAMPLE_DIR), ".", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  GameData config{};
  FillDefaultGameData(config);
  config.SELECT_LANGUAGE = 1;
  g_GameData = &config;
  ASSERT_GT(LoadCharaSelectList(vt::test::ReadFile("charaselect.txt")), 1);
  for (StoryBattleRoute& r : g_StoryBattleRoutes) ResetStoryBattleRoute(r);
  g_GameModeFlags = MODE_VS_PLAYER;
  g_MainSide = 0;
  g_MatchWinnerSide = 0;
  g_WinnerCharacter = 0;
  g_LoserCharacter = 1;
  g_MainSideLost = 0;

  SceneHarness harness;
  SceneHarnessOptions o;
  o.gl = true;
  o.commonResources = true;
  o.firstScene = SCENE_WINNER_DEMO;
  if (!harness.Start(o)) GTEST_SKIP() << "no GL device";
  LoadGameText();
  for (int i = 0; i < 330; ++i) ASSERT_EQ(harness.RunFrame(Pad(0, 0)).sceneId, SCENE_WINNER_DEMO);
  EXPECT_FALSE(GetWinnerScreen().walkText.empty());
  Shot("winner_screen");
  harness.RunFrame(Pad(0, kDecide));
  for (int i = 0; i < 45; ++i) harness.RunFrame(Pad(0, 0));
  ASSERT_NE(g_VsResultMenu, nullptr);
  Shot("result_menu");
  g_VsResultMenu->sets[0]->SetCursorById("SAVE_REPLAY");
  harness.RunFrame(Pad(0, kDecide));
  for (int i = 0; i < 30; ++i) harness.RunFrame(Pad(0, 0));
  ASSERT_NE(g_VsResultMenu->okBox, nullptr);
  Shot("save_ok_box");
  harness.LeaveScene();
  harness.Stop();
  FreeCharaSelectList();
  g_GameData = nullptr;
  g_GameModeFlags = 0;
}

}  // namespace
