// A movie played on the GL device: its frames reach the display texture, are drawn full screen
// into a render target, and the picture changes as the movie runs.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "app/save_data.h"
#include "gfx_test_env.h"
#include "platform/movie/movie_writer.h"
#include "platform/window_events.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class MovieGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("movie gl test", 640, 480));
    SetMovieClock([this] { return now_; });
    std::memset(&gameData_, 0, sizeof gameData_);
    g_GameData = &gameData_;
  }
  void TearDown() override {
    FreeMovieTextures(&textures_);
    ReleaseMovie();
    SetMovieClock({});
    g_GameData = nullptr;
    vt::platform::RunWindowThreadCalls();
    StopGl();
  }
  // Draws the current movie frame full screen into a 640 x 480 target; the centre pixel (B, G, R).
  uint32_t DrawAndReadCentre(TextureHandle* target) {
    SetRenderTargetTexture(target);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
    DrawMovieFrame(&textures_, 10);
    RenderMain();
    ResetDrawList(&g_MainDrawList);
    Texture* rt = HandleTexture(target);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    const uint8_t* p = sys->Pixels().data() + (static_cast<size_t>(240) * rt->Width() + 320) * 4;
    return p[0] | (p[1] << 8) | (p[2] << 16);
  }

  int64_t now_ = 0;
  MovieTextures textures_;
  GameData gameData_;
};

TEST_F(MovieGl, FramesAreDrawnAndChangeAsTheMovieRuns) {
  // Two seconds: dark red for the first second, bright green for the second.
  vt::movie::MovieRecipe recipe;
  recipe.width = 64;
  recipe.height = 48;
  recipe.fps = 25;
  recipe.seconds = 2.0;
  recipe.sound = false;
  recipe.paint = [](int n, uint8_t* rgb) {
    for (int i = 0; i < 64 * 48; ++i) {
      rgb[i * 3 + 0] = n < 25 ? 160 : 20;
      rgb[i * 3 + 1] = n < 25 ? 20 : 200;
      rgb[i * 3 + 2] = 20;
    }
  };
  std::filesystem::create_directories("Movie");
  ASSERT_TRUE(vt::movie::WriteMpegMovie("Movie/test.mpeg", recipe));
  CreateMovie();
  ASSERT_EQ(OpenMovieTexture(".\\Movie\\test.mpeg"), 1);
  ASSERT_EQ(CreateMovieTextures(&textures_), 1);
  ASSERT_EQ(PlayMovie(), 1);
  TextureHandle* target = CreateRenderTargetTexture(640, 480, FMT_A8R8G8B8);
  ASSERT_NE(target, nullptr);

  now_ = 300000000;  // 0.3 s
  uint32_t first = DrawAndReadCentre(target);
  now_ = 1500000000;  // 1.5 s
  uint32_t second = DrawAndReadCentre(target);
  auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  // B, G, R: red first (MPEG colour conversion leaves some tolerance), then green.
  EXPECT_GT(channel(first, 16), 100) << std::hex << first;
  EXPECT_LT(channel(first, 8), 80) << std::hex << first;
  EXPECT_GT(channel(second, 8), 140) << std::hex << second;
  EXPECT_LT(channel(second, 16), 80) << std::hex << second;
  FreeTexture(target);
}

}  // namespace
}  // namespace vt::test
