// Character select screen sample sheets under `.\grp\c_sel_QZ\`: the two background layers, the
// colour masks, the parts sheet (header, time digits, bars, labels), the cursors, the roster
// icons (numbered with their character), the particle strips, the chains, the ring and sparks,
// the style disks and the style sheets. Every piece is placed where the screen's layout looks
// for it and lettered, so that a screenshot tells which piece is which.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"
#include "scene/select_screen.h"
#include "scene/select_screen_layout.h"

namespace fs = std::filesystem;
namespace L = select_layout;

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr const char* kFolder = "grp/C_Sel_QZ/";
const Rgba kWhite = {1, 1, 1, 1};
const Rgba kInk = {0.05f, 0.05f, 0.1f, 1.0f};
const Rgba kSideTone[2] = {Rgb8(60, 110, 230), Rgb8(220, 70, 60)};

using Face = std::unique_ptr<vt::glyph::GlyphFace>;
Face OpenFace(int height) {
  auto face = vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
  if (!face) std::fprintf(stderr, "mkdata: no sans face for the select screen sheets\n");
  return face;
}

bool Save(const Canvas& c, const fs::path& root, const std::string& name) {
  return c.Save(root, std::string(kFolder) + name + ".png");
}

void Frame(Canvas& c, float x, float y, float w, float h, float t, const Rgba& col) {
  c.Rect(x, y, w, t, col);
  c.Rect(x, y + h - t, w, t, col);
  c.Rect(x, y, t, h, col);
  c.Rect(x + w - t, y, t, h, col);
}

// An ellipse outline.
void Loop(Canvas& c, float cx, float cy, float rx, float ry, float width, const Rgba& col) {
  for (int a = 0; a < 360; a += 6) {
    const float t0 = a * 3.14159265f / 180.0f, t1 = (a + 6) * 3.14159265f / 180.0f;
    c.Line(cx + rx * std::cos(t0), cy + ry * std::sin(t0), cx + rx * std::cos(t1), cy + ry * std::sin(t1),
           width, col);
  }
}

bool Text(Canvas& c, vt::glyph::GlyphFace& f, const char* text, const L::Piece& p, int rim = 1,
          const Rgba& ink = kWhite) {
  return mkdata::PaintText(c, f, text, p.x, p.y, p.w, p.h, rim, ink);
}

// Two scrolling layers: a deep gradient with a diagonal lattice, and a lighter see-through
// pattern of rings, each lettered so the two can be told apart.
bool WriteBackgrounds(const fs::path& root, vt::glyph::GlyphFace& big) {
  Canvas a(640, 640);
  a.VerticalGradient(0, 639, Rgb8(30, 40, 90), Rgb8(10, 12, 30));
  for (int k = -640; k < 640; k += 48) {
    a.Line(static_cast<float>(k), 0, static_cast<float>(k + 640), 640, 2, Rgb8(90, 110, 200, 0.35f));
    a.Line(static_cast<float>(k + 640), 0, static_cast<float>(k), 640, 2, Rgb8(90, 110, 200, 0.2f));
  }
  if (!mkdata::PaintText(a, big, "BG0", 0, 250, 640, 80, 2, Rgb8(140, 160, 255, 0.5f))) return false;
  Canvas b(576, 664);
  for (int y = 0; y < 664; y += 120)
    for (int x = 0; x < 576; x += 120)
      b.Ellipse(x + 60.0f, y + 60.0f, 40.0f, 40.0f, Rgb8(200, 180, 255, 0.12f), 3);
  if (!mkdata::PaintText(b, big, "BG1", 0, 420, 576, 80, 2, Rgb8(255, 220, 160, 0.35f))) return false;
  return Save(a, root, "csel_bg00") && Save(b, root, "csel_bg01");
}

