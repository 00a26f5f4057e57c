// Sample pictures of the VS screen under grp/vsdemo_QZ/: the panel sheets (bar, styles, colour
// number), per character its name, colour strips, command lists (eng and jpn), flash, name plate
// and cut-in, the "99" pictures of a hidden opponent, the two cut-in masks, the light band, the
// cut-in background, and the still background dat/vs_nomovieBG.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "sample_roster.h"

namespace fs = std::filesystem;
using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

namespace {

constexpr char kFolder[] = "grp/vsdemo_QZ/";
const Rgba kWhite{1, 1, 1, 1};
const Rgba kInk = Rgb8(20, 20, 28);

Rgba Tone(int number) {
  const float h = static_cast<float>(number % 12) / 12.0f;
  return Rgb8(static_cast<int>(120 + 100 * std::cos(6.2832f * h)),
              static_cast<int>(120 + 100 * std::cos(6.2832f * (h - 0.333f))),
              static_cast<int>(120 + 100 * std::cos(6.2832f * (h - 0.667f))));
}

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  auto face = vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
  if (!face) std::fprintf(stderr, "mkdata: no sans face for the VS pictures\n");
  return face;
}

bool Save(const Canvas& c, const fs::path& root, const std::string& name) {
  return c.Save(root, kFolder + name);
}

std::string Numbered(const char* format, int n, int k = 0) {
  char name[96];
  std::snprintf(name, sizeof name, format, n, k);
  return name;
}

bool WriteSheets(const fs::path& root) {
  auto caption = Face(18), digit = Face(13);
  if (!caption || !digit) return false;
  Canvas bar(512, 8);
  for (int x = 0; x < 512; ++x) {
    const float a = 1.0f - static_cast<float>(x) / 512.0f;
    bar.Rect(static_cast<float>(x), 2, 1, 4, Rgb8(230, 200, 90, a));
  }
  // Style captions in 160 x 24 rows, style art in 80 x 80 cells from y 96 (three per row).
  static const char* kStyles[4] = {"STANDARD", "RUSH", "GUARD", "EXTRA"};
  Canvas styles(256, 256);
  for (int i = 0; i < 4; ++i) {
    styles.Rect(0, static_cast<float>(i * 24 + 1), 160, 22, Rgb8(30, 30, 60, 0.8f));
    if (!mkdata::PaintText(styles, *caption, kStyles[i], 0, i * 24, 160, 24, 1)) return false;
    const float cx = static_cast<float>(i % 3 * 80 + 40), cy = static_cast<float>(96 + i / 3 * 80 + 40);
    styles.Ellipse(cx, cy, 34, 34, Rgb8(60 + 50 * i, 160, 220 - 40 * i, 0.9f));
    if (!mkdata::PaintGlyph(styles, *caption, static_cast<char>('1' + i), i % 3 * 80, 96 + i / 3 * 80 + 28,
                            80, 24, 1))
      return false;
  }
  // "COLOR" 64 x 16 at the top, digit d at (d mod 4 * 16, (d / 4 + 1) * 16).
  Canvas number(64, 64);
  if (!mkdata::PaintText(number, *digit, "COLOR", 0, 0, 64, 16, 1)) return false;
  for (int d = 0; d < 10; ++d)
    if (!mkdata::PaintGlyph(number, *digit, static_cast<char>('0' + d), d % 4 * 16, (d / 4 + 1) * 16, 16, 16,
                            1))
      return false;
  return Save(bar, root, "vs_ber00.png") && Save(styles, root, "vs_style00.png") &&
         Save(number, root, "vs_color00.png");
}

// The band that sweeps the cut-ins: a bright stripe fading to nothing at both edges.
bool WriteBandAndBackgrounds(const fs::path& root) {
  Canvas band(512, 256);
  for (int y = 0; y < 256; ++y) {
    const float d = std::fabs(static_cast<float>(y) - 128.0f) / 128.0f;
    band.Rect(0, static_cast<float>(y), 512, 1, Rgba{1.0f, 0.95f, 0.8f, std::pow(1.0f - d, 2.0f) * 0.9f});
  }
  Canvas cutBg(256, 512);
  cutBg.VerticalGradient(0, 511, Rgb8(40, 40, 90), Rgb8(10, 10, 30));
  for (int i = 0; i < 12; ++i)
    cutBg.Line(0, static_cast<float>(i * 48), 256, static_cast<float>(i * 48 + 120), 6,
               Rgb8(80, 80, 160, 0.5f));
  Canvas still(640, 480);
  still.VerticalGradient(0, 479, Rgb8(60, 20, 90), Rgb8(10, 10, 40));
  for (int i = 0; i < 16; ++i)
    still.Line(static_cast<float>(i * 48 - 100), 0, static_cast<float>(i * 48 + 100), 480, 10,
               Rgb8(120, 60, 160, 0.35f));
  return Save(band, root, "vs_black00.png") && Save(cutBg, root, "vs_cutbg00.png") &&
         still.Save(root, "dat/vs_nomovieBG.png");
}

