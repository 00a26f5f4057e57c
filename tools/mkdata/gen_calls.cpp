// The round, fight, KO and winner calls' sample pictures: lettered sheets at the cells the calls
// cut their glyphs from (".\grp\RoundCall_QZ\round\" and "...\Ko\"), rings, noise, flares, the
// scrolling program, the stage names and the KO flash frames.
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
using mkdata::Rgba;

const char* const kRound = "grp/RoundCall_QZ/round/";
const char* const kKo = "grp/RoundCall_QZ/Ko/";

std::unique_ptr<vt::glyph::GlyphFace> Face(int height, int weight = 700) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, weight, 4});
}

// One character centred in the box (x, y, w, h) in colour c, the face's size filling the box's
// height; a soft dark rim when `rim` is set.
void Letter(Canvas& cv, vt::glyph::GlyphFace& face, char ch, int x, int y, int w, int h, const Rgba& c,
            bool rim = true) {
  if (ch == ' ') return;
  std::vector<uint8_t> cover;
  const int advance = mkdata::RenderGlyphCell(face, static_cast<uint8_t>(ch), w, h, 256, 0, &cover);
  if (advance < 0) return;
  mkdata::RenderGlyphCell(face, static_cast<uint8_t>(ch), w, h, 256, std::max(0, (w - advance) / 2), &cover);
  for (int cy = 0; cy < h; ++cy)
    for (int cx = 0; cx < w; ++cx) {
      const float a = cover[size_t(cy) * w + cx] / 255.0f;
      if (a <= 0.0f) continue;
      if (rim)
        for (int d = 1; d <= 2; ++d) {
          if (x + cx + d < cv.Width() && y + cy + d < cv.Height())
            cv.Blend(x + cx + d, y + cy + d, {0.0f, 0.05f, 0.15f, 0.8f}, a);
        }
      if (x + cx < cv.Width() && y + cy < cv.Height()) cv.Blend(x + cx, y + cy, c, a);
    }
}

// A line of text from (x, y) in cells of w x h.
void Text(Canvas& cv, vt::glyph::GlyphFace& face, const std::string& s, int x, int y, int w, int h,
          const Rgba& c, bool rim = false) {
  for (size_t i = 0; i < s.size(); ++i) Letter(cv, face, s[i], x + static_cast<int>(i) * w, y, w, h, c, rim);
}

const Rgba kWhite{1, 1, 1, 1};
const Rgba kCyan = mkdata::Rgb8(120, 220, 255);
const Rgba kGold = mkdata::Rgb8(255, 210, 90);

// rd_font00_00, 1024 x 512: row 0 R O U N D F I A L in 56 x 56 cells, row 1 the digits 0..9,
// from y 112 the sliding-in variants one cell on, from y 168 the digits' variants, the
// caption's scrambled digits (y 282) and resolved lines (y 298, 314), the typed line's letters
// (y 328) and its four frames (y 360).
bool WriteRoundFont(const std::filesystem::path& root) {
  auto big = Face(52), small = Face(15), mid = Face(28);
  if (!big || !small || !mid) return false;
  Canvas c(1024, 512);
  const char* letters = "ROUNDFIAL";
  for (int i = 0; i < 9; ++i) Letter(c, *big, letters[i], 56 * i, 0, 56, 56, kWhite);
  for (int d = 0; d < 10; ++d) Letter(c, *big, static_cast<char>('0' + d), 56 * d, 56, 56, 56, kGold);
  // The variants a glyph slides in with: cell c + 1 of a nine-wide grid.
  for (int i = 0; i < 9; ++i) {
    const int k = i + 1;
    Letter(c, *big, letters[i], 56 * (k % 9), 112 + 56 * (k / 9), 56, 56, kCyan);
  }
  for (int d = 0; d < 10; ++d)
    Letter(c, *big, static_cast<char>('0' + d), 56 * ((d + 1) % 9), 168 + 56 * (d / 9), 56, 56, kCyan);
  for (int d = 0; d < 20; ++d)
    Letter(c, *small, static_cast<char>('0' + d % 10), 8 * d, 282, 8, 16, d < 10 ? kCyan : kGold, false);
  for (int d = 1; d <= 5; ++d)
    Letter(c, *small, static_cast<char>('0' + d), 16 * (d - 1), 298, 16, 16, kGold, false);
  // The resolved line is drawn 8 pixels left of its source's place after the digit: a space first.
  Text(c, *small, " WINS TO TAKE THE MATCH - STAGE", 80, 298, 8, 16, kWhite);
  Text(c, *small, "SYSTEM CHECK OK  BOTH FIGHTERS READY  LINK ESTABLISHED  ENGAGE", 0, 314, 7, 15, kWhite);
  // The typed line: seven letters 24 wide, a gap, four letters 32 wide (the last a block cursor).
  const char* typed = "PREPAREFOR";
  for (int i = 0; i < 7; ++i) Letter(c, *mid, typed[i], 24 * i, 328, 24, 32, kWhite, false);
  for (int i = 0; i < 3; ++i) Letter(c, *mid, typed[7 + i], 168 + 32 * i, 328, 32, 32, kWhite, false);
  c.Rect(268, 332, 24, 26, kCyan);
  for (int f = 0; f < 4; ++f) {
    const Rgba tint = mkdata::Mix(kWhite, kCyan, f / 3.0f);
    Text(c, *mid, "PREPARE FOR BATTLE", 4 + (f % 2), 360 + 32 * f, 16, 32, tint);
  }
  return c.Save(root, std::string(kRound) + "rd_font00_00.png");
}