// The lower band (stretched over the lower screen) and the side panel (mirrored for side 1).
bool WriteMasks(const fs::path& root, vt::glyph::GlyphFace& small) {
  Canvas band(256, 128);
  band.VerticalGradient(0, 127, Rgb8(0, 0, 0, 0.0f), Rgb8(20, 10, 40, 0.85f));
  Canvas panel(256, 480);
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 480; ++y) panel.Blend(x, y, Rgb8(30, 50, 120), 0.8f * (1.0f - x / 256.0f));
  panel.Rect(248, 0, 4, 480, Rgb8(150, 190, 255, 0.8f));
  if (!mkdata::PaintText(panel, small, "PANEL", 0, 8, 200, 24, 1)) return false;
  return Save(band, root, "color_mask00") && Save(panel, root, "color_mask01");
}

bool WriteParts(const fs::path& root, vt::glyph::GlyphFace& f32, vt::glyph::GlyphFace& f14) {
  Canvas c(512, 256);
  for (int i = 0; i < 2; ++i) {
    const L::Piece& p = L::kHeaderFirst[i];
    c.Rect(p.x + 2.0f, p.y + 8.0f, p.w - 4.0f, p.h - 16.0f, Rgb8(20, 30, 70, 0.85f));
    c.Rect(p.x + 2.0f, p.y + p.h - 12.0f, p.w - 4.0f, 3, Rgb8(120, 170, 255));
    if (!Text(c, f32, i == 0 ? "CHARACTER" : "SELECT", {p.x, p.y + 14, p.w, 36})) return false;
  }
  c.Rect(L::kHeaderSecond.x, L::kHeaderSecond.y, L::kHeaderSecond.w, L::kHeaderSecond.h,
         Rgb8(200, 60, 60, 0.9f));
  if (!Text(c, f14, "CHOOSE YOUR FIGHTER", L::kHeaderSecond)) return false;
  for (int s = 0; s < 2; ++s) {
    const L::Piece& p = L::kHeaderTabs[s];
    c.Rect(p.x, p.y, p.w, p.h, kSideTone[s]);
    if (!Text(c, f14, s == 0 ? "1P SIDE" : "2P SIDE", p)) return false;
  }
  for (int d = 0; d < 10; ++d) {
    const char digit[2] = {static_cast<char>('0' + d), 0};
    if (!Text(c, f32, digit, {d * L::kTimeDigitW, L::kTimeDigitY, L::kTimeDigitW, L::kTimeDigitH}, 2))
      return false;
    if (!mkdata::PaintText(c, f14, digit, d * 16, L::kSmallDigitY, 16, 16, 1)) return false;
  }
  c.Ellipse(L::kTimePointX + 6.0f, L::kTimeDigitY + 26.0f, 3, 3, kWhite);
  // The no-limit piece: two loops side by side.
  const L::Piece& inf = L::kInfinity;
  for (int k = 0; k < 2; ++k) Loop(c, inf.x + 22.0f + k * 28.0f, inf.y + 16.0f, 13, 9, 3, kWhite);
  c.Rect(L::kTimeLabel.x, L::kTimeLabel.y, L::kTimeLabel.w, L::kTimeLabel.h, Rgb8(40, 40, 40, 0.8f));
  if (!Text(c, f14, "TIME LIMIT", L::kTimeLabel)) return false;
  for (int row = 0; row < 4; ++row) {
    const int side = row / 2;
    const bool chosen = row % 2 == 1;
    const float y = static_cast<float>(L::kBarY + row * L::kBarH);
    Rgba tone =
        chosen ? mkdata::Mix(kSideTone[side], kWhite, 0.45f) : mkdata::Mix(kSideTone[side], kInk, 0.35f);
    tone.a = 0.9f;
    c.Rect(0, y + 1, L::kBarW, L::kBarH - 2.0f, tone);
  }
  for (int i = 0; i < 2; ++i) {
    const L::Piece& p = L::kRandomEntry[i];
    c.Rect(p.x, p.y, p.w, p.h, i == 1 ? Rgb8(240, 200, 60) : Rgb8(90, 80, 40));
    if (!Text(c, f14, "RANDOM", p)) return false;
  }
  c.Rect(L::kColourHeader.x, L::kColourHeader.y, L::kColourHeader.w, L::kColourHeader.h,
         Rgb8(20, 20, 20, 0.85f));
  if (!Text(c, f14, "COLOUR SELECT", L::kColourHeader)) return false;
  c.Rect(L::kColourLabel.x, L::kColourLabel.y, L::kColourLabel.w, L::kColourLabel.h, Rgb8(90, 90, 90, 0.85f));
  if (!Text(c, f14, "UP / DOWN", L::kColourLabel)) return false;
  return Save(c, root, "csel_Part00");
}

