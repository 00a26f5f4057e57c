// Sample pictures of the arcade route's screens: the new challenger, continue and game over, the
// next-stage map with its numbered points, the ranking sheets and portraits, and the name entry's
// letter cells. Each piece carries its number or name so a screenshot shows what was drawn.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"
#include "sample_roster.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
}

const Rgba kWhite{1, 1, 1, 1};
const Rgba kClear{0, 0, 0, 0};

std::string Num(const char* format, int a, int b = 0) {
  char s[160];
  std::snprintf(s, sizeof s, format, a, b);
  return s;
}

// A labelled panel: a soft gradient card with the text centred in it.
Canvas Card(int w, int h, const Rgba& top, const Rgba& bottom, const std::string& text, int textHeight,
            const Rgba& ink = kWhite) {
  Canvas c(w, h);
  c.VerticalGradient(0, h - 1, top, bottom);
  if (!text.empty()) {
    auto face = Face(textHeight);
    if (face) mkdata::PaintText(c, *face, text.c_str(), 0, 0, w, h, 1, ink);
  }
  return c;
}

// Text on a clear picture.
Canvas Lettering(int w, int h, const std::string& text, int textHeight, const Rgba& ink = kWhite) {
  Canvas c(w, h);
  auto face = Face(textHeight);
  if (face) mkdata::PaintText(c, *face, text.c_str(), 0, 0, w, h, 1, ink);
  return c;
}

Canvas NoiseSheet(int w, int h, uint32_t seed) {
  Canvas c(w, h, {0.5f, 0.5f, 0.5f, 1});
  c.Noise(0.5f, seed);
  return c;
}

bool WriteChallenger(const std::filesystem::path& root) {
  const std::string dir = "grp/challenger_QZ/";
  for (int i = 0; i < 8; ++i) {
    Canvas c(128, 256);
    c.Glow(64, 128, 40.0f + 6.0f * i, Rgb8(255, 80 + 20 * i, 40));
    c.Ellipse(64, 128, 30, 60, Rgb8(255, 220, 120, 0.8f));
    auto face = Face(28);
    if (face) mkdata::PaintText(c, *face, Num("E%d", i).c_str(), 0, 100, 128, 56, 1);
    if (!c.Save(root, dir + Num("Emblem/cha_Emb%02d.png", i))) return false;
  }
  for (int i = 0; i < 24; ++i) {
    Canvas c(256, 512);
    c.Ellipse(128, 110, 56, 64, Rgb8(255, 255, 255, 0.9f));
    c.Ellipse(128, 330, 96, 180, Rgb8(255, 255, 255, 0.9f));
    auto face = Face(96);
    if (face) mkdata::PaintText(c, *face, Num("%02d", i).c_str(), 0, 260, 256, 120, 2, Rgb8(200, 30, 60));
    if (!c.Save(root, dir + Num("silhouette/cha_silh%02d.png", i))) return false;
  }
  const char* subtitles[4] = {"A NEW CHALLENGER", "ENTERS THE FIGHT FROM THE OTHER SIDE", "GET READY",
                              "THE MATCH STARTS AS SOON AS BOTH ARE SET"};
  const int widths[4] = {256, 512, 256, 512};
  for (int i = 0; i < 4; ++i)
    if (!Lettering(widths[i], 16, subtitles[i], 13).Save(root, dir + Num("cha_Font%02d.png", i)))
      return false;
  for (int i = 0; i < 2; ++i) {
    Canvas c(512, 32);
    c.Rect(0, 12, 512, 8, Rgb8(255, 40 + 100 * i, 40), 3);
    if (!c.Save(root, dir + Num("cha_Line%02d.png", i))) return false;
  }
  const char* titles[4] = {"NEW", "NEW", "CHALLENGER", "CHALLENGER"};
  for (int i = 0; i < 4; ++i) {
    const Rgba ink = i % 2 == 0 ? kWhite : Rgb8(255, 60, 40);
    if (!Lettering(512, 64, titles[i], 52, ink).Save(root, dir + Num("cha_Title%02d.png", i))) return false;
  }
  Canvas flare(128, 128);
  flare.Glow(64, 64, 64, Rgb8(255, 220, 160));
  Canvas ripple(256, 256);
  ripple.Ellipse(128, 128, 124, 124, Rgb8(255, 255, 255, 0.8f), 3);
  ripple.Ellipse(128, 128, 110, 110, {0, 0, 0, 0}, 3);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const float d = std::hypot(x - 128.0f, y - 128.0f);
      if (d < 112.0f) ripple.At(x, y) = kClear;
    }
  return flare.Save(root, dir + "cha_Flare00.png") && ripple.Save(root, dir + "cha_riple00.png") &&
         NoiseSheet(512, 512, 11).Save(root, dir + "cha_noise00.png");
}

