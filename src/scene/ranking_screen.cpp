// The ranking scene (see ranking_screen.h).
#include "scene/ranking_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/save_data.h"
#include "battle/round_flow.h"
#include "scene/arcade_draw.h"
#include "scene/calc_ease.h"
#include "scene/credits.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/select_screen.h"

RankingScreenState g_RankingScreen;
int32_t g_AttractRankingCount = 0;

namespace {

using arcade::Argb;
using arcade::Clamp01;
using arcade::Fill;
using arcade::kBlendAdd;
using arcade::kBlendErase;
using arcade::kFilterPoint;
using arcade::Quad;
using arcade::White;

struct RankingGraphics {
  GrpDrawList lists[2];
  TextureHandle* targets[2] = {};
  TextureHandle* circle[2] = {};
  TextureHandle* font = nullptr;
  TextureHandle* line = nullptr;
  TextureHandle* name[2] = {};
  TextureHandle* noise[6] = {};
  TextureHandle* champion = nullptr;
  TextureHandle* championMask = nullptr;
  TextureHandle* strips[kRankingRows] = {};
  TextureHandle* title01 = nullptr;
  TextureHandle* title00 = nullptr;
};
RankingGraphics g_Graphics;

constexpr const char* kFolder = ".\\grp\\ranking_QZ\\";

float EaseOut(float t) { return CalcEase(1, t); }
float EaseIn(float t) { return CalcEase(2, t); }
GrpDrawList* Main() { return &g_MainDrawList; }

CharaSelectScreenFrame BackgroundFrame() {
  CharaSelectScreenFrame f;
  f.mode = 1;
  f.frame = g_RankingScreen.frames;
  return f;
}

}  // namespace

int RankingNameCell(int32_t c) {
  if (c >= 0 && c <= 15) return c;
  switch (c) {
    case 17:
      return 16;
    case 18:
      return 17;
    case 19:
      return 31;
    case 20:
      return 18;
    case 22:
      return 19;
    case 23:
      return 20;
    case 25:
      return 21;
    case 51:
      return 30;
    default:
      break;
  }
  if (c >= 28 && c <= 31) return c - 6;
  if (c >= 32 && c <= 35) return c - 6;
  return -1;
}

int RankingTypeLabel(int32_t type) {
  switch (type) {
    case 0:
      return 1;
    case 1:
      return 0;
    case 2:
      return 2;
    default:
      return 3;
  }
}

void FormatRankingScore(uint64_t key, char out[11]) {
  // The key is 64 bits; ten digits hold at most 9,999,999,999.
  const uint64_t shown = std::min<uint64_t>(key, 9999999999ull);
  std::snprintf(out, 11, "%08llu%02llu", static_cast<unsigned long long>(shown / 100),
                static_cast<unsigned long long>(shown % 100));
}

void RankingRowAnchor(int i, float s, int32_t scroll, float* x, float* y, float* angle, float* settle) {
  const float e = EaseIn(Clamp01(1.0f - s / 2.0f));
  const float cx = 1280.0f * e - 340.0f, cy = 900.0f * e + 240.0f;
  const float a = s - (0.4f + 0.1f * static_cast<float>(10 - i));
  const float f = EaseOut(Clamp01(a / 1.5f));
  const float base = static_cast<float>(i < 6 ? i * 7 + 128 : i * 7 + 130);
  const float deg = base * f - 40.0f + 0.8f * static_cast<float>(scroll);
  constexpr float kPi = 3.14159265358979323846f;
  const float r = deg * kPi / 180.0f;
  // (0, -410) turned by the angle.
  *x = cx + 410.0f * std::sin(r);
  *y = cy - 410.0f * std::cos(r);
  *angle = deg;
  *settle = f;
}

