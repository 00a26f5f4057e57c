// The winner screen: clock, particles, the winner's pictures, the quote walk and the voice.
#include "scene/winner_screen.h"

#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Text/fnt_font.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/chara_list.h"
#include "battle/round_flow.h"
#include "platform/gfx/gfx_types.h"
#include "scene/calc_ease.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/stage_bg.h"
#include "scene/win_quotes.h"

using namespace vt::text;

namespace {

constexpr int kNewLine = 0x81A1;
constexpr int kLineHeight = 30;
constexpr int kRowHeight = 24;

constexpr uint8_t kBlendAlpha = 1;
constexpr uint8_t kBlendAdd = 2;
constexpr uint8_t kBlendMask = 6;
constexpr const char* kParts = ".\\grp\\win_qz\\";

// Element start times (seconds).
constexpr float kStart[kWinElementCount] = {0.0f, 0.0f, 0.4f, 1.2f, 1.6f, 1.7f, 1.7f, 1.6f, 2.5f};

WinnerScreenState g_Screen;
WinnerScreenParts g_Parts;
GrpDrawList g_List;  // the background's private list: 10 priorities

void FreeTex(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

// A missing picture is skipped: the draw list would show a null texture as a plain quad.
void DrawIf(TextureHandle* t, int x, int y, int w, int h, float sx, float sy, float sw, float sh, uint32_t c,
            int priority, GrpDrawList* list = nullptr, uint8_t blend = kBlendAlpha) {
  if (!t) return;
  const uint8_t b = g_DrawBlendMode;
  g_DrawBlendMode = blend;
  DrawSprite(list, t, x, y, w, h, sx, sy, sw, sh, c, 0, priority);
  g_DrawBlendMode = b;
}

void Rect(GrpDrawList* list, float x, float y, float w, float h, uint32_t left, uint32_t right, int priority,
          uint8_t blend = kBlendAlpha) {
  const uint8_t b = g_DrawBlendMode;
  g_DrawBlendMode = blend;
  DrawRect(list, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
           static_cast<int32_t>(h), left, right, left, right, priority);
  g_DrawBlendMode = b;
}

uint32_t Alpha(int a) { return (static_cast<uint32_t>(std::clamp(a, 0, 255)) << 24) | 0xFFFFFF; }
uint32_t AlphaOf(float o, uint32_t rgb = 0xFFFFFF) {
  return (static_cast<uint32_t>(std::clamp(o, 0.0f, 1.0f) * 255.0f) << 24) | (rgb & 0xFFFFFF);
}
float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

TextureHandle* LoadPart(const char* name) {
  char path[96];
  std::snprintf(path, sizeof path, "%s%s", kParts, name);
  return LoadTexture(path);
}

// The lit copy of a letter brightens over 0.4-0.7 s and fades over 0.7-1.0 s.
float LitLevel(float t) {
  if (t < 0.4f || t >= 1.0f) return 0.0f;
  return t < 0.7f ? (t - 0.4f) / 0.3f : 1.0f - (t - 0.7f) / 0.3f;
}

// A row of letters from a sheet: cells (-1 or 99 leave a gap), lit copies `litOffset` cells on.
void DrawLetterRow(TextureHandle* sheet, const int* cells, int count, int cellW, int cellH, int perRow,
                   int litOffset, float x0, float step, float baseY, float dy, float slide, float t) {
  const float lit = LitLevel(t);
  for (int k = 0; k < count; ++k) {
    const WinnerLetter l = PlaceWinnerLetter(t, k, baseY, dy);
    if (l.o <= 0.0f || cells[k] < 0 || cells[k] == 99) continue;
    const int x = static_cast<int>(x0 + step * static_cast<float>(k) + slide);
    for (int copy = 0; copy < 2; ++copy) {
      const int cell = cells[k] + copy * litOffset;
      const float a = copy ? l.o * lit : l.o;
      if (a <= 0.0f) continue;
      DrawIf(sheet, x, static_cast<int>(l.y), cellW, cellH, static_cast<float>(cell % perRow * cellW),
             static_cast<float>(cell / perRow * cellH), static_cast<float>(cellW), static_cast<float>(cellH),
             AlphaOf(a), 572);
    }
  }
}

// Digits of 20 x 28 texels from (196 + 20 d, 202), 14 apart, centred on x.
void DrawNumberSprites(TextureHandle* sheet, uint32_t value, int centreX, int y, int priority, bool suffix) {
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%u", value);
  const int width = 14 * n + (suffix ? 14 : 0);
  int left = centreX - static_cast<int>(static_cast<float>(width) * 0.5f);
  for (int i = 0; i < n; ++i, left += 14)
    DrawIf(sheet, left, y - 4, 20, 28, static_cast<float>(196 + 20 * (digits[i] - '0')), 202, 20, 28,
           Alpha(255), priority);
  if (suffix) DrawIf(sheet, left, y - 4, 20, 28, 396, 202, 20, 28, Alpha(255), priority);
}

void DrawLetters(const WinnerScreenState& s) {
  const float t = s.t;
  const float p = Clamp01((t - 0.8f) / 0.5f);
  const float slide = 512.0f * CalcEase(2, p);
  static const int kWinner[6] = {0, 1, 2, 2, 3, 4};
  DrawLetterRow(g_Parts.letters, kWinner, 6, 72, 48, 3, 6, 48, 46, 160, -32, -slide, t);
  static const int kSide[3][7] = {{0, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7}, {99, 99, 99, 16, 17, 18, -1}};
  const int side = std::clamp(s.labelSide, 0, 2);
  DrawLetterRow(g_Parts.labels, kSide[side], side == 2 ? 6 : 7, 64, 80, 8, 8, 208, 56, 208, 32, slide, t);
}

void DrawLight(float a) {
  if (!g_Parts.light || a <= 0.0f) return;
  const float w = 320.0f * (1.0f - CalcEase(2, Clamp01(a / 0.6f)));
  const float h = 6.0f * 320.0f * CalcEase(1, Clamp01(a / 0.6f));
  const DxTexture* dx = g_Parts.light->dx;
  const float sw = dx ? static_cast<float>(dx->usedWidth) : 64.0f,
              sh = dx ? static_cast<float>(dx->usedHeight) : 256.0f;
  if (w < 1.0f || h < 1.0f) return;
  DrawIf(g_Parts.light, static_cast<int>(480.0f - w / 2), static_cast<int>(240.0f - h / 2),
         static_cast<int>(w), static_cast<int>(h), 0, 0, sw, sh, Alpha(255), 572);
}

void DrawBands(float clock, float t) {
  const float a = clock / 0.5f;
  if (a > 0.0f && a < 1.0f) {
    const float x = 640.0f - 1152.0f * a;
    DrawIf(g_Parts.band, static_cast<int>(x), 324, 512, 144, 0, 0, 512, 128, Alpha(255), 572);
    Rect(nullptr, x + 512.0f, 324, 640, 144, 0xFF000000u, 0xFF000000u, 572);
  }
  if (clock >= 0.48f) {
    const float b = Clamp01((clock - 0.48f) / 0.5f);
    const float x = -1152.0f * b;
    Rect(nullptr, x, 324, 640, 144, 0xFF000000u, 0xFF000000u, 572);
    DrawIf(g_Parts.band, static_cast<int>(x + 640.0f), 324, 512, 144, 512, 0, -512, 128, Alpha(255), 572);
    DrawIf(g_Parts.lines, 0, 328, 640, 8, 0, 0, 512, 8, Alpha(255), 572);
    DrawIf(g_Parts.lines, 0, 456, 640, 8, 0, 8, 512, -8, Alpha(255), 572);
    for (const int mode : {3, 1}) {
      BloomPass pass{};
      pass.mode = mode;
      pass.x = 0, pass.y = 324, pass.w = 640, pass.h = 144;
      pass.shift = 1.0f;
      pass.value = b;
      pass.colour = 0xFFFFFFFFu;
      pass.list = &g_MainDrawList;
      pass.priority = 572;
      DrawBloomPass(pass);
    }
  }
  if (t >= 2.2f) Rect(nullptr, 0, 28, 640, 2, AlphaOf(t - 2.2f), AlphaOf(t - 2.2f), 572);
}

// The white band at x 480: a core w wide with gradient edges w / 4 wide on both sides.
void BandShape(GrpDrawList* list, float w, uint32_t rgb, float alpha, int priority, uint8_t blend) {
  const float e = w / 4.0f, left = 480.0f - w / 2.0f;
  const uint32_t solid = AlphaOf(alpha, rgb), clear = AlphaOf(0.0f, rgb);
  Rect(list, left - e, 0, e, 480, clear, solid, priority, blend);
  Rect(list, left, 0, w, 480, solid, solid, priority, blend);
  Rect(list, left + w, 0, e, 480, solid, clear, priority, blend);
}

// The background composition, queued into the private list.
void ComposeBackground(const WinnerScreenState& s, float clock, float charaClock) {
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  ResetDrawList(&g_List);
  const float c = Clamp01(clock / 0.3f);
  const float w = 192.0f * (1.0f - (1.0f - c) * (1.0f - c));
  // The mask draws last and erases the coverage of everything under it where its alpha is high:
  // the band's column stays open onto the screen below the target. (Drawn first, as the order of
  // priorities might suggest otherwise, it would erase nothing.)
  BandShape(&g_List, w, 0x000000, 1.0f, 9, kBlendMask);
  const float c6 = Clamp01(charaClock / 0.6f), c35 = Clamp01(charaClock / 3.5f);
  if (!s.drawKind && s.t >= kStart[kWinChara]) {
    const float x = 320.0f - 128.0f - 96.0f - 480.0f * (1.0f - c6) * (1.0f - c6) +
                    32.0f * (1.0f - (1.0f - c35) * (1.0f - c35));
    DrawIf(s.charaRed, static_cast<int>(x), 0, 256, 480, 0, 0, 256, 480, Alpha(255), 7, &g_List, kBlendAdd);
  }
  // Within a priority the command queued last draws first: the particles go in before the waves
  // so that they show over them.
  for (const WinnerScreenParticle& p : s.particles)
    DrawIf(g_Parts.spell, static_cast<int>(p.x), static_cast<int>(p.y), 512, 32, 0,
           static_cast<float>(p.row * 32), 512, 32, Alpha(128), 5, &g_List);
  const float scroll[2] = {static_cast<float>(s.frames % 800), static_cast<float>(s.frames % 1600) * 0.5f};
  const int y[2] = {64, 160}, h[2] = {320, 160};
  const float sh[2] = {256, 128};
  for (int layer = 0; layer < 2; ++layer)
    for (int copy = 0; copy < 2; ++copy)
      DrawIf(g_Parts.wave[layer], static_cast<int>(-scroll[layer] + 800.0f * copy), y[layer], 800, h[layer],
             0, 0, 512, sh[layer], Alpha(255), 5, &g_List);
}

void RenderBackground() {
  TextureHandle* target = g_Parts.target;
  if (!g_List.slots) return;
  if (g_D3DDevice && target) {
    auto device = LockD3DDevice();
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    D3DSurface* saved[3];
    SaveRenderTargets(saved);
    g_D3DDevice->SetRenderTarget(0, HandleTexture(target));
    g_D3DDevice->SetRenderTarget(1, nullptr);
    g_D3DDevice->SetRenderTarget(2, nullptr);
    // The frame's clear: transparent, so that the stage shows wherever nothing covers it.
    g_D3DDevice->Clear(vt::gfx::CLEAR_TARGET, 0x00000000u, 1.0f, 0);
    RunDrawList(&g_List);
    RestoreRenderTargets(saved);
    ReleaseRenderTargets(saved);
  }
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  ResetDrawList(&g_List);
}

void DrawBackground(const WinnerScreenState& s, float clock) {
  if (s.t < kStart[kWinBackground] && !s.drawKind) return;
  const float c = Clamp01(clock / 0.3f);
  const float w = 192.0f * (1.0f - (1.0f - c) * (1.0f - c));
  const float fade = 1.0f - Clamp01(clock / 0.6f);
  if (fade > 0.0f && w > 0.0f) BandShape(nullptr, w, 0xFFFFFF, fade, 567, kBlendAlpha);
  ComposeBackground(s, clock, WinnerElementClock(kWinChara, s.t, s.drawKind));
  RenderBackground();
  DrawIf(g_Parts.target, 0, 0, 640, 480, 0, 0, 640, 480, AlphaOf(clock / 0.7f), 562);
}

void DrawCharacter(const WinnerScreenState& s, float clock) {
  if (s.t < kStart[kWinChara]) return;
  const float c6 = Clamp01(clock / 0.6f), c35 = Clamp01(clock / 3.5f);
  const int x =
      static_cast<int>(320.0f - 128.0f - 72.0f - 512.0f * CalcEase(2, 1.0f - c6) + 72.0f * CalcEase(1, c35));
  const DxTexture* dx = s.chara ? s.chara->dx : nullptr;
  const int w = dx ? dx->usedWidth : 256, h = dx ? dx->usedHeight : 480;
  DrawIf(s.chara, x, 0, w, h, 0, 0, static_cast<float>(w), static_cast<float>(h), Alpha(255), 569);
  const float e = Clamp01(clock / 0.4f);
  const float in = (1.0f - e) * (1.0f - e);
  const int capX = static_cast<int>(16.0f - 256.0f * in);
  DrawIf(g_Parts.plates, capX, 28, 128, 32, 0, 0, 128, 32, Alpha(255), 572);
  const int row = std::clamp(s.labelSide, 0, 2) + 1;
  DrawIf(g_Parts.plates, capX + 80, 28, 128, 32, 0, static_cast<float>(row * 32), 128, 32, Alpha(255), 572);
  DrawIf(s.name, static_cast<int>(368.0f + 256.0f * in), 298, 256, 32, 0, 0, 256, 32, Alpha(255), 572);
}

void DrawRankPlates(float clock) {
  if (!WinnerRankPlatesShown()) return;
  CSteamNetSeqMatchResult& seq = GetNetMatchResultSeq();
  const float e = Clamp01(clock / 0.4f);
  // The plate opens from y 157 until it spans 81..233: top and bottom slices 16 high, the middle
  // stretched between them.
  const float top = 157.0f - 76.0f * e, bottom = 157.0f + 76.0f * e;
  const int xs[2] = {29, 411};
  for (int side = 0; side < 2; ++side) {
    const int x = xs[side];
    DrawIf(g_Parts.rankPlate, x, static_cast<int>(top) - 16, 200, 16, 0, 0, 200, 16, Alpha(255), 572);
    if (bottom - top >= 1.0f)
      DrawIf(g_Parts.rankPlate, x, static_cast<int>(top), 200, static_cast<int>(bottom - top), 0, 16, 200, 16,
             Alpha(255), 572);
    DrawIf(g_Parts.rankPlate, x, static_cast<int>(bottom), 200, 16, 0, 32, 200, 16, Alpha(255), 572);
    if (e < 1.0f) continue;
    DrawIf(seq.NameTexture(side), x - 25, 97, 256, 32, 0, 0, 256, 32, Alpha(255), 573);
    for (int bar = 0; bar < 3; ++bar)
      DrawIf(g_Parts.rankPlate, x + 25, 136 + 10 * bar, 150, 8, 0, static_cast<float>(64 + 16 * bar), 150, 10,
             Alpha(255), 573);
    DrawNumberSprites(g_Parts.rankPlate, seq.ResultRows().rows[side].points, x + 100, 166, 574, false);
  }
}

void DrawStageUnder() {
  g_StageBgSimpleDraw = 1;
  if (g_ScreenFlashAlpha > 0) return;
  DrawStageBg(0);
}

}  // namespace

WinnerScreenState& GetWinnerScreen() { return g_Screen; }
WinnerScreenParts& GetWinnerScreenParts() { return g_Parts; }

float WinnerElementClock(int element, float t, int drawKind) {
  if (element < 0 || element >= kWinElementCount) return 0.0f;
  const float start = drawKind ? 0.0f : kStart[element];
  return t > start ? t - start : 0.0f;
}

WinnerLetter PlaceWinnerLetter(float t, int k, float baseY, float dy) {
  // Each letter starts from where the one before it stands, so they land one after another.
  WinnerLetter l;
  float y = baseY;
  for (int i = 0; i <= k; ++i) {
    const float o = std::min((t - 0.05f * static_cast<float>(i)) / 0.1f, 1.0f);
    const float d = o > 0.0f ? 1.0f - o * o : 1.0f;
    y += dy * d;
    l.o = o;
  }
  l.y = y;
  l.o = std::max(l.o, 0.0f);
  return l;
}

bool WinnerRankPlatesShown() {
  // Only an online rank match shows them; offline the net mode is 0.
  const int32_t mode = GetOnlineModeManager().NetMode();
  return mode == 13 || mode == 15;
}

QuoteWalk WalkWinQuoteText(std::string_view walk, int n, int x, int y, bool english, const FntFont* font,
                           int jpnWidth) {
  QuoteWalk w;
  if (n == 0) return w;
  if (walk.empty()) {
    w.result = 1;
    return w;
  }
  int sx = x, sy = y, u = 32, v = 0;
  for (size_t j = 0;; ++j) {
    const size_t at = j * 2;
    // The end of the text, or a lone byte before it: the walk is over.
    if (at + 1 >= walk.size() || walk[at] == '\0' || walk[at + 1] == '\0') {
      if (w.partialUnits > 0) ++w.completeLines;
      w.partialUnits = 0;
      w.result = 1;
      return w;
    }
    if (n / 2 < static_cast<int>(j)) return w;
    QuoteUnit q;
    q.code =
        static_cast<uint16_t>((static_cast<uint8_t>(walk[at]) << 8) | static_cast<uint8_t>(walk[at + 1]));
    q.alpha = std::min((n - 2 * static_cast<int>(j)) * 8, 255);
    q.x = sx;
    q.y = sy;
    q.u = u;
    q.v = v;
    if (q.code == kNewLine) {
      sx = x;
      sy += kLineHeight;
      u = 32;
      v += kRowHeight;
      if (q.alpha != 0) ++w.completeLines;
      w.partialUnits = 0;
      w.units.push_back(q);
      continue;
    }
    if (english) {
      const char unit[3] = {walk[at], walk[at + 1], '\0'};
      q.ws = font ? GetFntGlyphWidth(font, unit) : 24;
      q.wd = static_cast<int>(static_cast<float>(q.ws) * 0.8f);
    } else {
      q.ws = 24;
      q.wd = jpnWidth;
    }
    w.units.push_back(q);
    ++w.partialUnits;
    sx += q.wd;
    u += q.ws;
  }
}

void MakeWinQuoteText(std::string_view text) {
  WinnerScreenState& s = g_Screen;
  FreeTex(s.quotePicture);
  s.quoteText = std::string(text);
  s.walkText = StripMessageMarkup(s.quoteText.c_str(), 2);
  const bool english = MessageLanguageIsEnglish();
  const FntFont* font = g_StoryFonts[english ? 3 : 0];
  const FntFont* ruby = g_StoryFonts[1];
  if (!s.quoteText.empty() && font)
    s.quotePicture = RenderMessageTexture(32, 512, s.quoteText.c_str(), font, ruby);
}

void LoadWinnerScreen(int drawKind) {
  WinnerScreenState& s = g_Screen;
  s.drawKind = drawKind;
  s.frames = 0;
  s.t = 0.0f;
  s.quoteStarted = 0;
  s.quoteFrames = 0;
  s.voiceStarted = 0;
  WinnerScreenParts& p = g_Parts;
  for (TextureHandle** t : {&p.letters, &p.labels, &p.light, &p.plates, &p.spell, &p.wave[0], &p.wave[1],
                            &p.band, &p.lines, &p.rankPlate, &p.icons})
    FreeTex(*t);
  p.letters = LoadPart("win_font00");
  p.labels = LoadPart("win_font01");
  p.light = LoadPart("win_light00");
  p.plates = LoadPart("win_player00");
  p.spell = LoadPart("win_spell00");
  p.wave[0] = LoadPart("win_wave00");
  p.wave[1] = LoadPart("win_wave00");
  p.band = LoadPart("win_win01");
  p.lines = LoadPart("win_win02");
  p.rankPlate = LoadTexture(".\\grp\\net_vs_select\\net_ranking01");
  p.icons = LoadTexture(MessageLanguageIsEnglish() ? ".\\grp\\FontEx00_eng" : ".\\grp\\FontEx00");
  if (!g_List.slots) {
    CreateDrawList(&g_List, 10, 100);
    GrowDrawCommandPool(&g_List, 100);
  }
  if (!p.target && g_D3DDevice) {
    auto device = LockD3DDevice();
    p.target = CreateRenderTargetTexture(640, 480, vt::gfx::FMT_A8R8G8B8);
  }
  FreeTex(s.chara);
  FreeTex(s.charaRed);
  FreeTex(s.name);
  // Pictures only for a character the list holds: its number names the files.
  if (!drawKind && GetCharaListEntry(s.character)) {
    char path[96];
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_chara\\win_chara_%02d%02d", s.character, s.picture);
    s.chara = LoadTexture(path);
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_chara_red\\win_charaR_%02d%02d", s.character,
                  s.picture);
    s.charaRed = LoadTexture(path);
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_name\\win_name%02d", s.character);
    s.name = LoadTexture(path);
  }
  for (WinnerScreenParticle& q : s.particles) {
    q.x = static_cast<float>(RandStreamNext(1) % 640 - 128);
    q.y = static_cast<float>(RandStreamNext(1) % 460 + 10);
    q.speed = static_cast<float>(RandStreamNext(1)) * (1.0f / 2147483648.0f) + 0.2f;
    q.row = RandStreamNext(1) % 4;
  }
  StopBgm();
  if (LoadBgm(98)) StartBgm();
}

