// The round call, its bars and the fight call: textures, the off-screen composition of the two
// masked overlays and their drawing; the seams the battle reaches the calls through.
#include "scene/call_overlays.h"

#include "scene/arcade_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/round_calls.h"
#include "scene/calc_ease.h"
#include "scene/call_draw.h"

CallPriorities g_CallPriority;

namespace calls {

CallGraphics g_CallGraphics;

TextureHandle* LoadFrom(const char* folder, const char* name) {
  char path[160];
  std::snprintf(path, sizeof path, "%s%s", folder, name);
  return LoadTexture(path);
}

void FreeHandle(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

uint32_t Argb(float alpha, float scale, uint32_t rgb) {
  float a = alpha * scale;
  if (!(a > 0.0f)) a = 0.0f;
  if (a > 255.0f) a = 255.0f;
  return (static_cast<uint32_t>(a) << 24) | (rgb & 0xFFFFFFu);
}

namespace {

bool CanQueue(GrpDrawList* list) { return g_BattleDrawSubmit && list && list->slots; }

// Queues with the given modes and puts the shared modes back for whoever queues next.
template <typename F>
void WithModes(uint8_t blend, uint8_t filter, F&& queue) {
  const uint8_t b = g_DrawBlendMode, f = g_DrawFilterMode;
  g_DrawBlendMode = blend;
  g_DrawFilterMode = filter;
  queue();
  g_DrawBlendMode = b;
  g_DrawFilterMode = f;
}

}  // namespace

void Sprite(GrpDrawList* list, TextureHandle* t, float x, float y, float w, float h, float sx, float sy,
            float sw, float sh, uint32_t colour, int32_t priority, uint8_t blend, uint8_t filter) {
  if (!CanQueue(list)) return;
  WithModes(blend, filter, [&] {
    DrawSprite(list, t, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
               static_cast<int32_t>(h), sx, sy, sw, sh, colour, 0, priority);
  });
}

void Rect(GrpDrawList* list, float x, float y, float w, float h, uint32_t colour, int32_t priority,
          uint8_t blend) {
  if (!CanQueue(list)) return;
  WithModes(blend, kFilterPoint, [&] {
    DrawRect(list, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
             static_cast<int32_t>(h), colour, colour, colour, colour, priority);
  });
}

void TurnedSprite(GrpDrawList* list, TextureHandle* t, float cx, float cy, float w, float h, float sx,
                  float sy, float sw, float sh, float degrees, uint32_t colour, int32_t priority) {
  if (!CanQueue(list)) return;
  WithModes(kBlendAlpha, kFilterLinear, [&] {
    DrawSprite3D(list, t, static_cast<int32_t>(cx), static_cast<int32_t>(cy), 0, static_cast<int32_t>(w),
                 static_cast<int32_t>(h), w / 2.0f, h / 2.0f, sx, sy, sw, sh, 0.0f, 0.0f, degrees, colour, 0,
                 priority);
  });
}

void StartCutOut(GrpDrawList* list, int32_t h, float erase, int32_t slot) {
  // The last command queued in a slot draws first: the erase goes in before the black so that
  // it runs after it.
  Rect(list, 0, 0, 640, static_cast<float>(h), Argb(erase, 255.0f, 0), slot, kBlendErase);
  Rect(list, 0, 0, 640, static_cast<float>(h), 0xFF000000u, slot, kBlendAlpha);
}

}  // namespace calls

using namespace calls;

namespace {

constexpr const char* kRoundFolder = ".\\grp\\RoundCall_QZ\\round\\";

TextureHandle* LoadRound(const char* name) { return LoadFrom(kRoundFolder, name); }
void Free(TextureHandle*& t) { FreeHandle(t); }

void MakeList(GrpDrawList& list) {
  if (!list.slots) CreateDrawList(&list, 10, 100);
}

void MakeTarget(TextureHandle*& target, int32_t h) {
  if (target || !g_D3DDevice) return;
  auto device = LockD3DDevice();
  target = CreateRenderTargetTexture(640, h, vt::gfx::FMT_A8R8G8B8);
}

// The caption's two lines: only their lengths and spaces matter (the text is artwork).
bool IsCaptionSpace(int line, int i) {
  static constexpr int kLine1[] = {1, 7, 13, 27, 34, 37, 41};
  static constexpr int kLine2[] = {3,  7,  13, 15, 20, 23, 31, 37, 40, 46,
                                   52, 59, 63, 66, 71, 76, 79, 84, 88, 94};
  if (line == 1) return std::find(std::begin(kLine1), std::end(kLine1), i) != std::end(kLine1);
  return std::find(std::begin(kLine2), std::end(kLine2), i) != std::end(kLine2);
}

constexpr int kFinalTitle[10] = {5, 6, 3, 7, 8, 0, 1, 2, 3, 4};

void DrawTitle(GrpDrawList* L, float textTime) {
  TextureHandle* font = g_CallGraphics.font;
  const int first = g_RoundCallFirst;
  const int round = g_RoundCallRound;
  const int m = first ? 10 : 6;
  const float shown = std::min(16.0f * textTime, static_cast<float>(m));
  const int count = static_cast<int>(shown);
  auto cellOf = [&](int i, float* sx, float* sy, float* x) {
    if (first) {
      *sx = 56.0f * kFinalTitle[i];
      *sy = 0.0f;
      *x = 32.0f + 36.0f * i;
    } else if (i < 5) {
      *sx = 56.0f * i;
      *sy = 0.0f;
      *x = 32.0f + 36.0f * i;
    } else {
      *sx = 56.0f * round;
      *sy = 56.0f;
      *x = 32.0f + 36.0f * i + 36.0f;
    }
  };
  for (int i = 0; i < count; ++i) {
    float sx, sy, x;
    cellOf(i, &sx, &sy, &x);
    Sprite(L, font, x, 32, 56, 56, sx, sy, 56, 56, 0xFFFFFFFFu, 3);
  }
  const float f = 16.0f * textTime - static_cast<float>(count);
  if (count < m && f != 0.0f) {
    float x = 36.0f * count + 32.0f - 64.0f * (1.0f - f);
    float sx, sy;
    if (first) {
      const int c = kFinalTitle[count];
      sx = 56.0f * ((c + 1) % 9);
      sy = 56.0f * ((c + 1) / 9) + 112.0f;
    } else if (count == 5) {
      sx = 56.0f * ((round + 1) % 9);
      sy = 56.0f * (round / 9) + 168.0f;
      x += 36.0f;
    } else {
      sx = 56.0f * (count + 1);
      sy = 112.0f;
    }
    Sprite(L, font, x, 32, 56, 56, sx, sy, 56, 56, 0xFFFFFFFFu, 3);
  }
}

void DrawCaption(GrpDrawList* L, int n) {
  TextureHandle* font = g_CallGraphics.font;
  const int k1 = std::min(n - 32, 68);
  if (k1 > 0) {
    Sprite(L, font, 40, 107, 16, 16, 16.0f * g_RoundCallWins - 16.0f, 298, 16, 16, 0xFFFFFFFFu, 3);
    const int w1 = std::min(7 * k1, 248);
    Sprite(L, font, 48, 107, w1, 16, 80, 298, w1, 16, 0xFFFFFFFFu, 3);
    const int ws = std::min(7 * k1 - 248, 256);
    if (TextureHandle* stage = StageNameTexture(g_MatchStage); ws > 0 && stage)
      Sprite(L, stage, 295, 107, ws, 16, 0, 0, ws, 16, 0xFFFFFFFFu, 3);
  }
  for (int i = std::max(k1, 0); i < std::min(n, 68); ++i) {
    if (IsCaptionSpace(1, i)) continue;
    const int32_t r = CallRandom();
    Sprite(L, font, 32.0f + 7.0f * i, 108, 8, 16, 8.0f * (r % 10), 282, 8, 16, 0xFFFFFFFFu, 3);
  }
  const int k2 = std::min(n - 48, 100);
  if (k2 > 0) {
    const int w2 = std::min(5 * k2, 438);
    Sprite(L, font, 32, 125, w2, 15, 0, 314, w2, 15, 0xFFFFFFFFu, 3);
  }
  for (int i = std::max(k2, 0); i < std::min(n - 16, 100); ++i) {
    if (IsCaptionSpace(2, i)) continue;
    const int32_t r = CallRandom();
    Sprite(L, font, 32.0f + 4.3f * i, 124, 8, 16, 8.0f * (r % 10 + 10), 282, 8, 16, 0xFFFFFFFFu, 3);
  }
}

constexpr float kDegToRad = 3.14159265358979f / 180.0f;

// A point `dist` pixels below (cx, cy) in a frame turned by `degrees`.
void Below(float cx, float cy, float dist, float degrees, float* x, float* y) {
  const float a = degrees * kDegToRad;
  *x = cx - std::sin(a) * dist;
  *y = cy + std::cos(a) * dist;
}

void DrawRings(GrpDrawList* L, const RoundCallState& r) {
  TextureHandle* disk = g_CallGraphics.disk[0];
  const uint32_t c = Argb(r.ringAlpha, 150.0f, 0xFFFFFF);
  const float rt = r.ringTime;
  TurnedSprite(L, disk, 336, 224, 352, 352, 0, 304, 176, 176, 120.0f * rt, c, 2);
  const float steps = 1.5f * rt;
  const float whole = std::floor(steps);
  TurnedSprite(L, disk, 336, 224, 352, 352, 176, 304, 176, 176,
               -(60.0f * whole + 60.0f * CalcEase(1, steps - whole)), c, 2);
  const float wheel = -60.0f * rt;
  TurnedSprite(L, disk, 400, 420, 608, 608, 0, 0, 304, 304, wheel, c, 2);
  float px, py;
  Below(400, 420, -48.0f, wheel, &px, &py);
  TurnedSprite(L, disk, px, py, 96, 96, 384, 176, 48, 48, wheel, c, 3);
  float wx, wy;
  Below(400, 420, 96.0f, wheel, &wx, &wy);
  const float inner = wheel + 120.0f * rt;
  TurnedSprite(L, disk, wx, wy, 352, 352, 304, 0, 176, 176, inner, c, 4);
  Below(wx, wy, 64.0f, inner, &px, &py);
  const float half = std::floor(rt);
  TurnedSprite(L, disk, px, py, 160, 160, 304, 176, 80, 80,
               inner + 180.0f * half + 180.0f * CalcEase(1, rt - half), c, 5);
}

// One program image of height 512 whose top is at y, cut so that nothing shows above y = 330.
void DrawProgramImage(GrpDrawList* L, TextureHandle* t, float y) {
  const float cut = std::max(330.0f - y, 0.0f);
  if (cut >= 512.0f) return;
  Sprite(L, t, 16, y + cut, 512, 512 - cut, 0, cut, 512, 512 - cut, 0xFFFFFFFFu, 6);
}

}  // namespace

TextureHandle* StageNameTexture(int32_t stage) {
  // The stage word can hold any value; only 100 names exist.
  if (stage < 0 || stage > 99) return nullptr;
  return g_CallGraphics.stageName[stage];
}

TextureHandle* RoundCallBodyTarget() { return g_CallGraphics.bodyTarget; }
TextureHandle* RoundCallStripTarget() { return g_CallGraphics.stripTarget; }
TextureHandle* FightCallTarget() { return g_CallGraphics.fightTarget; }

void LoadFightCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  MakeList(g.fightList);
  MakeTarget(g.fightTarget, 160);
  if (!g.fightFont) g.fightFont = LoadRound("rd_font00_01");
  if (!g.fightNoise) g.fightNoise = LoadRound("rd_noise00");
  g.fightLoaded = true;
}

void FreeFightCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  Free(g.fightFont);
  Free(g.fightNoise);
  Free(g.fightTarget);
  DestroyDrawList(&g.fightList);
  g.fightLoaded = false;
}

void LoadRoundCallBarGraphics() {
  CallGraphics& g = g_CallGraphics;
  if (!g.barsBlack) g.barsBlack = LoadRound("rd_black00");
  if (!g.barsFont) g.barsFont = LoadRound("rd_font00_00");
  g.barsLoaded = true;
}

void LoadRoundCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  MakeList(g.bodyList);
  MakeList(g.stripList);
  MakeTarget(g.bodyTarget, 480);
  MakeTarget(g.stripTarget, 160);
  char name[64];
  for (int i = 0; i < 2; ++i) {
    std::snprintf(name, sizeof name, "rd_disk%02d", i);
    if (!g.disk[i]) g.disk[i] = LoadRound(name);
    std::snprintf(name, sizeof name, "rd_program%02d", i);
    if (!g.program[i]) g.program[i] = LoadRound(name);
  }
  if (!g.font) g.font = LoadRound("rd_font00_00");
  if (!g.noise) g.noise = LoadRound("rd_noise00");
  if (!g.flare) g.flare = LoadRound("rd_Flare00");
  if (!g.eff01) g.eff01 = LoadRound("rd_eff01");
  for (int i = 0; i < 100; ++i) {
    std::snprintf(name, sizeof name, "rd_stage\\rd_st%02d", i);
    if (!g.stageName[i]) g.stageName[i] = LoadRound(name);
  }
  g.bodyLoaded = true;
}

void FreeRoundCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  Free(g.bodyTarget);
  Free(g.stripTarget);
  for (auto& t : g.disk) Free(t);
  for (auto& t : g.program) Free(t);
  Free(g.font);
  Free(g.noise);
  Free(g.flare);
  Free(g.eff01);
  for (auto& t : g.stageName) Free(t);
  Free(g.barsBlack);
  Free(g.barsFont);
  DestroyDrawList(&g.bodyList);
  DestroyDrawList(&g.stripList);
  g.bodyLoaded = g.barsLoaded = false;
}

void DrawRoundCall() {
  const RoundCallState& r = g_RoundCall;
  const bool winner = g_RoundCallRound < 0;
  CallGraphics& g = g_CallGraphics;
  GrpDrawList* L = g.bodyLoaded ? &g.bodyList : nullptr;
  GrpDrawList* S = g.bodyLoaded ? &g.stripList : nullptr;
  const int32_t P = g_CallPriority.body;

  StartCutOut(L, 480, r.dim, 0);
  Rect(L, 0, 240.0f - r.bandHeight / 2.0f, 640, r.bandHeight, 0xFF000000u, 9, kBlendErase);
  if (!winner) {
    const uint32_t white = Argb(r.diskAlpha, 255.0f, 0xFFFFFF);
    Sprite(L, g.disk[1], r.diskOffset, -640.0f - r.diskOffset, 1024, 1024, 0, 0, 1024, 1024, white, 1);
    Sprite(L, g.disk[1], -r.diskOffset - 640.0f, r.diskOffset + 128.0f, 1024, 1024, 0, 0, 1024, 1024, white,
           1);
    if (r.textTime != 0.0f) DrawTitle(L, r.textTime);
    const int n = static_cast<int>(r.charCount);
    if (n != 0) DrawCaption(L, n);
  }
  if (r.ringAlpha != 0.0f) DrawRings(L, r);
  if (!winner && r.programY < 480.0f) {
    DrawProgramImage(L, g.program[0], r.programY);
    DrawProgramImage(L, g.program[1], r.programY + 512.0f);
  }
  if (!winner && r.stripHeight != 0.0f) {
    StartCutOut(S, 160, r.flicker, 0);
    const int32_t n = CallRandom();
    Sprite(S, g.noise, 0, 0, 640, 160, static_cast<float>(n % 320), 0, 512, 160,
           Argb(1.0f - r.flicker, 255.0f, 0xFFFFFF), 1);
  }
  GrpDrawList* main = g.bodyLoaded ? &g_MainDrawList : nullptr;
  if (!winner && static_cast<int32_t>(255.0f * r.flareAlpha) != 0) {
    const float size = 256.0f * r.flareSize;
    Sprite(main, g.flare, 195.0f - size / 2.0f, 240.0f - size / 2.0f, size, size, 0, 0, 256, 256,
           Argb(r.flareAlpha, 255.0f, 0xFFFFFF), P + 1, kBlendAdd, kFilterLinear);
    const float w = 48.0f * r.streakWidth, h = 48.0f * r.streakHeight;
    Sprite(main, g.eff01, 195.0f - w / 2.0f, 240.0f - h / 2.0f, w, h, 0, 0, 64, 64, 0xFFFFFFFFu, P + 2,
           kBlendAdd, kFilterLinear);
  }
  if (!L) return;
  arcade::RenderPrivateList(g.bodyList, g.bodyTarget, g_BattleDrawSubmit != 0);
  arcade::RenderPrivateList(g.stripList, g.stripTarget, g_BattleDrawSubmit != 0);
  // Without a target the list went straight into the back buffer: there is nothing to place.
  if (g.bodyTarget) Sprite(main, g.bodyTarget, 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, P);
  if (!winner && g.stripTarget && r.stripHeight != 0.0f &&
      static_cast<int32_t>(255.0f * (1.0f - r.flicker)) != 0) {
    const float x2 = r.stripHeight;
    Sprite(main, g.stripTarget, 0, 240.0f - x2 / 2.0f, 640, x2, 0, (160.0f - x2) / 2.0f, 640, x2, 0xFFFFFFFFu,
           P);
  }
}

