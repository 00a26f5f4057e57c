// The test menu's own pictures: three ending backgrounds (".\grp\ending\ed_bg\ed_chaBG03_00",
// "ed_chaBG04_00", "ed_chaBG20c_00"), a ripple picture ".\grp\EXFADE08" and the smoke sheet
// ".\grp\_test\sm_04" (8 x 4 cells of 64 x 64, each puff numbered so the cell shown can be read).
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

bool Background(const std::filesystem::path& root, const char* name, Rgba top, Rgba bottom, int stripes) {
  Canvas c(640, 480);
  c.VerticalGradient(0, 479, top, bottom);
  for (int i = 0; i < stripes; ++i)
    c.Line(static_cast<float>(i * 640 / stripes), 480, static_cast<float>(i * 640 / stripes + 200), 0, 12,
           Rgb8(255, 255, 255, 0.25f));
  c.Ellipse(160, 150, 70, 70, Rgb8(255, 240, 200, 0.9f), 10.0f);
  c.Rect(0, 400, 640, 80, Rgb8(20, 20, 30, 0.7f));
  return c.Save(root, std::string("grp/ending/ed_bg/") + name + ".png");
}

bool WriteTestMenuPictures(const std::filesystem::path& root) {
  bool ok = Background(root, "ed_chaBG03_00", Rgb8(240, 120, 60), Rgb8(60, 20, 80), 6) &&
            Background(root, "ed_chaBG04_00", Rgb8(60, 200, 180), Rgb8(10, 40, 90), 3) &&
            Background(root, "ed_chaBG20c_00", Rgb8(120, 160, 240), Rgb8(230, 230, 250), 9);
  // Concentric ripples.
  Canvas ripple(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const float d = std::hypot(x - 63.5f, y - 63.5f);
      const float v = 0.5f + 0.5f * std::sin(d * 0.4f);
      ripple.At(x, y) = {v, v, 1.0f, 1.0f};
    }
  ok = ok && ripple.Save(root, "grp/EXFADE08.png");
  // Smoke: a soft puff per cell, growing thinner with the cell number, the number drawn in.
  Canvas sheet(512, 256);
  std::unique_ptr<vt::glyph::GlyphFace> face =
      vt::glyph::CurrentGlyphSource().OpenFace({"monospace", 14, 700, 0});
  for (int cell = 0; cell < 32; ++cell) {
    const int x = cell % 8 * 64, y = cell / 8 * 64;
    const float k = 1.0f - static_cast<float>(cell) / 40.0f;
    sheet.Glow(x + 32.0f, y + 32.0f, 20.0f + cell * 0.35f, Rgba{1, 1, 1, 0.9f * k});
    if (face) {
      char n[4];
      std::snprintf(n, sizeof n, "%d", cell);
      mkdata::PaintText(sheet, *face, n, x, y + 44, 64, 18, 1, Rgba{0.2f, 0.2f, 0.2f, 1});
    }
  }
  return ok && sheet.Save(root, "grp/_test/sm_04.png");
}

}  // namespace

MKDATA_STEP("37_test_menu", WriteTestMenuPictures);