void LoadRankingGraphics() {
  RankingGraphics& g = g_Graphics;
  for (GrpDrawList& l : g.lists) {
    if (!l.slots) {
      CreateDrawList(&l, 10, 50);
    }
  }
  for (int i = 0; i < 2; ++i) g.circle[i] = arcade::LoadNumbered(kFolder, "rank_circle%02d", i);
  g.font = arcade::LoadNumbered(kFolder, "rank_font00", 0);
  g.line = arcade::LoadNumbered(kFolder, "rank_line00", 0);
  for (int i = 0; i < 2; ++i) g.name[i] = arcade::LoadNumbered(kFolder, "rank_name%02d", i);
  for (int i = 0; i < 6; ++i) g.noise[i] = arcade::LoadNumbered(kFolder, "rank_noise%02d", i);
  const RankingRow* rows = g_RankingScreen.rows;
  g.champion = arcade::LoadNumbered(".\\grp\\ranking_QZ\\rank_chara\\", "rank_ch00%02d", rows[0].character);
  g.championMask =
      arcade::LoadNumbered(".\\grp\\ranking_QZ\\noise_mask\\", "rank_noise_m%02d", rows[0].character);
  for (int i = 0; i < kRankingRows; ++i)
    g.strips[i] =
        arcade::LoadNumbered(".\\grp\\ranking_QZ\\rank_chara\\", "rank_ch01%02d", rows[i].character);
  g.title01 = arcade::LoadNumbered(kFolder, "rank_title01_0", 0);
  g.title00 = arcade::LoadNumbered(kFolder, "rank_title00", 0);
}

void FreeRankingGraphics() {
  RankingGraphics& g = g_Graphics;
  for (TextureHandle*& t : g.circle) arcade::Free(t);
  arcade::Free(g.font);
  arcade::Free(g.line);
  for (TextureHandle*& t : g.name) arcade::Free(t);
  for (TextureHandle*& t : g.noise) arcade::Free(t);
  arcade::Free(g.champion);
  arcade::Free(g.championMask);
  for (TextureHandle*& t : g.strips) arcade::Free(t);
  arcade::Free(g.title01);
  arcade::Free(g.title00);
  for (TextureHandle*& t : g.targets) arcade::Free(t);
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  for (GrpDrawList& l : g.lists) {
    if (l.slots) DestroyDrawList(&l);
    l = GrpDrawList{};
  }
}

void InitRankingScreen() {
  RankingGraphics& g = g_Graphics;
  {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    for (GrpDrawList& l : g.lists)
      if (l.slots) ResetDrawList(&l);
  }
  for (TextureHandle*& t : g.targets) arcade::MakeTarget(t, 512, 512);
  RankingScreenState& s = g_RankingScreen;
  s.frames = 0;
  s.seconds = 0.0f;
  s.exitWord = 0;
  s.scroll = 0;
  // The select's background and chains in their form for other screens.
  FreeCharaSelectScreen();
  LoadCharaSelectScreen(1);
}

void StepRankingBackground() { UpdateCharaSelectScreen(BackgroundFrame()); }