// Cursor frames: ten turning ones per side (a corner bracket walking round the frame) and a
// fixed tag per side.
bool WriteCursors(const fs::path& root, vt::glyph::GlyphFace& f14) {
  Canvas c(512, 192);
  for (int k = 0; k < 22; ++k) {
    const int side = k < 20 ? k / 10 : k - 20;
    const float x = static_cast<float>(k % L::kCursorsPerRow * L::kCursorSize);
    const float y = static_cast<float>(k / L::kCursorsPerRow * L::kCursorSize);
    if (k < 20) {
      Frame(c, x + 4, y + 2, 56, 60, 3, kSideTone[side]);
      const float t = static_cast<float>(k % 10) / 10.0f * 6.2832f;
      c.Ellipse(x + 32 + 26 * std::cos(t), y + 32 + 28 * std::sin(t), 5, 5, kWhite);
    } else {
      c.Rect(x + 4, y + 2, 24, 14, kSideTone[side]);
      if (!mkdata::PaintText(c, f14, side == 0 ? "1P" : "2P", static_cast<int>(x) + 4,
                             static_cast<int>(y) + 2, 24, 14, 1))
        return false;
    }
  }
  return Save(c, root, "csel_Cursor00");
}

// Roster icons: a tile in the middle of each cell (the cells stand closer together on the
// screen than their size), lettered with the character it stands for ("?" for the random cell);
// the highlighted forms four rows down are lit and framed.
bool WriteIcons(const fs::path& root, vt::glyph::GlyphFace& f20) {
  Canvas c(480, 512);
  for (int character = 0; character <= 99; ++character) {
    const int icon = SelectIconNumber(character);
    if (icon < 0 || (character > 51 && character != 99)) continue;
    for (int lit = 0; lit < 2; ++lit) {
      const int x = icon % L::kIconsPerRow * L::kIconW + 5;
      const int y = (icon / L::kIconsPerRow + lit * L::kIconHighlightRows) * L::kIconH + 10;
      const float h = static_cast<float>(character % 12) / 12.0f;
      Rgba tone = Rgb8(static_cast<int>(110 + 110 * std::cos(6.2832f * h)),
                       static_cast<int>(110 + 110 * std::cos(6.2832f * (h - 0.333f))),
                       static_cast<int>(110 + 110 * std::cos(6.2832f * (h - 0.667f))));
      if (lit) tone = mkdata::Mix(tone, kWhite, 0.5f);
      c.Rect(static_cast<float>(x), static_cast<float>(y), 38, 44, mkdata::Mix(tone, kInk, 0.3f));
      c.Rect(static_cast<float>(x), static_cast<float>(y), 38, 14, tone);
      Frame(c, static_cast<float>(x), static_cast<float>(y), 38, 44, lit ? 3.0f : 1.0f, lit ? kWhite : kInk);
      char label[8];
      std::snprintf(label, sizeof label, character == 99 ? "?" : "%02d", character);
      if (!mkdata::PaintText(c, f20, label, x, y + 16, 38, 24, 2)) return false;
    }
  }
  return Save(c, root, "csel_icon00");
}