bool WriteContinue(const std::filesystem::path& root) {
  const std::string dir = "grp/continue_QZ/";
  // Big cells 64 x 80, eight a row: 0..9 and the point (10); small cells 48 x 64 at y 160.
  Canvas digits(512, 256);
  auto big = Face(72), small = Face(56);
  for (int n = 0; n <= 10; ++n) {
    const std::string s = n == 10 ? "." : std::to_string(n);
    if (big)
      mkdata::PaintText(digits, *big, s.c_str(), n % 8 * 64, n / 8 * 80, 64, 80, 2, Rgb8(255, 230, 200));
    if (n < 10 && small)
      mkdata::PaintText(digits, *small, s.c_str(), n * 48, 160, 48, 64, 2, Rgb8(255, 200, 160));
  }
  if (!digits.Save(root, dir + "continue_count00.png")) return false;
  for (int i = 0; i < 6; ++i) {
    Canvas c(640, 480);
    for (int k = 0; k <= i; ++k)
      c.Line(320, 240, 320 + 300 * std::cos(k * 1.1f + 0.3f), 240 + 230 * std::sin(k * 1.7f + 0.5f), 3,
             Rgb8(255, 255, 255, 0.85f));
    if (!c.Save(root, dir + Num("continue_crack%02d_0.png", i))) return false;
  }
  for (int i = 0; i < 10; ++i) {
    Canvas c(320, 240);
    c.Glow(160, 120, 40.0f + 12.0f * i, Rgb8(255, 120, 60, 1.0f - 0.08f * i));
    if (!c.Save(root, dir + Num("break/continue_break%02d_0.png", i))) return false;
  }
  Canvas line(512, 8);
  line.Rect(0, 2, 512, 4, Rgb8(255, 60, 40), 1);
  const std::string go = "grp/gameover_QZ/";
  Canvas goLine(512, 8);
  goLine.Rect(0, 2, 512, 4, Rgb8(220, 20, 20), 1);
  Canvas blood(512, 128);
  blood.Ellipse(256, 64, 250, 40, Rgb8(120, 0, 0, 0.9f), 20);
  return line.Save(root, dir + "continue_line00.png") &&
         Lettering(512, 128, "CONTINUE?", 96, Rgb8(255, 230, 210)).Save(root, dir + "continue_logo00.png") &&
         NoiseSheet(512, 512, 21).Save(root, dir + "continue_noise00.png") &&
         Lettering(640, 128, "GAME OVER", 100, Rgb8(240, 240, 240)).Save(root, go + "gameover_logo00.png") &&
         blood.Save(root, go + "gameover_blood00.png") && goLine.Save(root, go + "gameover_Line00.png");
}

// The 21 map points of the map picture, numbered on it.
constexpr int kMapPoints[21][2] = {{346, 308}, {100, 352}, {99, 300},  {96, 274},  {247, 255}, {254, 405},
                                   {269, 311}, {146, 196}, {189, 347}, {204, 293}, {163, 259}, {371, 162},
                                   {305, 125}, {300, 175}, {306, 352}, {357, 218}, {308, 254}, {251, 202},
                                   {204, 193}, {208, 147}, {434, 225}};

