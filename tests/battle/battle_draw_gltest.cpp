// The drawing half on a GL device: a run whose pool objects are queued to the draw lists and
// rendered every frame gives the same per-frame state hashes as a headless run, both through the
// camera matrix the game wiring installs. Pictures of the characters close together and far
// apart (the camera zoomed out) are written where VT_BATTLE_SHOTS names a folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_gl_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

namespace vt::test {
namespace {

// A match run twice from its start, rendered every frame and headless: the per-frame hashes
// and the results of the two runs.
struct RenderedAndHeadless {
  std::vector<uint64_t> runs[2];
  HarnessMatchResult results[2];
  int queued = 0;  // rendered frames with something queued
};

class BattleDrawGl : public BattleGl {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartBattleGl("battle draw")); }

  // The match loaded by `load`, rendered and then headless.
  template <typename Load>
  static RenderedAndHeadless RunBothWays(Load load, const std::function<HarnessScript()>& script,
                                         int budget) {
    RenderedAndHeadless r;
    for (int n = 0; n < 2; ++n) {
      const bool submit = n == 0;
      g_BattleDrawSubmit = submit;
      g_TimerSpeed = 4;
      if (!load()) return r;
      ResetDrawList(&g_MainDrawList);
      std::vector<uint64_t>& hashes = r.runs[n];
      r.results[n] = HarnessRunMatch(script(), budget, [&](uint64_t h) {
        hashes.push_back(h);
        if (!submit) return;
        r.queued += g_MainDrawList.quadCount > 0;
        RenderMain();
        ReleaseEffectTags();
        ResetDrawList(&g_MainDrawList);
      });
      HarnessRelease();
    }
    return r;
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

void ExpectSameFrames(const RenderedAndHeadless& r) {
  EXPECT_EQ(r.results[1].frames, r.results[0].frames);
  EXPECT_GT(r.queued, 0);
  ASSERT_EQ(r.runs[1].size(), r.runs[0].size());
  for (size_t i = 0; i < r.runs[0].size(); ++i) ASSERT_EQ(r.runs[0][i], r.runs[1][i]) << "frame " << i;
}

// The scripted three-round match (intros, calls, knock-outs, a time over, the poses and the
// round marks) rendered every frame gives the headless run's hashes frame by frame.
TEST_F(BattleDrawGl, ScriptedMatchRendersAsHeadless) {
  const RenderedAndHeadless r = RunBothWays(
      [] {
        return HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame);
      },
      [] { return HarnessScriptedMatch(); }, 12000);
  // The match reached its judgement (won 2-1) in both runs.
  EXPECT_EQ(r.results[0].rounds, 3);
  EXPECT_EQ(r.results[0].ending, 1);
  ExpectSameFrames(r);
}

// Two CPU sides playing their pattern files (particles, afterimages and the combo HUD drawn) give
// the same hashes rendered and headless, to the judgement.
TEST_F(BattleDrawGl, CpuMatchRendersAsHeadless) {
  const RenderedAndHeadless r = RunBothWays(
      [] {
        HarnessMatchRules rules;
        rules.gameMode = MODE_CPU_VS_CPU;
        rules.cpuLevel = 2;
        return HarnessLoadMatch({"duelist", 0, 0, 1}, {"tester", 0, 1, 1}, false, RoundStart::kGame, 7,
                                rules);
      },
      [] { return HarnessScript([](uint32_t, int) { return HarnessPad{}; }); }, 30000);
  EXPECT_EQ(r.results[0].ending, 1);
  ExpectSameFrames(r);
}

// Both characters walk backwards (side 1 faces left, so its back is screen direction 6) until
// they stand as far apart as the distance limit lets them, 730 pixels; the zoom has come down.
// The character draw pass is not part of the drawing half yet: the picture draws each
// character's current frame itself, through the same object draw and camera matrix.
class BattleShotGl : public BattleDrawGl {
 protected:
  // Every character's current frame, each drawn plainly.
  std::vector<uint8_t> Picture() {
    return BattleGl::Picture(0xFF304050u, [] {
      for (const PlayerRecord& r : g_PlayerRecords)
        if (r.inUse) DrawBattleObject(r.obj, BattleDrawLook{});
    });
  }
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