// Seven soft strips of light, one per row, for the floating particles.
bool WriteParticles(const fs::path& root) {
  Canvas c(L::kParticleW, L::kParticleH * L::kParticleRows);
  for (int row = 0; row < L::kParticleRows; ++row) {
    const float cy = row * L::kParticleH + L::kParticleH / 2.0f;
    const Rgba tone = mkdata::Mix(Rgb8(120, 160, 255), Rgb8(255, 200, 120), row / 6.0f);
    for (int x = 0; x < L::kParticleW; ++x) {
      const float fall = 1.0f - std::abs(x - 256.0f) / 256.0f;
      for (int dy = -10; dy <= 10; ++dy) {
        const float k = fall * (1.0f - std::abs(static_cast<float>(dy)) / 10.0f) * (0.4f + 0.1f * row);
        c.Blend(x, static_cast<int>(cy) + dy, tone, k);
      }
    }
  }
  return Save(c, root, "csel_Eg00");
}

// Chain strips: links of the kind's width down the whole length.
bool WriteChains(const fs::path& root) {
  for (int kind = 0; kind < 2; ++kind) {
    const int w = L::kChainWidth[kind];
    Canvas c(w, L::kChainLength);
    const int link = w == 32 ? 32 : 16;
    for (int y = 0; y < L::kChainLength; y += link) {
      const bool flat = (y / link) % 2 == 0;
      const float rx = flat ? w / 2.0f - 3.0f : w / 6.0f + 1.0f, ry = link / 2.0f + 1.0f;
      Loop(c, w / 2.0f, y + link / 2.0f, rx, ry, w == 32 ? 4.0f : 2.5f, Rgb8(170, 170, 190));
    }
    char name[32];
    std::snprintf(name, sizeof name, "csel_Chain%02d", kind);
    if (!Save(c, root, name)) return false;
  }
  return true;
}

// The ring (an ellipse line drawn flat by the screen) and two sparks.
bool WriteEffects(const fs::path& root) {
  Canvas c(256, 128);
  Loop(c, 64, 64, 56, 56, 5, Rgb8(140, 200, 255, 0.9f));
  c.Glow(L::kSparks[0].x + 8.0f, 8.0f, 8.0f, Rgb8(255, 240, 180));
  c.Glow(L::kSparks[1].x + 8.0f, 8.0f, 8.0f, Rgb8(160, 220, 255));
  return Save(c, root, "csel_ef00");
}

// The disk in three sectors numbered by style, its type plates and the burst frames; the
// second disk a ring of ticks.
bool WriteDisks(const fs::path& root, vt::glyph::GlyphFace& f32, vt::glyph::GlyphFace& f14) {
  Canvas c(512, 512);
  const Rgba sector[3] = {Rgb8(200, 80, 60), Rgb8(60, 170, 90), Rgb8(70, 100, 210)};
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const float dx = x - 128.0f, dy = y - 128.0f, r = std::sqrt(dx * dx + dy * dy);
      if (r > 124.0f || r < 30.0f) continue;
      const float a = std::atan2(dy, dx) * 180.0f / 3.14159265f + 360.0f;
      const int s = static_cast<int>(a / 120.0f) % 3;
      c.Blend(x, y, r > 118.0f ? kWhite : sector[s], 0.9f);
    }
  for (int s = 0; s < 3; ++s) {
    const float a = (s * 120.0f + 60.0f) * 3.14159265f / 180.0f;
    char n[4];
    std::snprintf(n, sizeof n, "%d", s);
    if (!mkdata::PaintText(c, f32, n, static_cast<int>(128 + 78 * std::cos(a)) - 20,
                           static_cast<int>(128 + 78 * std::sin(a)) - 18, 40, 36, 2))
      return false;
    c.Rect(L::kTypePlateX, s * L::kTypePlateH + 2.0f, L::kTypePlateW, L::kTypePlateH - 4.0f, sector[s]);
    char plate[16];
    std::snprintf(plate, sizeof plate, "TYPE %d", s);
    if (!mkdata::PaintText(c, f14, plate, L::kTypePlateX, s * L::kTypePlateH + 6, L::kTypePlateW, 20, 1))
      return false;
  }
  for (int k = 0; k < 15; ++k) {
    const float r = 4.0f + k * 1.4f;
    const float sx = k % L::kBurstSmallPerRow * L::kBurstSmall + 24.0f;
    const float sy = L::kBurstSmallY + k / L::kBurstSmallPerRow * L::kBurstSmall + 24.0f;
    c.Glow(sx, sy, std::min(r, 23.0f), Rgb8(255, 240, 200, 1.0f - k / 15.0f));
    const float lx = k % L::kBurstLargePerRow * L::kBurstLarge + 28.0f;
    const float ly = L::kBurstLargeY + k / L::kBurstLargePerRow * L::kBurstLarge + 28.0f;
    for (int a = 0; a < 8; ++a) {
      const float t = a * 0.785f;
      c.Line(lx + r * 0.4f * std::cos(t), ly + r * 0.4f * std::sin(t),
             lx + std::min(r * 1.3f, 27.0f) * std::cos(t), ly + std::min(r * 1.3f, 27.0f) * std::sin(t), 2,
             Rgb8(255, 220, 120, 1.0f - k / 16.0f));
    }
  }
  Canvas ring(256, 256);
  for (int a = 0; a < 360; a += 10) {
    const float t = a * 3.14159265f / 180.0f;
    ring.Line(128 + 112 * std::cos(t), 128 + 112 * std::sin(t), 128 + 126 * std::cos(t),
              128 + 126 * std::sin(t), a % 30 == 0 ? 4.0f : 2.0f, Rgb8(230, 230, 255, 0.9f));
  }
  return Save(c, root, "csel_Disk00") && Save(ring, root, "csel_Disk01");
}