namespace {

void DrawLargeText(float x, const char* text, int count, float advance, float h, int alpha) {
  const RankingGraphics& g = g_Graphics;
  for (int i = 0; i < count && text[i]; ++i) {
    const int c = static_cast<unsigned char>(text[i]) - 32;
    if (c < 0) continue;
    Quad(Main(), g.font, x + advance * static_cast<float>(i), 186, 32, h, static_cast<float>(c % 16 * 32),
         static_cast<float>(c / 16 * 48 + 56), 32, h, Argb(alpha), 0, 546);
  }
}

void DrawSmallText(float x, float y, const char* text, int count, float advance, int alpha, int priority) {
  const RankingGraphics& g = g_Graphics;
  for (int i = 0; i < count && text[i]; ++i) {
    const int c = static_cast<unsigned char>(text[i]) - 32;
    if (c < 0) continue;
    Quad(Main(), g.font, x + advance * static_cast<float>(i), y - 28.0f, 24, 32,
         static_cast<float>(c % 21 * 24), static_cast<float>((c / 21 + 9) * 32), 24, 32, Argb(alpha), 0,
         priority);
  }
}

void DrawColourNumber(float x, float y, int32_t colour, int alpha, int priority) {
  const RankingGraphics& g = g_Graphics;
  // Shown as the colour index + 1, two digits; a stored value outside 0..98 is clamped first.
  const int n = std::clamp(colour + 1, 0, 99);
  Quad(Main(), g.font, x, y, 48, 16, 0, 448, 48, 16, Argb(alpha), 0, priority);
  Quad(Main(), g.font, x + 48, y, 16, 16, static_cast<float>((n / 10 + 3) * 16), 448, 16, 16, Argb(alpha), 0,
       priority);
  Quad(Main(), g.font, x + 58, y, 16, 16, static_cast<float>((n % 10 + 3) * 16), 448, 16, 16, Argb(alpha), 0,
       priority);
}

void DrawNamePicture(int picture, int32_t character, float x, float y, int alpha, int priority) {
  const int n = RankingNameCell(character);
  if (n < 0) return;
  const float w = picture == 0 ? 256.0f : 184.0f;
  Quad(Main(), g_Graphics.name[picture], x, y, w, 24, static_cast<float>(n / 21) * w,
       static_cast<float>(n % 21 * 24), w, 24, Argb(alpha), 0, priority);
}

void DrawChampion(float s) {
  const RankingGraphics& g = g_Graphics;
  const RankingRow& row = g_RankingScreen.rows[0];
  const float T = s - 2.5f;
  const int u = static_cast<int>(Clamp01(T) * 255.0f);
  Quad(Main(), g.line, 0, 224, 640, 2, 0, 0, 640, 2, Argb(u), 0, 539);
  Quad(Main(), g.font, 0, 214, 512, 10, 0, 470, 512, 10, Argb(u), 0, 538);
  Quad(Main(), g.font, 128, 192, 512, 32, 0, 416, 512, 32, Argb(u), 0, 538);
  Quad(Main(), g.line, -320.0f * EaseIn(Clamp01(1.0f - 2.0f * (T - 0.4f))), 168, 320, 2, 0, 0, 320, 2,
       Argb(u), 0, 539);
  DrawNamePicture(0, row.character, 16.0f - 272.0f * EaseIn(Clamp01(1.0f - 2.0f * (T - 0.6f))), 144, u, 541);
  const float B = EaseIn(Clamp01(1.0f - (T - 0.5f) / 0.7f));
  const float P = 16.0f - 450.0f * B;
  Quad(Main(), g.font, P, 176, 64, 48, 0, 0, 64, 48, Argb(u), 0, 539);
  char score[11];
  FormatRankingScore(static_cast<uint64_t>(row.scoreHigh) << 32 | row.scoreLow, score);
  DrawLargeText(P + 72.0f, score, 10, 22, 48, u);
  DrawLargeText(P + 308.0f, row.initials, 3, 32, 40, u);
  // The portrait: noise through the mask, and the portrait through the mask, each composed in its
  // own target.
  GrpDrawList& l2 = const_cast<GrpDrawList&>(g.lists[1]);
  GrpDrawList& l1 = const_cast<GrpDrawList&>(g.lists[0]);
  const int frame = g_RankingScreen.frames;
  Fill(&l2, 0, 0, 512, 512, 0xFF000000u, 0, kBlendErase);
  Quad(&l2, g.championMask, 0, 0, 512, 512, 0, 0, 512, 512, 0xFFFFFFFFu, 0, 8, kBlendErase);
  Quad(&l2, g.noise[frame % 6], 0, 0, 512, 512, 0, 0, 512, 512, Argb(u), 0, 3);
  arcade::RenderPrivateList(l2, g.targets[1]);
  Fill(&l1, 0, 0, 512, 512, 0xFF000000u, 0, kBlendErase);
  Quad(&l1, g.championMask, 0, 0, 512, 512, 0, 0, 512, 512, 0xFFFFFFFFu, 0, 8, kBlendErase);
  Quad(&l1, g.champion, 0, 0, 512, 512, 0, 0, 512, 512, 0xFFFFFFFFu, 0, 5, arcade::kBlendAlpha, kFilterPoint);
  if (l1.slots) DrawRect(&l1, 0, 192, 512, 320, 0x00000000u, 0x00000000u, 0xFF000000u, 0xFF000000u, 6);
  arcade::RenderPrivateList(l1, g.targets[0]);
  Quad(Main(), g.targets[0], 128.0f + 512.0f * B, 0, 512, 512, 0, 0, 512, 512, Argb(u), 0, 524);
  Quad(Main(), g.targets[1], 192.0f + 448.0f * B, 0, 512, 512, 0, 0, 512, 512, Argb(u), 0, 524);
  const int label = RankingTypeLabel(row.type);
  if (T >= 1.0f) {
    const uint32_t flash = White(static_cast<int>(255.0f * Clamp01(2.0f - T)));
    Quad(Main(), g.font, 510, 208, 112, 16, 32, static_cast<float>((label + 15) * 16), 112, 16, Argb(u),
         flash, 542);
    Quad(Main(), g.font, 598, 192, 32, 32, static_cast<float>(label * 32 + 144), 240, 32, 32, Argb(u), flash,
         541);
  }
  Quad(Main(), g.font, 510, 208, 216, 16, 368, 448, 144, 16, Argb(u), 0, 540);
  DrawColourNumber(428, 208, row.colour, u, 541);
}

void DrawRow(int i, float s, int32_t scroll) {
  const RankingGraphics& g = g_Graphics;
  const RankingRow& row = g_RankingScreen.rows[i];
  float X = 0, Y = 0, angle = 0, f = 0;
  RankingRowAnchor(i, s, scroll, &X, &Y, &angle, &f);
  const float a = s - (0.4f + 0.1f * static_cast<float>(10 - i));
  float b = 255.0f;
  if (f >= 1.0f && angle < 90.0f) b = 255.0f * Clamp01(1.0f - (90.0f - angle) / 15.0f);
  const int alpha = static_cast<int>(Clamp01(4.0f * a) * b);
  const int P = f >= 1.0f ? 527 : 512;
  Quad(Main(), g.line, X, Y, 640, 2, 0, 0, 640, 2, Argb(alpha), 0, P);
  Quad(Main(), g.font, X + 8.0f, Y - 48.0f, 48, 48, static_cast<float>(64 + 48 * (i - 1)), 0, 48, 48,
       Argb(alpha), 0, P);
  Quad(Main(), g.font, X, Y - 10.0f, 512, 10, 0, 470, 512, 10, Argb(alpha), 0, P);
  Quad(Main(), g.font, X + 128.0f, Y - 32.0f, 512, 32, 0, 416, 512, 32, Argb(alpha), 0, P);
  char score[11];
  FormatRankingScore(static_cast<uint64_t>(row.scoreHigh) << 32 | row.scoreLow, score);
  DrawSmallText(X + 56.0f, Y, score, 10, 15, alpha, P);
  DrawSmallText(X + 220.0f, Y, row.initials, 3, 18, alpha, P);
  Quad(Main(), g.strips[i], X + 120.0f, Y - 32.0f, 512, 32, 0, 0, 512, 32, Argb(alpha), 0, P);
  DrawNamePicture(1, row.character, X + 340.0f, Y - 37.0f, alpha, P);
  const int label = RankingTypeLabel(row.type);
  Quad(Main(), g.font, X + 438.0f, Y - 16.0f, 112, 16, 32, static_cast<float>((label + 15) * 16), 112, 16,
       Argb(alpha), 0, P);
  Quad(Main(), g.font, X + 526.0f, Y - 32.0f, 32, 32, static_cast<float>(label * 32 + 144), 240, 32, 32,
       Argb(alpha), 0, P);
  DrawColourNumber(X + 352.0f, Y - 16.0f, row.colour, alpha, P);
}

}  // namespace

