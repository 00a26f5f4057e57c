// The system-effect textures the particles sample, drawn procedurally, power-of-two sized:
// ".\grp\system\EFF00" (glow and streak cells, the dust dot, the ring strips along its bottom
// rows, the beam strip on the right and the reversed-control marks), "EFF01" (64 x 64 glows
// and the spark stars of its second row), "EF21" (seven by two smoke puffs), "win_mark00" (the
// round-win medal, one 64 x 64 cell per frame), ".\grp\_NewFx\RingEff" (a magic circle) and the
// two "WaterDrop" normal maps of the shader rings.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "canvas.h"
#include "mkdata.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr float kPi = std::numbers::pi_v<float>;

// A soft glow whose alpha falls off from the centre of a cell.
void GlowCell(Canvas& c, int x, int y, int w, int h, const Rgba& colour) {
  c.Glow(x + w / 2.0f, y + h / 2.0f, std::min(w, h) / 2.0f, colour);
}

// An n-pointed star of rays from the centre of a cell, over a small glow.
void StarCell(Canvas& c, int x, int y, int size, int points, const Rgba& colour, float twist) {
  const float cx = x + size / 2.0f, cy = y + size / 2.0f;
  c.Glow(cx, cy, size * 0.25f, colour);
  for (int k = 0; k < points; ++k) {
    const float a = twist + 2.0f * kPi * k / points;
    const float reach = (k % 2 ? 0.28f : 0.46f) * size;
    c.Line(cx, cy, cx + reach * std::sin(a), cy - reach * std::cos(a), k % 2 ? 1.5f : 2.5f, colour);
  }
  c.Ellipse(cx, cy, 3, 3, {1, 1, 1, 1});
}

// One ring strip 32 wide and 64 high: v runs from the outer edge (top) to the inner (bottom);
// a band of `colour` with its own profile across, tiled along u.
void RingStrip(Canvas& c, int row, const Rgba& colour, int pattern) {
  const int x0 = 32 * row, y0 = 192;
  for (int y = 0; y < 64; ++y) {
    const float v = (y + 0.5f) / 64.0f;
    for (int x = 0; x < 32; ++x) {
      const float u = (x + 0.5f) / 32.0f;
      float a;
      switch (pattern) {
        case 0:  // a soft band, brightest a third of the way in
          a = std::exp(-std::pow((v - 0.35f) / 0.18f, 2.0f));
          break;
        case 1:  // a thin bright rim over a faint fill
          a = std::max(std::exp(-std::pow((v - 0.12f) / 0.06f, 2.0f)), 0.25f * (1.0f - v));
          break;
        case 2:  // flames: tongues along u rising from the inner edge
          a = std::clamp((1.0f - v) * (0.6f + 0.4f * std::sin(u * 2.0f * kPi * 2.0f)) * 1.4f - 0.2f, 0.0f,
                         1.0f);
          break;
        default:  // dashes along u
          a = std::exp(-std::pow((v - 0.5f) / 0.25f, 2.0f)) *
              (std::fmod(u * 4.0f, 1.0f) < 0.6f ? 1.0f : 0.2f);
          break;
      }
      Rgba p = colour;
      p.a = a;
      c.Blend(x0 + x, y0 + y, p);
    }
  }
}

// The beam strip in 32-pixel row `row` at u 192..256: bright along its middle, fading across
// its width and toward the far end (u 256).
void BeamStrip(Canvas& c, int row, const Rgba& colour) {
  for (int y = 0; y < 32; ++y) {
    const float across = (y + 0.5f) / 32.0f - 0.5f;
    for (int x = 0; x < 64; ++x) {
      const float along = (x + 0.5f) / 64.0f;
      Rgba p = Mix(colour, {1, 1, 1, 1}, std::exp(-std::pow(across / 0.08f, 2.0f)));
      p.a = std::exp(-std::pow(across / 0.22f, 2.0f)) * (1.0f - 0.7f * along);
      c.Blend(192 + x, 32 * row + y, p);
    }
  }
}

// A reversed-controls mark (48 x 32 at (208, 32 k)): a curved arrow turned by the cell number.
void ReversedMark(Canvas& c, int k) {
  const float cx = 232, cy = 32.0f * k + 16;
  const Rgba colour = Rgb8(255, 90, 200);
  const float turn = k * kPi / 4.0f;
  for (int i = 0; i < 12; ++i) {
    const float a0 = turn + i * 0.4f, a1 = turn + (i + 1) * 0.4f;
    c.Line(cx + 14 * std::cos(a0), cy + 9 * std::sin(a0), cx + 14 * std::cos(a1), cy + 9 * std::sin(a1), 2.5f,
           colour);
  }
  const float ae = turn + 12 * 0.4f;
  c.Ellipse(cx + 14 * std::cos(ae), cy + 9 * std::sin(ae), 3.5f, 3.5f, {1, 1, 1, 1});
}

bool WriteEff00(const std::filesystem::path& root) {
  Canvas c(256, 256);
  GlowCell(c, 32, 0, 24, 24, {1, 1, 1, 1});           // the flash quad's glow
  GlowCell(c, 32, 160, 32, 32, Rgb8(255, 240, 200));  // the rotating sprites and the streak
  c.Rect(36, 174, 24, 4, {1, 1, 1, 1}, 2.0f);         // the streak's bright line
  StarCell(c, 32, 160, 32, 4, {1, 1, 1, 1}, 0.0f);
  GlowCell(c, 0, 128, 16, 16, Rgb8(255, 250, 230));  // the dust mote
  RingStrip(c, 0, {1, 1, 1, 1}, 0);
  RingStrip(c, 1, Rgb8(120, 180, 255), 1);
  RingStrip(c, 2, Rgb8(255, 150, 40), 2);
  RingStrip(c, 3, Rgb8(200, 100, 255), 3);
  RingStrip(c, 4, Rgb8(120, 255, 140), 0);
  RingStrip(c, 5, Rgb8(200, 220, 255), 1);
  // The beam rows the kinds sample (1 and 4) take the whole of u 192..256; the marks share that
  // column and sit in the other rows.
  BeamStrip(c, 1, Rgb8(140, 200, 255));
  BeamStrip(c, 4, Rgb8(255, 200, 120));
  for (int k : {0, 2, 3, 5}) ReversedMark(c, k);
  return c.Save(root, "grp/system/EFF00.png");
}

