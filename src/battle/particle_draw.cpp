// The drawing of the system-effect particles.
//
// Sizes, colours and segment counts the kinds' descriptions leave open are chosen here and
// marked "chosen" beside them. Every divisor of a law that is an expression of the life counts
// as giving alpha 0 (and size 0) when it is 0 or less: data can spawn a particle whose maximum
// life makes the quotient undefined (a life of 1 with a fade-out of 2 frames, a life of 0).
#include "battle/particle_draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "battle/battle_camera.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/effect_geometry.h"
#include "battle/particle_pool.h"
#include "scene/calc_ease.h"

TextureHandle* g_SystemEffectTextures[kSystemEffectTextureCount] = {};

namespace {

constexpr const char* kSystemEffectFiles[kSystemEffectTextureCount] = {
    ".\\grp\\system\\EFF00",       ".\\grp\\system\\EFF01",   ".\\grp\\system\\EF21",
    ".\\grp\\system\\win_mark00",  ".\\grp\\_NewFx\\RingEff", ".\\grp\\_NewFx\\WaterDrop00",
    ".\\grp\\_NewFx\\WaterDrop01",
};

TextureHandle* Tex(int i) { return g_SystemEffectTextures[i]; }

// a / b in integers; a divisor of 0 or less gives 0.
int64_t Div(int64_t a, int64_t b) { return b <= 0 ? 0 : a / b; }
// The same in float (the laws that work in real arithmetic).
float DivF(float a, float b) { return b <= 0.0f ? 0.0f : a / b; }

// An alpha byte over an RGB word; alphas outside 0..255 are held at the ends so that they never
// spill into the colour bytes.
uint32_t Argb(int64_t alpha, uint32_t rgb) {
  return (static_cast<uint32_t>(std::clamp<int64_t>(alpha, 0, 255)) << 24) | (rgb & 0xFFFFFFu);
}
uint32_t ArgbF(float alpha, uint32_t rgb) {
  return Argb(std::isfinite(alpha) ? static_cast<int64_t>(std::clamp(alpha, 0.0f, 255.0f)) : 0, rgb);
}

// Blend and filter set for one particle's draws, both put back to 1 afterwards.
struct DrawModes {
  DrawModes(uint8_t blend, uint8_t filter) {
    g_DrawBlendMode = blend;
    g_DrawFilterMode = filter;
  }
  ~DrawModes() { g_DrawBlendMode = g_DrawFilterMode = 1; }
  DrawModes(const DrawModes&) = delete;
  DrawModes& operator=(const DrawModes&) = delete;
};
constexpr uint8_t kAlphaBlend = 1, kAdditive = 2, kLinear = 2;

float Radians(double degrees) { return static_cast<float>(degrees * std::numbers::pi / 180.0); }

// The battle camera's matrix (zoom and screen); without the camera, its mapping at zoom 1.
D3DMatrix CameraMatrix() {
  Han6Matrix m = Han6Matrix::Identity();
  if (g_BattleDrawSeams.CameraMatrix)
    g_BattleDrawSeams.CameraMatrix(true, &m);
  else
    m = Han6Matrix::Translation(320.0f - static_cast<float>(g_CameraX) / 128.0f,
                                432.0f - static_cast<float>(g_CameraY) / 128.0f, 0.0f);
  return m;
}

// Scale, z rotation and translation to the pixel world position, then the battle camera.
D3DMatrix SpriteMatrix(float scaleX, float scaleY, double degrees, float px, float py) {
  D3DMatrix m = D3DMatrix::Scaling(scaleX, scaleY, 1.0f);
  MultiplyMatrix(&m, m, D3DMatrix::RotationZ(Radians(degrees)));
  MultiplyMatrix(&m, m, D3DMatrix::Translation(px, py, 0.0f));
  MultiplyMatrix(&m, m, CameraMatrix());
  return m;
}

// A w x h sprite pivoted at its centre, through a sprite matrix.
void CentredSprite(TextureHandle* texture, const D3DMatrix& m, int32_t w, int32_t h, float sx, float sy,
                   float sw, float sh, uint32_t colour, int32_t priority) {
  DrawSpriteMatrix(nullptr, texture, &m, w, h, w / 2.0f, h / 2.0f, sx, sy, sw, sh, colour, 0, priority);
}

// Where a particle is: its screen pixel (the rings and quads) and its pixel world position (the
// sprites, placed through the camera).
struct Spot {
  int32_t sx, sy;
  float px, py;
};
Spot SpotOf(int32_t worldX, int32_t worldY) {
  return {((worldX - g_CameraX) >> 7) + 320, ((worldY - g_CameraY) >> 7) + 432,
          static_cast<float>(worldX >> 7), static_cast<float>(worldY >> 7)};
}
int32_t ScreenX(int32_t worldX) { return ((worldX - g_CameraX) >> 7) + 320; }
int32_t ScreenY(int32_t worldY) { return ((worldY - g_CameraY) >> 7) + 432; }

constexpr uint32_t kWhite = 0xFFFFFF;

// The spark cell ((p5 + 1) x 64, 64) of texture 1's second row.
float SparkCellX(const Particle& p) { return static_cast<float>((int64_t{p.p5} + 1) * 64); }

// ---- the laws, one per kind or pair of kinds ----

void DrawShockRing(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 0
  DrawModes modes(kAdditive, kLinear);
  const int32_t n = M - L;
  const int64_t a = ParticleFadeAlpha(L, M, 100);
  DrawRingPerspective(9, s.sx, s.sy, (n + 3) * 5, (n + 1) * 5, p.flip ? 20 : -20, 0, 90,
                      static_cast<int32_t>(10 * a), Argb(a, kWhite), Argb(a, 0xFF0000));
}

void DrawExpandingDisc(const Spot& s, int32_t L, int32_t M) {  // 1
  DrawModes modes(kAlphaBlend, kLinear);
  const int32_t m = M - L + 1;
  const uint32_t c = Argb(ParticleFadeAlpha(L, M, 128), kWhite);
  DrawRingPerspective(9, s.sx, s.sy, m * m + 20, m * m, 0, 90, 20 * m, m, c, c);
}

void DrawBurst(const Spot& s, int32_t L, int32_t M) {  // 2
  const int32_t m = M - L + 1, a = L + 1;
  {
    DrawModes modes(kAlphaBlend, kLinear);
    DrawRingPerspective(20, s.sx, s.sy, m * m + 100, m * m, 0, 0, 0, 0, Argb(Div(128, m), 0x010101),
                        Argb(Div(255, m), 0x010101));
    DrawRingPerspective(20, s.sx, s.sy, a * a + 100, a * a, 0, 0, 0, 0, Argb(Div(255, m), 0xFF0101),
                        Argb(Div(128, m), kWhite));
  }
  DrawModes modes(kAdditive, kLinear);
  for (int32_t roll : {10 * m, 10 * m + 60})
    DrawRingPerspective(3, s.sx, s.sy, 6 * a + 50, 6 * a, 0, 0, 0, roll, Argb(Div(200, m), 0x0000FF),
                        Argb(Div(250, m), 0x0000FF));
}

void DrawTexturedRing3Or10(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 3, 10
  DrawModes modes(kAdditive, kLinear);
  const int32_t n = M - L, w = n + 2;
  if (p.kind == 3) {
    const int32_t yaw = p.flip ? 290 : 70;
    const int32_t alpha = M <= 0 ? 0 : static_cast<int32_t>((int64_t{L} * 200 - 200) / M + 55);
    if (M < 15)
      DrawRingTextured(20, s.sx, s.sy, (n + 7) * w, (w / 2) * w, 0, 45, yaw, 0, alpha, 2);
    else
      DrawRingTextured(40, s.sx, s.sy, 26 * w + 60, 15 * w, 0, 45, yaw, 0, alpha, 2);
    return;
  }
  const int32_t row = p.p0 == 0 ? 0 : p.p0 == 2 ? 1 : 2;
  DrawRingTextured(20, s.sx, s.sy, (n + 6) * 15, 10 * w, 0, 0, p.flip ? -80 : 80, 0,
                   ParticleFadeAlpha(L, M, 255), row);
}

void DrawBlueTiltedRing(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 4
  DrawModes modes(kAlphaBlend, kLinear);
  const int32_t m = M - L + 1;
  DrawRingTilted(10, s.sx, s.sy, (m + 6) * 5, 5 * m, p.flip ? 20 : -20, 0, p.flip ? 135 : 45, 10 * m,
                 Argb(ParticleFadeAlpha(L, M, 200), 0x0064FF), Argb(0, kWhite));
}

void DrawFan(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 7, 256
  DrawModes modes(kAdditive, kLinear);
  if (p.kind == 7)
    DrawTriangleFan(3, s.sx, s.sy, 10, 30 * L, Argb(ParticleFadeAlpha(L, M, 255), kWhite), Argb(0, 0xC80000));
  else
    DrawTriangleFan(5, s.sx, s.sy, 5, 30 * L, Argb(L, kWhite), Argb(L, 0x0000FF));
}

void DrawFlashQuad(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 8
  const bool black = p.p0 == 1;
  DrawModes modes(black ? kAlphaBlend : kAdditive, kLinear);
  const int32_t half = M - L + 31;
  DrawQuadPerspective(Tex(0), s.sx, s.sy, p.z, half, half, EffectSourceRect{32, 0, 24, 24}, 0,
                      Argb(ParticleFadeAlpha(L, M, 64), black ? 0 : kWhite));
}

void DrawTexturedRing9(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 9
  DrawModes modes(kAdditive, kLinear);
  const int32_t n = M - L;
  const int32_t row = p.p0 == 1 ? 2 : p.p0 == 3 ? 1 : 0;
  DrawRingTextured(20, s.sx, s.sy, (n + 6) * 15, (n + 2) * 10, 0, 80, 0, 0, ParticleFadeAlpha(L, M, 255),
                   row);
}

// Four equal alpha bytes for the beam corners.
uint32_t CornerAlphas(int64_t alpha) {
  const uint32_t a = static_cast<uint32_t>(std::clamp<int64_t>(alpha, 0, 255));
  return a | a << 8 | a << 16 | a << 24;
}

void DrawSpikyBurst(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 11
  DrawModes modes(kAdditive, kLinear);
  const int32_t m = M - L + 1, sq = m * m;
  const int32_t base = p.flip ? -p.p0 : p.p0, sign = p.flip ? -1 : 1;
  const uint32_t alphas = CornerAlphas(ParticleFadeAlpha(L, M, 250));
  // The third and fourth strips' half widths are chosen (40 - 3m and 30 - 3m), between the
  // first two's.
  const struct {
    int32_t turn, reach, halfWidth;
  } strips[4] = {{10, 150, 35 - 3 * m}, {40, 250, 50 - 3 * m}, {60, 250, 40 - 3 * m}, {80, 200, 30 - 3 * m}};
  for (const auto& st : strips)
    DrawBeamQuad(base + sign * st.turn, st.halfWidth, s.sx, s.sy, sq + st.reach, sq - 100, 0, 0, 180, alphas,
                 1);
}

void DrawSparkleRing(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 12
  DrawModes modes(kAdditive, kLinear);
  const int32_t w = M - L + 2;
  const uint32_t c = Argb(ParticleFadeAlpha(L, M, 255), 0x6464FF);
  DrawRingTilted(20, s.sx, s.sy, 8 * w + 40, 8 * w + 20, 0, p.p0 + 3 * w, p.p1, p.p2, c, c);
}

// The textured rings whose blend the kinds' descriptions leave open (13, 14, 15) are additive,
// as every other ring strip is (chosen).
void DrawGrowingRing(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 13
  DrawModes modes(kAdditive, kLinear);
  const int64_t k = std::max<int64_t>(0, int64_t{L} - M + p.p4);
  const int32_t inner = std::max(0, p.p0 - p.p5);
  DrawRingTextured(20, s.sx, s.sy, inner + p.p5, inner, 0, p.p1, p.flip ? -p.p2 : p.p2, 0,
                   static_cast<int32_t>(std::min<int64_t>(255, Div(255 * k, p.p4))), p.p3);
}

void DrawTwinRings14(const Spot& s, int32_t L, int32_t M) {  // 14
  DrawModes modes(kAdditive, kLinear);
  const int32_t w = M - L + 2;
  int32_t e = 0, alpha = 128;
  if (w > 50) {
    e = 4 * w - 200;
    alpha = static_cast<int32_t>(Div(int64_t{L} * 128 - 128, int64_t{M} - 50));
  }
  DrawRingTextured(10, s.sx, s.sy, e + 80, e + 80, e + 280, 75, 0, w, alpha, 5);
  DrawRingTextured(10, s.sx, s.sy, e + 220, e + 80, 100, 75, 0, -w, alpha, 5);
}

void DrawRing15(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 15
  DrawModes modes(kAdditive, kLinear);
  const int32_t w = M - L + 2, r = p.p0 * w;
  DrawRingTextured(20, s.sx, s.sy, r + 130, r + 80, L, 75, 0, 3 * w, ParticleFadeAlpha(L, M, 128), 5);
}

void DrawScreenFlash(const Particle& p, int32_t L, int32_t M) {  // 19, 20
  DrawModes modes(kAlphaBlend, kLinear);
  // Other colour numbers are white (chosen).
  const uint32_t rgb = p.p0 == 1 ? 0x000000 : p.p0 == 2 ? 0xFF0000 : kWhite;
  int64_t alpha;
  if (p.kind == 19)
    alpha = L >= p.p4 ? 255 : static_cast<int64_t>(DivF(255.0f, 2.0f * M - p.p4) * static_cast<float>(L));
  else
    alpha = std::min<int64_t>(255, Div((int64_t{M} - L) * 255, p.p4));
  const uint32_t c = Argb(alpha, rgb);
  DrawRect(nullptr, 0, 0, 640, 480, c, c, c, c, p.p1 == 1 ? 269 : 512);
}

void DrawThinQuad(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 21
  DrawModes modes(kAdditive, kLinear);
  DrawQuadPerspective(Tex(0), s.sx, s.sy, 0, p.p1, 2, EffectSourceRect{33, 161, 30, 30}, p.p0,
                      Argb(ParticleFadeAlpha(L, M, 255), kWhite));
}

void DrawGlowSprite26(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 26
  const bool black = p.p0 == 1;
  DrawModes modes(black ? kAlphaBlend : kAdditive, kLinear);
  const int32_t size = 61 + (M - L);
  CentredSprite(Tex(1), SpriteMatrix(1, 1, 0, s.px, s.py), size, size, 0, 0, 64, 64,
                Argb(ParticleFadeAlpha(L, M, 255), black ? 0 : kWhite), kParticleSpritePriority);
}

void DrawRotatingPair(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 27
  DrawModes modes(kAdditive, kLinear);
  const int64_t angle = p.p0 + 3 * (int64_t{M} - L);
  const uint32_t c = Argb(ParticleFadeAlpha(L, M, 255), kWhite);
  // The second turns the other way (chosen).
  for (int64_t a : {angle, -angle})
    CentredSprite(Tex(0), SpriteMatrix(1, 1, static_cast<double>(a), s.px, s.py), 32, 32, 32, 160, 32, 32, c,
                  kParticleSpritePriority);
}

void DrawDebris(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 28
  if (!BattleSeamDrawCharactersOn()) return;
  DrawModes modes(kAlphaBlend, kLinear);
  static constexpr uint32_t kColours[6] = {kWhite, 0x000000, 0xB49664, 0xD2C8B4, 0xFF96FF, 0x646464};
  const uint32_t rgb = p.p0 >= 0 && p.p0 < 6 ? kColours[p.p0] : kWhite;  // others white (chosen)
  float f = 0.0f, alpha = 0.0f;
  if (M > 0) {
    f = static_cast<float>(M - L) / static_cast<float>(M);
    alpha = f < 0.7f ? 200.0f : 200.0f * (1.0f - (f - 0.7f) / 0.3f);
  }
  const int32_t size =
      M > 0 ? static_cast<int32_t>(static_cast<float>(p.p4) + static_cast<float>(p.p3) * f) : 0;
  CentredSprite(Tex(1), SpriteMatrix(1, 1, p.p1 * 360.0 / 10000.0, s.px, s.py), size, size, 0, 0, 64, 64,
                ArgbF(alpha, rgb), kParticleSpritePriority);
}

void DrawSpark(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 257
  DrawModes modes(kAdditive, kLinear);
  const float scale = DivF(static_cast<float>(L), static_cast<float>(M));
  const int64_t age = int64_t{M} - L;
  const float x = s.px + static_cast<float>(p.p1 * age / 128),
              y = s.py + static_cast<float>(p.p2 * age / 128);
  CentredSprite(Tex(1), SpriteMatrix(scale, scale, 0, x, y), 32, 32, SparkCellX(p), 64, 64, 64, 0xC8FFFFFFu,
                kParticleSpritePriority);
}

uint32_t TrailColour(int32_t n) {
  switch (n) {
    case 1:
      return 0xFF6432;
    case 2:
      return 0x3232FF;
    case 3:
      return 0xC8C814;
    default:
      return kWhite;
  }
}

void DrawTrailLines(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 258
  DrawModes modes(kAdditive, kLinear);
  const uint32_t c = Argb(ParticleFadeAlpha(L, M, 180), TrailColour(p.p4));
  const int32_t age = M - L;
  if (age >= 1) DrawLine(s.sx, s.sy, ScreenX(p.p0), ScreenY(p.p1), c, c, 0, kParticleLinePriority);
  if (age >= 2)
    DrawLine(ScreenX(p.p0), ScreenY(p.p1), ScreenX(p.p2), ScreenY(p.p3), c, c, 0, kParticleLinePriority);
}

void DrawSmoke(const Spot& s, int32_t L, int32_t M) {  // 259
  DrawModes modes(kAdditive, kLinear);
  const int32_t a = M - L + 1;
  // Non-negative cells even for a particle older than its maximum life.
  const int32_t column = ((a % 7) + 7) % 7, row = ((a / 7) % 2 + 2) % 2;
  CentredSprite(Tex(2), SpriteMatrix(2, 2, 0, s.px, s.py), 40, 40, static_cast<float>(column * 32 + 1),
                static_cast<float>(row * 32 + 1), 30, 30, 0x64FFFFFFu, kParticleSpritePriority);
}

void DrawGlow260(const Spot& s, int32_t L, int32_t M) {  // 260
  DrawModes modes(kAdditive, kLinear);
  const int32_t size = M - L + 6;
  CentredSprite(Tex(1), SpriteMatrix(1, 1, 0, s.px, s.py - 16), size, size, 0, 0, 64, 64, 0x48FFFFFFu,
                kParticleSpritePriority);
}

void DrawBeam261(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 261
  DrawModes modes(kAdditive, kLinear);
  const int32_t m = M - L + 1, grow = 4 * m * m;
  const int32_t halfWidth = static_cast<int32_t>(Div((int64_t{L} - 1) * p.p1, 2 * int64_t{M}));
  DrawBeamQuad(p.p0, halfWidth, s.sx, s.sy, p.p2 + grow, p.p3 + grow, 0, 0, 0,
               CornerAlphas(Div(64 * int64_t{L} - 64, M)), 4);
}

void DrawFlatRing262(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 262
  uint32_t outer, inner;
  switch (p.p0) {
    case 0:
      outer = 0xC80032C8, inner = 0x64003264;
      break;
    case 1: {
      const int64_t a = ParticleFadeAlpha(L, M, 255);
      outer = Argb(a, 0x646464), inner = Argb(a, 0xC8C8C8);
      break;
    }
    case 2:
      outer = 0xC8C80032, inner = 0x64640032;
      break;
    default:
      return;  // no colours for other numbers: nothing drawn (chosen)
  }
  DrawModes modes(kAdditive, kLinear);
  DrawRingFlat(s.sx, s.sy, (10 - L) * 10, (9 - L) * 10, 0, outer, inner);
}

// The wedges' angle (p0) and opening (30 degrees) are chosen, as are 263's colours.
constexpr int32_t kWedgeOpening = 30;
void DrawWedges(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 263, 265
  DrawModes modes(kAdditive, kLinear);
  if (p.kind == 263) {
    DrawWedgeQuad(p.p0, kWedgeOpening, s.sx, s.sy, p.p2, p.p3, 0, 0x80A040FFu, 0x804060FFu);
    return;
  }
  const uint32_t c = Argb(Div((int64_t{L} - 1) * p.p1, 2 * int64_t{M}), kWhite);
  const int32_t length = p.p2 + 10 * (M - L + 1);
  for (int32_t k = 0; k < 4; ++k) DrawWedgeQuad(p.p0 + 90 * k, kWedgeOpening, s.sx, s.sy, length, 0, 0, c, c);
}

void DrawRing264(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 264
  static constexpr uint32_t kColours[4] = {0x0000AF, 0xFF6464, kWhite, 0xFF0000};
  if (p.p0 < 0 || p.p0 > 3) return;  // no colour for other numbers: nothing drawn (chosen)
  int64_t alpha;
  switch (p.p1) {
    case 0:
      alpha = Div(255 * int64_t{L} - 255, 5 * int64_t{M});
      break;
    case 1:
    case 2:
      alpha = 255;
      break;
    case 3:
    case 4:
      alpha = Div(128 * int64_t{L} - 128, M);
      break;
    default:
      return;
  }
  DrawModes modes(kAlphaBlend, kLinear);
  const int32_t m = p.p1 == 4 ? L - 1 : M - L + 1;
  const int32_t outerRadius = p.p1 == 1 ? m + 100 : m * m + 100, innerRadius = p.p1 == 1 ? m + 70 : m * m;
  const uint32_t c = Argb(alpha, kColours[p.p0]);
  // The edge without the colour is the same colour, transparent.
  DrawRingPerspective(30, s.sx, s.sy, outerRadius, innerRadius, 0, 0, 0, 0, p.p1 == 4 ? c : Argb(0, c), c);
}

// 270 and 271 stretch the cell of a 32 x 32 sprite (scales chosen: 270 from 1 x 1 to twice p2 wide
// and 0 high, eased; 271 from 1 x 1 to 0 wide and 4 high, linear).
void DrawFlashBand(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 270, 271
  DrawModes modes(kAdditive, kLinear);
  float sx = 0.0f, sy = 0.0f;
  if (M > 0) {
    const float f = static_cast<float>(L) / static_cast<float>(M);
    if (p.kind == 270) {
      const float e = CalcEase(1, 1.0f - f);
      sx = static_cast<float>(std::max(p.p2, 1)) * (1.0f + e);
      sy = static_cast<float>(std::max(p.p1, 1)) * (1.0f - e);
    } else {
      sx = f;
      sy = 4.0f - 3.0f * f;
    }
  }
  CentredSprite(Tex(1), SpriteMatrix(sx, sy, p.p0, s.px, s.py), 32, 32, SparkCellX(p), 64, 64, 64,
                0xFFFFFFFFu, kParticleSpritePriority);
}

void DrawFlash272(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 272
  DrawModes modes(kAdditive, kLinear);
  const float f = DivF(static_cast<float>(L - 1), static_cast<float>(M));
  const float sx = M > 0 ? static_cast<float>(p.p2) * (2.0f - f) : 0.0f, sy = static_cast<float>(p.p1) * f;
  CentredSprite(Tex(1), SpriteMatrix(sx, sy, p.p0, s.px, s.py), 32, 32, SparkCellX(p), 64, 64, 64,
                0xFFFFFFFFu, kParticleSpritePriority);
}

void DrawTwinRings273(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 273
  DrawModes modes(kAdditive, kLinear);
  const int32_t w = M - L + 2;
  const int32_t alpha = ParticleFadeAlpha(L, M, 128);
  const double wide = p.p1 * 1.5 * w;
  // 20 segments each (chosen).
  DrawRingTextured(20, s.sx, s.sy, static_cast<int32_t>(wide + p.p0), p.p1 * w, 30, 80, 0, 0, alpha, 1);
  DrawRingTextured(20, s.sx, s.sy, static_cast<int32_t>(wide + 2.0 * p.p0), p.p1 * w, 0, 80, 0, 0, alpha, 1);
}

void DrawBeam275(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 275
  DrawModes modes(kAdditive, kLinear);
  const int32_t m = M - L;
  // Angle p0 and half width 16 (chosen).
  DrawBeamQuad(p.p0, 16, s.sx, s.sy, 8 * m + 256, 8 * m, p.p1, p.p2, 0,
               CornerAlphas(ParticleFadeAlpha(L, M, 250)), 1);
}

void DrawDustMote(const Spot& s, int32_t L, int32_t M) {  // 280
  DrawModes modes(kAdditive, kLinear);
  const float scale = DivF(static_cast<float>(L - 1), static_cast<float>(M));
  CentredSprite(Tex(0), SpriteMatrix(scale, scale, 0, s.px, s.py), 32, 32, 0, 128, 16, 16, 0xFFFFFFFFu,
                kEffectDrawPriority);
}

// The angle (degrees, 0 straight up, turning toward +x) of a screen direction; drawing only.
double UpAngle(double dx, double dy) { return std::atan2(dx, -dy) * 180.0 / std::numbers::pi; }

void DrawStreak(const Particle& p, int32_t L, int32_t M) {  // 282
  const BattleObject* o = p.object;
  if (!o) return;
  DrawModes modes(kAdditive, kLinear);
  const double dx = static_cast<double>(o->posX) - o->prevPosX,
               dy = static_cast<double>(o->posY) - o->prevPosY;
  const double length = std::sqrt(dx * dx + dy * dy);
  // 4 pixels wide and length / 256 long, centred between the two positions (chosen).
  const float mx = static_cast<float>((o->posX / 2.0 + o->prevPosX / 2.0) / 128.0);
  const float my = static_cast<float>((o->posY / 2.0 + o->prevPosY / 2.0) / 128.0);
  CentredSprite(Tex(1), SpriteMatrix(1, 1, UpAngle(dx, dy), mx, my), 4, static_cast<int32_t>(length / 256.0),
                0, 0, 64, 64, Argb(ParticleFadeAlpha(L, M, 255), kWhite), kParticleSpritePriority);
}

// CalcEase(1, 1 - L / M): 0 on the first frame, 1 at the end.
float EasedAge(int32_t L, int32_t M) {
  return M > 0 ? CalcEase(1, 1.0f - static_cast<float>(L) / static_cast<float>(M)) : 1.0f;
}

void DrawRipple(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 301
  DrawModes modes(kAdditive, kLinear);
  // p4 and 2 x L / M scale the 64 x 64 cell; the alpha falls from 255 as the ease runs (chosen).
  const float height = DivF(2.0f * static_cast<float>(L), static_cast<float>(M));
  CentredSprite(Tex(1), SpriteMatrix(static_cast<float>(p.p4), height, 0, s.px, s.py), 64, 64, 0, 0, 64, 64,
                ArgbF(255.0f * (1.0f - EasedAge(L, M)), static_cast<uint32_t>(p.p2)),
                kParticleSpritePriority);
}

void DrawCircleSegment(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 302
  DrawModes modes(kAdditive, kLinear);
  // Turning 3 degrees a frame; a 32 x 32 cell, fading with 255 (chosen).
  const double a = p.p1 + 3.0 * (M - L);
  const double r = a * std::numbers::pi / 180.0;
  const float x = s.px + static_cast<float>(p.p3 * std::sin(r)),
              y = s.py - static_cast<float>(p.p3 * std::cos(r));
  CentredSprite(Tex(1), SpriteMatrix(1, 1, a, x, y), 32, 32, 0, 0, 64, 64,
                Argb(ParticleFadeAlpha(L, M, 255), static_cast<uint32_t>(p.p2)), kParticleSpritePriority);
}

void DrawCircleCentre(const Spot& s, int32_t L, int32_t M) {  // 303
  DrawModes modes(kAdditive, kLinear);
  // The fan routine is untextured, so texture 4 is not sampled; its triangles are queued and
  // the renderer does not draw them (kept). 16 segments of radius 64 (chosen).
  DrawTriangleFan(16, s.sx, s.sy, 64, 0, ArgbF(255.0f * (1.0f - EasedAge(L, M)), kWhite), Argb(0, kWhite));
}

void DrawRoundWinMark(const Particle& p, int32_t L, int32_t M) {  // 999
  if (p.p0 != 0 && p.p0 != 1) return;
  DrawModes modes(kAlphaBlend, kLinear);
  const float slide = g_BattleDrawSeams.HudSlide ? g_BattleDrawSeams.HudSlide() : 0.0f;
  const int64_t x = p.p0 == 0 ? 233 - 26 * int64_t{p.p1} : 345 + 26 * int64_t{p.p1};
  const int32_t y = static_cast<int32_t>(60.0f - 256.0f * slide);
  // The cells run along the rows, four to a row, one per frame of age.
  const int32_t age = std::max(0, M - L);
  const float cx = static_cast<float>(age % 4 * 64), cy = static_cast<float>(age / 4 % 4 * 64);
  DrawSprite(nullptr, Tex(3), static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)), y, 64, 64,
             cx, cy, 64, 64, 0xFFFFFFFFu, 0, kRoundWinMarkPriority);
}