// rd_font00_01, 512 x 256: the five-letter fight word in 96 x 80 cells, sharp (row 0) and
// streaked (row 1), and three 240 x 16 lines at y 160, 176, 192.
bool WriteFightFont(const std::filesystem::path& root) {
  auto big = Face(76, 900), small = Face(14);
  if (!big || !small) return false;
  Canvas c(512, 256);
  const char* word = "FIGHT";
  for (int i = 0; i < 5; ++i) {
    Letter(c, *big, word[i], 96 * i, 0, 96, 80, kWhite);
    for (int s = 0; s < 4; ++s)
      Letter(c, *big, word[i], 96 * i + s * 3, 80, 90, 80, {0.7f, 0.9f, 1.0f, 0.35f}, false);
  }
  const char* lines[3] = {"ROUND START  ALL SYSTEMS GO", "NO HOLDS BARRED", "LET THE BATTLE BEGIN"};
  for (int i = 0; i < 3; ++i) {
    c.Rect(0, 160 + 16 * i + 14, 240, 1, kCyan);
    Text(c, *small, lines[i], i == 1 ? 240 - 8 * static_cast<int>(std::string(lines[i]).size()) : 0,
         160 + 16 * i, 8, 16, kWhite);
  }
  return c.Save(root, std::string(kRound) + "rd_font00_01.png");
}

// The rings: two 176-pixel rings (y 304), a 304-pixel wheel, a 176-pixel inner wheel and two
// small pieces; rd_disk01 a large pale disk pattern.
bool WriteDisks(const std::filesystem::path& root) {
  Canvas d0(512, 512);
  auto ring = [&](float cx, float cy, float r, float width, int ticks) {
    for (int k = 0; k < 180; ++k) {
      const float a0 = k * 6.2831853f / 180.0f, a1 = (k + 1) * 6.2831853f / 180.0f;
      d0.Line(cx + r * std::cos(a0), cy + r * std::sin(a0), cx + r * std::cos(a1), cy + r * std::sin(a1),
              width, kCyan);
    }
    for (int k = 0; k < ticks; ++k) {
      const float a = k * 6.2831853f / ticks;
      d0.Line(cx + (r - 10) * std::cos(a), cy + (r - 10) * std::sin(a), cx + (r + 6) * std::cos(a),
              cy + (r + 6) * std::sin(a), 3, kWhite);
    }
  };
  ring(88, 392, 80, 3, 12);
  ring(264, 392, 70, 6, 6);
  ring(152, 152, 140, 4, 24);
  ring(152, 152, 100, 2, 8);
  ring(392, 88, 80, 3, 16);
  d0.Ellipse(408, 200, 16, 16, kGold);
  d0.Ellipse(344, 216, 30, 12, kWhite);
  if (!d0.Save(root, std::string(kRound) + "rd_disk00.png")) return false;
  Canvas d1(1024, 1024);
  for (int r = 100; r < 512; r += 60) d1.Ellipse(512, 512, r, r, {0.5f, 0.8f, 1.0f, 0.08f}, 4.0f);
  for (int k = 0; k < 24; ++k) {
    const float a = k * 6.2831853f / 24;
    d1.Line(512, 512, 512 + 500 * std::cos(a), 512 + 500 * std::sin(a), 2, {0.6f, 0.9f, 1.0f, 0.25f});
  }
  return d1.Save(root, std::string(kRound) + "rd_disk01.png");
}

