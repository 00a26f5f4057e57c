// The sample stages on the GL device: each rendered under the camera pan gives the same per-frame
// stage hash as a run that only queues (and the recorded final hash), and its picture shows sky,
// ground and a moving element where they belong. With VT_STAGE_SHOTS set, screenshots of each
// stage, of override kinds 1 and 31 and of the heat blur are written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_gl_shots.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"
#include "scene/stage_driver.h"
#include "scene/stage_hashes.h"

namespace vt::test {
namespace {

struct Pixel {
  int r, g, b;
};

class StageGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("stages", 640, 480));
    vt::SetDebugQuiet(true);
    StageDriver::CopySample();
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    flare_ = LoadTexture(".\\grp\\system\\Flare00");
    g_StageFlareTexture = flare_;
  }
  void TearDown() override {
    StageDriver::Stop();
    g_StageFlareTexture = nullptr;
    if (flare_) FreeTexture(flare_);
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // The 640 x 480 scene picture as B, G, R, A rows.
  std::vector<uint8_t> ReadScene() { return battle_test::ReadSceneTarget(640, 480); }
  static Pixel At(const std::vector<uint8_t>& bgra, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
  }
  void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name, "VT_STAGE_SHOTS");
  }
  // Runs to `frames` rendered and returns the picture of the last frame.
  std::vector<uint8_t> RunTo(int stage, int frames) {
    EXPECT_TRUE(StageDriver::Start(stage));
    for (int f = 0; f < frames; ++f) StageDriver::Frame(f, true);
    return ReadScene();
  }

  TextureHandle* flare_ = nullptr;
};

TEST_F(StageGl, RenderedRunsHashAsQueuedRunsAndTheRecordedHash) {
  for (int stage = 1; stage <= 3; ++stage) {
    SCOPED_TRACE(stage);
    const std::vector<uint64_t> rendered = StageDriver::Run(stage, kStageHashFrames, true);
    const std::vector<uint64_t> queued = StageDriver::Run(stage, kStageHashFrames, false);
    ASSERT_EQ(rendered.size(), static_cast<size_t>(kStageHashFrames));
    ASSERT_EQ(queued.size(), rendered.size());
    for (size_t i = 0; i < rendered.size(); ++i) ASSERT_EQ(rendered[i], queued[i]) << "frame " << i;
    EXPECT_EQ(rendered.back(), kStageFinalHash[stage - 1]);
  }
}

TEST_F(StageGl, HarbourPicture) {
  const std::vector<uint8_t> early = RunTo(1, 120);
  ASSERT_FALSE(early.empty());
  Shot(early, "stage1_harbour");
  const Pixel sky = At(early, 320, 20), quay = At(early, 320, 455), sea = At(early, 20, 380);
  EXPECT_GT(sky.b, sky.r) << "a dark blue sky at the top";
  EXPECT_LT(sky.r + sky.g + sky.b, 330);
  EXPECT_LT(quay.r, 150) << "the quay at the bottom";
  EXPECT_GT(sea.b, 60);
  // The boat crosses: its band differs a few seconds later.
  for (int f = 120; f < 420; ++f) StageDriver::Frame(f, true);
  const std::vector<uint8_t> later = ReadScene();
  int changed = 0;
  for (int x = 0; x < 640; ++x)
    for (int y = 300; y < 360; ++y) {
      const Pixel a = At(early, x, y), b = At(later, x, y);
      changed += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 60;
    }
  EXPECT_GT(changed, 200);
}

TEST_F(StageGl, GardenPicture) {
  const std::vector<uint8_t> shot = RunTo(2, 120);
  ASSERT_FALSE(shot.empty());
  Shot(shot, "stage2_garden");
  const Pixel sky = At(shot, 600, 20), floor = At(shot, 320, 470);
  EXPECT_GT(sky.b, sky.r) << "a spring sky";
  EXPECT_GT(floor.r, floor.b) << "the veranda's wood";
  // The cherry tree sways: with the petals off, its crown differs between two frames 480 apart,
  // where the camera pan stands at the same place and the tree shows another of its frames.
  StageDriver::Stop();
  ASSERT_TRUE(StageDriver::Start(2));
  g_StageInfo.dropOn = 0;
  for (int f = 0; f < 30; ++f) StageDriver::Frame(f, true);
  const std::vector<uint8_t> a = ReadScene();
  for (int f = 30; f < 510; ++f) StageDriver::Frame(f, true);
  const std::vector<uint8_t> b = ReadScene();
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  int changed = 0;
  for (int x = 0; x < 360; ++x)
    for (int y = 30; y < 280; ++y) {
      const Pixel p = At(a, x, y), q = At(b, x, y);
      changed += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30;
    }
  EXPECT_GT(changed, 300) << "the crown moved";
}

TEST_F(StageGl, PracticeRoomPicture) {
  const std::vector<uint8_t> a = RunTo(3, 10);
  ASSERT_FALSE(a.empty());
  Shot(a, "stage3_practice");
  const Pixel wall = At(a, 200, 250), floor = At(a, 320, 470);
  EXPECT_GT(wall.g + wall.b, 2 * wall.r) << "the blue-green back wall";
  EXPECT_NEAR(floor.r, floor.g, 12) << "a grey floor";
  for (int f = 10; f < 50; ++f) StageDriver::Frame(f, true);
  const std::vector<uint8_t> b = ReadScene();
  int changed = 0;
  for (int x = 272; x < 368; ++x)
    for (int y = 44; y < 140; ++y) changed += At(a, x, y).r != At(b, x, y).r;
  EXPECT_GT(changed, 20) << "the clock hand stepped";
}

TEST_F(StageGl, OverrideAndHeatBlurPictures) {
  ASSERT_TRUE(StageDriver::Start(1));
  for (int f = 0; f < 60; ++f) StageDriver::Frame(f, true);
  g_BattleState[8 + 1] = 1;  // kind 1: opaque black, only the always-drawn bucket
  StageDriver::Frame(60, true);
  const std::vector<uint8_t> covered = ReadScene();
  Shot(covered, "override_kind1");
  const Pixel c = At(covered, 320, 20);
  EXPECT_LT(c.r + c.g + c.b, 30) << "covered in black";
  g_BattleState[8 + 1] = 0;
  g_BattleState[8 + 31] = 1;
  g_BattleState[72 + 31] = 30;  // the burst
  StageDriver::Frame(61, true);
  const std::vector<uint8_t> burst = ReadScene();
  Shot(burst, "override_kind31");
  const Pixel centre = At(burst, 512, 128);
  EXPECT_GT(centre.r, 100) << "the burst's centre glows";
  g_BattleState[8 + 31] = 0;
  for (int f = 62; f < 280; ++f) StageDriver::Frame(f, true);  // heat from frame 200
  EXPECT_EQ(g_HeatBlur.state, 100);
  Shot(ReadScene(), "heat_blur");
}

}  // namespace
}  // namespace vt::test