void DrawSparkPiece(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 1257
  DrawModes modes(kAdditive, kLinear);
  const float r = M > 0 ? 1.0f - static_cast<float>(M - L + 1) / static_cast<float>(M) : 0.0f;
  // Its long axis along its flight.
  CentredSprite(
      Tex(1),
      SpriteMatrix(0.4f * r + 0.1f, static_cast<float>(p.p1) * r + 1.0f, UpAngle(p.vx, p.vy), s.px, s.py), 32,
      32, SparkCellX(p), 64, 64, 64, ArgbF(255.0f * r, kWhite), kParticleSpritePriority);
}

void DrawRibbon(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 1282
  DrawModes modes(kAdditive, kLinear);
  static constexpr uint32_t kColours[4] = {kWhite, 0xFF8000, 0x0080FF, 0xFFFF00};
  const uint32_t c = Argb(ParticleFadeAlpha(L, M, 255), kColours[p.p3 >= 0 && p.p3 < 4 ? p.p3 : 0]);
  const int32_t x0 = s.sx, y0 = s.sy, x1 = ScreenX(p.p0), y1 = ScreenY(p.p1);
  if (!p.p6) {
    DrawLine(x0, y0, x1, y1, c, c, 0, kParticleLinePriority);
    return;
  }
  // The dotted chain: 8 dots of 8 pixels from the present position back (chosen).
  const float prevX = static_cast<float>(p.p0 >> 7), prevY = static_cast<float>(p.p1 >> 7);
  for (int i = 0; i < 8; ++i) {
    const float t = i / 7.0f;
    CentredSprite(Tex(1), SpriteMatrix(1, 1, 0, s.px + (prevX - s.px) * t, s.py + (prevY - s.py) * t), 8, 8,
                  0, 0, 64, 64, c, kParticleSpritePriority);
  }
}

