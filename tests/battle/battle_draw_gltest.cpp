// The drawing half on a GL device: a run whose pool objects are queued to the draw lists and
// rendered every frame gives the same per-frame state hashes as a headless run, both through the
// camera matrix the game wiring installs. Pictures of the characters close together and far
// apart (the camera zoomed out) are written where VT_BATTLE_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle_gl_shots.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

namespace vt::test {
namespace {

class BattleDrawGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("battle draw", 640, 480));
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "Shader", "Shader",
                          std::filesystem::copy_options::recursive);
    battle_test::CopyHarnessSampleData();
    LoadShaderEffects();
    FlushHan6TextureCache();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    HarnessRelease();
    FlushHan6TextureCache();
    g_BattleDrawSubmit = true;
    ResetBattleDrawSeams();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // The sample match; `queued` counts the frames whose draw list had pool objects in it.
  std::vector<uint64_t> Run(bool submit, int frames, int& queued) {
    g_BattleDrawSubmit = submit;
    std::vector<uint64_t> hashes;
    queued = 0;
    if (!HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree))
      return hashes;
    // The camera's own matrix, as the game wiring installs it.
    EXPECT_NE(g_BattleDrawSeams.CameraMatrix, nullptr);
    const HarnessScript script = HarnessDefaultScript(11);
    for (int i = 0; i < frames; ++i) {
      ResetDrawList(&g_MainDrawList);
      hashes.push_back(HarnessRunFrame(script));
      queued += g_MainDrawList.quadCount > 0;
      RenderMain();
      ReleaseEffectTags();
    }
    HarnessRelease();
    return hashes;
  }
};

TEST_F(BattleDrawGl, RenderedRunHashesAsHeadless) {
  constexpr int kFrames = 900;
  int rendered = 0, headless = 0;
  const std::vector<uint64_t> a = Run(true, kFrames, rendered);
  ASSERT_EQ(a.size(), static_cast<size_t>(kFrames));
  EXPECT_GT(rendered, 0);
  const std::vector<uint64_t> b = Run(false, kFrames, headless);
  ASSERT_EQ(b.size(), a.size());
  EXPECT_EQ(headless, 0);
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "frame " << i;
}

// The scripted three-round match (intros, calls, knock-outs, a time over, the poses and the
// round marks) rendered every frame gives the headless run's hashes frame by frame.
TEST_F(BattleDrawGl, ScriptedMatchRendersAsHeadless) {
  std::vector<uint64_t> runs[2];
  HarnessMatchResult results[2];
  int queued = 0;
  for (int n = 0; n < 2; ++n) {
    const bool submit = n == 0;
    g_BattleDrawSubmit = submit;
    g_TimerSpeed = 4;
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame));
    ResetDrawList(&g_MainDrawList);
    std::vector<uint64_t>& hashes = runs[n];
    results[n] = HarnessRunMatch(HarnessScriptedMatch(), 12000, [&](uint64_t h) {
      hashes.push_back(h);
      if (!submit) return;
      queued += g_MainDrawList.quadCount > 0;
      RenderMain();
      ReleaseEffectTags();
      ResetDrawList(&g_MainDrawList);
    });
    HarnessRelease();
  }
  // The match reached its judgement (won 2-1) in both runs.
  EXPECT_EQ(results[0].rounds, 3);
  EXPECT_EQ(results[0].ending, 1);
  EXPECT_EQ(results[1].frames, results[0].frames);
  EXPECT_GT(queued, 0);
  ASSERT_EQ(runs[1].size(), runs[0].size());
  for (size_t i = 0; i < runs[0].size(); ++i) ASSERT_EQ(runs[0][i], runs[1][i]) << "frame " << i;
}

// Both characters walk backwards (side 1 faces left, so its back is screen direction 6) until
// they stand as far apart as the distance limit lets them, 730 pixels; the zoom has come down.
// The character draw pass is not part of the drawing half yet: the picture draws each
// character's current frame itself, through the same object draw and camera matrix.
class BattleShotGl : public BattleDrawGl {
 protected:
  void SetUp() override {
    BattleDrawGl::SetUp();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeFrameRenderTargets();
    BattleDrawGl::TearDown();
  }
  std::vector<uint8_t> Picture() {
    BindSceneRenderTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0xFF304050u);
    for (const PlayerRecord& r : g_PlayerRecords)
      if (r.inUse) DrawBattleObject(r.obj, BattleDrawLook{});
    RenderMain();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    // The scene is the target's top-left 640 x 480.
    return battle_test::ReadSceneTarget(width_, height_);
  }
  void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, width_, height_, name);
  }
  int width_ = 640, height_ = 480;
};

TEST_F(BattleShotGl, CloseAndFarApart) {
  // Two duelists: the tester's walks have no movement.
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const HarnessScript stand = [](uint32_t, int) { return HarnessPad{}; };
  for (int i = 0; i < 30; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  ResetDrawList(&g_MainDrawList);
  const float closeZoom = g_CameraZoom;
  Shot(Picture(), "battle_close");
  const HarnessScript apart = [](uint32_t, int side) {
    return HarnessPad{static_cast<uint8_t>(side ? 6 : 4), 0};
  };
  int frames = 0;
  for (; frames < 900; ++frames) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(apart);
    const int64_t d = int64_t{g_PlayerRecords[1].obj.posX} - g_PlayerRecords[0].obj.posX;
    if (d >= 730 * 128 && frames > 120) break;
  }
  for (int i = 0; i < 60; ++i) {
    ResetDrawList(&g_MainDrawList);
    HarnessRunFrame(stand);
  }
  ResetDrawList(&g_MainDrawList);
  const int64_t d = int64_t{g_PlayerRecords[1].obj.posX} - g_PlayerRecords[0].obj.posX;
  std::printf("close zoom %f; far: %d frames, distance %lld px, zoom %f, camera x %d, positions %d %d\n",
              closeZoom, frames, static_cast<long long>(d / 128), g_CameraZoom, g_CameraX,
              g_PlayerRecords[0].obj.posX / 128, g_PlayerRecords[1].obj.posX / 128);
  // The distance limit holds them at 730 pixels, where the zoom is at its smallest.
  EXPECT_EQ(d, 730 * 128);
  EXPECT_LT(g_CameraZoom, closeZoom);
  Shot(Picture(), "battle_far");
}

}  // namespace
}  // namespace vt::test
