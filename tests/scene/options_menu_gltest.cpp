// The options screen on the offscreen GL device over the sample data: the background, the list
// with its values, the help window and the portrait are rendered and checked for what must be on
// screen, and written as pictures where VT_OPTION_SHOTS names a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Text/system_font.h"
#include "app/file_loader.h"
#include "battle/battle_gl_shots.h"
#include "battle/chara_list.h"
#include "scene/options_menu.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"

namespace {

namespace fs = std::filesystem;

void CopySampleFolders() {
  for (const char* item : {"grp", "Information", "Shader", "data", "charaselect.txt", "_sysfont.ini"})
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

class OptionsGl : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    CopySampleFolders();
    if (const DataBuffer list = LoadDataFile(".\\charaselect.txt")) LoadCharaSelectList(list.text());
  }
  void TearDown() override {
    vt::text::FreeBitmapFonts();
    harness_.Stop();
    FreeCharaSelectList();
    SceneTest::TearDown();
  }
  SceneHarness harness_;
};

TEST_F(OptionsGl, MenuOverItsBackground) {
  SceneHarnessOptions o;
  o.gl = true;
  o.width = 640;
  o.height = 480;
  o.firstScene = SCENE_OPTION;
  // Come from the main menu, which hides the credit prompts.
  g_CreditState.players[0].joinMode = 3;
  g_CreditState.players[1].joinMode = 3;
  ASSERT_TRUE(harness_.Start(o));
  vt::text::LoadSystemFonts();  // as start-up loads them: the labels are system-font text
  harness_.Run(30);
  ASSERT_NE(GetOptionMenu(), nullptr);
  std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
  battle_test::SaveBattleShot(px, 640, 480, "options_menu", "VT_OPTION_SHOTS");
  ASSERT_EQ(px.size(), 640u * 480u * 4u);
  // The labels' column is brighter than the empty band right of the values.
  EXPECT_GT(Brightness(px, 96, 56, 120, 330), Brightness(px, 440, 100, 40, 200) + 5.0);
  // The help window's band lies across the bottom, the background shows at the top.
  EXPECT_GT(Brightness(px, 0, 0, 640, 20), 1.0);
  // DEFAULT taken: the screen is another, the values move (the list's value column changes).
  GetOptionMenu()->Set()->SetCursorById("Default");
  std::vector<ScenePadFrame> pads(3);
  pads[0].buttons[0] = 0x2;
  harness_.SetPads(pads);
  harness_.Run(10);
  std::vector<uint8_t> after = battle_test::ReadSceneTarget(640, 480);
  battle_test::SaveBattleShot(after, 640, 480, "options_menu_default", "VT_OPTION_SHOTS");
  EXPECT_NE(px, after);
}

}  // namespace