bool WriteRoundEffects(const std::filesystem::path& root) {
  Canvas noise(1024, 256, {0.35f, 0.5f, 0.6f, 1});
  noise.Noise(0.35f, 77);
  for (int y = 0; y < 256; y += 4) noise.Rect(0, static_cast<float>(y), 1024, 1, {0, 0, 0, 0.3f});
  if (!noise.Save(root, std::string(kRound) + "rd_noise00.png")) return false;
  // The wipe's bar: a white slab with a slanted leading edge (the colour comes from the draw).
  Canvas black(512, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 512; ++x)
      if (x >= 128 - y) black.Blend(x, y, kWhite, 1.0f);
  if (!black.Save(root, std::string(kRound) + "rd_black00.png")) return false;
  Canvas flare(256, 256);
  flare.Glow(128, 128, 128, {1.0f, 0.9f, 0.7f, 1});
  if (!flare.Save(root, std::string(kRound) + "rd_Flare00.png")) return false;
  Canvas streak(64, 64);
  streak.Glow(32, 32, 32, kWhite);
  if (!streak.Save(root, std::string(kRound) + "rd_eff01.png")) return false;
  auto small = Face(11, 400);
  if (!small) return false;
  for (int p = 0; p < 2; ++p) {
    Canvas prog(512, 512);
    for (int l = 0; l < 42; ++l) {
      char line[64];
      std::snprintf(line, sizeof line, "%04X  MOV R%d, #%03d  ; CHECK %02d", 0x100 * p + l * 4, l % 8,
                    (l * 37) % 256, l + 42 * p);
      Text(prog, *small, line, 4, 4 + 12 * l, 7, 12, {0.6f, 0.95f, 0.8f, 0.9f});
    }
    char name[32];
    std::snprintf(name, sizeof name, "rd_program%02d.png", p);
    if (!prog.Save(root, std::string(kRound) + name)) return false;
  }
  return true;
}

// The stage names, 256 x 16, for the sample stages 1..4 of the stage list.
bool WriteStageNames(const std::filesystem::path& root) {
  auto small = Face(15);
  if (!small) return false;
  const char* names[] = {"HARBOUR AT DUSK", "GARDEN", "PRACTICE ROOM", "RUINS"};
  for (int i = 0; i < 4; ++i) {
    Canvas c(256, 16);
    Text(c, *small, names[i], 0, 0, 9, 16, kGold);
    char path[64];
    std::snprintf(path, sizeof path, "%srd_stage/rd_st%02d.png", kRound, i + 1);
    if (!c.Save(root, path)) return false;
  }
  return true;
}

// The KO flash frames: five per sequence, a burst that widens and fades.
bool WriteKoEffects(const std::filesystem::path& root) {
  for (int s = 0; s < 2; ++s)
    for (int f = 0; f < 5; ++f) {
      Canvas c(512, 512);
      const float r = 80.0f + 90.0f * f;
      c.Glow(256, 256, r, s == 0 ? Rgba{1, 1, 1, 1.0f - 0.15f * f} : Rgba{1, 0.8f, 0.4f, 1.0f - 0.15f * f});
      for (int k = 0; k < 16; ++k) {
        const float a = k * 6.2831853f / 16 + 0.1f * f;
        c.Line(256, 256, 256 + 2 * r * std::cos(a), 256 + 2 * r * std::sin(a), 6, {1, 1, 1, 0.5f});
      }
      char path[64];
      std::snprintf(path, sizeof path, "%sko_ef/ko_ef%02d%02d.png", kKo, s, f);
      if (!c.Save(root, path)) return false;
    }
  return true;
}

struct LogoRect {
  int x, y, w, h;
  char letter;
};

