// The new challenger screen (see new_challenger.h).
#include "scene/new_challenger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "scene/arcade_draw.h"
#include "scene/calc_ease.h"

ChallengerScreenState g_ChallengerScreen;
ChallengerGraphics g_ChallengerGraphics;

namespace {

using arcade::Argb;
using arcade::Clamp01;
using arcade::kBlendAdd;
using arcade::Quad;
using arcade::White;

constexpr int kShuffleStream = 1;
constexpr int kChallengerSound = 153;
constexpr int kChallengerMusic = 81;

}  // namespace

void FreeChallengerGraphics() {
  ChallengerGraphics& g = g_ChallengerGraphics;
  for (TextureHandle*& t : g.emblem) arcade::Free(t);
  for (TextureHandle*& t : g.silhouette) arcade::Free(t);
  for (TextureHandle*& t : g.font) arcade::Free(t);
  for (TextureHandle*& t : g.line) arcade::Free(t);
  for (TextureHandle*& t : g.title) arcade::Free(t);
  arcade::Free(g.flare);
  arcade::Free(g.ripple);
  arcade::Free(g.noise);
  arcade::Free(g.target);
  if (g.list.slots) {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    DestroyDrawList(&g.list);
    g.list = GrpDrawList{};
  }
}

void LoadChallengerGraphics() {
  FreeChallengerGraphics();
  ChallengerGraphics& g = g_ChallengerGraphics;
  arcade::MakeList(g.list, 10, 100);
  constexpr const char* kFolder = ".\\grp\\challenger_QZ\\";
  int emblems = 0;
  for (int i = 0; i < 40; ++i) {
    g.emblem[i] = arcade::LoadNumbered(".\\grp\\challenger_QZ\\Emblem\\", "cha_Emb%02d", i);
    if (g.emblem[i]) ++emblems;
  }
  g_ChallengerScreen.emblemCount = emblems;
  for (int i = 0; i < 24; ++i)
    g.silhouette[i] = arcade::LoadNumbered(".\\grp\\challenger_QZ\\silhouette\\", "cha_silh%02d", i);
  for (int i = 0; i < 4; ++i) g.font[i] = arcade::LoadNumbered(kFolder, "cha_Font%02d", i);
  for (int i = 0; i < 2; ++i) g.line[i] = arcade::LoadNumbered(kFolder, "cha_Line%02d", i);
  for (int i = 0; i < 4; ++i) g.title[i] = arcade::LoadNumbered(kFolder, "cha_Title%02d", i);
  g.flare = arcade::Load(".\\grp\\challenger_QZ\\cha_Flare00");
  g.ripple = arcade::Load(".\\grp\\challenger_QZ\\cha_riple00");
  g.noise = arcade::Load(".\\grp\\challenger_QZ\\cha_noise00");
  arcade::MakeTarget(g.target, 640, 480);
}

void StartChallengerScreen() {
  ChallengerScreenState& s = g_ChallengerScreen;
  if (g_ChallengerGraphics.list.slots) {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    ResetDrawList(&g_ChallengerGraphics.list);
  }
  const int32_t emblems = s.emblemCount;
  s = ChallengerScreenState{};
  s.emblemCount = emblems;
  for (int i = 0; i < 24; ++i) s.order[i] = i;
  for (int i = 0; i < 24; ++i) std::swap(s.order[i], s.order[RandStreamNext(kShuffleStream) % 24]);
  g_SeRequest[kChallengerSound] = 1;
  StopBgm();
  // Without music 81 the music stays stopped; the screen runs as usual.
  if (LoadBgm(kChallengerMusic)) StartBgm();
}