void UpdateWinnerScreen() {
  WinnerScreenState& s = g_Screen;
  for (WinnerScreenParticle& p : s.particles) {
    p.x -= p.speed;
    if (p.x < -512.0f) {
      p.x = 640.0f;
      p.y = static_cast<float>(RandInt(460) + 10);
      p.row = RandInt(4);
      p.speed = static_cast<float>(RandFloat()) + 0.2f;
    }
  }
  if (s.t > 2.5f) s.quoteStarted = 1;
  ++s.frames;
  s.t = static_cast<float>(s.frames) / 60.0f;
}

void DrawWinnerScreen() {
  WinnerScreenState& s = g_Screen;
  // The captured battle picture fades out over the first half second.
  if (g_CaptureTarget) {
    const int a = 255 - static_cast<int>(std::min(s.t / 0.5f, 1.0f) * 255.0f);
    if (a > 0) DrawSprite(nullptr, g_CaptureTarget, 0, 0, 640, 480, 0, 0, 640, 480, Alpha(a), 0, 210);
  }
  const auto clock = [&s](int e) { return WinnerElementClock(e, s.t, s.drawKind); };
  DrawBackground(s, clock(kWinBackground));
  if (s.drawKind) return;  // a draw shows the background alone
  DrawLetters(s);
  if (s.t >= kStart[kWinLight]) DrawLight(clock(kWinLight));
  if (s.t >= kStart[kWinBand]) DrawBands(clock(kWinBand), s.t);
  DrawCharacter(s, clock(kWinChara));
  if (s.t >= kStart[kWinRank]) DrawRankPlates(clock(kWinChara));
}

