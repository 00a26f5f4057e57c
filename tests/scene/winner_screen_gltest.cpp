// The winner screen's masked background on the GL device: the band's column is cut out of the
// background target down to what lies under it, the rest shows the scrolling layers; and, with
// VT_WINNER_SHOTS set, pictures of the screen in an online rank match written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_gl_shots.h"
#include "battle/chara_list.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/winner_screen.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

struct Pixel {
  int r, g, b;
};

class WinnerScreenGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("winner", 640, 480));
    vt::SetDebugQuiet(true);
    namespace fs = std::filesystem;
    const fs::path sample(VT_SAMPLE_DIR);
    for (const char* folder : {"grp/win_qz", "grp/net_vs_select", "Shader"}) {
      fs::create_directories(fs::path(folder).parent_path().empty() ? fs::path(".")
                                                                    : fs::path(folder).parent_path());
      fs::copy(sample / folder, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    for (const char* sheet : {"grp/FontEx00.png", "grp/FontEx00_eng.png"})
      fs::copy(sample / sheet, sheet, fs::copy_options::overwrite_existing);
    ASSERT_GT(LoadCharaSelectList(vt::test::ReadFile((sample / "charaselect.txt").string())), 1);
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeWinnerScreenParts();
    FreeWinnerScreenTarget();
    GetWinnerScreen() = WinnerScreenState{};
    SetOnlineModeManager(nullptr);
    SetNetMatchResultSeq(nullptr);
    FreeCharaSelectList();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }
  // The screen of kind `kind` at `seconds` over a plain green floor, rendered.
  std::vector<uint8_t> At(int kind, float seconds) {
    WinnerScreenState& s = GetWinnerScreen();
    s.character = 0;
    s.picture = 0;
    s.labelSide = 0;
    LoadWinnerScreen(kind);
    s.frames = static_cast<int>(seconds * 60.0f + 0.5f);
    s.t = static_cast<float>(s.frames) / 60.0f;
    ResetDrawList(&g_MainDrawList);
    DrawRect(&g_MainDrawList, 0, 0, 640, 480, kFloor, kFloor, kFloor, kFloor, 100);
    DrawWinnerScreen();
    BindSceneRenderTargets();
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    RestoreBackBufferTargets();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    return battle_test::ReadSceneTarget(640, 480);
  }
  static Pixel P(const std::vector<uint8_t>& bgra, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
  }
  static bool IsFloor(Pixel p) { return p.r <= 3 && std::abs(p.g - 160) <= 3 && p.b <= 3; }
  static constexpr uint32_t kFloor = 0xFF00A000u;
};

// A draw shows the background alone: at 1 s the band is 192 wide and its white has faded. Inside
// the band's column (x 384..576) every pixel is the floor; outside it the waves cover parts of
// every column the mask leaves alone.
TEST_F(WinnerScreenGl, BackgroundMaskCutsTheBandColumn) {
  const std::vector<uint8_t> shot = At(1, 1.0f);
  ASSERT_FALSE(shot.empty());
  battle_test::SaveBattleShot(shot, 640, 480, "winner_background_draw", "VT_WINNER_SHOTS");
  struct Column {
    int x;
    bool open;
  } columns[] = {{400, true}, {480, true}, {560, true}, {40, false}, {200, false}, {320, false}};
  for (const Column& c : columns) {
    SCOPED_TRACE(c.x);
    int floor = 0;
    for (int y = 64; y < 384; ++y) floor += IsFloor(P(shot, c.x, y)) ? 1 : 0;
    if (c.open)
      EXPECT_EQ(floor, 320);
    else
      EXPECT_LT(floor, 300);
  }
}

// The whole screen in an online rank match, with its rank plates, for a look.
TEST_F(WinnerScreenGl, RankMatchPictures) {
  if (std::getenv("VT_WINNER_SHOTS") == nullptr) GTEST_SKIP() << "VT_WINNER_SHOTS names no folder";
  ScriptedOnlineModeManager online;
  online.netMode = 13;
  ScriptedMatchResultSeq seq;
  seq.rows.rows[0].points = 1520;
  seq.rows.rows[1].points = 980;
  SetOnlineModeManager(&online);
  SetNetMatchResultSeq(&seq);
  for (const float t : {0.3f, 0.9f, 1.5f, 2.0f, 3.0f}) {
    const std::vector<uint8_t> shot = At(0, t);
    char name[48];
    std::snprintf(name, sizeof name, "winner_rank_%04dms", static_cast<int>(t * 1000.0f));
    battle_test::SaveBattleShot(shot, 640, 480, name, "VT_WINNER_SHOTS");
  }
}

}  // namespace
}  // namespace vt::test