// The super-move portrait: a 512 x 512 picture sliding in from the particle's side over 16
// frames, holding, then fading and dropping 200 pixels over the last 16.
void DrawCutInPortrait(const Particle& p, int32_t L, int32_t M) {  // 2000
  // Both numbers come from data: only the four players have slots.
  if (p.p0 < 0 || p.p0 > 3 || !g_BattleDrawSeams.CutInTexture) return;
  TextureHandle* portrait = g_BattleDrawSeams.CutInTexture(p.p0, p.p1);
  if (!portrait) return;
  DrawModes modes(kAlphaBlend, kLinear);
  const int32_t age = M - L;
  float slide = 0.0f, drop = 0.0f;
  if (p.state == 0 || p.state == 1) {
    const float t = std::clamp(static_cast<float>(age) / 16.0f, 0.0f, 1.0f);
    const float eased = 0.5f - 0.5f * static_cast<float>(std::cos(t * std::numbers::pi));
    slide = 512.0f * (1.0f - eased);
  } else if (p.state == 100 || p.state == -1) {
    drop = std::clamp(static_cast<float>(16 - L) / 16.0f, 0.0f, 1.0f);
  }
  // Flip 0 comes in from the left and stands at the left edge; flip 1 from the right (chosen).
  const float x = p.flip ? 128.0f + slide : -slide;
  const float y = -16.0f + 200.0f * drop;
  const bool front = p.p4 != 0 || g_BattleState[BattleStateIndex::kSpecialStage] != 0;
  DrawSprite(nullptr, portrait, static_cast<int32_t>(x), static_cast<int32_t>(y), 512, 512, 0, 0, 512, 512,
             ArgbF(255.0f * (1.0f - drop), kWhite), 0, 256 + (front ? 240 : 50));
}

