// The battle HUD textures: the three glyph sheets the HUD's digit drawers cut their glyphs from
// (".\grp\Gauge_QZ\gauge01" text, "gauge03" values with one decimal, "gauge05" the round timer),
// white glyphs with a dark rim rasterised from a monospace face at the cells the drawers read,
// and small placeholders for the rest of the battle's HUD texture set.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgba;

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"monospace", height, 700, 4});
}

// Text glyphs, 16 x 16: the printable codes 32..127 in rows of 32 from v = 16 (the text drawer
// reads code c at ((c - 32) mod 32 x 16, ((c - 32) div 32 + 1) x 16)); the side score labels,
// 80 x 16 at (0, side x 80).
bool WriteTextSheet(const std::filesystem::path& root) {
  auto face = Face(16);
  if (!face) return false;
  Canvas c(512, 128);
  for (int code = 33; code < 127; ++code) {
    const int k = code - 32;
    if (!mkdata::PaintGlyph(c, *face, static_cast<char>(code), (k % 32) * 16, (k / 32 + 1) * 16, 16, 16, 1))
      return false;
  }
  for (int side = 0; side < 2; ++side) {
    const std::string label = side == 0 ? "1P SCORE" : "2P SCORE";
    for (size_t i = 0; i < label.size(); ++i)
      if (label[i] != ' ' && !mkdata::PaintGlyph(c, *face, label[i], static_cast<int>(i) * 10, side * 80, 10, 16, 1))
        return false;
  }
  return c.Save(root, "grp/Gauge_QZ/gauge01.png");
}

// Value glyphs, 16 x 24: the whole digits in row v = 48 and the tenths, a size smaller, in row
// v = 72 (code c at ((c - 48) mod 20 x 16, (c - 48) div 20 x 24 + row)); the decimal point,
// 20 x 24 at (160, 48), and the unit mark, 16 x 24 at (160, 72).
bool WriteValueSheet(const std::filesystem::path& root) {
  auto whole = Face(24), tenths = Face(20);
  if (!whole || !tenths) return false;
  Canvas c(256, 128);
  for (int d = 0; d < 10; ++d) {
    const char ch = static_cast<char>('0' + d);
    if (!mkdata::PaintGlyph(c, *whole, ch, d * 16, 48, 16, 24, 1) ||
        !mkdata::PaintGlyph(c, *tenths, ch, d * 16, 72, 16, 24, 1, 4))
      return false;
  }
  // The point sits on the baseline of the whole digits.
  c.Ellipse(169.5f, 66.5f, 3.0f, 3.0f, {0.05f, 0.05f, 0.1f, 1.0f});
  c.Ellipse(169.5f, 66.5f, 2.0f, 2.0f, {1, 1, 1, 1});
  if (!mkdata::PaintGlyph(c, *tenths, '%', 160, 72, 16, 24, 1, 4)) return false;
  return c.Save(root, "grp/Gauge_QZ/gauge03.png");
}

// Timer glyphs, 32 x 40, four to a row (code c at ((c - 48) mod 4 x 32, (c - 48) div 4 x 40)),
// and the infinity mark of a round without time limit, 48 x 40 at (64, 80).
bool WriteTimerSheet(const std::filesystem::path& root) {
  auto face = Face(44);
  if (!face) return false;
  Canvas c(128, 128);
  for (int d = 0; d < 10; ++d)
    if (!mkdata::PaintGlyph(c, *face, static_cast<char>('0' + d), (d % 4) * 32, (d / 4) * 40, 32, 40, 2))
      return false;
  // A lemniscate traced as short thick segments: the dark rim first, then the white stroke.
  const float cx = 88.0f, cy = 100.0f, a = 20.0f;
  const std::pair<float, Rgba> strokes[] = {{9.0f, {0.05f, 0.05f, 0.1f, 1.0f}}, {5.0f, {1, 1, 1, 1}}};
  for (const auto& [width, colour] : strokes)
    for (int i = 0; i < 96; ++i) {
      auto point = [&](int k, float* x, float* y) {
        const float t = 6.2831853f * static_cast<float>(k) / 96.0f;
        const float s = std::sin(t), q = 1.0f + s * s;
        *x = cx + a * std::cos(t) / q;
        *y = cy + a * s * std::cos(t) / q * 1.4f;
      };
      float x0, y0, x1, y1;
      point(i, &x0, &y0);
      point(i + 1, &x1, &y1);
      c.Line(x0, y0, x1, y1, width, colour);
    }
  return c.Save(root, "grp/Gauge_QZ/gauge05.png");
}

// The rest of the HUD texture set: small framed tiles, so every load finds its file (the bar,
// label, icon and ring sheets and the demo mark are gen_hud_sheets.cpp's).
bool WritePlaceholders(const std::filesystem::path& root) {
  // The gauge sheets and the demo mark are gen_hud_sheets.cpp's, the combo sheets the combo HUD's,
  // the input icons ("monitor") the training displays'.
  // The fade texture is what its name says.
  return Canvas(16, 16, {0, 0, 0, 1}).Save(root, "grp/system/fade_black00.png");
}

bool WriteHudTextures(const std::filesystem::path& root) {
  return WriteTextSheet(root) && WriteValueSheet(root) && WriteTimerSheet(root) && WritePlaceholders(root);
}

}  // namespace

MKDATA_STEP("31_battle_hud", WriteHudTextures);