bool WriteNextStage(const std::filesystem::path& root) {
  const std::string dir = "grp/nextstage_QZ/";
  Canvas map(512, 512, Rgb8(20, 40, 70));
  map.Ellipse(256, 260, 230, 200, Rgb8(60, 110, 80), 30);
  map.Noise(0.06f, 5);
  auto face = Face(14);
  for (int j = 0; j < 21; ++j) {
    map.Ellipse(static_cast<float>(kMapPoints[j][0]), static_cast<float>(kMapPoints[j][1]), 6, 6,
                Rgb8(255, 220, 90));
    if (face)
      mkdata::PaintText(map, *face, std::to_string(j).c_str(), kMapPoints[j][0] + 4, kMapPoints[j][1] - 18,
                        24, 16, 1);
  }
  if (!map.Save(root, dir + "map_m00.png")) return false;
  Canvas labels(256, 128);
  for (int j = 0; j < 16; ++j)
    if (face)
      mkdata::PaintText(labels, *face, Num("POINT %d", j).c_str(), j % 2 * 128, j / 2 * 16, 128, 16, 1);
  Canvas marker(32, 32);
  marker.Ellipse(16, 16, 12, 12, Rgb8(255, 80, 60), 2);
  Canvas ring(64, 64);
  ring.Ellipse(32, 32, 30, 30, Rgb8(255, 255, 255, 0.9f), 2);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (std::hypot(x - 32.0f, y - 32.0f) < 26.0f) ring.At(x, y) = kClear;
  Canvas beam(32, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 32; ++x)
      beam.Blend(x, y, Rgb8(120, 220, 255), (1.0f - std::fabs(x - 15.5f) / 16.0f) * y / 256.0f);
  if (!labels.Save(root, dir + "map_m01.png") || !marker.Save(root, dir + "map_m02.png") ||
      !ring.Save(root, dir + "map_m03.png") || !beam.Save(root, dir + "map_m04.png"))
    return false;
  if (!Card(333, 34, Rgb8(30, 30, 50, 0.85f), Rgb8(10, 10, 20, 0.85f), "", 10)
           .Save(root, dir + "map_Bar00.png"))
    return false;
  Canvas badges(256, 120);
  for (int j = 0; j < 16; ++j) {
    badges.Rect(static_cast<float>(j / 5 * 64 + 2), static_cast<float>(j % 5 * 24 + 2), 60, 20,
                Rgb8(200, 60, 40), 2);
    if (face)
      mkdata::PaintText(badges, *face, Num("ST %d", j + 1).c_str(), j / 5 * 64, j % 5 * 24, 64, 24, 1);
  }
  if (!badges.Save(root, dir + "map_Bar01.png")) return false;
  Canvas bg(640, 480);
  bg.VerticalGradient(0, 479, Rgb8(40, 10, 10), Rgb8(5, 5, 20));
  Canvas flash(128, 128);
  flash.Glow(64, 64, 64, Rgb8(255, 255, 255));
  if (!bg.Save(root, dir + "map_BG01.png") || !flash.Save(root, dir + "map_ef00.png")) return false;
  // The shutters: clear but for a bar along the edge that meets the other shutter.
  for (int i = 0; i < 2; ++i) {
    Canvas shutter(512, 512);
    shutter.Rect(i == 0 ? 488.0f : 0.0f, 0, 24, 512, Rgb8(150, 30, 30), 2);
    if (!shutter.Save(root, dir + Num("map_Shutter%02d.png", i))) return false;
  }
  Canvas letters(256, 128);
  auto big = Face(56);
  const char* cells = "NEXTSAG";
  for (int n = 0; n < 7; ++n)
    if (big) mkdata::PaintGlyph(letters, *big, cells[n], n % 4 * 64, n / 4 * 64, 64, 64, 2);
  Canvas logo(512, 128);
  if (big) mkdata::PaintText(logo, *big, "NEXT STAGE", 0, 0, 512, 64, 2);
  logo.Rect(0, 64, 512, 64, Rgb8(255, 255, 255, 0.9f), 8);
  if (!letters.Save(root, dir + "nextstage00.png") ||
      !Lettering(128, 16, "NEXT STAGE", 13).Save(root, dir + "nextstage02.png") ||
      !logo.Save(root, dir + "nextstage03.png"))
    return false;
  for (int s = 0; s < 56; ++s) {
    if (!Card(256, 128, Rgb8(40 + s * 3, 80, 140), Rgb8(10, 20, 40), Num("STAGE %d", s), 28)
             .Save(root, dir + Num("info_bg/map_infoBG%02d.png", s)))
      return false;
    const int w[3] = {512, 256, 128};
    for (int i = 0; i < 3; ++i)
      if (!Lettering(w[i], i == 2 ? 16 : 32,
                     Num(i == 0   ? "STAGE %d"
                         : i == 1 ? "AREA %d"
                                  : "POINT %d",
                         s),
                     i == 2 ? 13 : 26)
               .Save(root, dir + Num("bg_name/map_bg%02d%02d.png", i, s)))
        return false;
  }
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    const int n = e.number;
    if (!Lettering(256, 32, e.name, 24).Save(root, dir + Num("c_name/eng/map_cn%02d.png", n)) ||
        !Lettering(256, 32, e.name, 24).Save(root, dir + Num("c_name/jpn/map_cn%02d.png", n)) ||
        !Card(256, 128, Rgb8(200, 160, 120), Rgb8(90, 60, 40), e.name, 30)
             .Save(root, dir + Num("face/map_c%02d.png", n)) ||
        !Lettering(256, 32, e.name, 26).Save(root, dir + Num("p_name/map_pn00%02d.png", n)) ||
        !Lettering(256, 32, Num("No. %d", n), 20).Save(root, dir + Num("p_name/map_pn01%02d.png", n)))
      return false;
    Canvas small(512, 512);
    small.Ellipse(400, 380, 80, 120, Rgb8(200, 200, 230, 0.7f), 6);
    if (!small.Save(root, dir + Num("Chara_s/map_cs%02d.png", n))) return false;
  }
  return Lettering(256, 32, "? ? ?", 24).Save(root, dir + "c_name/eng/map_cn99.png") &&
         Lettering(256, 32, "? ? ?", 24).Save(root, dir + "c_name/jpn/map_cn99.png");
}

