// The VS presentation on the GL device with the sample pictures: the masked cut-in composition
// (the stripe the mask keeps shows the cut-in, the rest of the target shows what is under it),
// and with VT_VS_SHOTS set, pictures of the portrait, cut-in and panel phases over the still and
// the movie written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/gfx_test_env.h"
#include "app/app_config.h"
#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "scene/vs_presentation.h"

namespace vt::test {
namespace {

struct Pixel {
  int r, g, b;
};

class VsScreenGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("vs", 640, 480));
    vt::SetDebugQuiet(true);
    namespace fs = std::filesystem;
    const fs::path sample(VT_SAMPLE_DIR);
    for (const char* folder : {"grp/vsdemo_QZ", "grp/C_Sel_QZ", "dat", "Shader"}) {
      fs::create_directories(fs::path(folder).parent_path().empty() ? fs::path(".")
                                                                    : fs::path(folder).parent_path());
      fs::copy(sample / folder, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    battle_test::CopyHarnessSampleData();
    ASSERT_TRUE(HarnessLoadCharaList());
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    for (int i = 0; i < 2; ++i) {
      g_PlayerSelections[i] = PlayerSelection{};
      g_PlayerSelections[i].character = i;
      g_PlayerSelections[i].side = i;
      g_PlayerSelections[i].type = i;
      g_PlayerSelections[i].color = 4 + i;
    }
  }
  void TearDown() override {
    FreeVsScreen();
    SetMovieClock({});
    g_AppConfig.NoVsMovie = 0;
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  void Load(bool movie, int hidden = -1) {
    g_AppConfig.NoVsMovie = movie ? 0 : 1;
    BuildVsInfo(hidden);
    LoadVsScreen();
    ASSERT_EQ(VsScreenHasMovie(), movie);
  }

  // The show at `seconds` (the clock stepped there, then one update that composes the cut-ins),
  // rendered into the scene target; its 640 x 480 picture.
  std::vector<uint8_t> At(float seconds) {
    SetMovieClock([seconds] { return static_cast<int64_t>(seconds * 1e9); });
    g_VsScreenTime = seconds - 1.0f / 60.0f;
    ResetDrawList(&g_MainDrawList);
    UpdateVsScreen();
    g_VsScreenTime = seconds;  // the still's clock stepped one frame past it
    DrawVsScreen();
    return Render();
  }
  std::vector<uint8_t> Render() {
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
  // The still background alone, as the frame shows it where nothing covers it.
  std::vector<uint8_t> StillOnly() {
    ResetDrawList(&g_MainDrawList);
    DrawSprite(&g_MainDrawList, GetVsStillBackground(), 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0, 0);
    return Render();
  }
  static Pixel P(const std::vector<uint8_t>& bgra, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
  }
  static bool Near(Pixel a, Pixel b, int d = 3) {
    return std::abs(a.r - b.r) <= d && std::abs(a.g - b.g) <= d && std::abs(a.b - b.b) <= d;
  }
  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name, "VT_VS_SHOTS");
  }
};

// At 6 s the cut-in pictures show (no band, portraits gone, panels only near the top and bottom):
// inside the stripe each mask keeps, the cut-in; outside it, the still background untouched.
TEST_F(VsScreenGl, CutInsShowOnlyThroughTheirMasks) {
  Load(false);
  ASSERT_NE(GetVsSidePictures(0).mask, nullptr);
  ASSERT_NE(GetVsSidePictures(1).mask, nullptr);
  ASSERT_NE(GetVsSidePictures(0).target, nullptr);
  const std::vector<uint8_t> shot = At(6.0f);
  const std::vector<uint8_t> still = StillOnly();
  ASSERT_FALSE(shot.empty());
  // Row 200: side 0 keeps target x 74..202, side 1 target x 54..182 (screen 438..566).
  struct Probe {
    const char* what;
    int x, y;
    bool cutIn;
  } probes[] = {
      {"side 0 stripe", 138, 200, true},       {"side 0 left of it", 10, 200, false},
      {"side 0 right of it", 240, 200, false}, {"side 1 stripe", 502, 200, true},
      {"side 1 right of it", 624, 200, false}, {"between the targets", 320, 200, false},
  };
  for (const Probe& p : probes) {
    const Pixel a = P(shot, p.x, p.y), b = P(still, p.x, p.y);
    EXPECT_EQ(!Near(a, b, 6), p.cutIn)
        << p.what << ": " << a.r << "," << a.g << "," << a.b << " over " << b.r << "," << b.g << "," << b.b;
  }
  Shot(shot, "vs_still_cutin_6s");
}

TEST_F(VsScreenGl, Pictures) {
  Load(false);
  Shot(At(0.9f), "vs_still_flash_0.9s");
  Shot(At(2.0f), "vs_still_portraits_2s");
  Shot(At(4.3f), "vs_still_cutin_band_4.3s");
  Shot(At(6.5f), "vs_still_panels_6.5s");
  FreeVsScreen();
  Load(true);
  Shot(At(2.0f), "vs_movie_portraits_2s");
  Shot(At(4.3f), "vs_movie_cutin_band_4.3s");
  Shot(At(6.5f), "vs_movie_panels_6.5s");
  FreeVsScreen();
  Load(false, 1);
  Shot(At(2.0f), "vs_still_hidden_side1_2s");
  Shot(At(6.5f), "vs_still_hidden_side1_6.5s");
}

}  // namespace
}  // namespace vt::test
