// Both sides' previews on the GL device, loaded by the real preloader thread from the sample
// data: portraits slid in from the edges, name plates at the bottom and the animated characters
// in front, a partner character in two layers on the left. With VT_SELECT_SHOTS set, the picture
// is written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
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
#include "support/test_util.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

class PreviewGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("previews", 640, 480));
    vt::SetDebugQuiet(true);
    battle_test::ResetWorld();
    scene_test::ResetSceneWords();
    for (const char* folder : {"data", "grp", "Shader"})
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ASSERT_EQ(LoadCharaSelectList(ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt")),
              kRosterCharacterCount);
  }
  void TearDown() override {
    StopCharaPreloader();
    FreeCharaSelectList();
    FreeShaderEffects();
    scene_test::ResetSceneWords();
    battle_test::ResetWorld();
    StopGl();
    vt::SetDebugQuiet(false);
  }
  static void Frame() {
    UpdateCharaPreviews(true);
    BindSceneRenderTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF202838u);
    DrawCharaPreviews();
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    RestoreBackBufferTargets();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    AgeHan6TextureCache();
  }
};

TEST_F(PreviewGl, BothSidesPreviews) {
  StartCharaPreloader();
  const int characters[2] = {2, 4};  // a partner pair on the left, the three-style one on the right
  for (int s = 0; s < 2; ++s) {
    g_CharaSelectSides[s] = CharaSelectSide{};
    g_CharaSelectSides[s].controller = s;
    g_CharaSelectSides[s].character = characters[s];
    g_CharaSelectSides[s].cursorCell = FindRosterCell(characters[s]);
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  auto shown = [] {
    return GetCharaPreviewSlot(0)->player.shownFrames > 0 && GetCharaPreviewSlot(1)->player.shownFrames > 0 &&
           GetCharaPreviewSlot(0)->shown.load() != 0 && GetCharaPreviewSlot(1)->shown.load() != 0;
  };
  while (!shown() && std::chrono::steady_clock::now() < until) {
    Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(shown());
  // Colour 3 on the left; on the right the colour the side chose.
  g_CharaSelectSides[0].colour = 3;
  g_CharaSelectSides[1].colour = 10;
  for (int f = 0; f < 40; ++f) Frame();
  const std::vector<uint8_t> picture = battle_test::ReadSceneTarget(640, 480);
  ASSERT_FALSE(picture.empty());
  battle_test::SaveBattleShot(picture, 640, 480, "select_previews", "VT_SELECT_SHOTS");
  auto at = [&picture](int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return std::array<int, 3>{picture[i + 2], picture[i + 1], picture[i]};
  };
  const std::array<int, 3> background = {0x20, 0x28, 0x38};  // the clear colour
  int differs[2] = {0, 0};
  // Each side's lower half shows its portrait, plates and character over the clear colour.
  for (int s = 0; s < 2; ++s)
    for (int y = 240; y < 480; y += 4)
      for (int x = s * 320; x < s * 320 + 320; x += 4) {
        const auto p = at(x, y);
        differs[s] +=
            std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) + std::abs(p[2] - background[2]) >
            40;
      }
  EXPECT_GT(differs[0], 500);
  EXPECT_GT(differs[1], 500);
}

}  // namespace
}  // namespace vt::test