bool WriteRanking(const std::filesystem::path& root) {
  const std::string dir = "grp/ranking_QZ/";
  for (int i = 0; i < 2; ++i) {
    Canvas c(1024, 1024);
    c.Ellipse(512, 512, 500, 500, Rgb8(120, 30, 30, 0.5f), 6);
    for (int y = 0; y < 1024; ++y)
      for (int x = 0; x < 1024; ++x)
        if (std::hypot(x - 512.0f, y - 512.0f) < 470.0f) c.At(x, y) = kClear;
    if (!c.Save(root, dir + Num("rank_circle%02d.png", i))) return false;
  }
  // The sheet: place emblems, large and small characters, type labels and icons, frames.
  Canvas font(512, 512);
  auto f40 = Face(40), f26 = Face(26), f12 = Face(12);
  if (f26) mkdata::PaintText(font, *f26, "1ST", 0, 0, 64, 48, 2, Rgb8(255, 210, 90));
  for (int p = 2; p <= 10; ++p)
    if (f12) mkdata::PaintText(font, *f12, Num("%dTH", p).c_str(), 64 + 48 * (p - 2), 0, 48, 48, 1);
  for (int ch = 33; ch < 96; ++ch) {
    const int c = ch - 32;
    if (f40) mkdata::PaintGlyph(font, *f40, static_cast<char>(ch), c % 16 * 32, c / 16 * 48 + 56, 32, 48, 2);
    if (f26) mkdata::PaintGlyph(font, *f26, static_cast<char>(ch), c % 21 * 24, (c / 21 + 9) * 32, 24, 32, 1);
  }
  const char* types[4] = {"TYPE B", "TYPE A", "TYPE C", "TYPE ?"};
  for (int l = 0; l < 4; ++l) {
    if (f12) mkdata::PaintText(font, *f12, types[l], 32, (l + 15) * 16, 112, 16, 1);
    font.Ellipse(static_cast<float>(l * 32 + 160), 256, 12, 12, Rgb8(80 + 50 * l, 200, 255 - 50 * l), 2);
  }
  font.Rect(0, 416, 512, 32, Rgb8(255, 255, 255, 0.15f), 2);
  font.Rect(0, 470, 512, 10, Rgb8(255, 255, 255, 0.3f), 1);
  font.Rect(368, 448, 144, 16, Rgb8(255, 255, 255, 0.2f), 1);
  if (f12) mkdata::PaintText(font, *f12, "COLOR", 0, 448, 48, 16, 1);
  for (int d = 0; d < 10; ++d)
    if (f12) mkdata::PaintGlyph(font, *f12, static_cast<char>('0' + d), (d + 3) * 16, 448, 16, 16, 1);
  if (!font.Save(root, dir + "rank_font00.png")) return false;
  Canvas line(640, 2);
  for (int x = 0; x < 640; ++x)
    line.Blend(x, 0, kWhite, 1.0f - x / 640.0f), line.Blend(x, 1, kWhite, 1.0f - x / 640.0f);
  if (!line.Save(root, dir + "rank_line00.png")) return false;
  Canvas names0(512, 504), names1(368, 504);
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    int n = e.number <= 15 ? e.number : -1;
    if (n < 0) continue;
    if (f12) {
      mkdata::PaintText(names0, *f12, e.name, n / 21 * 256, n % 21 * 24, 256, 24, 1);
      mkdata::PaintText(names1, *f12, e.name, n / 21 * 184, n % 21 * 24, 184, 24, 1);
    }
  }
  if (!names0.Save(root, dir + "rank_name00.png") || !names1.Save(root, dir + "rank_name01.png"))
    return false;
  for (int i = 0; i < 6; ++i)
    if (!NoiseSheet(512, 512, 40 + i).Save(root, dir + Num("rank_noise%02d.png", i))) return false;
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    const int n = e.number;
    Canvas portrait(512, 512);
    portrait.Ellipse(300, 180, 70, 80, Rgb8(230, 200, 170), 4);
    portrait.Ellipse(300, 420, 150, 180, Rgb8(80, 90, 160), 6);
    if (f40) mkdata::PaintText(portrait, *f40, e.name, 100, 260, 400, 60, 2);
    Canvas mask(512, 512, kWhite);
    Canvas strip = Card(512, 32, Rgb8(160, 120, 90, 0.8f), Rgb8(60, 40, 30, 0.8f), e.name, 20);
    if (!portrait.Save(root, dir + Num("rank_chara/rank_ch00%02d.png", n)) ||
        !strip.Save(root, dir + Num("rank_chara/rank_ch01%02d.png", n)) ||
        !mask.Save(root, dir + Num("noise_mask/rank_noise_m%02d.png", n)))
      return false;
  }
  return Card(640, 64, Rgb8(120, 20, 20, 0.9f), Rgb8(40, 5, 5, 0.9f), "RANKING", 44)
             .Save(root, dir + "rank_title01_0.png") &&
         Lettering(256, 64, "TOP 10", 40, Rgb8(255, 210, 90)).Save(root, dir + "rank_title00.png");
}

