// The KO call (logo and flash when a round is decided) and the winner call (the winner's name,
// the result word and the arcade score table over the round call's body in its winner variant).
#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Sound/soundproc.h"
#include "battle/battle_records.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "scene/calc_ease.h"
#include "scene/call_draw.h"
#include "scene/call_overlays.h"

using namespace calls;

WinnerCallState g_WinnerCall;

namespace {

constexpr const char* kKoFolder = ".\\grp\\RoundCall_QZ\\Ko\\";

TextureHandle* LoadKo(const char* name) { return LoadFrom(kKoFolder, name); }
void Free(TextureHandle*& t) { FreeHandle(t); }

float Clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// The logos' pieces {x offset, source x, source y, width, height}, in drawing order.
constexpr KoLogoPiece kKind0[] = {
    {0, 0, 0, 160, 112}, {130, 304, 0, 48, 112}, {160, 160, 0, 144, 112}, {288, 352, 0, 32, 112}};
constexpr KoLogoPiece kKind1[] = {{0, 416, 272, 80, 80},   {64, 0, 352, 64, 80},    {114, 64, 352, 64, 80},
                                  {164, 128, 352, 64, 80}, {210, 192, 352, 48, 80}, {240, 240, 352, 64, 80},
                                  {320, 304, 352, 96, 80}, {405, 352, 32, 32, 80},  {420, 400, 352, 96, 80},
                                  {500, 352, 32, 32, 80}};
constexpr KoLogoPiece kKind2[] = {{0, 384, 192, 96, 80},   {80, 0, 272, 48, 80},    {116, 48, 272, 112, 80},
                                  {212, 160, 272, 80, 80}, {300, 240, 272, 96, 80}, {388, 336, 272, 80, 80}};
constexpr KoLogoPiece kKind5[] = {{0, 0, 112, 80, 80},     {64, 80, 112, 48, 80},   {102, 128, 112, 48, 80},
                                  {140, 176, 112, 80, 80}, {202, 80, 112, 48, 80},  {232, 256, 112, 48, 80},
                                  {255, 304, 112, 64, 80}, {300, 368, 112, 48, 80}, {370, 416, 112, 64, 80},
                                  {415, 256, 112, 48, 80}, {445, 0, 192, 64, 80},   {495, 256, 112, 48, 80},
                                  {525, 64, 192, 48, 80},  {558, 112, 192, 64, 80}};
// Kind 6 ends with kind 5's last six pieces.
constexpr KoLogoPiece kKind6[] = {{0, 176, 192, 64, 80},   {55, 240, 192, 48, 80},  {94, 64, 192, 48, 80},
                                  {130, 288, 192, 48, 80}, {165, 336, 192, 48, 80}, {195, 0, 112, 80, 80},
                                  {260, 80, 112, 48, 80},  {300, 128, 112, 48, 80}, {370, 416, 112, 64, 80},
                                  {415, 256, 112, 48, 80}, {445, 0, 192, 64, 80},   {495, 256, 112, 48, 80},
                                  {525, 64, 192, 48, 80},  {558, 112, 192, 64, 80}};
constexpr KoLogoPiece kExtra1[] = {{0, 0, 432, 80, 80},     {60, 80, 432, 80, 80},  {125, 160, 432, 80, 80},
                                   {190, 240, 432, 80, 80}, {255, 80, 432, 80, 80}, {320, 320, 432, 80, 80},
                                   {385, 400, 432, 80, 80}};
constexpr KoLogoPiece kExtra2[] = {
    {0, 0, 0, 96, 80}, {90, 96, 0, 96, 80}, {180, 192, 0, 96, 80}, {260, 288, 0, 128, 80}};

// One logo: pieces fly in from the centre as `in` grows and, as `out` falls, stretch to four
// times their width while flattening.
void DrawLogo(GrpDrawList* M, TextureHandle* t, const KoLogoPiece* pieces, int32_t count, int32_t shift,
              float in, float out, int32_t priority) {
  const float q = 1.0f + 3.0f * (1.0f - out);
  for (int32_t i = 0; i < count; ++i) {
    const KoLogoPiece& p = pieces[i];
    const float h = static_cast<float>(p.h) * out * out;
    const float x = 320.0f + static_cast<float>(p.offset - shift) * in * q;
    Sprite(M, t, x, (480.0f - h) / 2.0f, static_cast<float>(p.w) * q, h, static_cast<float>(p.sx),
           static_cast<float>(p.sy), static_cast<float>(p.w), static_cast<float>(p.h), 0xFFFFFFFFu, priority,
           kBlendAlpha, kFilterLinear);
  }
}

}  // namespace