// The logo sheets: every piece's source rectangle lettered (logo 1 and 3 the flying-in look,
// 0 and 2 the settled one). K.O. (kind 0), DOUBLE K.O. (kind 1), TIME UP (kind 2), PERFECT
// (the first extra); DRAW (the second extra) on sheets 2 and 3. Kinds 5 and 6 share lettered
// cells of their own.
bool WriteKoLogos(const std::filesystem::path& root) {
  auto face = Face(96, 900);
  if (!face) return false;
  const std::vector<LogoRect> rects = {
      {0, 0, 160, 112, 'K'},   {304, 0, 48, 112, '.'},  {160, 0, 144, 112, 'O'}, {352, 0, 32, 112, '.'},
      {416, 272, 80, 80, 'D'}, {0, 352, 64, 80, 'O'},   {64, 352, 64, 80, 'U'},  {128, 352, 64, 80, 'B'},
      {192, 352, 48, 80, 'L'}, {240, 352, 64, 80, 'E'}, {304, 352, 96, 80, 'K'}, {400, 352, 96, 80, 'O'},
      {384, 192, 96, 80, 'T'}, {0, 272, 48, 80, 'I'},   {48, 272, 112, 80, 'M'}, {160, 272, 80, 80, 'E'},
      {240, 272, 96, 80, 'U'}, {336, 272, 80, 80, 'P'}, {0, 112, 80, 80, 'S'},   {80, 112, 48, 80, 'U'},
      {128, 112, 48, 80, 'P'}, {176, 112, 80, 80, 'E'}, {256, 112, 48, 80, 'R'}, {304, 112, 64, 80, 'F'},
      {368, 112, 48, 80, 'I'}, {416, 112, 64, 80, 'N'}, {0, 192, 64, 80, 'S'},   {64, 192, 48, 80, 'H'},
      {112, 192, 64, 80, '!'}, {176, 192, 64, 80, 'G'}, {240, 192, 48, 80, 'A'}, {288, 192, 48, 80, 'M'},
      {336, 192, 48, 80, 'E'}, {0, 432, 80, 80, 'P'},   {80, 432, 80, 80, 'E'},  {160, 432, 80, 80, 'R'},
      {240, 432, 80, 80, 'F'}, {320, 432, 80, 80, 'C'}, {400, 432, 80, 80, 'T'}};
  const std::vector<LogoRect> draw = {
      {0, 0, 96, 80, 'D'}, {96, 0, 96, 80, 'R'}, {192, 0, 96, 80, 'A'}, {288, 0, 128, 80, 'W'}};
  for (int sheet = 0; sheet < 4; ++sheet) {
    Canvas c(512, 512);
    const bool flying = sheet % 2 == 1;
    const Rgba colour = flying ? Rgba{1, 0.95f, 0.8f, 1} : kGold;
    for (const LogoRect& r : sheet < 2 ? rects : draw)
      Letter(c, *face, r.letter, r.x, r.y + std::max(0, r.h - 96) / 2, r.w, std::min(r.h, 96), colour);
    char path[64];
    std::snprintf(path, sizeof path, "%sko_logo%02d.png", kKo, sheet);
    if (!c.Save(root, path)) return false;
  }
  return true;
}

// The winner call's sheets: names per listed character, the side's caption, the four info
// lines and "ko_winner00" (cells 48 x 40 on a ten-wide grid: 0..8 Y O U W I N L S E, 10 "1",
// 11 "2", 12 "P", from cell 20 their sliding look; digits at y 160; the score labels from y 176).
bool WriteWinnerSheets(const std::filesystem::path& root) {
  auto big = Face(36, 900), mid = Face(22), small = Face(12, 400), digit = Face(16);
  if (!big || !mid || !small || !digit) return false;
  const char* names[] = {"TESTER", "DUELIST"};
  for (int i = 0; i < 2; ++i) {
    Canvas c(256, 32);
    Text(c, *mid, names[i], 0, 0, 20, 24, kWhite, true);
    char path[64];
    std::snprintf(path, sizeof path, "%sko_name/ko_name%02d.png", kKo, i);
    if (!c.Save(root, path)) return false;
  }
  Canvas player(128, 32);
  Text(player, *mid, "WINNER", 0, 4, 18, 24, kCyan);
  if (!player.Save(root, std::string(kKo) + "Ko_player00.png")) return false;
  Canvas winf(256, 64);
  const char* info[4] = {"MATCH RESULT CONFIRMED", "DATA LOGGED TO RECORD", "NEXT OPPONENT PENDING",
                         "STAND BY"};
  for (int m = 0; m < 4; ++m) Text(winf, *small, info[m], 0, 12 * m, 7, 12, {0.7f, 0.95f, 1.0f, 1});
  if (!winf.Save(root, std::string(kKo) + "ko_winf00.png")) return false;
  Canvas w(512, 256);
  const char cells[13] = {'Y', 'O', 'U', 'W', 'I', 'N', 'L', 'S', 'E', ' ', '1', '2', 'P'};
  for (int k = 0; k < 13; ++k) {
    Letter(w, *big, cells[k], 48 * (k % 10), 40 * (k / 10), 48, 40, kWhite);
    const int s = k + 20;
    Letter(w, *big, cells[k], 48 * (s % 10), 40 * (s / 10), 48, 40, {0.6f, 0.85f, 1.0f, 0.6f}, false);
  }
  for (int d = 0; d < 10; ++d)
    Letter(w, *digit, static_cast<char>('0' + d), 16 * d, 160, 16, 16, kGold, false);
  const char* labels[5] = {"LIFE BONUS", "PERFECT", "TIME BONUS", "COMBO BONUS", "TOTAL"};
  for (int r = 0; r < 5; ++r) Text(w, *digit, labels[r], 0, 176 + 16 * r, 11, 16, kWhite);
  return w.Save(root, std::string(kKo) + "ko_winner00.png");
}

bool WriteCallPictures(const std::filesystem::path& root) {
  return WriteRoundFont(root) && WriteFightFont(root) && WriteDisks(root) && WriteRoundEffects(root) &&
         WriteStageNames(root) && WriteKoEffects(root) && WriteKoLogos(root) && WriteWinnerSheets(root);
}

}  // namespace

MKDATA_STEP("32_calls", WriteCallPictures);
