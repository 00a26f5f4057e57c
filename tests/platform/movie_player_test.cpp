// The FFmpeg player on written fixtures with a hand-set clock: content probing, frame choice by
// position, bottom-up rows, completion, seeking and refusal of damaged files.
#include "platform/movie/movie_player.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/lib_debug.h"
#include "platform/audio/sound_mixer.h"
#include "platform/movie/movie_writer.h"
#include "support/test_util.h"

namespace {

using namespace vt::movie;

// Frame n is a flat grey of level 16 + 8n in the top half and black in the bottom half, so the
// frame shown and the row order can both be read back.
MovieRecipe GreyRecipe(double seconds = 1.0) {
  MovieRecipe recipe;
  recipe.width = 64;
  recipe.height = 48;
  recipe.fps = 25;
  recipe.seconds = seconds;
  recipe.paint = [](int n, uint8_t* rgb) {
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        uint8_t v = y < 24 ? static_cast<uint8_t>(16 + 8 * n) : 0;
        uint8_t* p = rgb + (y * 64 + x) * 3;
        p[0] = p[1] = p[2] = v;
      }
    }
  };
  return recipe;
}

struct MovieFixture : testing::Test {
  int64_t now = 0;
  MoviePlayer::Clock clock = [this] { return now; };
  void At(double seconds) { now = static_cast<int64_t>(seconds * 1e9); }
};

// Grey level of the top picture rows, which bottom-up come last in the bitmap.
int TopLevel(const MoviePlayer& p, const std::vector<uint8_t>& bits) {
  return bits[static_cast<size_t>(p.bytesPerRow()) * (p.height() - 1)];
}
int BottomLevel(const std::vector<uint8_t>& bits) { return bits[0]; }

TEST_F(MovieFixture, FramesFollowTheClockBottomUp) {
  ASSERT_TRUE(WriteMpegMovie("grey.d", GreyRecipe(1.0)));
  auto device = std::make_shared<vt::audio::NullSoundDevice>();
  MoviePlayer p(clock, device);
  ASSERT_TRUE(p.Open("grey.d"));
  EXPECT_EQ(p.width(), 64);
  EXPECT_EQ(p.height(), 48);
  EXPECT_EQ(p.bytesPerRow(), 64 * 3);
  EXPECT_NEAR(p.AverageFrameTime(), 0.04, 1e-9);
  EXPECT_NEAR(p.Duration(), 1.0, 0.1);
  std::vector<uint8_t> bits;
  ASSERT_TRUE(p.GetCurrentFrame(&bits));
  ASSERT_EQ(bits.size(), 64u * 3 * 48);
  EXPECT_NEAR(TopLevel(p, bits), 16, 6);
  EXPECT_NEAR(BottomLevel(bits), 0, 6);
  // Stopped, the clock moves but the position does not.
  At(0.5);
  EXPECT_DOUBLE_EQ(p.Position(), 0.0);
  ASSERT_TRUE(p.Run());
  for (int n : {3, 10, 2, 20}) {
    p.Seek(n * 0.04 + 0.01);
    ASSERT_TRUE(p.GetCurrentFrame(&bits));
    EXPECT_NEAR(TopLevel(p, bits), 16 + 8 * n, 6) << n;
  }
  At(0.6);
  EXPECT_NEAR(p.Position(), 20 * 0.04 + 0.11, 1e-6);
}

TEST_F(MovieFixture, EndQueuesOneCompletionAndNotifies) {
  ASSERT_TRUE(WriteMpegMovie("end.mpeg", GreyRecipe(0.6)));
  MoviePlayer p(clock, nullptr);
  ASSERT_TRUE(p.Open("end.mpeg", 32));
  EXPECT_EQ(p.bytesPerRow(), 64 * 4);
  int notified = 0;
  p.SetNotify([&] { ++notified; });
  p.Run();
  At(0.3);
  int code = 0;
  EXPECT_FALSE(p.GetEvent(&code));
  At(5.0);
  EXPECT_DOUBLE_EQ(p.Position(), p.Duration());
  EXPECT_EQ(p.GetState(), PlayState::kRunning);
  EXPECT_EQ(notified, 1);
  ASSERT_TRUE(p.GetEvent(&code));
  EXPECT_EQ(code, kEventComplete);
  EXPECT_FALSE(p.GetEvent(&code));
  std::vector<uint8_t> bits;
  EXPECT_TRUE(p.GetCurrentFrame(&bits));  // the last frame stays
}

// The sound track plays through the mixer beside the clock: it starts with Run, follows seeks,
// stops with Pause and takes the volume.
TEST_F(MovieFixture, SoundPlaysBesideThePicture) {
  MovieRecipe recipe = GreyRecipe(1.0);
  recipe.tone = [](int64_t, int16_t* lr) { lr[0] = lr[1] = 4000; };
  ASSERT_TRUE(WriteMpegMovie("sound.mpeg", recipe));
  auto device = std::make_shared<vt::audio::NullSoundDevice>();
  device->SetCapture(true);
  MoviePlayer p(clock, device);
  ASSERT_TRUE(p.Open("sound.mpeg"));
  auto loudness = [&] {
    std::vector<int16_t> out = device->TakeCaptured();
    int64_t sum = 0;
    for (int16_t v : out) sum += std::abs(v);
    return out.empty() ? 0 : sum / static_cast<int64_t>(out.size());
  };
  device->Advance(4410);
  EXPECT_EQ(loudness(), 0);  // nothing before Run
  p.Run();
  device->Advance(4410);
  EXPECT_NEAR(loudness(), 4000, 600);
  p.SetVolume(-10000);
  device->Advance(4410);
  EXPECT_EQ(loudness(), 0);
  p.SetVolume(0);
  p.Pause();
  device->Advance(4410);
  EXPECT_EQ(loudness(), 0);
  p.Seek(0.95);
  p.Run();
  device->Advance(44100);  // runs off the end of the track and stops
  device->TakeCaptured();
  device->Advance(4410);
  EXPECT_EQ(loudness(), 0);
}

TEST_F(MovieFixture, MissingOrDamagedFilesFailCleanly) {
  vt::SetDebugQuiet(true);
  ASSERT_TRUE(WriteMpegMovie("good.mpeg", GreyRecipe(0.5)));
  std::string good = vt::test::ReadFile("good.mpeg");
  vt::test::WriteFile("truncated.mpeg", good.substr(0, 40));
  vt::test::WriteFile("text.d", "this is not a movie at all\r\n");
  vt::test::WriteFile("empty.d", "");
  std::string scrambled = good;
  for (size_t i = 64; i < scrambled.size(); i += 3) scrambled[i] = static_cast<char>(scrambled[i] * 7 + 1);
  vt::test::WriteFile("scrambled.mpeg", scrambled);
  for (const char* path : {"missing.mpeg", "truncated.mpeg", "text.d", "empty.d", "scrambled.mpeg"}) {
    MoviePlayer p(clock, nullptr);
    bool opened = p.Open(path);
    if (opened) {
      // A file that still opens must still behave.
      std::vector<uint8_t> bits;
      p.Run();
      At(0.2);
      p.GetCurrentFrame(&bits);
      EXPECT_EQ(bits.size(), static_cast<size_t>(p.bytesPerRow()) * p.height());
    } else {
      EXPECT_FALSE(p.IsOpen()) << path;
      EXPECT_LT(p.Position(), 0.0) << path;
    }
    EXPECT_TRUE(std::string(path) != "missing.mpeg" || !opened);
  }
  vt::SetDebugQuiet(false);
}

}  // namespace
