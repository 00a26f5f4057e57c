// The winner demo on the offscreen GL device: the winner screen with its quote, the VS result
// menu and the save's OK box, saved as screenshots for a look.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "FilePacFunc/FilePac.h"
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

// Pixels of a text picture with any coverage.
int InkedPixels(TextureHandle* t) {
  vt::gfx::Texture* tex = HandleTexture(t);
  if (!tex) return 0;
  int n = 0;
  const std::vector<uint8_t>& px = tex->Pixels();
  for (size_t i = 3; i < px.size(); i += 4) n += px[i] != 0 ? 1 : 0;
  return n;
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
  // The game texts come from the packs, mounted as start-up mounts them.
  ASSERT_TRUE(MountPackFiles());
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
  // The box says what happened, in letters that show.
  ASSERT_FALSE(g_VsResultSavedName.empty());
  EXPECT_EQ(g_VsResultMenu->lastMessage, FormatGameText(GetGameText(58), g_VsResultSavedName));
  EXPECT_GT(InkedPixels(g_VsResultMenu->okBox->infoTexture), 200);
  Shot("save_ok_box");
  // Closed, and tried again with a plain file where the folder should be: the failure text.
  harness.RunFrame(Pad(0, kDecide));
  for (int i = 0; i < 30; ++i) harness.RunFrame(Pad(0, 0));
  ASSERT_EQ(g_VsResultMenu->okBox, nullptr);
  std::filesystem::remove_all("ReplayVS");
  vt::test::WriteFile("ReplayVS", "not a folder");
  g_VsResultSavedName.clear();
  g_VsResultMenu->sets[0]->SetCursorById("SAVE_REPLAY");
  harness.RunFrame(Pad(0, kDecide));
  for (int i = 0; i < 30; ++i) harness.RunFrame(Pad(0, 0));
  ASSERT_NE(g_VsResultMenu->okBox, nullptr);
  EXPECT_EQ(g_VsResultMenu->lastMessage, GetGameText(59));
  EXPECT_FALSE(g_VsResultMenu->lastMessage.empty());
  EXPECT_GT(InkedPixels(g_VsResultMenu->okBox->infoTexture), 200);
  Shot("save_failed_ok_box");
  harness.LeaveScene();
  harness.Stop();
  GetPackList().Clear();
  g_GameTextTable.clear();
  FreeCharaSelectList();
  g_GameData = nullptr;
  g_GameModeFlags = 0;
}

}  // namespace
