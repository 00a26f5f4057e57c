// The battle on a GL window: the sample shaders and harness data copied in, shader effects and the
// scene render targets made, and a picture of one draw pass read back from the scene target.
// Pictures are written where VT_BATTLE_SHOTS names a folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle_gl_shots.h"

namespace vt::test {

class BattleGl : public GlWindowGfx {
 protected:
  static constexpr int kWidth = 640, kHeight = 480;

  void StartBattleGl(const char* title) {
    ASSERT_NO_FATAL_FAILURE(StartGl(title, kWidth, kHeight));
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "Shader", "Shader",
                          std::filesystem::copy_options::recursive);
    battle_test::CopyHarnessSampleData();
    LoadShaderEffects();
    FlushHan6TextureCache();
    vt::SetDebugQuiet(true);
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeFrameRenderTargets();
    HarnessRelease();
    FlushHan6TextureCache();
    g_BattleDrawSubmit = true;
    ResetBattleDrawSeams();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // One draw pass rendered into the scene target over a clear colour; the scene's 640 x 480
  // BGRA pixels (the target's top-left), empty when they cannot be read back.
  template <typename Draw>
  std::vector<uint8_t> Picture(uint32_t clear, Draw draw) {
    BindSceneRenderTargets();
    ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, clear);
    draw();
    RenderMain();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    return battle_test::ReadSceneTarget(kWidth, kHeight);
  }

  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, kWidth, kHeight, name);
  }

  // Counts the pixels of a screen rectangle whose (r, g, b) passes a test.
  template <typename Test>
  static int Count(const std::vector<uint8_t>& bgra, int x0, int y0, int x1, int y1, Test test) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(kHeight, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(kWidth, x1); ++x) {
        const uint8_t* p = &bgra[(static_cast<size_t>(y) * kWidth + x) * 4];
        n += test(p[2], p[1], p[0]) ? 1 : 0;
      }
    return n;
  }
};

}  // namespace vt::test