void UpdateChallengerScreen() {
  ChallengerScreenState& s = g_ChallengerScreen;
  if (g_ChallengerGraphics.list.slots) {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    ResetDrawList(&g_ChallengerGraphics.list);
  }
  const float t = s.t;
  s.emblemFrame = static_cast<int32_t>(std::floor(30.0f * t));
  if (t >= s.rippleStart) {
    const float e = std::min(t - s.rippleStart, 1.0f);
    s.ripple = CalcEase(1, e);
    s.rippleAlpha = std::max(1.0f - 1.5f * e, 0.0f);
  }
  if (t >= s.bloomStart) s.bloom = (t - s.bloomStart) / 1.5f;
  if (t >= s.silhouetteStart) s.silhouette = t - s.silhouetteStart;
  if (t >= s.titleStart) {
    s.titleFade = std::max(1.0f - 0.35f * (t - s.titleStart), 0.0f);
    s.titleTime = t - s.titleStart;
  }
  if (t >= s.ruleStart) s.ruleTime = t - s.ruleStart;
  ++s.frames;
  s.t = static_cast<float>(s.frames) / 60.0f;
}

int ChallengerSlit(float s, float* x, float* w) {
  const int a = s < 0.3f ? 255 : static_cast<int>(255.0f * Clamp01(1.0f - (s - 0.3f) / 1.7f));
  const float g = Clamp01(s / 0.2667f);
  *w = 144.0f * (1.0f - (1.0f - g) * (1.0f - g)) + 32.0f * s;
  *x = (870.0f - *w) / 2.0f;
  return a;
}

float ChallengerScreenTime() { return g_ChallengerScreen.t; }