// The name entry's cells: 32 x 32, 16 a row from the blank; place suffixes and the two keys on
// the row at y 192.
bool WriteNameEntryFont(const std::filesystem::path& root) {
  Canvas c(512, 256);
  auto face = Face(26), f14 = Face(14);
  for (int ch = 33; ch < 96; ++ch)
    if (face)
      mkdata::PaintGlyph(c, *face, static_cast<char>(ch), (ch - 32) % 16 * 32, (ch - 32) / 16 * 32, 32, 32,
                         2);
  const char* suffix[4] = {"ST", "ND", "RD", "TH"};
  for (int i = 0; i < 4; ++i)
    if (f14) mkdata::PaintText(c, *f14, suffix[i], i * 32, 192, 32, 32, 1);
  if (f14) mkdata::PaintText(c, *f14, "END", 128, 192, 32, 32, 1, Rgb8(255, 210, 90));
  if (f14) mkdata::PaintText(c, *f14, "BS", 160, 192, 32, 32, 1, Rgb8(120, 220, 255));
  return c.Save(root, "grp/system/P07Nam00.png");
}

bool WriteArcadeScreens(const std::filesystem::path& root) {
  return WriteChallenger(root) && WriteContinue(root) && WriteNextStage(root) && WriteRanking(root) &&
         WriteNameEntryFont(root);
}

}  // namespace

MKDATA_STEP("36_arcade_screens", WriteArcadeScreens);
