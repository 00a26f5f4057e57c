// The game's movie player: the frame copy (flip, 24-to-32 expansion, clamping), restart near the
// end, one copy per frame, completion through the window thread, and failures that stay local.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/gfx_test_env.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "platform/movie/movie_writer.h"
#include "platform/window_events.h"
#include "support/test_util.h"

namespace {

// A 4 x 2 frame, bottom-up BGR: buffer row 0 is the picture's bottom row.
const uint8_t kFrame24[2 * 12] = {
    // bottom row: pixels 10.., 20.., 30.., 40..
    10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42,
    // top row
    50, 51, 52, 60, 61, 62, 70, 71, 72, 80, 81, 82};

struct CopyCase {
  const char* name;
  int surfaceWidth;
  int surfaceHeight;
  int surfaceFormat;
  bool ok;
  int pixels;  // pixels written per row
  int rows;
};

TEST(MovieCopy, FlipsExpandsAndClamps) {
  const CopyCase cases[] = {
      {"wider X8R8G8B8 texture", 16, 16, kMovieFormatX8R8G8B8, true, 4, 2},
      {"A8R8G8B8 texture", 4, 2, kMovieFormatA8R8G8B8, true, 4, 2},
      {"narrower surface", 2, 1, kMovieFormatX8R8G8B8, true, 2, 1},
      {"same 24-bit format", 8, 4, kMovieFormatR8G8B8, true, 4, 2},
      {"unknown surface format", 8, 4, 99, true, 4, 2},  // treated as 32-bit
  };
  for (const CopyCase& c : cases) {
    const int bpp = c.surfaceFormat == kMovieFormatR8G8B8 ? 3 : 4;
    const int pitch = c.surfaceWidth * bpp;
    std::vector<uint8_t> surface(static_cast<size_t>(pitch) * c.surfaceHeight + 16, 0xEE);
    MovieSurface s{surface.data(), pitch, c.surfaceWidth, c.surfaceHeight, c.surfaceFormat};
    ASSERT_EQ(CopyFrameRows(kFrame24, 4, 2, kMovieFormatR8G8B8, s), c.ok) << c.name;
    for (int y = 0; y < c.surfaceHeight; ++y) {
      for (int x = 0; x < c.surfaceWidth; ++x) {
        const uint8_t* px = surface.data() + y * pitch + x * bpp;
        if (y < c.rows && x < c.pixels) {
          // Surface row 0 is the picture's top row, which is the frame's last row.
          const uint8_t* src = kFrame24 + (1 - y) * 12 + x * 3;
          EXPECT_EQ(px[0], src[0]) << c.name << " " << x << "," << y;
          EXPECT_EQ(px[1], src[1]) << c.name;
          EXPECT_EQ(px[2], src[2]) << c.name;
          if (bpp == 4) {
            EXPECT_EQ(px[3], 255) << c.name;
          }
        } else {
          EXPECT_EQ(px[0], 0xEE) << c.name << " wrote outside the frame at " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(surface.back(), 0xEE) << c.name;
  }
  // A 32-bit frame into a 24-bit surface is not a copy the player makes.
  uint8_t out[64];
  MovieSurface s24{out, 12, 4, 2, kMovieFormatR8G8B8};
  EXPECT_FALSE(CopyFrameRows(kFrame24, 2, 2, kMovieFormatX8R8G8B8, s24));
}

// Movies on the recording device: textures are CPU images whose pixels the tests read.
class MovieTest : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    SetMovieClock([this] { return now_; });
    std::memset(&gameData_, 0, sizeof gameData_);
    gameData_.BackgroundSound = 1;
    g_GameData = &gameData_;
  }
  void TearDown() override {
    FreeMovieTextures(&textures_);
    SetMovieClock({});
    g_GameData = nullptr;
    vt::platform::RunWindowThreadCalls();
    RecordingGfx::TearDown();
  }
  // First pixel (B, G, R, X) of the display texture.
  const uint8_t* DisplayPixel() { return HandleTexture(textures_.display)->Pixels().data(); }
  void At(double seconds) { now_ = static_cast<int64_t>(seconds * 1e9); }
  static void Write(const std::string& path, double seconds) {
    vt::movie::MovieRecipe recipe;
    recipe.width = 64;
    recipe.height = 48;
    recipe.fps = 25;
    recipe.seconds = seconds;
    recipe.sound = false;
    recipe.paint = [](int n, uint8_t* rgb) { std::memset(rgb, 16 + 8 * n, 64 * 48 * 3); };
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(vt::movie::WriteMpegMovie(path, recipe));
  }

  int64_t now_ = 0;
  MovieTextures textures_;
  GameData gameData_;
};

TEST_F(MovieTest, PlayRestartsFromTheStartWithUnderASecondLeft) {
  Write("dat/dat_m_ttl.d", 3.0);
  ASSERT_EQ(OpenMovieTexture(".\\dat\\dat_m_ttl.d"), 1);
  ASSERT_EQ(CreateMovieTextures(&textures_), 1);
  EXPECT_EQ(textures_.width, 64);
  EXPECT_EQ(textures_.height, 64);
  const std::pair<double, double> cases[] = {{2.5, 0.0}, {1.5, 1.5}, {2.1, 0.0}, {0.0, 0.0}};
  for (auto [from, expected] : cases) {
    StopMovie();
    SeekMovie(from, false);
    ASSERT_EQ(PlayMovie(), 1);
    EXPECT_NEAR(GetMoviePosition(), expected, 1e-6) << from;
  }
}

TEST_F(MovieTest, AFrameIsNeverCopiedTwice) {
  Write("dat/dat_m_vs.d", 1.0);
  ASSERT_EQ(OpenMovieTexture(".\\dat\\dat_m_vs.d"), 1);
  ASSERT_EQ(CreateMovieTextures(&textures_), 1);
  uint32_t quads = g_MainDrawList.quadCount;
  DrawMovieFrame(&textures_, 10);
  EXPECT_EQ(g_Movie->framesCopied, 1u);
  EXPECT_NEAR(DisplayPixel()[0], 16, 6);
  EXPECT_EQ(g_MainDrawList.quadCount, quads + 1);  // the full-screen quad, every frame
  At(0.01);
  DrawMovieFrame(&textures_, 10);
  uint8_t scratch[64 * 4 * 48];
  EXPECT_EQ(CopyFrameToSurface(MovieSurface{scratch, 64 * 4, 64, 48, kMovieFormatX8R8G8B8}), S_FALSE);
  EXPECT_EQ(g_Movie->framesCopied, 1u);
  At(0.05);
  DrawMovieFrame(&textures_, 10);
  EXPECT_EQ(g_Movie->framesCopied, 2u);
  EXPECT_EQ(g_MainDrawList.quadCount, quads + 3);
  // The picture is frame 1: grey 24, expanded with alpha 255.
  EXPECT_NEAR(DisplayPixel()[0], 24, 6);
  EXPECT_EQ(DisplayPixel()[3], 255);
}

TEST_F(MovieTest, CompletionStopsTheMovie) {
  Write("Movie/ZOLV_OP.mpeg", 0.8);
  ASSERT_EQ(OpenMovieTexture(".\\Movie\\ZOLV_OP.mpeg"), 1);
  ASSERT_EQ(CreateMovieTextures(&textures_), 1);
  EXPECT_EQ(IsMoviePlaying(), 1);
  At(0.4);
  EXPECT_EQ(IsMoviePlaying(), 1);
  At(2.0);
  DrawMovieFrame(&textures_, 0);  // notices the end; the event goes to the window thread
  EXPECT_EQ(g_Movie->playState, 2);
  vt::platform::RunWindowThreadCalls();
  EXPECT_EQ(g_MovieLastEvent.load(), vt::movie::kEventComplete);
  EXPECT_EQ(g_MoviePlaying.load(), 0);
  EXPECT_EQ(g_Movie->playState, 3);
  EXPECT_EQ(IsMoviePlaying(), 0);
}

// After a device reset the next drawn frame reopens the file and goes on from where it was.
TEST_F(MovieTest, DeviceResetReopensAndContinues) {
  Write("dat/dat_m_ttl.d", 3.0);
  ASSERT_EQ(OpenMovieTexture(".\\dat\\dat_m_ttl.d"), 1);
  ASSERT_EQ(CreateMovieTextures(&textures_), 1);
  At(1.2);
  DrawMovieFrame(&textures_, 0);
  uint64_t copied = g_Movie->framesCopied;
  SetMovieRestartFlag();
  DrawMovieFrame(&textures_, 0);
  EXPECT_EQ(g_Movie->restartFlag.load(), 0);
  EXPECT_NEAR(GetMoviePosition(), 1.2, 1e-6);
  EXPECT_EQ(IsMoviePlaying(), 1);
  EXPECT_EQ(g_Movie->framesCopied, copied + 1);  // the reopened player's frame is copied afresh
  At(1.5);
  EXPECT_NEAR(GetMoviePosition(), 1.5, 1e-6);
}

// Missing or damaged files fail alone: without the opening movie the backgrounds still open, and
// a damaged file leaves the next open unaffected.
TEST_F(MovieTest, FailuresStayWithTheirFile) {
  vt::SetDebugQuiet(true);
  Write("dat/dat_m_ttl.d", 1.0);
  vt::test::WriteFile("dat/broken.d", std::string(5000, '\x47'));
  const std::pair<const char*, int> cases[] = {{".\\Movie\\ZOLV_OP.mpeg", 0},
                                               {".\\dat\\dat_m_ttl.d", 1},
                                               {".\\dat\\broken.d", 0},
                                               {".\\dat\\missing.d", 0},
                                               {".\\DAT\\DAT_M_TTL.D", 1}};
  for (auto [path, ok] : cases) {
    EXPECT_EQ(OpenMovieTexture(path), ok) << path;
    EXPECT_EQ(CreateMovieTextures(&textures_), ok) << path;
    EXPECT_EQ(IsMoviePlaying(), ok) << path;
    FreeMovieTextures(&textures_);
  }
  EXPECT_EQ(OpenMovie(nullptr), E_POINTER);
  vt::SetDebugQuiet(false);
}

TEST_F(MovieTest, SoundVolumeFollowsTheMusicStep) {
  struct Case {
    int step;
    int attract;
    int background;
    int32_t volume;
  };
  const Case cases[] = {{0, 0, 1, 0},       {3, 0, 1, -500},   {20, 0, 1, -3333},
                        {21, 0, 1, -10000}, {3, 1, 0, -10000}, {3, 1, 1, -500}};
  for (const Case& c : cases) {
    gameData_.BgmVolume = c.step;
    gameData_.BackgroundSound = c.background;
    g_AttractMute = c.attract;
    EXPECT_EQ(MovieVolumeFromOptions(), c.volume) << c.step << " " << c.attract;
  }
  g_AttractMute = 0;
}

}  // namespace
