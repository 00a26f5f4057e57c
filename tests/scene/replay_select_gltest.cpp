// The replay select on the offscreen GL device over the sample folder: the list with the preview
// and the icons of the replay under the cursor, the sub-folder, and the delete confirmation.
// Pictures go to the folder VT_REPLAY_SHOTS names.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "FilePacFunc/FilePac.h"
#include "app/save_data.h"
#include "app/text_list.h"
#include "battle/battle_gl_shots.h"
#include "battle/chara_list.h"
#include "scene/replay_select.h"
#include "scene/scene_fixture.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

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

class ReplaySelectGl : public scene_test::SceneTest {
 protected:
  void TearDown() override {
    harness_.Stop();
    GetPackList().Clear();
    FreeCharaSelectList();
    SceneTest::TearDown();
  }
  // Frames until the browser's list is complete, its preview made and the fade over.
  void Settle() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0;; ++i) {
      harness_.RunFrame(ScenePadFrame{});
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      CReplayFilerLayer* b = g_SceneReplayVSMenu.browser.get();
      if (i > 40 && b && b->FillDone() && b->HasPreview()) break;
      if (std::chrono::steady_clock::now() > end) break;
    }
    // The icons asked for by the drawing come a pass later.
    for (int i = 0; i < 10; ++i) {
      harness_.RunFrame(ScenePadFrame{});
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  std::vector<uint8_t> Shot(const char* name) {
    std::vector<uint8_t> px = battle_test::ReadSceneTarget(640, 480);
    battle_test::SaveBattleShot(px, 640, 480, name, "VT_REPLAY_SHOTS");
    return px;
  }
  SceneHarness harness_;
};

TEST_F(ReplaySelectGl, ListPreviewIconsSubFolderAndDeleteBox) {
  fs::copy(fs::path(VT_SAMPLE_DIR), ".", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  ASSERT_GT(LoadCharaSelectList(vt::test::ReadFile("charaselect.txt")), 1);
  SceneHarnessOptions o;
  o.gl = true;
  o.width = 640;
  o.height = 480;
  o.commonResources = true;
  o.firstScene = SCENE_REPLAY_SELECT;
  if (!harness_.Start(o)) GTEST_SKIP() << "no GL device";
  ASSERT_TRUE(MountPackFiles());  // the game texts are in a pack
  LoadGameText();
  GoToReplaySelect();
  Settle();
  CReplayFilerLayer* b = g_SceneReplayVSMenu.browser.get();
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->SelectByName("sample_match.rep"), 1);
  Settle();
  const std::vector<uint8_t> top = Shot("replay_select_top");
  ASSERT_EQ(top.size(), 640u * 480u * 4u);
  // The background, the cursor bar of row 1, the preview's first line and the large icons.
  EXPECT_GT(Brightness(top, 300, 200, 200, 100), 3.0);
  EXPECT_GT(Brightness(top, 0, 96, 40, 18), Brightness(top, 0, 118, 40, 18));
  EXPECT_GT(Brightness(top, 32, 364, 300, 18), 10.0);
  EXPECT_GT(Brightness(top, 412, 396, 208, 64), 30.0);

  const uint32_t decide = ScriptedPadButtons(0, 0x400), start = ScriptedPadButtons(0, 0x1);
  ASSERT_EQ(b->SelectByName("Sample"), 1);
  ScenePadFrame press;
  press.buttons[0] = decide;
  harness_.RunFrame(press);
  Settle();
  ASSERT_EQ(b->Depth(), 1);
  ASSERT_EQ(b->SelectByName("sample_rematch.rep"), 1);
  Settle();
  const std::vector<uint8_t> sub = Shot("replay_select_sub_folder");
  EXPECT_NE(sub, top);

  press.buttons[0] = start;
  harness_.RunFrame(press);
  for (int i = 0; i < 30; ++i) harness_.RunFrame(ScenePadFrame{});
  ASSERT_NE(g_ReplayDeleteBox, nullptr);
  Shot("replay_select_delete_box");
}

}  // namespace
