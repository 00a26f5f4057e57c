// The battle HUD's picture sheets and per-player graphics: the bar frames and bars of
// ".\grp\Gauge_QZ\gauge00" (and the meter frame of "gauge09" for the late-meter types), the
// meter labels (gauge02), the stage and round labels with their digits and pips (gauge04), the
// type icons (gauge06), the round marks (gauge07), the timer and side rings (gauge08); the faces
// per character and side, the cut-in portraits, the demo mark and the side panels (the palette
// chips the HUD reads are the select's, gen_select.cpp). Every picture puts its parts at the
// source rectangles the HUD reads.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

// The sample characters (charaselect.txt numbers 0 and 1) and their picture tones.
constexpr int kCharacters = 2;
const Rgba kCharacterTone[kCharacters] = {Rgb8(70, 120, 210), Rgb8(200, 80, 60)};

const Rgba kInk = {0.05f, 0.05f, 0.1f, 1.0f};
const Rgba kWhite = {1, 1, 1, 1};

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
}

// Letters a text centred in the box (x, y, w, h), with a dark rim. False without a face.
bool Letter(Canvas& c, const std::string& text, int x, int y, int w, int h, const Rgba& colour = kWhite) {
  auto face = Face(std::max(8, h * 3 / 4));
  if (!face) return false;
  std::vector<int> advances;
  std::vector<std::vector<uint8_t>> covers;
  int total = 0;
  for (char ch : text) {
    std::vector<uint8_t> cover;
    const int a = mkdata::RenderGlyphCell(*face, static_cast<uint8_t>(ch), h, h, 256, 0, &cover);
    advances.push_back(std::max(a, 0));
    covers.push_back(std::move(cover));
    total += std::max(a, 0);
  }
  int pen = x + std::max(0, (w - total) / 2);
  for (size_t i = 0; i < covers.size(); ++i) {
    const std::vector<uint8_t>& cover = covers[i];
    if (!cover.empty()) {
      for (int cy = 0; cy < h; ++cy)
        for (int cx = 0; cx < h; ++cx) {
          const int px = pen + cx, py = y + cy;
          if (px < x || px >= x + w || px >= c.Width() || py >= c.Height()) continue;
          float rim = 0.0f;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int sx = cx + dx, sy = cy + dy;
              if (sx >= 0 && sy >= 0 && sx < h && sy < h)
                rim = std::max(rim, cover[size_t(sy) * h + sx] / 255.0f);
            }
          if (rim > 0.0f) c.Blend(px, py, kInk, rim);
          const float a = cover[size_t(cy) * h + cx] / 255.0f;
          if (a > 0.0f) c.Blend(px, py, colour, a);
        }
    }
    pen += advances[i];
  }
  return true;
}

void Frame(Canvas& c, int x, int y, int w, int h, const Rgba& colour) {
  c.Rect(x, y, w, 1, colour);
  c.Rect(x, y + h - 1, w, 1, colour);
  c.Rect(x, y, 1, h, colour);
  c.Rect(x + w - 1, y, 1, h, colour);
}

// A horizontal strip lighter at the top, so a tinted bar still shows its shape.
void Strip(Canvas& c, int x, int y, int w, int h, const Rgba& top, const Rgba& bottom) {
  for (int row = 0; row < h; ++row) {
    const Rgba colour = mkdata::Mix(top, bottom, h > 1 ? float(row) / float(h - 1) : 0.0f);
    c.Rect(x, y + row, w, 1, colour);
  }
}

// The meter frames of both sides and the special-countdown overlays (shared by gauge00 and
// gauge09; the late-meter frame is tinted gold).
void MeterFrames(Canvas& c, const Rgba& rim) {
  for (int side = 0; side < 2; ++side) {
    const int y = side == 0 ? 192 : 256;
    c.Rect(4, y + 2, 232, 44, {0.08f, 0.08f, 0.12f, 0.75f});
    Frame(c, 4, y + 2, 232, 44, rim);
    // The bar's trough: screen x 35 (1P) or 413 (2P) in a frame placed at 0 or 400.
    const int trough = side == 0 ? 35 : 13;
    c.Rect(trough - 1, y + 5, 194, 34, {0, 0, 0, 0.8f});
    Frame(c, trough - 2, y + 4, 196, 36, rim);
  }
  for (int side = 0; side < 2; ++side) {
    const int x = side == 0 ? 0 : 224;
    Frame(c, x + 2, 306, 220, 28, Rgb8(190, 100, 200));
    Frame(c, x + 3, 307, 218, 26, Rgb8(190, 100, 200, 0.6f));
  }
}