void DrawRankingScreen() {
  const RankingGraphics& g = g_Graphics;
  const RankingScreenState& st = g_RankingScreen;
  const float s = st.seconds;
  if (s > 0.0f) {
    const float e = EaseIn(Clamp01(1.0f - s / 2.0f));
    const float cx = 1280.0f * e - 340.0f, cy = 900.0f * e + 240.0f;
    Quad(Main(), g.circle[0], cx - 512.0f, cy - 512.0f, 1024, 1024, 0, 0, 1024, 1024, Argb(255), 0, 512,
         kBlendAdd);
    const float y = 16.0f - 72.0f * EaseOut(Clamp01(1.0f - 2.0f * s));
    Quad(Main(), g.title01, 0, y, 640, 64, 0, 0, 640, 64, Argb(255), 0, 523);
    const float k = Clamp01(1.0f - 2.0f * (s - 0.5f));
    const float h = (1.0f - k) * 64.0f;
    Quad(Main(), g.title00, 48.0f + 640.0f * k, y + 32.0f - h / 2.0f, 256, h, 0, 0, 256, 64, Argb(255), 0,
         524);
  }
  if (s > 2.5f) DrawChampion(s);
  if (s > 0.0f)
    for (int i = 1; i < kRankingRows; ++i) DrawRow(i, s, st.scroll);
  Fill(Main(), 0, 0, 640, 480, Argb(128, 0), 512);
  DrawCharaSelectScreen(BackgroundFrame());
}