namespace {

constexpr int kBarWidth[12] = {24, 24, 24, 24, 24, 24, 24, 0, 32, 32, 32, 32};
constexpr int kBarAdvance[12] = {18, 14, 18, 18, 20, 19, 18, 35, 26, 30, 28, 28};

}  // namespace

void DrawRoundCallBars() {
  const RoundCallBarState& b = g_RoundCallBars;
  CallGraphics& g = g_CallGraphics;
  GrpDrawList* M = g.barsLoaded ? &g_MainDrawList : nullptr;
  const int32_t P = g_CallPriority.bars;
  if (b.t < 0.8f) return;
  if (b.state == 0 && b.typed < 12) {
    int x = 184, sx = 0;
    for (int i = 0; i < b.typed; ++i) {
      if (kBarWidth[i] != 0)
        Sprite(M, g.barsFont, x, 224, kBarWidth[i], 32, sx, 328, kBarWidth[i], 32, 0xFFFFFFFFu, P);
      if (i == b.typed - 1) {
        const int w = kBarWidth[i] != 0 ? kBarWidth[i] : 24;
        Sprite(M, g.barsFont, x, 224, w, 32, 264, 328, 32, 32, 0xFFFFFFFFu, P);
      }
      sx += kBarWidth[i];
      x += kBarAdvance[i];
    }
  } else if (b.state == 0) {
    // The typed line belongs to the bars' running state: once the wipe has handed over to the
    // fight call (state 1, then 2) the strip shows the fight call alone.
    Sprite(M, g.barsFont, 160, 224, 288, 32, 0, 360.0f + 32.0f * b.frame, 288, 32, 0xFFFFFFFFu, P);
    if (b.blink) Sprite(M, g.barsFont, 432, 224, 24, 32, 264, 328, 24, 32, 0xFFFFFFFFu, P);
  }
  const float a = b.t - 2.5f;
  if (a < 0.0f) return;
  if (a < 0.2f) {
    const float x = 640.0f - 5060.0f * a;
    Sprite(M, g.barsBlack, x, 160, 512, 160, 0, 0, 512, 128, 0xFFFFFFFFu, P + 1);
    Rect(M, x + 512.0f, 160, 640, 160, 0xFFFFFFFFu, P + 1);
  } else {
    const float alpha = 1.0f - std::min((a - 0.2f) / 0.3f, 1.0f);
    if (static_cast<int32_t>(255.0f * alpha) != 0)
      Rect(M, 0, 160, 640, 160, Argb(alpha, 255.0f, 0xFFFFFF), P + 1);
  }
}