void DrawShaderRing(const Particle& p, const Spot& s, int32_t L, int32_t M) {  // 3000
  if ((p.p2 != 0 && p.p2 != 1) || M <= 0) return;
  const float age = static_cast<float>(M - L) / static_cast<float>(M);
  const float radius = static_cast<float>(p.p4) + static_cast<float>(p.p5) * age;
  NormalAngle n{};
  n.x = s.sx;
  n.y = s.sy;
  n.w = n.h = static_cast<int32_t>(2.0f * radius);
  n.power = static_cast<float>(p.p6) / 1000.0f * (1.0f - age);
  n.angle = static_cast<float>(p.p1) / 10000.0f;
  n.normal = Tex(5 + p.p2);
  n.colour = 0xFFFFFFFFu;
  n.priority = kEffectDrawPriority;
  DrawNormalAngle(n);
}

}  // namespace

int32_t ParticleFadeAlpha(int32_t life, int32_t maxLife, int32_t k) {
  return static_cast<int32_t>(Div((int64_t{life} - 1) * k, maxLife));
}

void DrawParticle(const Particle& p, int32_t worldX, int32_t worldY) {
  if (!g_BattleDrawSubmit) return;
  const Spot s = SpotOf(worldX, worldY);
  const int32_t L = p.life, M = p.maxLife;
  switch (p.kind) {
    case 0:
      return DrawShockRing(p, s, L, M);
    case 1:
      return DrawExpandingDisc(s, L, M);
    case 2:
      return DrawBurst(s, L, M);
    case 3:
    case 10:
      return DrawTexturedRing3Or10(p, s, L, M);
    case 4:
      return DrawBlueTiltedRing(p, s, L, M);
    case 7:
    case 256:
      return DrawFan(p, s, L, M);
    case 8:
      return DrawFlashQuad(p, s, L, M);
    case 9:
      return DrawTexturedRing9(p, s, L, M);
    case 11:
      return DrawSpikyBurst(p, s, L, M);
    case 12:
      return DrawSparkleRing(p, s, L, M);
    case 13:
      return DrawGrowingRing(p, s, L, M);
    case 14:
      return DrawTwinRings14(s, L, M);
    case 15:
      return DrawRing15(p, s, L, M);
    case 19:
    case 20:
      return DrawScreenFlash(p, L, M);
    case 21:
      return DrawThinQuad(p, s, L, M);
    case 26:
      return DrawGlowSprite26(p, s, L, M);
    case 27:
      return DrawRotatingPair(p, s, L, M);
    case 28:
      return DrawDebris(p, s, L, M);
    case 257:
      return DrawSpark(p, s, L, M);
    case 258:
      return DrawTrailLines(p, s, L, M);
    case 259:
      return DrawSmoke(s, L, M);
    case 260:
      return DrawGlow260(s, L, M);
    case 261:
      return DrawBeam261(p, s, L, M);
    case 262:
      return DrawFlatRing262(p, s, L, M);
    case 263:
    case 265:
      return DrawWedges(p, s, L, M);
    case 264:
      return DrawRing264(p, s, L, M);
    case 270:
    case 271:
      return DrawFlashBand(p, s, L, M);
    case 272:
      return DrawFlash272(p, s, L, M);
    case 273:
      return DrawTwinRings273(p, s, L, M);
    case 275:
      return DrawBeam275(p, s, L, M);
    case 280:
      return DrawDustMote(s, L, M);
    case 282:
      return DrawStreak(p, L, M);
    case 301:
      return DrawRipple(p, s, L, M);
    case 302:
      return DrawCircleSegment(p, s, L, M);
    case 303:
      return DrawCircleCentre(s, L, M);
    case 999:
      return DrawRoundWinMark(p, L, M);
    case 1004:
      // The marker puts the modes back to 1.
      g_DrawBlendMode = g_DrawFilterMode = 1;
      return;
    case 1257:
      return DrawSparkPiece(p, s, L, M);
    case 1282:
      return DrawRibbon(p, s, L, M);
    case 2000:
      return DrawCutInPortrait(p, L, M);
    case 3000:
      return DrawShaderRing(p, s, L, M);
    default:
      // The markers, the emitter (6) and the timers occupy their slots and move; the calls
      // (1000, 1001, 1003) are drawn by the battle scene with their own graphics.
      return;
  }
}

int LoadSystemEffectTextures() {
  for (int i = 0; i < kSystemEffectTextureCount; ++i) {
    if (g_SystemEffectTextures[i]) continue;  // loaded once
    g_SystemEffectTextures[i] = LoadTexture(kSystemEffectFiles[i]);
  }
  g_EffectStripTexture = g_SystemEffectTextures[0];
  // The four call graphics load after the effects' own textures.
  BattleSeamLoadCallGraphics();
  return 1;
}

void FreeSystemEffectTextures() {
  BattleSeamFreeCallGraphics();
  g_EffectStripTexture = nullptr;
  for (TextureHandle*& t : g_SystemEffectTextures) {
    if (t) FreeTexture(t);
    t = nullptr;
  }
}

void InstallParticleDrawSeams() {
  // Nothing to install: the particle pass calls the draw laws directly, and the portrait and
  // the HUD slide come in through the battle scene's draw seams.
}
