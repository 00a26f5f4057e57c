// The drawing half on a GL device: a run whose pool objects are queued to the draw lists and
// rendered every frame gives the same per-frame state hashes as a headless run.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"

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
    g_BattleDrawSeams.CameraMatrix = [](bool, Han6Matrix* m) { *m = Han6Matrix::Translation(320, 400, 0); };
    std::vector<uint64_t> hashes;
    queued = 0;
    if (!HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false)) return hashes;
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

}  // namespace
}  // namespace vt::test
