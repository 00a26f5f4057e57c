// The main menu and the stage select on the offscreen GL device over the sample data: the menu's
// root and versus lists and the stage panel are rendered, checked for what must be on screen,
// and written as pictures where VT_MENU_SHOTS names a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Text/system_font.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "scene/credits.h"
#include "scene/main_menu.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/stage_bg.h"
#include "scene/stage_select.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDecide = 0x2;

void CopySampleFolders() {
  for (const char* item : {"grp", "Information", "Bg", "Shader", "_sysfont.ini"})
    if (!fs::exists(item) && fs::exists(fs::path(VT_SAMPLE_DIR) / item))
      fs::copy(fs::path(VT_SAMPLE_DIR) / item, item, fs::copy_options::recursive);
}

// Mean brightness (0..255) of a rectangle of a BGRA picture 640 wide.
double Brightness(const std::vector<uint8_t>& px, int x0, int y0, int w, int h) {
  double sum = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const size_t i = (static_cast<size_t>(y) * 640 + static_cast<size_t>(x)) * 4;
      sum += (px[i] + px[i + 1] + px[i + 2]) / 3.0;
    }
  return sum / (w * h);
}

class MainMenuGl : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    CopySampleFolders();
  }
  void TearDown() override {
    vt::text::FreeBitmapFonts();
    harness_.Stop();
    FreeStageSelect();
    FreeStageList();
    SceneTest::TearDown();
  }
  bool Start(int scene) {
    SceneHarnessOptions o;
    o.gl = true;
    o.width = 640;
    o.height = 480;
    o.firstScene = scene;
    if (!harness_.Start(o)) return false;
    vt::text::LoadSystemFonts();  // as start-up loads them: the menu's labels are system-font text
    return true;
  }
  static std::vector<uint8_t> Shot(const char* name) {
    std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(px, 640, 480, name, "VT_MENU_SHOTS");
    return px;
  }
  SceneHarness harness_;
};

TEST_F(MainMenuGl, RootAndVersusLists) {
  ASSERT_TRUE(Start(SCENE_MAIN_MENU));
  harness_.Run(30);
  ASSERT_NE(GetMainMenu(), nullptr);
  ASSERT_NE(GetMainMenu()->background, nullptr);
  const std::vector<uint8_t> root = Shot("main_menu_root");
  ASSERT_EQ(root.size(), 640u * 480u * 4u);
  // The background covers the screen (not black), the list's labels are brighter than the band
  // beside them.
  EXPECT_GT(Brightness(root, 400, 150, 200, 200), 10.0);
  EXPECT_GT(Brightness(root, 60, 80, 120, 220), Brightness(root, 250, 420, 100, 40) * 0.5);
  std::vector<ScenePadFrame> pads(4);
  pads[0].dir[0] = 2;
  pads[2].buttons[0] = kDecide;
  harness_.SetPads(pads);
  harness_.Run(30);
  ASSERT_EQ(GetMainMenu()->CurrentSet()->name, "MENU_VERSUS");
  const std::vector<uint8_t> versus = Shot("main_menu_versus");
  EXPECT_NE(root, versus);
}

// A stand-in for the character select's stage state: the panel shown and driven by the pads.
int StageScene(int) {
  if (g_SceneEnter != 0) {
    g_SceneEnter = 0;
    LoadBgList();
    LoadStageSelect();
    g_MatchStage = 0;
    g_StageSelect.panel = 1.0f;
  }
  PollSceneInput();
  UpdateStageSelect();
  DrawStageSelect(1);
  return 1;
}

TEST_F(MainMenuGl, StageSelectPanel) {
  ASSERT_TRUE(Start(SCENE_MAIN_MENU));
  g_GameModeFlags = MODE_VS_PLAYER;
  g_CreditState.players[0].joined = 1;
  RegisterScene(SCENE_CHARA_SELECT, {StageScene, nullptr});
  ChangeScene(SCENE_CHARA_SELECT);
  harness_.Run(40);
  ASSERT_NE(g_StageSelect.entries[1], nullptr);
  EXPECT_EQ(g_StageSelect.panel, 0.0f);
  const std::vector<uint8_t> random = Shot("stage_select_random");
  std::vector<ScenePadFrame> pads(3);
  pads[0].dir[0] = 2;
  harness_.SetPads(pads);
  harness_.Run(3);
  EXPECT_EQ(g_MatchStage, 1);
  Shot("stage_select_scrolling");
  harness_.Run(20);
  const std::vector<uint8_t> harbour = Shot("stage_select_stage1");
  // The view picture's place shows another picture for another stage.
  EXPECT_GT(std::abs(Brightness(harbour, 380, 260, 200, 80) - Brightness(random, 380, 260, 200, 80)), 3.0);
  g_GameModeFlags = 0;
}

}  // namespace