int StartWinnerVoice() {
  WinnerScreenState& s = g_Screen;
  if (s.voiceStarted) return 0;
  s.voiceStarted = 1;
  // The attract sound's mute rule (BackgroundSound off, or no options) silences the voice too.
  const bool muted = ApplyMuteRule(0) == kSilentVolume;
  const int32_t v = WinnerVoiceVolume(g_BgmVolume, muted);
  if (g_BgmStream) g_BgmStream->SetVolume(v);
  if (s.voice.empty()) return 0;
  const std::string path = ".\\se\\windemo_se\\" + s.voice;
  return PlayVoiceStream(path.c_str());
}

void DrawWinQuoteUnits(const QuoteWalk& w, int x, int y) {
  WinnerScreenState& s = g_Screen;
  static const int kIcons[5][2] = {{0, 0}, {0, 32}, {64, 0}, {64, 32}, {64, 64}};
  int partialWidth = 0;
  for (const QuoteUnit& q : w.units) {
    if (q.code == kNewLine) {
      partialWidth = 0;
      continue;
    }
    partialWidth += q.wd;
    if (q.alpha == 0) continue;
    if (q.code >= 0x8740 && q.code <= 0x8744) {
      // Right edge at the end of the glyph box, 4 px above the glyph top.
      const int* at = kIcons[q.code - 0x8740];
      DrawIf(g_Parts.icons, q.x + q.wd - 64, q.y - 4, 64, 32, static_cast<float>(at[0]),
             static_cast<float>(at[1]), 64, 32, Alpha(q.alpha), 777);
    } else if (q.code == 0x81DD) {
      DrawIf(g_Parts.icons, q.x, q.y, q.wd, 22, 0, 64, 32, 32, Alpha(q.alpha), 777);
    } else if (s.quotePicture) {
      DrawSprite(nullptr, s.quotePicture, q.x + 1, q.y + 1, q.wd, 22, q.u, q.v, q.ws, 24,
                 static_cast<uint32_t>(q.alpha) << 24, 0, 776);
      DrawSprite(nullptr, s.quotePicture, q.x, q.y, q.wd, 22, q.u, q.v, q.ws, 24, Alpha(q.alpha), 0, 777);
    }
  }
  if (!s.quotePicture) return;
  // The readings: each complete line's row whole, the line being written as wide as its units.
  for (int i = 0; i < w.completeLines; ++i)
    DrawSprite(nullptr, s.quotePicture, x - 32, y + kLineHeight * i - 7, 1024, 22, 0,
               static_cast<float>(256 + kRowHeight * i), 1024, 24, Alpha(255), 0, 777);
  if (w.partialUnits > 0 && partialWidth > 0) {
    const int i = w.completeLines;
    DrawSprite(nullptr, s.quotePicture, x - 32, y + kLineHeight * i - 7, partialWidth, 22, 0,
               static_cast<float>(256 + kRowHeight * i), static_cast<float>(partialWidth), 24, Alpha(255), 0,
               777);
  }
}