bool WriteEff01(const std::filesystem::path& root) {
  Canvas c(256, 256);
  GlowCell(c, 0, 0, 64, 64, {1, 1, 1, 1});
  GlowCell(c, 64, 0, 64, 64, Rgb8(255, 200, 120));
  // The second row (v 64): column 0 a ring glow, then the spark stars the kinds pick by p5 + 1.
  c.Ellipse(32, 96, 26, 26, {1, 1, 1, 0.5f}, 6.0f);
  StarCell(c, 64, 64, 64, 8, {1, 1, 1, 1}, 0.0f);
  StarCell(c, 128, 64, 64, 6, Rgb8(255, 230, 150), 0.3f);
  StarCell(c, 192, 64, 64, 4, Rgb8(160, 210, 255), 0.78f);
  return c.Save(root, "grp/system/EFF01.png");
}

bool WriteEf21(const std::filesystem::path& root) {
  Canvas c(256, 64);
  for (int i = 0; i < 14; ++i) {
    const int x = (i % 7) * 32, y = (i / 7) * 32;
    const float t = i / 13.0f;  // the puff spreads and thins along the cells
    const float r = 6.0f + 8.0f * t;
    for (int b = 0; b < 5; ++b) {
      const float a = b * 1.3f + i;
      c.Glow(x + 16 + 4.0f * t * std::cos(a), y + 16 + 4.0f * t * std::sin(a), r,
             {0.9f, 0.9f, 0.92f, 0.7f * (1.0f - 0.6f * t)});
    }
  }
  return c.Save(root, "grp/system/EF21.png");
}

// The round-win medal: a gold disc whose shine sweeps across over the 16 cells.
bool WriteWinMark(const std::filesystem::path& root) {
  Canvas c(256, 256);
  for (int i = 0; i < 16; ++i) {
    const float x = (i % 4) * 64 + 32.0f, y = (i / 4) * 64 + 32.0f;
    const float grow = std::min(1.0f, 0.4f + i * 0.15f);
    c.Ellipse(x, y, 24 * grow, 24 * grow, Rgb8(120, 70, 10), 1.5f);
    c.Ellipse(x, y, 20 * grow, 20 * grow, Rgb8(255, 200, 40), 1.5f);
    StarCell(c, static_cast<int>(x) - 16, static_cast<int>(y) - 16, 32, 5, Rgb8(255, 250, 210), i * 0.2f);
    const float sweep = -20.0f + 40.0f * i / 15.0f;
    c.Line(x + sweep - 6, y - 18, x + sweep + 6, y + 18, 3.0f, {1, 1, 1, 0.7f});
  }
  return c.Save(root, "grp/system/win_mark00.png");
}

bool WriteRingEff(const std::filesystem::path& root) {
  Canvas c(256, 256);
  const Rgba line = Rgb8(160, 220, 255);
  c.Ellipse(128, 128, 120, 120, line, 1.5f);
  c.Ellipse(128, 128, 116, 116, {0, 0, 0, 0}, 1.0f);
  for (int i = 0; i < 256; ++i)
    for (int j = 0; j < 256; ++j) {
      const float d = std::hypot(i - 128.0f, j - 128.0f);
      if (std::fabs(d - 118.0f) < 2.0f || std::fabs(d - 90.0f) < 1.5f) c.Blend(i, j, line);
    }
  for (int k = 0; k < 6; ++k) {  // a hexagram between the circles
    const float a0 = k * kPi / 3.0f, a1 = a0 + 2.0f * kPi / 3.0f;
    c.Line(128 + 90 * std::sin(a0), 128 - 90 * std::cos(a0), 128 + 90 * std::sin(a1), 128 - 90 * std::cos(a1),
           2.0f, line);
  }
  return c.Save(root, "grp/_NewFx/RingEff.png");
}

// A normal map of a ripple: the normal tilts outward on a ring (00) or on two rings (01);
// x and y in red and green about 128, z in blue.
bool WriteWaterDrop(const std::filesystem::path& root, int rings, const char* name) {
  Canvas c(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const float dx = (x + 0.5f - 64) / 64.0f, dy = (y + 0.5f - 64) / 64.0f;
      const float d = std::sqrt(dx * dx + dy * dy);
      const float wave = d < 1.0f ? std::sin(d * kPi * rings) * (1.0f - d) : 0.0f;
      const float nx = d > 0 ? dx / d * wave : 0, ny = d > 0 ? dy / d * wave : 0;
      const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
      c.At(x, y) = {0.5f + 0.5f * nx, 0.5f + 0.5f * ny, 0.5f + 0.5f * nz, 1.0f};
    }
  return c.Save(root, name);
}

bool WriteSystemEffects(const std::filesystem::path& root) {
  return WriteEff00(root) && WriteEff01(root) && WriteEf21(root) && WriteWinMark(root) &&
         WriteRingEff(root) && WriteWaterDrop(root, 1, "grp/_NewFx/WaterDrop00.png") &&
         WriteWaterDrop(root, 2, "grp/_NewFx/WaterDrop01.png");
}

}  // namespace

MKDATA_STEP("33_system_effects", WriteSystemEffects);