bool WriteBarSheet(const std::filesystem::path& root) {
  Canvas c(512, 512);
  // Frames, 320 x 96: 1P at (0, 0), 2P at (0, 96). The life trough sits where the bars are drawn
  // (screen y 40, frame at y 18), the guard trough under it; the bars are queued over the frame.
  for (int side = 0; side < 2; ++side) {
    const int y = side * 96;
    const int life = side == 0 ? 61 : 47;
    const int guard = side == 0 ? 157 : 47;
    c.Rect(life - 3, y + 19, 218, 16, {0.08f, 0.08f, 0.12f, 0.85f});
    Frame(c, life - 3, y + 19, 218, 16, Rgb8(230, 230, 240));
    c.Rect(guard - 2, y + 38, 120, 26, {0.08f, 0.08f, 0.12f, 0.6f});
    Frame(c, guard - 2, y + 38, 120, 26, Rgb8(160, 170, 190));
  }
  // Guard bars, white strips the bar colour tints: 1P (320, 72), 2P (320, 104), 116 x 24.
  Strip(c, 320, 72, 116, 24, kWhite, Rgb8(150, 150, 150));
  Strip(c, 320, 104, 116, 24, kWhite, Rgb8(150, 150, 150));
  // The broken guard's backings, 144 x 24 at (0, 344) and (144, 344): hatched grey.
  for (int side = 0; side < 2; ++side) {
    c.Rect(side * 144, 344, 144, 24, Rgb8(90, 90, 90, 0.9f));
    for (int k = 0; k < 144; k += 8)
      c.Line(side * 144 + k, 367, side * 144 + k + 8, 345, 2, Rgb8(150, 60, 60));
  }
  // Life rows (212 x 10): 1P at y 374, 2P at y 406, yellow; red life rows at 390 and 422.
  Strip(c, 0, 374, 212, 10, Rgb8(255, 240, 120), Rgb8(230, 170, 20));
  Strip(c, 0, 406, 212, 10, Rgb8(255, 240, 120), Rgb8(230, 170, 20));
  Strip(c, 0, 390, 212, 10, Rgb8(255, 90, 80), Rgb8(170, 20, 20));
  Strip(c, 0, 422, 212, 10, Rgb8(255, 90, 80), Rgb8(170, 20, 20));
  // Meter bars (192 x 32) at (224, 374) and (224, 406): white with diagonal stripes.
  for (int y : {374, 406}) {
    Strip(c, 224, y, 192, 32, kWhite, Rgb8(170, 170, 170));
    for (int k = 0; k < 192; k += 16) c.Line(224 + k, y + 31, 224 + k + 10, y, 3, Rgb8(255, 255, 255, 0.5f));
  }
  MeterFrames(c, Rgb8(210, 215, 230));
  return c.Save(root, "grp/Gauge_QZ/gauge00.png") && [&] {
    Canvas late(512, 512);
    MeterFrames(late, Rgb8(240, 200, 90));
    return late.Save(root, "grp/Gauge_QZ/gauge09.png");
  }();
}

// Meter labels, 128 x 24 each at (0, label x 24).
bool WriteLabelSheet(const std::filesystem::path& root) {
  Canvas c(128, 128);
  const char* labels[] = {"MAX", "HEAT", "SABLE HEAT", "BREAK", "UNLIMITED"};
  for (int i = 0; i < 5; ++i)
    if (!Letter(c, labels[i], 0, i * 24, 128, 24)) return false;
  return c.Save(root, "grp/Gauge_QZ/gauge02.png");
}

// Digits 0..9 in 16 x 16 cells at ((d mod 8) x 16, (d div 8) x 16); the stage (48 x 16 at
// (0, 32)), round (48 x 16 at (0, 48)), final-round (80 x 16 at (0, 64)) and versus (56 x 16 at
// (0, 80)) labels; the heat pip, the mode icon and the two stock pips in 16 x 16 cells at y 96.
bool WriteCentreSheet(const std::filesystem::path& root) {
  Canvas c(128, 128);
  for (int d = 0; d < 10; ++d) {
    const std::string s(1, static_cast<char>('0' + d));
    if (!Letter(c, s, d % 8 * 16, d / 8 * 16, 16, 16)) return false;
  }
  if (!Letter(c, "STAGE", 0, 32, 48, 16) || !Letter(c, "ROUND", 0, 48, 48, 16) ||
      !Letter(c, "FINAL", 0, 64, 80, 16, Rgb8(255, 120, 90)) || !Letter(c, "VERSUS", 0, 80, 56, 16))
    return false;
  c.Ellipse(7.5f, 103.5f, 5.0f, 5.0f, Rgb8(255, 120, 60));
  c.Rect(18, 98, 12, 12, Rgb8(250, 160, 0));
  c.Ellipse(39.5f, 103.5f, 5.0f, 5.0f, Rgb8(120, 220, 255));
  Frame(c, 34, 98, 12, 12, Rgb8(120, 120, 120));
  return c.Save(root, "grp/Gauge_QZ/gauge04.png");
}

