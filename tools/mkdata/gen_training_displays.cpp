// The training input history's icon sheet ".\grp\system\monitor": 25 x 25 cells, row 0 the
// numpad directions 0..9 (cell n for direction n: 0 blank, 5 the neutral dot, the others arrows),
// row 1 the buttons A, B, C and D as coloured lettered discs.
#include <cmath>
#include <memory>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr int kCell = 25;

void Arrow(Canvas& c, int cell, float dx, float dy) {
  const float cx = cell * kCell + 12.5f, cy = 12.5f;
  const float len = std::sqrt(dx * dx + dy * dy);
  dx /= len;
  dy /= len;
  const float tipX = cx + dx * 9.0f, tipY = cy + dy * 9.0f;
  const Rgba rim{0, 0, 0, 1}, ink = Rgb8(250, 250, 250);
  for (int pass = 0; pass < 2; ++pass) {
    const float w = pass == 0 ? 6.0f : 3.0f;
    const Rgba& col = pass == 0 ? rim : ink;
    c.Line(cx - dx * 8.0f, cy - dy * 8.0f, tipX, tipY, w, col);
    // The head: two strokes back from the tip at 45 degrees either side.
    for (float s : {-1.0f, 1.0f}) {
      const float hx = -dx * 0.7071f - s * dy * 0.7071f, hy = -dy * 0.7071f + s * dx * 0.7071f;
      c.Line(tipX, tipY, tipX + hx * 6.0f, tipY + hy * 6.0f, w, col);
    }
  }
}

bool WriteMonitor(const std::filesystem::path& root) {
  Canvas c(10 * kCell, 2 * kCell, {0, 0, 0, 0});
  static constexpr int kDx[10] = {0, -1, 0, 1, -1, 0, 1, -1, 0, 1};
  static constexpr int kDy[10] = {0, 1, 1, 1, 0, 0, 0, -1, -1, -1};
  for (int d = 1; d <= 9; ++d) {
    if (d == 5) {
      c.Ellipse(5 * kCell + 12.5f, 12.5f, 5.0f, 5.0f, {0, 0, 0, 1});
      c.Ellipse(5 * kCell + 12.5f, 12.5f, 3.5f, 3.5f, Rgb8(250, 250, 250));
      continue;
    }
    Arrow(c, d, static_cast<float>(kDx[d]), static_cast<float>(kDy[d]));
  }
  const Rgba kButtons[4] = {Rgb8(230, 60, 60), Rgb8(240, 200, 40), Rgb8(60, 190, 80), Rgb8(60, 120, 240)};
  std::unique_ptr<vt::glyph::GlyphFace> face =
      vt::glyph::CurrentGlyphSource().OpenFace({"sans-serif", 18, 700, 0});
  for (int b = 0; b < 4; ++b) {
    const float cx = b * kCell + 12.5f, cy = kCell + 12.5f;
    c.Ellipse(cx, cy, 11.5f, 11.5f, {0, 0, 0, 1});
    c.Ellipse(cx, cy, 10.0f, 10.0f, kButtons[b]);
    if (face) mkdata::PaintGlyph(c, *face, static_cast<char>('A' + b), b * kCell, kCell + 3, kCell, 20, 1);
  }
  return c.Save(root, "grp/system/monitor.png");
}

}  // namespace

MKDATA_STEP("32_training_monitor", WriteMonitor);