// The masks take coverage away where their alpha is high (they draw last, over the cut-in): side
// 0 keeps a stripe leaning right, side 1 one leaning left; alpha 1 everywhere else.
bool WriteMasks(const fs::path& root) {
  for (int s = 0; s < 2; ++s) {
    Canvas mask(256, 512);
    for (int y = 0; y < 512; ++y) {
      const float lean = static_cast<float>(y) * 0.25f;
      const float left = s == 0 ? 24.0f + lean : 104.0f - lean;
      for (int x = 0; x < 256; ++x) {
        const float fx = static_cast<float>(x);
        const float inside = std::fmin(fx - left, left + 128.0f - fx);
        const float keep = std::fmin(std::fmax(inside / 4.0f, 0.0f), 1.0f);
        mask.At(x, y) = Rgba{0, 0, 0, 1.0f - keep};
      }
    }
    if (!Save(mask, root, Numbered("vs_mask%02d.png", s))) return false;
  }
  return true;
}

bool WriteCharacterPictures(const fs::path& root) {
  auto big = Face(96), name = Face(24), plate = Face(36), line = Face(14);
  if (!big || !name || !plate || !line) return false;
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    const Rgba tone = Tone(e.number);
    Canvas nameC(256, 32);
    if (!mkdata::PaintText(nameC, *name, e.name, 0, 0, 256, 32, 2)) return false;
    // 32 strips per column of 128 x 8; colour k at (k / 32 * 128, k mod 32 * 8).
    Canvas strips(256, 256);
    for (int k = 0; k < 64; ++k) {
      const float hue = static_cast<float>(k % 36) / 36.0f;
      strips.Rect(
          static_cast<float>(k / 32 * 128), static_cast<float>(k % 32 * 8 + 1), 128, 6,
          mkdata::Mix(tone, Rgb8(static_cast<int>(255 * hue), static_cast<int>(255 * (1 - hue)), 128), 0.6f));
    }
    Canvas flash(512, 512);
    flash.Glow(256, 256, 250, mkdata::Mix(tone, kWhite, 0.6f));
    Canvas namePlate(512, 48);
    namePlate.Rect(0, 4, 512, 40, Rgba{tone.r, tone.g, tone.b, 0.7f}, 4);
    Canvas cut(256, 512);
    Rgba body = mkdata::Mix(tone, kInk, 0.2f);
    cut.Ellipse(128, 150, 60, 70, body);
    cut.Ellipse(128, 380, 110, 150, body);
    if (!mkdata::PaintText(namePlate, *plate, e.name, 0, 0, 512, 48, 2) ||
        !mkdata::PaintText(cut, *big, Numbered("%02d", e.number).c_str(), 0, 40, 256, 110, 3))
      return false;
    if (!Save(nameC, root, Numbered("vs_name01/vs_name01_%02d.png", e.number)) ||
        !Save(strips, root, Numbered("vs_color/vs_chcolor%02d.png", e.number)) ||
        !Save(flash, root, Numbered("vs_flash/vs_fl%02d.png", e.number)) ||
        !Save(namePlate, root, Numbered("vs_name00/vs_name00_%02d.png", e.number)) ||
        !Save(cut, root, Numbered("vs_cut/vs_cut%02d.png", e.number)))
      return false;
    // Command lists: four 512 x 20 rows per style picture, in both languages.
    for (int style = 0; style < 4; ++style) {
      for (const char* lang : {"eng", "jpn"}) {
        Canvas list(512, 80);
        for (int row = 0; row < 4; ++row) {
          char text[64];
          std::snprintf(text, sizeof text, "%s %d-%d  236+%c", lang, style, row + 1, "ABCD"[row]);
          list.Rect(0, static_cast<float>(row * 20 + 1), 512, 18, Rgb8(0, 0, 0, 0.5f));
          if (!mkdata::PaintText(list, *line, text, 8, row * 20, 300, 20, 1)) return false;
        }
        char file[96];
        std::snprintf(file, sizeof file, "vs_command/%s/vs_com%02d_%01d.png", lang, e.number, style);
        if (!Save(list, root, file)) return false;
      }
    }
  }
  // The hidden opponent's pictures.
  Canvas mysteryName(256, 32), mysteryPlate(512, 48);
  mysteryPlate.Rect(0, 4, 512, 40, Rgb8(40, 40, 40, 0.7f), 4);
  if (!mkdata::PaintText(mysteryName, *name, "? ? ?", 0, 0, 256, 32, 2) ||
      !mkdata::PaintText(mysteryPlate, *plate, "? ? ? ? ?", 0, 0, 512, 48, 2))
    return false;
  if (!Save(mysteryName, root, "vs_name01/vs_name01_99.png") ||
      !Save(mysteryPlate, root, "vs_name00/vs_name00_99.png"))
    return false;
  for (const char* lang : {"eng", "jpn"}) {
    Canvas list(512, 80);
    for (int row = 0; row < 4; ++row)
      if (!mkdata::PaintText(list, *line, "? ? ?", 8, row * 20, 300, 20, 1)) return false;
    if (!Save(list, root, std::string("vs_command/") + lang + "/vs_com99_0.png")) return false;
  }
  return true;
}

bool WriteVsScreen(const fs::path& root) {
  return WriteSheets(root) && WriteBandAndBackgrounds(root) && WriteMasks(root) &&
         WriteCharacterPictures(root);
}

}  // namespace

MKDATA_STEP("35_vs_screen", WriteVsScreen);