// The style sheets: labels of styles 0..2, their name plates and the legend, in a Japanese-mode
// and an English form (told apart by their legend).
bool WriteStyles(const fs::path& root, vt::glyph::GlyphFace& f20, vt::glyph::GlyphFace& f14) {
  for (int english = 0; english < 2; ++english) {
    Canvas c(512, 256);
    for (int s = 0; s < 3; ++s) {
      char label[24];
      std::snprintf(label, sizeof label, "- STYLE %d -", s);
      if (!mkdata::PaintText(c, f20, label, 0, s * L::kStyleLabelH + 4, L::kStyleLabelW, 24, 2)) return false;
      c.Rect(L::kStyleNameX, s * L::kStyleLabelH + 2.0f, L::kStyleLabelW, L::kStyleLabelH - 4.0f,
             Rgb8(30, 30, 50, 0.85f));
      std::snprintf(label, sizeof label, "STYLE %d NAME", s);
      if (!mkdata::PaintText(c, f14, label, L::kStyleNameX, s * L::kStyleLabelH + 6, L::kStyleLabelW, 20, 1))
        return false;
    }
    c.Rect(L::kLegend.x, L::kLegend.y, L::kLegend.w, L::kLegend.h, Rgb8(10, 10, 10, 0.7f));
    if (!mkdata::PaintText(c, f20, english ? "LEGEND (ENGLISH)" : "LEGEND", L::kLegend.x, L::kLegend.y + 16,
                           L::kLegend.w, 32, 2))
      return false;
    if (!Save(c, root, english ? "csel_Style00_eng" : "csel_Style00")) return false;
  }
  return true;
}

bool WriteSelectScreenSheets(const fs::path& root) {
  Face f96 = OpenFace(96), f32 = OpenFace(28), f20 = OpenFace(18), f14 = OpenFace(12);
  if (!f96 || !f32 || !f20 || !f14) return false;
  return WriteBackgrounds(root, *f96) && WriteMasks(root, *f20) && WriteParts(root, *f32, *f14) &&
         WriteCursors(root, *f14) && WriteIcons(root, *f20) && WriteParticles(root) && WriteChains(root) &&
         WriteEffects(root) && WriteDisks(root, *f32, *f14) && WriteStyles(root, *f20, *f14);
}

}  // namespace

MKDATA_STEP("35_select_screen", WriteSelectScreenSheets);
