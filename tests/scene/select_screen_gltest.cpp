// The character select's screen on the GL device over the sample sheets: the grid half
// revealed, the grid open with both previews, a colour list open, a style disk shown, and the
// ranking screen's form (background and chains only). Each picture is checked for what must
// show, and with VT_SELECT_SHOTS set it is written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_gl_shots.h"
#include "battle/chara_list.h"
#include "scene/chara_preview.h"
#include "scene/scene_fixture.h"
#include "scene/select_screen.h"
#include "scene/stage_select.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

class SelectScreenGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("select", 640, 480));
    vt::SetDebugQuiet(true);
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    FillDefaultGameData(config_);
    config_.SELECT_LANGUAGE = 1;
    g_GameData = &config_;
    for (const char* folder : {"data", "grp", "Shader"})
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ASSERT_EQ(LoadCharaSelectList(ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")),
              kRosterCharacterCount);
    const int characters[2] = {2, 4};
    for (int s = 0; s < 2; ++s) {
      g_CharaSelectSides[s] = CharaSelectSide{};
      g_CharaSelectSides[s].controller = s;
      g_CharaSelectSides[s].character = characters[s];
      g_CharaSelectSides[s].cursorCell = FindRosterCell(characters[s]);
      ResetStyleDisk(disks_[s], s);
      frame_.disks[s] = &disks_[s];
    }
    g_SelectTimeLimit = 20.0f;
  }
  void TearDown() override {
    StopCharaPreloader();
    FreeCharaSelectScreen();
    FreeStageSelect();
    FreeCharaSelectList();
    FreeShaderEffects();
    g_GameData = nullptr;
    g_SelectTimeLimit = -1.0f;
    g_SelectGridReady = false;
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    StopGl();
    vt::SetDebugQuiet(false);
  }
  void Frame() {
    frame_.frame = frameNumber_++;
    UpdateCharaSelectScreen(frame_);
    BindSceneRenderTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF000000u);
    DrawCharaSelectScreen(frame_);
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    RestoreBackBufferTargets();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    AgeHan6TextureCache();
  }
  // The picture, saved under the name, and the mean brightness of a box of it.
  std::vector<uint8_t> Shot(const char* name) {
    std::vector<uint8_t> picture = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(picture, 640, 480, name, "VT_SELECT_SHOTS");
    return picture;
  }
  // Pixels of a box whose colour differs clearly between two pictures.
  static int Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x0, int y0, int x1,
                       int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
        n += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 60;
      }
    return n;
  }

  GameData config_{};
  CharaSelectScreenFrame frame_;
  StyleDisk disks_[2];
  int frameNumber_ = 0;
};

TEST_F(SelectScreenGl, SelectScreens) {
  LoadCharaSelectScreen(0);
  StartCharaPreloader();
  // The grid half revealed: the top rows turned face-on, the lower ones still covered.
  while (frameNumber_ < 75) Frame();
  const auto mid = Shot("select_grid_mid_reveal");
  ASSERT_FALSE(mid.empty());
  const auto& grid = GetCharaSelectScreen().grid;
  EXPECT_EQ(grid[FindRosterCell(22)].coverAlpha, 0.0f);
  EXPECT_GT(grid[FindRosterCell(kRosterRandomCell)].coverAlpha, 0.5f);
  EXPECT_EQ(grid[62].coverAlpha, 1.0f);  // order 14, the last to lift
  // Open, with both previews loaded by the thread.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  auto shown = [] {
    return GetCharaPreviewSlot(0)->shown.load() != 0 && GetCharaPreviewSlot(1)->shown.load() != 0 &&
           GetCharaPreviewSlot(0)->portraitsPresent != 0 && GetCharaPreviewSlot(1)->portraitsPresent != 0;
  };
  while ((!g_SelectGridReady || !shown()) && std::chrono::steady_clock::now() < until) {
    Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(g_SelectGridReady);
  ASSERT_TRUE(shown());
  for (int i = 0; i < 40; ++i) Frame();
  const auto open = Shot("select_grid_revealed");
  EXPECT_GT(Differing(open, mid, 136, 38, 496, 330), 5000);
  // Side 0 browses its colours.
  g_CharaSelectSides[0].phase = 2;
  g_CharaSelectSides[0].colour = 9;
  TurnColourList(GetCharaPreviewSlot(0)->colourList, 9);
  for (int i = 0; i < 40; ++i) Frame();
  const auto colours = Shot("select_colour_list");
  EXPECT_GT(Differing(colours, open, 0, 270, 256, 400), 3000);
  // Side 1 turns its style disk.
  g_CharaSelectSides[0].phase = 0;
  g_CharaSelectSides[1].phase = 1;
  disks_[1].state = kStyleDiskShown;
  disks_[1].styleIndex = 1;
  disks_[1].angle = 60.0f;
  for (int i = 0; i < 40; ++i) Frame();
  const auto disk = Shot("select_style_disk");
  EXPECT_GT(Differing(disk, colours, 400, 200, 640, 480), 5000);
}

TEST_F(SelectScreenGl, RankingForm) {
  LoadCharaSelectScreen(1);
  for (int i = 0; i < 120; ++i) Frame();
  const auto p = Shot("select_mode1_ranking");
  ASSERT_FALSE(p.empty());
  // Against a black picture: the background and chains cover the screen.
  EXPECT_GT(Differing(p, std::vector<uint8_t>(p.size(), 0), 0, 0, 640, 480), 640 * 480 / 2);
}

}  // namespace
}  // namespace vt::test