int32_t KoLogoPieces(int32_t kind, const KoLogoPiece** pieces, int32_t* shift) {
  switch (kind) {
    case 0:
      *pieces = kKind0, *shift = 160;
      return 4;
    case 1:
      *pieces = kKind1, *shift = 260;
      return 10;
    case 2:
      *pieces = kKind2, *shift = 240;
      return 6;
    case 5:
      *pieces = kKind5, *shift = 315;
      return 14;
    case 6:
      *pieces = kKind6, *shift = 310;
      return 14;
    default:
      *pieces = nullptr, *shift = 0;
      return 0;
  }
}

void LoadKoEffectGraphics() {
  CallGraphics& g = g_CallGraphics;
  char name[64];
  for (int s = 0; s < 2; ++s) {
    // A sequence ends at its first missing frame.
    int32_t loaded = 0;
    for (int f = 0; f < 20; ++f) {
      std::snprintf(name, sizeof name, "ko_ef\\ko_ef%02d%02d", s, f);
      if (!g.koEffect[s][f]) g.koEffect[s][f] = LoadKo(name);
      if (!g.koEffect[s][f]) break;
      loaded = f + 1;
    }
    g_KoEffectFrames[s] = loaded;
  }
  for (int i = 0; i < 4; ++i) {
    std::snprintf(name, sizeof name, "ko_logo%02d", i);
    if (!g.koLogo[i]) g.koLogo[i] = LoadKo(name);
  }
  g.koLoaded = true;
}

void FreeKoEffectGraphics() {
  CallGraphics& g = g_CallGraphics;
  for (auto& seq : g.koEffect)
    for (auto& t : seq) Free(t);
  for (auto& t : g.koLogo) Free(t);
  g_KoEffectFrames[0] = g_KoEffectFrames[1] = 0;
  g.koLoaded = false;
}

void DrawKoCall() {
  const KoCallState& k = g_KoCall;
  CallGraphics& g = g_CallGraphics;
  GrpDrawList* M = g.koLoaded ? &g_MainDrawList : nullptr;
  const int32_t P = g_CallPriority.ko;
  if (k.shownFrame >= 0 && k.shownFrame < 20) {
    Sprite(M, g.koEffect[k.sequence & 1][k.shownFrame], 0, 0, 640, 480, 0, 0, 640, 480,
           Argb(k.alpha, 200.0f, 0xFFFFFF), P, kBlendAlpha, kFilterLinear);
  } else {
    const float h = 168.0f * CalcEase(2, k.e);
    Rect(M, 0, 240.0f - h / 2.0f, 640, h, Argb(k.alpha, 200.0f, 0), P);
    Rect(M, 0, 240.0f - h / 2.0f, 640, h, Argb(1.0f - k.e, 255.0f, 0xFFFFFF), P + 1);
  }
  const KoLogoPiece* pieces;
  int32_t shift;
  const int32_t count = KoLogoPieces(k.KoKind, &pieces, &shift);
  DrawLogo(M, g.koLogo[k.f < 1.0f ? 1 : 0], pieces, count, shift, k.f, k.g, P + 1);
  if (k.extra == 1)
    DrawLogo(M, g.koLogo[k.h < 1.0f ? 1 : 0], kExtra1, 7, 240, k.h, k.l, P + 1);
  else if (k.extra == 2)
    DrawLogo(M, g.koLogo[k.h < 1.0f ? 3 : 2], kExtra2, 4, 190, k.h, k.l, P + 1);
}