void DrawFightCall() {
  const FightCallState& f = g_FightCall;
  CallGraphics& g = g_CallGraphics;
  GrpDrawList* L = g.fightLoaded ? &g.fightList : nullptr;
  StartCutOut(L, 160, f.bandCut, 0);
  const int32_t r = CallRandom();
  Sprite(L, g.fightNoise, 0, 0, 640, 160, static_cast<float>(r % 320), 0, 512, 160,
         Argb(f.noiseAlpha, 255.0f, 0xFFFFFF), 1);
  Rect(L, 0, 0, 640, 160, Argb(f.flashAlpha, 255.0f, 0xFFFFFF), 9);
  static constexpr float kGlyphX[5] = {-100, -58, -10, 62, 134};
  const uint32_t c = Argb(f.glyphAlpha, 255.0f, 0xFFFFFF);
  for (int i = 0; i < 5; ++i)
    Sprite(L, g.fightFont, 256.0f + f.glyphSpread * kGlyphX[i], 16, 96, 80, 96.0f * i, 80.0f * f.glyphRow, 96,
           80, c, 5);
  const float w = 240.0f * std::min(2.0f * f.t, 1.0f);
  Sprite(L, g.fightFont, 200, 100, w, 16, 0, 160, w, 16, c, 5);
  Sprite(L, g.fightFont, 440.0f - w, 114, w, 16, 240.0f - w, 176, w, 16, c, 5);
  Sprite(L, g.fightFont, 200, 128, w, 16, 0, 192, w, 16, c, 5);
  if (!L) return;
  arcade::RenderPrivateList(g.fightList, g.fightTarget, g_BattleDrawSubmit != 0);
  if (g.fightTarget)
    Sprite(&g_MainDrawList, g.fightTarget, 0, 160, 640, 160, 0, 0, 640, 160, 0xFFFFFFFFu,
           g_CallPriority.fight);
}

