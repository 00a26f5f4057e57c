// The sample battle HUD textures through the game's image loader: every file of the HUD texture
// set loads, and the three glyph sheets hold a distinct white glyph in each cell the HUD's digit
// drawers cut from.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx_test_env.h"

namespace vt::test {
namespace {

struct Cell {
  int x, y, w, h;
};

// The white pixels of a cell (alpha and every colour channel above 200), as a bitmap.
std::vector<bool> Ink(const TextureHandle* t, const Cell& c) {
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  const int stride = t->dx->lockPitch / 4;
  std::vector<bool> ink;
  for (int y = c.y; y < c.y + c.h; ++y)
    for (int x = c.x; x < c.x + c.w; ++x) {
      const uint32_t p = px[static_cast<size_t>(y) * stride + x];
      ink.push_back((p >> 24) > 200 && ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 &&
                    (p & 0xFF) > 200);
    }
  UnlockTexture(t->dx);
  return ink;
}

int Count(const std::vector<bool>& ink) {
  int n = 0;
  for (bool b : ink) n += b;
  return n;
}

class HudSheets : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    std::filesystem::copy(
        std::filesystem::path(VT_SAMPLE_DIR) / "grp", "grp",
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  }
};

TEST_F(HudSheets, EveryFileOfTheSetLoads) {
  std::vector<std::string> names;
  for (int n = 0; n < 10; ++n) names.push_back(".\\grp\\Gauge_QZ\\gauge0" + std::to_string(n));
  for (const char* n :
       {".\\grp\\system\\P00dem40", ".\\grp\\Combo\\sys_combo00", ".\\grp\\Combo\\sys_combo01",
        ".\\grp\\system\\Flare00", ".\\grp\\system\\fade_black00", ".\\grp\\system\\monitor"})
    names.push_back(n);
  for (const std::string& name : names) {
    TextureHandle* t = LoadTexture(name.c_str());
    EXPECT_NE(t, nullptr) << name;
    FreeTexture(t);
  }
}

// Each sheet: its glyph cells, all inked and no two alike, and cells that must stay empty.
TEST_F(HudSheets, GlyphCellsAreInkedAndDistinct) {
  struct Sheet {
    const char* name;
    std::vector<Cell> glyphs;
    std::vector<Cell> empty;
    int minInk;
  };
  std::vector<Sheet> sheets(3);
  // Text: codes 33..126 at ((c - 32) mod 32 x 16, ((c - 32) div 32 + 1) x 16); the blank and the
  // row above the glyphs past the first side's score label (80 x 16 at (0, 0)) hold nothing.
  sheets[0] = {
      ".\\grp\\Gauge_QZ\\gauge01", {{0, 0, 80, 16}, {0, 80, 80, 16}}, {{0, 16, 16, 16}, {80, 0, 432, 16}}, 6};
  for (int code = 33; code < 127; ++code)
    sheets[0].glyphs.push_back({(code - 32) % 32 * 16, ((code - 32) / 32 + 1) * 16, 16, 16});
  // Values: whole digits at v 48, tenths at v 72, the point and the unit mark.
  sheets[1] = {".\\grp\\Gauge_QZ\\gauge03", {{160, 48, 20, 24}, {160, 72, 16, 24}}, {}, 6};
  for (int d = 0; d < 10; ++d) {
    sheets[1].glyphs.push_back({d * 16, 48, 16, 24});
    sheets[1].glyphs.push_back({d * 16, 72, 16, 24});
  }
  // Timer digits four to a row and the infinity mark.
  sheets[2] = {".\\grp\\Gauge_QZ\\gauge05", {{64, 80, 48, 40}}, {}, 40};
  for (int d = 0; d < 10; ++d) sheets[2].glyphs.push_back({d % 4 * 32, d / 4 * 40, 32, 40});

  for (const Sheet& s : sheets) {
    SCOPED_TRACE(s.name);
    TextureHandle* t = LoadTexture(s.name);
    ASSERT_NE(t, nullptr);
    std::vector<std::vector<bool>> seen;
    for (const Cell& c : s.glyphs) {
      ASSERT_LE(c.x + c.w, t->dx->usedWidth);
      ASSERT_LE(c.y + c.h, t->dx->usedHeight);
      const std::vector<bool> ink = Ink(t, c);
      EXPECT_GE(Count(ink), s.minInk) << "cell at " << c.x << ", " << c.y;
      for (const auto& other : seen)
        if (other.size() == ink.size()) {
          EXPECT_NE(other, ink) << "cell at " << c.x << ", " << c.y;
        }
      seen.push_back(ink);
    }
    for (const Cell& c : s.empty) EXPECT_EQ(Count(Ink(t, c)), 0) << "cell at " << c.x << ", " << c.y;
    FreeTexture(t);
  }
}

}  // namespace
}  // namespace vt::test
