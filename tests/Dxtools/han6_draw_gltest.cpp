// Pattern-frame drawing on the GL device (llvmpipe through SDL's offscreen driver): the sample
// character loaded through the game's file and ini readers, its palette from the palette file,
// drawn through each path (plain 8-bit sprite, 8-bit sprite with its technique, part animation)
// into a render target, with the expected colours checked at known pixels within a tolerance.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/file_loader.h"
#include "gfx_test_env.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class Han6Gl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("sprite test", 320, 240));
    for (const char* folder : {"Shader", "data"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    LoadShaderEffects();
    FlushHan6TextureCache();
  }
  void TearDown() override {
    FlushHan6TextureCache();
    FreeFrameDataSetContents(set_);
    FreeShaderEffects();
    StopGl();
  }

  // Loads the character as the loader does, with colour palette `colour` of its palette file.
  void LoadTester(int colour) {
    std::unique_ptr<Han6Project> project(LoadHan6Project(".\\data\\tester_0.txt"));
    ASSERT_NE(project, nullptr);
    ASSERT_EQ(LoadHan6ProjectData(set_, project.get()), 1);
    DataBuffer pal = LoadDataFile(".\\data\\tester.pal");
    ASSERT_TRUE(pal);
    ASSERT_TRUE(ReadPaletteFileEntry(pal.bytes(), colour, palette_));
    std::vector<uint8_t> mask(2048, 0);
    ASSERT_GT(MarkUsedCutSprites(set_.patterns, set_.sprites, mask.data(), mask.size()), 0);
    ASSERT_EQ(CreateCutSpritePages(set_.sprites, palette_.data(), mask.data(), mask.size(), 0), 1);
    CreatePAniTextures(set_.pani);
  }

  // Draws one frame at (x, y) into a cleared 320 x 240 target and reads it back (B, G, R, A).
  std::vector<uint8_t> Draw(int pattern, int frame, int shaderMode) {
    TextureHandle* target = CreateRenderTargetTexture(320, 240, FMT_A8R8G8B8);
    SetRenderTargetTexture(target);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
    ResetDrawList(&g_MainDrawList);
    Han6FramePosition pos;
    pos.pattern = pattern;
    pos.frame = frame;
    Han6Matrix world = Han6Matrix::Translation(160, 220, 0);
    Han6DrawParams p;
    p.position = &pos;
    p.world = &world;
    p.patternSet = set_.patterns;
    p.sheet = set_.sprites;
    p.pani = set_.pani;
    p.shaderMode = shaderMode;
    p.priority = 100;
    DrawPatternFrame(p);
    RenderMain();
    ReleaseEffectTags();
    Texture* rt = HandleTexture(target);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    width_ = static_cast<int>(rt->Width());
    std::vector<uint8_t> px = sys->Pixels();
    SetRenderTargetTexture(nullptr);
    FreeTexture(target);
    return px;
  }

  void ExpectNear(const std::vector<uint8_t>& px, int x, int y, int r, int g, int b, int tolerance) {
    const uint8_t* p = &px[(static_cast<size_t>(y) * width_ + x) * 4];
    EXPECT_NEAR(p[2], r, tolerance) << "red at " << x << "," << y;
    EXPECT_NEAR(p[1], g, tolerance) << "green at " << x << "," << y;
    EXPECT_NEAR(p[0], b, tolerance) << "blue at " << x << "," << y;
  }

  int width_ = 320;  // row length of the read-back target
  FrameDataSet set_;
  CutSpritePalette palette_{};
};

TEST_F(Han6Gl, CutSpriteDrawsInTheChosenPalette) {
  LoadTester(1);
  // Palette 1: shirt (40, 90, 200), skin (240, 200, 160); 16-bit pages widen 5-bit channels.
  for (int shaderMode : {0, 1}) {
    SCOPED_TRACE(shaderMode);
    std::vector<uint8_t> px = Draw(0, 0, shaderMode);
    ExpectNear(px, 160, 220 - 95, 41, 90, 206, 10);         // the chest
    ExpectNear(px, 160 + 1, 220 - 142, 247, 206, 165, 10);  // the face
    ExpectNear(px, 20, 20, 0, 0, 0, 0);                     // clear colour far away
    ExpectNear(px, 160 + 50, 220 - 95, 0, 0, 0, 0);         // beside the figure
  }
}

TEST_F(Han6Gl, PartAnimationRingsAddUp) {
  LoadTester(0);
  std::vector<uint8_t> px = Draw(500, 0, 0);
  // Two additive rings around (160, 150): radii about 36 (zoom 1.5) and 54 (zoom 2.25).
  const uint8_t* onRing = &px[(static_cast<size_t>(150) * width_ + 160 + 36) * 4];
  EXPECT_GT(onRing[0], 60);              // blue channel lit
  ExpectNear(px, 160, 150, 0, 0, 0, 2);  // the middle stays clear
  ExpectNear(px, 10, 10, 0, 0, 0, 0);
}

TEST_F(Han6Gl, EveryPatternOfTheSampleCharacterDraws) {
  LoadTester(2);
  int frames = 0;
  for (int n = 0; n < kHan6PatternSlots; ++n) {
    for (int f = 0; GetHan6Frame(set_.patterns, n, f) != nullptr; ++f, ++frames) {
      std::vector<uint8_t> px = Draw(n, f, 1);
      int lit = 0;
      for (size_t i = 0; i < px.size(); i += 4) lit += (px[i] | px[i + 1] | px[i + 2]) != 0;
      EXPECT_GT(lit, 200) << "pattern " << n << " frame " << f;
    }
  }
  EXPECT_GT(frames, 10);
}

}  // namespace
}  // namespace vt::test