// Type icons, 48 x 48 at x 48 x cell (cell 3 for the types 8 and 9).
bool WriteTypeSheet(const std::filesystem::path& root) {
  Canvas c(256, 64);
  const Rgba tones[4] = {Rgb8(80, 150, 230), Rgb8(230, 90, 80), Rgb8(90, 200, 110), Rgb8(220, 190, 60)};
  const char* letters[4] = {"A", "B", "C", "X"};
  for (int k = 0; k < 4; ++k) {
    c.Ellipse(48 * k + 23.5f, 23.5f, 21.0f, 21.0f, kInk);
    c.Ellipse(48 * k + 23.5f, 23.5f, 19.0f, 19.0f, tones[k]);
    if (!Letter(c, letters[k], 48 * k + 8, 10, 32, 28)) return false;
  }
  return c.Save(root, "grp/Gauge_QZ/gauge06.png");
}

// Round marks, 32 x 32: a won round's kind at x 32 x value (0 knock-out, 1 time, 2 special), the
// empty mark at x 96.
bool WriteMarkSheet(const std::filesystem::path& root) {
  Canvas c(128, 32);
  const Rgba tones[3] = {Rgb8(255, 210, 60), Rgb8(120, 200, 255), Rgb8(255, 110, 200)};
  for (int k = 0; k < 3; ++k) {
    c.Ellipse(32 * k + 15.5f, 15.5f, 11.0f, 11.0f, kInk);
    c.Ellipse(32 * k + 15.5f, 15.5f, 9.5f, 9.5f, tones[k]);
  }
  c.Ellipse(111.5f, 15.5f, 11.0f, 11.0f, kInk);
  c.Ellipse(111.5f, 15.5f, 9.5f, 9.5f, Rgb8(70, 70, 80));
  return c.Save(root, "grp/Gauge_QZ/gauge07.png");
}

// A ring of ticks, so its turning shows.
void Ring(Canvas& c, float cx, float cy, float r, float width, int ticks, const Rgba& colour) {
  for (int k = 0; k < 96; ++k) {
    const float a0 = 6.2831853f * k / 96.0f, a1 = 6.2831853f * (k + 1) / 96.0f;
    c.Line(cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1), cy + r * std::sin(a1), width,
           colour);
  }
  for (int k = 0; k < ticks; ++k) {
    const float a = 6.2831853f * k / ticks;
    const float len = k == 0 ? width * 3.0f : width * 1.5f;
    c.Line(cx + (r - len) * std::cos(a), cy + (r - len) * std::sin(a), cx + (r + len) * std::cos(a),
           cy + (r + len) * std::sin(a), k == 0 ? width * 1.5f : width * 0.8f, colour);
  }
}

// Rings: the timer's outer ring 112 x 112 at (0, 0), its inner ring 80 x 80 at (112, 0), and the
// side ring 80 x 80 at (112, 80).
bool WriteRingSheet(const std::filesystem::path& root) {
  Canvas c(256, 256);
  Ring(c, 55.5f, 55.5f, 50.0f, 3.0f, 12, Rgb8(200, 220, 255));
  Ring(c, 151.5f, 39.5f, 34.0f, 2.5f, 10, Rgb8(255, 220, 160));
  Ring(c, 151.5f, 119.5f, 34.0f, 2.5f, 8, Rgb8(200, 255, 220));
  return c.Save(root, "grp/Gauge_QZ/gauge08.png");
}

