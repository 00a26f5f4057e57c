// Boot and title sample pictures: the four boot logos (640 x 480, each with its name in a colour
// of its own, so a screenshot tells which one is up), the title's two logo layers (640 x 256) and
// its prompt sheet (256 x 128: two versions of the prompt, one above the other, that cross-fade).
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
}

bool WriteBootLogos(const std::filesystem::path& root) {
  struct Logo {
    const char* name;
    mkdata::Rgba back, ink;
  };
  const Logo logos[4] = {
      {"logo00", mkdata::Rgb8(40, 70, 150), mkdata::Rgb8(230, 240, 255)},
      {"logo01", mkdata::Rgb8(150, 40, 60), mkdata::Rgb8(255, 230, 200)},
      {"logo02", mkdata::Rgb8(30, 120, 60), mkdata::Rgb8(220, 255, 220)},
      {"logo03", mkdata::Rgb8(150, 110, 20), mkdata::Rgb8(255, 250, 220)},
  };
  auto big = Face(72);
  auto small = Face(24);
  if (!big || !small) return false;
  for (const Logo& l : logos) {
    mkdata::Canvas c(640, 480, {0, 0, 0, 1});
    c.Ellipse(320, 240, 230, 150, l.back, 6.0f);
    c.Glow(320, 200, 160, mkdata::Mix(l.back, l.ink, 0.4f));
    if (!mkdata::PaintText(c, *big, l.name, 0, 190, 640, 90, 2, l.ink) ||
        !mkdata::PaintText(c, *small, "VANTOREL", 0, 300, 640, 36, 1, l.ink))
      return false;
    if (!c.Save(root, std::string("grp/logo/") + l.name + ".png")) return false;
  }
  return true;
}

bool WriteTitlePictures(const std::filesystem::path& root) {
  auto big = Face(84);
  auto sub = Face(28);
  auto prompt = Face(26);
  if (!big || !sub || !prompt) return false;
  // The first layer: the game's name; the second adds a subtitle band over it.
  mkdata::Canvas logo0(640, 256);
  logo0.Rect(60, 70, 520, 110, mkdata::Rgb8(10, 10, 30, 0.55f), 12.0f);
  if (!mkdata::PaintText(logo0, *big, "VANTOREL", 0, 70, 640, 110, 3, mkdata::Rgb8(255, 210, 90)))
    return false;
  mkdata::Canvas logo1(640, 256);
  logo1.Rect(150, 190, 340, 40, mkdata::Rgb8(120, 20, 30, 0.8f), 6.0f);
  if (!mkdata::PaintText(logo1, *sub, "ONE ON ONE", 0, 190, 640, 40, 1, mkdata::Rgb8(255, 255, 255)))
    return false;
  // The prompt: bright on top, dim below.
  mkdata::Canvas menu(256, 128);
  if (!mkdata::PaintText(menu, *prompt, "PRESS BUTTON", 0, 16, 256, 34, 2, mkdata::Rgb8(255, 255, 160)) ||
      !mkdata::PaintText(menu, *prompt, "PRESS BUTTON", 0, 80, 256, 34, 2, mkdata::Rgb8(120, 140, 200)))
    return false;
  return logo0.Save(root, "grp/title_QZ/title_mainlogo00.png") &&
         logo1.Save(root, "grp/title_QZ/title_mainlogo01.png") &&
         menu.Save(root, "grp/title_QZ/title_manu00.png");
}

bool WriteBootAndTitle(const std::filesystem::path& root) {
  return WriteBootLogos(root) && WriteTitlePictures(root);
}

}  // namespace

MKDATA_STEP("34_boot_and_title", WriteBootAndTitle);
