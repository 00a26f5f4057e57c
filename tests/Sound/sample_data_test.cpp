// The sample game folder's sounds and movies through the game's own paths: every common effect
// and every music entry loads, music and an effect reach the mixed output, and each movie opens
// and shows changing pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/gfx_test_env.h"
#include "Dxtools/sound_test_util.h"
#include "Sound/soundproc.h"
#include "app/save_data.h"

namespace {

// The recording device's start and stop, for a test that needs it in only one of its cases.
struct GfxTools : vt::test::RecordingGfx {
  using RecordingGfx::StartTools;
  using RecordingGfx::StopTools;
};

class SampleDataTest : public vt::test::NullDeviceFixture {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::filesystem::path(VT_SAMPLE_DIR) / "bgm"))
      GTEST_SKIP() << "no sample data";
    NullDeviceFixture::SetUp();
    ReleaseSoundDevice();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(VT_SAMPLE_DIR);
    std::memset(&gameData_, 0, sizeof gameData_);
    gameData_.BackgroundSound = 1;
    g_GameData = &gameData_;
    StartUpSound();
    g_AttractMute = 0;
    ApplySoundVolumes();
  }
  void TearDown() override {
    if (previous_.empty()) return;
    ReleaseSound();
    g_GameData = nullptr;
    std::filesystem::current_path(previous_);
    NullDeviceFixture::TearDown();
  }
  static int64_t Loudness(const std::vector<int16_t>& v) {
    int64_t sum = 0;
    for (int16_t s : v) sum += std::abs(s);
    return v.empty() ? 0 : sum / static_cast<int64_t>(v.size());
  }
  std::filesystem::path previous_;
  GameData gameData_;
};

TEST_F(SampleDataTest, EffectsAndMusicLoadAndSound) {
  EXPECT_EQ(LoadSystemSoundEffects(), kSystemSeCount);
  for (int slot : {20, 21, 22}) {  // the WAV effects
    ASSERT_NE(g_SeSlots[slot], nullptr) << slot;
  }
  int entries = 0;
  for (int n = 0; n < kBgmEntryCount; ++n) {
    if (g_BgmList[n].present == 0) continue;
    ++entries;
    EXPECT_EQ(LoadBgm(n), 1) << n;
  }
  EXPECT_GT(entries, 0);
  ASSERT_EQ(LoadBgm(81), 1);
  StartBgm();
  EXPECT_GT(Loudness(Run(44100, g_BgmStream.get())), 100);
  StopBgm();
  Run(4410);
  EXPECT_EQ(Loudness(Run(4410)), 0);
  g_SeRequest[152] = 1;
  UpdateSoundRequests();
  EXPECT_GT(Loudness(Run(2205)), 100);
}

TEST_F(SampleDataTest, MoviesOpenAndShowChangingPictures) {
  GfxTools::StartTools(nullptr, 1280, 720);
  int64_t now = 0;
  SetMovieClock([&] { return now; });
  for (const char* path : {".\\Movie\\ZOLV_OP.mpeg", ".\\dat\\dat_m_ttl.d", ".\\dat\\dat_m_vs.d"}) {
    MovieTextures textures;
    now = 0;
    ASSERT_EQ(OpenMovieTexture(path), 1) << path;
    ASSERT_EQ(CreateMovieTextures(&textures), 1) << path;
    EXPECT_EQ(textures.frameWidth, 320);
    EXPECT_EQ(textures.frameHeight, 240);
    DrawMovieFrame(&textures, 0);
    std::vector<uint8_t> first = HandleTexture(textures.display)->Pixels();
    now = 1'000'000'000;
    DrawMovieFrame(&textures, 0);
    EXPECT_NE(first, HandleTexture(textures.display)->Pixels()) << path;
    EXPECT_GT(Loudness(Run(4410)), 100) << path;  // the movie's sound
    FreeMovieTextures(&textures);
  }
  SetMovieClock({});
  GfxTools::StopTools();
}

}  // namespace