// A face, 256 x 96 as drawn: a stylised head facing the middle of the screen, in the
// character's tone, lettered with its number.
bool WriteFaces(const std::filesystem::path& root) {
  for (int chara = 0; chara < kCharacters; ++chara)
    for (int side = 0; side < 2; ++side) {
      Canvas c(256, 128);
      const Rgba tone = kCharacterTone[chara];
      const float cx = side == 0 ? 40.0f : 215.0f;
      c.Glow(cx, 48.0f, 46.0f, mkdata::Mix(tone, kWhite, 0.3f));
      c.Ellipse(cx, 50.0f, 24.0f, 28.0f, kInk);
      c.Ellipse(cx, 50.0f, 22.0f, 26.0f, Rgb8(240, 205, 175));
      c.Ellipse(cx, 30.0f, 24.0f, 12.0f, tone);
      const float eye = side == 0 ? 8.0f : -8.0f;
      c.Ellipse(cx + eye, 48.0f, 3.0f, 4.0f, kInk);
      char text[8];
      std::snprintf(text, sizeof text, "%02d", chara);
      if (!Letter(c, text, side == 0 ? 6 : 186, 72, 64, 20)) return false;
      char name[96];
      std::snprintf(name, sizeof name, "grp/Gauge_QZ/Face/face%02d_%02d.png", chara, side);
      if (!c.Save(root, name)) return false;
    }
  return true;
}

// The first cut-in of each character's super: a 512 x 256 portrait band.
bool WriteCutIns(const std::filesystem::path& root) {
  for (int chara = 0; chara < kCharacters; ++chara) {
    Canvas c(512, 256);
    c.VerticalGradient(0, 255, mkdata::Mix(kCharacterTone[chara], kWhite, 0.4f), kCharacterTone[chara]);
    c.Ellipse(380.0f, 128.0f, 90.0f, 110.0f, Rgb8(240, 205, 175));
    c.Ellipse(380.0f, 70.0f, 96.0f, 50.0f, kInk);
    if (!Letter(c, chara == 0 ? "TESTER" : "DUELIST", 16, 96, 256, 64)) return false;
    char name[96];
    std::snprintf(name, sizeof name, "grp/cut/cut_%02d00.png", chara);
    if (!c.Save(root, name)) return false;
  }
  return true;
}

bool WriteDemoMark(const std::filesystem::path& root) {
  Canvas c(64, 32, {0.6f, 0.05f, 0.05f, 0.8f});
  Frame(c, 0, 0, 64, 32, kWhite);
  return Letter(c, "DEMO", 0, 6, 64, 20) && c.Save(root, "grp/system/P00dem40.png");
}

// Side panels, 256 x 512: the defaults of both sides in both languages, and the battle panels
// of character 0 for both sides and the three types.
bool WritePanels(const std::filesystem::path& root) {
  auto panel = [&](const std::string& file, const Rgba& tone, const std::string& title,
                   const std::string& sub) {
    Canvas c(256, 512);
    c.VerticalGradient(0, 511, mkdata::Mix(tone, kWhite, 0.25f), mkdata::Mix(tone, kInk, 0.6f));
    c.Noise(0.04f, static_cast<uint32_t>(file.size() * 977));
    Frame(c, 4, 4, 248, 504, Rgb8(230, 230, 240));
    return Letter(c, title, 0, 200, 256, 64) && Letter(c, sub, 0, 280, 256, 32) && c.Save(root, file);
  };
  for (const char* lang : {"eng", "jpn"}) {
    const std::string dir = std::string("apm_com/") + lang + "/";
    if (!panel(dir + "apm_com_default_1p.png", Rgb8(60, 90, 170), "1P", "VANTOREL") ||
        !panel(dir + "apm_com_default_2p.png", Rgb8(170, 60, 60), "2P", "VANTOREL"))
      return false;
    for (int s = 1; s <= 2; ++s)
      for (int type = 0; type < 3; ++type) {
        char name[96];
        std::snprintf(name, sizeof name, "apm_com_%02d_%01dp_%01d.png", 0, s, type);
        char sub[32];
        std::snprintf(sub, sizeof sub, "TESTER %c", "ABC"[type]);
        if (!panel(dir + name, kCharacterTone[0], s == 1 ? "1P" : "2P", sub)) return false;
      }
  }
  return true;
}

bool WriteHudSheets(const std::filesystem::path& root) {
  return WriteBarSheet(root) && WriteLabelSheet(root) && WriteCentreSheet(root) && WriteTypeSheet(root) &&
         WriteMarkSheet(root) && WriteRingSheet(root) && WriteFaces(root) && WriteCutIns(root) &&
         WriteDemoMark(root) && WritePanels(root);
}

}  // namespace

MKDATA_STEP("32_battle_hud_sheets", WriteHudSheets);