int UpdateDrawWinnerScreen(int kind, int gate) {
  WinnerScreenState& s = g_Screen;
  if (kind == 2) return 1;
  if (gate) UpdateWinnerScreen();
  DrawStageUnder();
  DrawWinnerScreen();
  if (kind != 0) return 1;
  if (!s.quoteStarted) return 0;
  if (gate) ++s.quoteFrames;
  StartWinnerVoice();
  // The quote is always drawn: nothing sets the arcade variant that would hide it.
  const bool english = MessageLanguageIsEnglish();
  const int x = english ? 60 : 80, y = english ? 338 : 342;
  const QuoteWalk w =
      WalkWinQuoteText(s.walkText, s.quoteFrames, x, y, english, g_StoryFonts[english ? 3 : 0]);
  DrawWinQuoteUnits(w, x, y);
  return w.result;
}

void FreeWinnerScreenParts() {
  WinnerScreenState& s = g_Screen;
  WinnerScreenParts& p = g_Parts;
  for (TextureHandle** t : {&p.letters, &p.labels, &p.light, &p.plates, &p.spell, &p.wave[0], &p.wave[1],
                            &p.band, &p.lines, &p.rankPlate, &p.icons})
    FreeTex(*t);
  FreeTex(s.chara);
  FreeTex(s.charaRed);
  FreeTex(s.name);
  FreeTex(s.quotePicture);
  s.quoteText.clear();
  s.walkText.clear();
}

void FreeWinnerScreenTarget() {
  if (g_List.slots) {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    DestroyDrawList(&g_List);
  }
  if (g_Parts.target) {
    auto device = LockD3DDevice();
    FreeTex(g_Parts.target);
  }
}