TextureHandle* WinnerNameTexture(int32_t chara) {
  // Characters run to 199; only the first hundred have a name picture.
  if (chara < 0 || chara > 99) return nullptr;
  return g_CallGraphics.koName[chara];
}

void LoadWinnerCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  char name[64];
  for (int i = 0; i < 100; ++i) {
    std::snprintf(name, sizeof name, "ko_name\\ko_name%02d", i);
    if (!g.koName[i]) g.koName[i] = LoadKo(name);
  }
  if (!g.winf) g.winf = LoadKo("ko_winf00");
  if (!g.winner) g.winner = LoadKo("ko_winner00");
  if (!g.player) g.player = LoadKo("Ko_player00");
  if (!g.winnerBlack) g.winnerBlack = LoadTexture(".\\grp\\RoundCall_QZ\\round\\rd_black00");
  g.winnerLoaded = true;
}

void FreeWinnerCallGraphics() {
  CallGraphics& g = g_CallGraphics;
  for (auto& t : g.koName) Free(t);
  Free(g.winf);
  Free(g.winner);
  Free(g.player);
  Free(g.winnerBlack);
  g.winnerLoaded = false;
}

void StartWinnerCall() {
  g_RoundCallRound = -1;
  ResetRoundCallBody();
  g_WinnerCall = WinnerCallState{};
  g_WinnerCall.barAlpha = 1.0f;
}

void UpdateWinnerCall() {
  UpdateRoundCall();
  WinnerCallState& c = g_WinnerCall;
  c.slide = Clamp01(c.w / 0.2f);
  c.barAlpha = Clamp01(1.0f - (c.w - 0.2f) / 0.2667f);
  ++c.frameCount;
  c.w = static_cast<float>(c.frameCount) / 60.0f;
}

int32_t ResultWordCells(int32_t resultFlag, int32_t cells[8]) {
  static constexpr int32_t kSide1[] = {10, 12, -1, 3, 4, 5};
  static constexpr int32_t kSide2[] = {11, 12, -1, 3, 4, 5};
  static constexpr int32_t kYouWin[] = {0, 1, 2, -1, 3, 4, 5};
  static constexpr int32_t kYouLose[] = {0, 1, 2, -1, 6, 1, 7, 8};
  const int32_t* word = kSide1;
  int32_t n = 6;
  if (resultFlag == 1) {
    word = kSide2;
  } else if (resultFlag == 16) {
    word = kYouWin, n = 7;
  } else if (resultFlag == 272) {
    word = kYouLose, n = 8;
  }
  std::copy(word, word + n, cells);
  return n;
}

bool ScoreRowShown(int32_t row, const int32_t scores[5]) {
  switch (row) {
    case 1:
    case 2:
    case 3:
    case 5:  // the separator
      return true;
    case 4:
      return scores[3] != 0;
    case 6:
      return scores[4] != 0;
    default:
      return false;
  }
}

