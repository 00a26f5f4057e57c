// The boot logos and the title on the offscreen GL device with the sample data: the picture
// presented is the logo's and then the title's (logo layers and prompt over the movie), saved for
// a look where the shots folder exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "app/save_data.h"
#include "platform/gfx/device.h"
#include "platform/image.h"
#include "platform/window_events.h"
#include "scene/boot_scene.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/scene_harness.h"
#include "scene/title_scene.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> BackBuffer() {
  vt::gfx::TextureRef back = g_D3DDevice->GetBackBuffer();
  vt::gfx::TextureRef sys = g_D3DDevice->CreateTexture(back->Width(), back->Height(), 0,
                                                       vt::gfx::FMT_A8R8G8B8, vt::gfx::POOL_SYSTEMMEM);
  EXPECT_EQ(g_D3DDevice->GetRenderTargetData(back.get(), sys.get()), vt::gfx::kOk);
  return sys->Pixels();
}

// B, G, R of a back-buffer pixel at a point of the 640 x 480 picture (shown 960 x 720 from x 160).
uint32_t At(const std::vector<uint8_t>& px, int x, int y) {
  const int bx = 160 + x * 3 / 2, by = y * 3 / 2;
  const uint8_t* p = px.data() + (static_cast<size_t>(by) * 1280 + bx) * 4;
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
}

void Save(const std::vector<uint8_t>& px, const char* name) {
  const char* shots = "/work/shots/title";
  if (fs::exists(shots))
    vt::image::SaveImage(std::string(shots) + "/" + name, vt::image::kFilePng, px.data(), 1280, 720);
}

class BootTitleGl : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"grp/logo", "grp/title_QZ", "dat", "Movie"}) {
      fs::create_directories(folder);
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    FillDefaultGameData(config_);
    g_GameData = &config_;
    SetMovieClock([this] { return static_cast<int64_t>(h_.framesRun()) * 1000000000 / 60; });
  }
  void TearDown() override {
    h_.Stop();
    ReleaseMovie();
    SetMovieClock({});
    vt::platform::RunWindowThreadCalls();
    g_GameData = nullptr;
    g_TitleSkipIntro = 0;
  }
  bool Start(int first) {
    SceneHarnessOptions o;
    o.gl = true;
    o.firstScene = first;
    return h_.Start(o);
  }
  SceneHarness h_;
  GameData config_{};
};

TEST_F(BootTitleGl, TheFirstLogoAndTheTitleWithItsPrompt) {
  ASSERT_TRUE(Start(0));
  h_.Run(90);  // logo 1 (logo02, green) held
  ASSERT_EQ(g_BootState.logoIndex, 1);
  std::vector<uint8_t> px = BackBuffer();
  Save(px, "boot_logo1.png");
  const uint32_t centre = At(px, 320, 150);  // green oval, not black
  EXPECT_GT((centre >> 8) & 0xFF, 60u);
  EXPECT_LT(At(px, 5, 5), 0x101010u);  // the black corner

  g_TitleSkipIntro = 1;
  h_.Stop();
  ASSERT_TRUE(Start(SCENE_TITLE));
  h_.Run(6);
  ASSERT_EQ(g_SceneId, SCENE_TITLE);
  EXPECT_EQ(GetTitleScreenState().promptAlpha, 255);
  px = BackBuffer();
  Save(px, "title_prompt.png");
  // The movie fills the picture; the logo layer's dark plate sits over it.
  EXPECT_NE(At(px, 320, 400), 0u);
}

}  // namespace