namespace {

GrpDrawList* Main() { return &g_MainDrawList; }

void DrawBloomAndNoise(const ChallengerScreenState& s, const ChallengerGraphics& g) {
  const float b = Clamp01(s.bloom);
  const int grey = 255 - static_cast<int>(64.0f * b);
  for (const int mode : {3, 1}) {
    BloomPass pass{};
    pass.mode = mode;
    pass.x = 0, pass.y = 0, pass.w = 640, pass.h = 480;
    pass.shift = 1.0f;
    pass.value = b;
    pass.colour = 0xFF000000u | White(grey);
    pass.list = Main();
    pass.priority = 786;
    DrawBloomPass(pass);
  }
  for (const float start : {1.6f, 2.2f, 2.5f}) {
    const float d = Clamp01(1.0f - 4.0f * (s.bloom - start));
    if (s.bloom < start || static_cast<int>(255.0f * d) == 255) continue;
    for (int y = 0; y < 480; y += 32) {
      const int n = RandStreamNext(kShuffleStream) % 480;
      Quad(Main(), g.noise, 0, static_cast<float>(y), 640, 32, 0, static_cast<float>(n), 512, 32,
           Argb(static_cast<int>(0.75f * 255.0f * d)), 0, 787);
    }
  }
}

void DrawRipples(const ChallengerScreenState& s, const ChallengerGraphics& g) {
  const uint32_t colour = Argb(static_cast<int>(128.0f * s.rippleAlpha));
  for (const float k : {6.0f, 3.5f, 2.0f}) {
    const float side = s.ripple * k * 256.0f;
    Quad(Main(), g.ripple, 320.0f - side / 2.0f, 256.0f - side / 2.0f, side, side, 0, 0, 256, 256, colour, 0,
         789);
  }
  const float w = s.ripple * 20.0f * 256.0f;
  const float h = std::max(1.0f - 1.8f * s.ripple, 0.0f) * 256.0f;
  Quad(Main(), g.flare, 320.0f - w / 2.0f, 256.0f - h / 2.0f, w, h, 0, 0, 128, 128, Argb(200), 0, 789,
       kBlendAdd);
}

uint32_t Lerp(int a, int b, float u) { return static_cast<uint32_t>(b + (a - b) * u); }

void DrawSilhouettes(const ChallengerScreenState& s, ChallengerGraphics& g) {
  const float sv = s.silhouette;
  GrpDrawList* L = &g.list;
  arcade::Fill(L, 0, 0, 640, 480, 0xFF000000u, 0, arcade::kBlendErase);
  const int level = static_cast<int>(255.0f * Clamp01(1.0f - sv / 0.6667f));
  arcade::Fill(L, 0, 0, 640, 480, 0xFF000000u | White(level), 0);
  for (int i = 0; i < 24; ++i) {
    const float u = 1.0f - 2.0f * (sv - 0.18f * static_cast<float>(i));
    if (!(u > 0.0f && u < 1.0f)) continue;
    const uint32_t colour = 0xFF000000u | Lerp(255, 150, u) << 16 | Lerp(255, 0, u) << 8 | Lerp(255, 40, u);
    float x = 300.0f, y = 0.0f;
    switch (i % 4) {
      case 0:
        y = -32.0f * u;
        break;
      case 1:
        y = 32.0f * u - 32.0f;
        break;
      case 2:
        x = 284.0f + 32.0f * u;
        break;
      default:
        x = 316.0f - 32.0f * u;
        break;
    }
    Quad(L, g.silhouette[s.order[i]], x, y, 256, 512, 0, 0, 256, 512, colour, 0, 8, kBlendAdd);
  }
  arcade::RenderPrivateList(g.list, g.target);
  float x = 0, w = 0;
  const int a = ChallengerSlit(sv, &x, &w);
  if (a == 0) return;
  Quad(Main(), g.target, x, 0, w, 480, x, 0, w, 480, Argb(a), 0, 790);
}

// Alpha of a line that starts at q0, and its white flash (1 until q0 + 0.2667, then fading).
std::pair<int, int> LineLook(float q, float q0) {
  const int alpha = static_cast<int>(255.0f * Clamp01((q - q0) / 0.2667f));
  const float f = q < q0 + 0.2667f ? 1.0f : Clamp01(1.0f - (q - q0 - 0.2667f));
  return {alpha, static_cast<int>(255.0f * f)};
}

void DrawTitle(const ChallengerScreenState& s, const ChallengerGraphics& g) {
  const int k = static_cast<int>(std::floor(32.0f * s.titleFade));
  const float q = s.titleTime;
  struct TitleLine {
    float x, y, q0;
    int back, front;
  };
  const TitleLine lines[] = {{static_cast<float>(64 - k), 203, 0.0f, 1, 0},
                             {static_cast<float>(k + 144), 241, 0.05f, 3, 2}};
  for (const TitleLine& l : lines) {
    const auto [alpha, flash] = LineLook(q, l.q0);
    Quad(Main(), g.title[l.back], l.x, l.y, 512, 64, 0, 0, 512, 64, Argb(alpha), 0, 791);
    if (alpha == 255)
      Quad(Main(), g.title[l.front], l.x, l.y, 512, 64, 0, 0, 512, 64, Argb(255), White(flash), 791);
  }
  static constexpr int kWidths[4] = {256, 512, 256, 512};
  for (int i = 0; i < 4; ++i) {
    const float base = static_cast<float>((640 - kWidths[i]) / 2);
    const float x = i % 2 == 0 ? base - static_cast<float>(k) / 2.0f : base + static_cast<float>(k) / 2.0f;
    const auto [alpha, flash] = LineLook(q, 0.05f * static_cast<float>(i + 2));
    Quad(Main(), g.font[i], x, static_cast<float>(289 + 10 * i), static_cast<float>(kWidths[i]), 16, 0, 0,
         static_cast<float>(kWidths[i]), 16, Argb(alpha), White(flash), 791);
  }
}

void DrawRule(const ChallengerScreenState& s, const ChallengerGraphics& g) {
  const float v = s.ruleTime;
  const float w = 256.0f * Clamp01(1.0f - 2.0f * v) + 512.0f;
  Quad(Main(), g.line[0], (640.0f - w) / 2.0f, 249, w, 32, 0, 0, 512, 32, Argb(255),
       White(static_cast<int>(255.0f * Clamp01(1.0f - v))), 791);
}

}  // namespace

void DrawChallengerScreen() {
  const ChallengerScreenState& s = g_ChallengerScreen;
  ChallengerGraphics& g = g_ChallengerGraphics;
  if (s.bloom != 0.0f) DrawBloomAndNoise(s, g);
  if (s.emblemFrame < s.emblemCount && s.emblemFrame >= 0)
    Quad(Main(), g.emblem[s.emblemFrame], 224, 96, 192, 384, 0, 0, 128, 256, Argb(255), 0, 788, kBlendAdd);
  if (s.ripple != 0.0f) DrawRipples(s, g);
  if (s.silhouette > 0.0f) DrawSilhouettes(s, g);
  if (s.titleFade < 1.0f) DrawTitle(s, g);
  if (s.ruleTime != 0.0f) DrawRule(s, g);
}