int RankingSceneStep() {
  RankingScreenState& s = g_RankingScreen;
  if (g_SceneEnter) {
    for (CreditPlayer& p : g_CreditState.players) {
      p.joined = p.joinMode = p.continueState = p.continueTimer = p.playTimeOpen = 0;
    }
    ApplySoundVolumes();
    if (g_PlayData)
      std::copy(std::begin(g_PlayData->ranking.rows), std::end(g_PlayData->ranking.rows), s.rows);
    else
      std::fill(std::begin(s.rows), std::end(s.rows), RankingRow{});
    LoadRankingGraphics();
    g_SceneEnter = 0;
    StopBgm();
    InitRankingScreen();
  }
  PollSceneInput();
  {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    for (GrpDrawList& l : g_Graphics.lists)
      if (l.slots) ResetDrawList(&l);
  }
  StepRankingBackground();
  ++s.frames;
  s.seconds = static_cast<float>(s.frames) / 60.0f;
  int result = 1;
  if (!GetOnlineModeManager().IsConnectionLost() && g_AppJoystick) {
    int d = 0;
    uint32_t pressed = 0;
    g_AppJoystick->GetAllPlayersMenuInput(&d, &pressed, nullptr, 0);
    const int32_t button = d == 0 && pressed != 0 ? 1 : 0;
    if (g_RankingFromMenu == 1) {
      if (d == 8) ++s.scroll;
      if (d == 2) --s.scroll;
      s.scroll = std::clamp(s.scroll, -48, 0);
      s.exitWord = button;
    } else if (IsAnyStartOrButtonInput()) {
      // A start press or a credit (or player 1's or 2's button) leaves at once.
      s.exitWord = static_cast<int32_t>(static_cast<uint32_t>(button) | 0x80000000u);
      result = 2;
    } else {
      s.exitWord = button;
    }
  }
  DrawRankingScreen();
  const bool stay = (g_RankingFromMenu == 1 || s.seconds <= 10.0f) && s.exitWord >= 0 &&
                    (s.seconds <= 1.0f || s.exitWord == 0);
  if (stay) return 0;
  FreeRankingGraphics();
  StopBgm();
  FreeBgm();
  return result;
}

int RankingScene(int /*keepRunning*/) {
  const int r = RankingSceneStep();
  if (r == 0) return 1;
  if (g_AttractDemo == 1) {
    ++g_AttractRankingCount;
    if (g_AttractRankingCount < 3) {
      g_TitleSkipIntro = r == 2 ? 1 : 0;
      ChangeScene(SCENE_TITLE);
      return 1;
    }
    g_AttractDemo = 0;
    g_AttractRankingCount = 0;
  }
  if (g_RankingReturnScene == SCENE_MAIN_MENU)
    ReturnToMainMenu();
  else
    ChangeScene(SCENE_BOOT);
  return 1;
}

namespace {

void LeaveRankingScene() {
  FreeRankingGraphics();
  FreeCharaSelectScreen();
}

}  // namespace

void InstallRankingScene() { RegisterScene(SCENE_RANKING, {RankingScene, LeaveRankingScene}); }
