// The calls' sample pictures through the calls' own loaders: every texture of the sets is found,
// the sheets are as wide as the cells the calls cut from, the lettered cells carry ink where the
// drawing reads them, the KO sequences have their five frames and names and stage names exist
// for the listed characters and stages only.
#include <gtest/gtest.h>

#include <cstdint>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/gfx_test_env.h"
#include "battle/round_calls.h"
#include "scene/call_draw.h"
#include "scene/call_overlays.h"
#include "scene/stage_driver.h"

namespace vt::test {
namespace {

struct Cell {
  int x, y, w, h;
};

// Pixels of a cell with alpha above 200.
int Ink(const TextureHandle* t, const Cell& c) {
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  const int stride = t->dx->lockPitch / 4;
  int n = 0;
  for (int y = c.y; y < c.y + c.h; ++y)
    for (int x = c.x; x < c.x + c.w; ++x) n += (px[static_cast<size_t>(y) * stride + x] >> 24) > 200;
  UnlockTexture(t->dx);
  return n;
}

class CallSheets : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    StageDriver::CopySample();
    LoadFightCallGraphics();
    LoadRoundCallBarGraphics();
    LoadRoundCallGraphics();
    LoadWinnerCallGraphics();
    LoadKoEffectGraphics();
  }
  void TearDown() override {
    FreeRoundCallGraphics();
    FreeWinnerCallGraphics();
    FreeKoEffectGraphics();
    FreeFightCallGraphics();
    RecordingGfx::TearDown();
  }
};

TEST_F(CallSheets, EveryTextureOfTheSetsLoads) {
  const calls::CallGraphics& g = calls::g_CallGraphics;
  for (const TextureHandle* t :
       {g.fightFont, g.fightNoise, g.barsBlack, g.barsFont,   g.disk[0],    g.disk[1],    g.font,
        g.noise,     g.flare,      g.eff01,     g.program[0], g.program[1], g.koLogo[0],  g.koLogo[1],
        g.koLogo[2], g.koLogo[3],  g.winf,      g.winner,     g.player,     g.winnerBlack})
    EXPECT_NE(t, nullptr);
  // Five frames in each KO sequence: each ends at its first missing frame.
  EXPECT_EQ(g_KoEffectFrames[0], 5);
  EXPECT_EQ(g_KoEffectFrames[1], 5);
  // Names for the two listed characters, stage names for stages 1..4.
  EXPECT_NE(WinnerNameTexture(0), nullptr);
  EXPECT_NE(WinnerNameTexture(1), nullptr);
  EXPECT_EQ(WinnerNameTexture(2), nullptr);
  for (int s = 0; s <= 5; ++s) EXPECT_EQ(StageNameTexture(s) != nullptr, s >= 1 && s <= 4) << s;
}

TEST_F(CallSheets, CellsTheCallsReadAreInked) {
  const calls::CallGraphics& g = calls::g_CallGraphics;
  ASSERT_NE(g.font, nullptr);
  EXPECT_EQ(g.font->dx->usedWidth, 1024);
  // Round title letters R O U N D F I A L, the digits (round 9 at x 504), the typed letters.
  for (int c = 0; c < 9; ++c) EXPECT_GT(Ink(g.font, {56 * c, 0, 56, 56}), 40) << "letter " << c;
  for (int d = 0; d < 10; ++d) EXPECT_GT(Ink(g.font, {56 * d, 56, 56, 56}), 40) << "digit " << d;
  EXPECT_GT(Ink(g.font, {264, 328, 32, 32}), 40) << "cursor";
  // The fight word's five glyphs.
  ASSERT_NE(g.fightFont, nullptr);
  for (int i = 0; i < 5; ++i) EXPECT_GT(Ink(g.fightFont, {96 * i, 0, 96, 80}), 100) << "glyph " << i;
  // The result word's cells Y O U W I N L S E, 1, 2, P; cell 9 holds nothing.
  ASSERT_NE(g.winner, nullptr);
  auto cell = [](int c) { return Cell{48 * (c % 10), 40 * (c / 10), 48, 40}; };
  for (int c : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12}) EXPECT_GT(Ink(g.winner, cell(c)), 30) << "cell " << c;
  EXPECT_EQ(Ink(g.winner, cell(9)), 0);
  // The KO logo's first piece (the K of kind 0) on both sheets.
  EXPECT_GT(Ink(g.koLogo[0], {0, 0, 160, 112}), 200);
  EXPECT_GT(Ink(g.koLogo[1], {0, 0, 160, 112}), 200);
}

}  // namespace
}  // namespace vt::test