void InstallCallOverlays() {
  BattleSeams& s = g_BattleSeams;
  // The particle pass puts every call it runs at the battle's overlay priority.
  s.DrawRoundCall = [] {
    g_CallPriority.body = g_CallPriority.bars = g_CallPriority.ko = g_CallPriority.winner =
        kBattleCallPriority;
    DrawRoundCall();
  };
  s.DrawRoundCallBars = DrawRoundCallBars;
  s.DrawFightCall = [] {
    g_CallPriority.fight = kBattleCallPriority;
    DrawFightCall();
  };
  s.DrawKoCall = [] {
    g_CallPriority.ko = kBattleCallPriority;
    DrawKoCall();
  };
  // The winner call moves the round call's body (hashed battle state) from the judge's decision
  // on: the per-frame hashes of a decided match change with it.
  s.StartWinnerCall = StartWinnerCall;
  s.UpdateWinnerCall = UpdateWinnerCall;
  s.DrawWinnerCall = DrawWinnerCall;
  s.LoadCallGraphics = [] {
    LoadFightCallGraphics();
    LoadRoundCallBarGraphics();
    LoadRoundCallGraphics();
    LoadWinnerCallGraphics();
  };
  s.FreeCallGraphics = [] {
    FreeFightCallGraphics();
    FreeRoundCallGraphics();
    FreeWinnerCallGraphics();
  };
}