namespace {

void DrawResultWord(GrpDrawList* T, float w, int32_t flag, int32_t P) {
  CallGraphics& g = g_CallGraphics;
  int32_t cells[8];
  const int32_t n = ResultWordCells(flag, cells);
  const float e = Clamp01(1.0f - 2.0f * (w - 0.3f));
  const float p = (30.0f * n + 48.0f) * CalcEase(1, 1.0f - e) - 48.0f;
  for (int32_t i = 0; i < n; ++i) {
    if (cells[i] < 0) continue;
    const float home = 30.0f * (i + 1);
    const int32_t c = p < home ? cells[i] + 20 : cells[i];
    const float x = p < home ? p : home;
    Sprite(T, g.winner, x, 48, 48, 40, 48.0f * (c % 10), 40.0f * (c / 10), 48, 40, 0xFFFFFFFFu, P + 1);
  }
}

void DrawScoreTable(GrpDrawList* T, float w, const int32_t scores[5], int32_t P) {
  CallGraphics& g = g_CallGraphics;
  static constexpr float kStep[6][2] = {{176, 336}, {16, 22}, {16, 22}, {16, 22}, {0, 22}, {16, 10}};
  static constexpr int32_t kValue[6] = {0, 1, 2, 3, -1, 4};
  float sy = 0.0f, y = 0.0f;
  for (int32_t k = 1; k <= 6; ++k) {
    sy += kStep[k - 1][0];
    y += kStep[k - 1][1];
    if (!ScoreRowShown(k, scores)) continue;
    const float start = 0.3f + 0.05f * k;
    const float b = w < start ? 1.0f : Clamp01(1.0f - 2.0f * (w - start));
    const float x = 320.0f + 320.0f * b * b;
    if (k == 5) {
      Rect(T, x, y, 320, 2, 0xFFFFFFFFu, P + 1);
      continue;
    }
    Sprite(T, g.winner, x, y, 160, 16, 0, sy, 160, 16, 0xFFFFFFFFu, P + 1);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%8d",
                  static_cast<int32_t>(static_cast<int64_t>(scores[kValue[k - 1]]) * 100));
    for (int32_t c = 0; digits[c] != 0; ++c) {
      if (digits[c] < '0' || digits[c] > '9') continue;
      Sprite(T, g.winner, x + 180.0f + 12.0f * c, y, 16, 16, 16.0f * (digits[c] - '0'), 160, 16, 16,
             0xFFFFFFFFu, P + 1);
    }
  }
}

}  // namespace

void DrawWinnerCall() {
  DrawRoundCall();
  WinnerCallState& c = g_WinnerCall;
  CallGraphics& g = g_CallGraphics;
  GrpDrawList* M = g.winnerLoaded ? &g_MainDrawList : nullptr;
  const int32_t P = g_CallPriority.winner;
  const float w = c.w;
  if (static_cast<int32_t>(255.0f * c.barAlpha) != 0) {
    const uint32_t black = Argb(c.barAlpha, 255.0f, 0);
    const float top = 1152.0f * c.slide - 512.0f;
    Sprite(M, g.winnerBlack, top, 0, 512, 160, 300, 0, -300, 128, black, P);
    Rect(M, top - 640.0f, 0, 640, 160, black, P);
    const float bottom = 640.0f - 1152.0f * c.slide;
    Sprite(M, g.winnerBlack, bottom, 320, 512, 160, 0, 0, 300, 128, black, P);
    Rect(M, bottom + 512.0f, 320, 640, 160, black, P);
  }
  const int32_t flag = g_WinnerCallInfo.resultFlag;
  if (w >= 0.3f) DrawResultWord(M, w, flag, P);
  if (!c.soundPlayed && w > 0.4f) {
    c.soundPlayed = 1;
    RequestSoundEffect(flag == 272 ? 97 : 96);
  }
  auto slideIn = [&](float from) {
    const float s = Clamp01(1.0f - 2.0f * (w - from));
    return 320.0f * s * s;
  };
  if (w >= 0.35f) Rect(M, -slideIn(0.35f), 92, 320, 2, 0xFFFFFFFFu, P + 1);
  if (w >= 0.4f) Sprite(M, g.player, 48.0f - slideIn(0.4f), 104, 128, 32, 0, 0, 128, 32, 0xFFFFFFFFu, P + 1);
  if (TextureHandle* name = WinnerNameTexture(g_WinnerCallInfo.winnerCharacter); w >= 0.45f && name)
    Sprite(M, name, 64.0f - slideIn(0.45f), 128, 256, 24, 0, 0, 256, 24, 0xFFFFFFFFu, P + 1);
  if (w > 0.5f) {
    for (int m = 0; m < 4; ++m) {
      const float width = 256.0f * Clamp01(2.0f * (w - 0.5f - 0.2f * m));
      if (width > 0.0f)
        Sprite(M, g.winf, 370, 28.0f + 12.0f * m, width, 12, 0, 12.0f * m, width, 12, 0xFFFFFFFFu, P + 1);
    }
  }
  if (flag == 16) DrawScoreTable(M, w, g_WinnerCallInfo.scores, P);
}
