// The continue and game-over screen (see continue_screen.h).
#include "scene/continue_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "battle/battle_records.h"
#include "scene/arcade_draw.h"
#include "scene/credits.h"

ContinueScreen g_ContinueScreen;

namespace {

using arcade::Clamp01;

constexpr int kMusicCount = 82;
constexpr int kMusicGameOver = 83;
constexpr int kGameOverSound = 154;
constexpr int kNoiseStream = 1;

void PlayMusic(int n) {
  StopBgm();
  if (LoadBgm(n)) StartBgm();
}

}  // namespace

void LoadContinueGraphics() {
  FreeContinueGraphics();
  ContinueScreen& s = g_ContinueScreen;
  constexpr const char* kFolder = ".\\grp\\continue_QZ\\";
  s.countDigits = arcade::Load(".\\grp\\continue_QZ\\continue_count00");
  for (int i = 0; i < 6; ++i) s.crack[i] = arcade::LoadNumbered(kFolder, "continue_crack%02d_0", i);
  s.line = arcade::Load(".\\grp\\continue_QZ\\continue_line00");
  s.logo = arcade::Load(".\\grp\\continue_QZ\\continue_logo00");
  s.noise = arcade::Load(".\\grp\\continue_QZ\\continue_noise00");
  for (int i = 0; i < 10; ++i)
    s.breaks[i] = arcade::LoadNumbered(".\\grp\\continue_QZ\\break\\", "continue_break%02d_0", i);
  s.gameOverBlood = arcade::Load(".\\grp\\gameover_QZ\\gameover_blood00");
  s.gameOverLogo = arcade::Load(".\\grp\\gameover_QZ\\gameover_logo00");
  s.gameOverLine = arcade::Load(".\\grp\\gameover_QZ\\gameover_Line00");
}

void FreeContinueGraphics() {
  ContinueScreen& s = g_ContinueScreen;
  arcade::Free(s.countDigits);
  for (TextureHandle*& t : s.crack) arcade::Free(t);
  arcade::Free(s.line);
  arcade::Free(s.logo);
  arcade::Free(s.noise);
  for (TextureHandle*& t : s.breaks) arcade::Free(t);
  arcade::Free(s.gameOverBlood);
  arcade::Free(s.gameOverLogo);
  arcade::Free(s.gameOverLine);
}

void ResetContinueScreen() {
  ContinueScreen& s = g_ContinueScreen;
  ContinueScreen fresh;
  // The textures stay; every other field back to its start value.
  fresh.countDigits = s.countDigits;
  std::copy(std::begin(s.crack), std::end(s.crack), fresh.crack);
  fresh.line = s.line;
  fresh.logo = s.logo;
  fresh.noise = s.noise;
  std::copy(std::begin(s.breaks), std::end(s.breaks), fresh.breaks);
  fresh.gameOverBlood = s.gameOverBlood;
  fresh.gameOverLogo = s.gameOverLogo;
  fresh.gameOverLine = s.gameOverLine;
  s = fresh;
}

void UpdateContinueScreen() {
  ContinueScreen& s = g_ContinueScreen;
  if (s.time >= 0.0f) s.introTime = s.time;
  int32_t d = s.count;
  if (s.time >= 1.0f) {
    s.countTime = s.time - 1.0f;
    const float e = s.time - 1.0f - 8.0f / 60.0f;
    const float f = e < 0.0f ? 1.0f : Clamp01(1.0f - e / 10.0f);
    d = std::max(0, static_cast<int32_t>(f * 1000.0f) - s.skipPenalty);
    s.count = d;
    if (d == 1000) s.fullCountFrame = s.frames;
  }
  switch (s.state) {
    case 0:
      if (s.firstFrame) {
        PlayMusic(kMusicCount);
        s.firstFrame = 0;
      }
      if (s.introTime >= 1.0f) s.state = 1;
      break;
    case 1:
      if (s.startPressed && d > 0) {
        // A new credit starts the count again from 10.00 and forgets the speed-ups.
        s.frames = s.fullCountFrame;
        s.skipPenalty = 0;
      } else if (!s.accepted && d < 970) {
        if (d == 0) {
          s.state = 2;
        } else if (s.inputWord & kContinueButtonBit) {
          if (CanPlayerJoin(g_MainSide)) s.accepted = 1;
        } else if ((s.inputWord & kSpeedUpButtonBit) && d < 800) {
          s.skipPenalty += d % 100 + 1;  // 7.55 becomes 6.99
        }
      }
      break;
    case 2:
      s.visible = 0;
      s.state = 3;
      s.gameOverStart = s.time;
      s.gameOverTime = 0.001f;
      PlayMusic(kMusicGameOver);
      g_SeRequest[kGameOverSound] = 1;
      break;
    case 3:
      if (s.time >= s.gameOverStart) s.gameOverTime = s.time - s.gameOverStart + 0.001f;
      break;
    default:
      break;
  }
  s.startPressed = 0;
  ++s.frames;
  s.time = static_cast<float>(s.frames) / 60.0f;
}

namespace {

using arcade::Argb;
using arcade::Fill;
using arcade::kBlendAdd;
using arcade::Quad;
using arcade::White;

GrpDrawList* List() { return &g_MainDrawList; }

void DrawIntro(const ContinueScreen& s) {
  const float b = Clamp01(1.0f - s.introTime);
  const int grey = 128 + static_cast<int>(127.0f * b);
  if (TextureHandle* scene = GetSceneTarget(0))
    DrawMonoScreen(List(), scene, 0, 0, 640, 480, 0, 0, 640, 480, 0xFF000000u | White(grey), 0, b);
  const float e = Clamp01(1.0f - 2.0f * (s.introTime - 0.5f));
  Quad(List(), s.line, -512.0f * e, 210, 512, 8, 0, 0, 512, 8, 0xFFFFFFFFu, 0, 805);
  const float l = Clamp01((s.introTime - 1.0f) / (8.0f / 60.0f));
  const int m = static_cast<int>(32.0f + 96.0f * l);
  Quad(List(), s.logo, 128.0f - 1024.0f * e, static_cast<float>(176 - m / 2), 512, static_cast<float>(m), 0,
       0, 512, 128, 0xFFFFFFFFu, 0, 805);
}

void DrawDigit(const ContinueScreen& s, int n, float x, float y, bool big, uint32_t specular) {
  if (big)
    Quad(List(), s.countDigits, x, y, 64, 80, static_cast<float>(n % 8 * 64), static_cast<float>(n / 8 * 80),
         64, 80, 0xFFFFFFFFu, specular, 805);
  else
    Quad(List(), s.countDigits, x, y, 48, 64, static_cast<float>(n * 48), 160, 48, 64, 0xFFFFFFFFu, specular,
         805);
}

void DrawCount(const ContinueScreen& s) {
  const float c = static_cast<float>(1000 - s.count) / 100.0f;
  if (c >= 9.75f)
    Fill(List(), 0, 0, 640, 480, Argb(static_cast<int>(Clamp01((c - 9.75f) * 4.0f) * 255.0f)), 806);
  if (c >= 9.5f)
    Quad(List(), s.crack[5], 0, 0, 640, 480, 0, 0, 640, 480,
         Argb(static_cast<int>(Clamp01((c - 9.5f) * 2.0f) * 255.0f)), 0, 801, kBlendAdd);
  int shake = 0;
  for (const float th : {1.0f, 3.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f}) {
    if (c < th) continue;
    const float h = Clamp01(1.0f - (c - th) / (16.0f / 60.0f));
    const int l = static_cast<int>(255.0f * h);
    if (l <= 0 || l >= 255) continue;
    // Each strip takes its source row from stream 1, drawn or not.
    for (int y = 0; y < 480; y += 32) {
      const int row = RandStreamNext(kNoiseStream) % 480;
      Quad(List(), s.noise, 0, static_cast<float>(y), 640, 32, 0, static_cast<float>(row), 512, 32, Argb(l),
           0, 803, kBlendAdd);
    }
    shake = std::max(shake, l);
  }
  const int used = (1000 - s.count) / 100;
  if (used >= 5 && used - 5 <= 5) {
    const float y = static_cast<float>(shake % 2 == 0 ? shake / 16 : -shake / 16);
    Quad(List(), s.crack[used - 5], 0, y, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0, 801);
  }
  Fill(List(), 0, 0, 640, 480, Argb(static_cast<int>(Clamp01(c / 6.0f) * 255.0f), 0), 801);
  const uint32_t flash = White(static_cast<int>(255.0f * Clamp01(1.0f - 2.0f * s.countTime)));
  DrawDigit(s, s.count / 1000, 380, 216, true, flash);
  DrawDigit(s, s.count % 1000 / 100, 428, 216, true, flash);
  DrawDigit(s, 10, 476, 216, true, flash);
  DrawDigit(s, s.count % 100 / 10, 500, 234, false, flash);
  DrawDigit(s, s.count % 10, 534, 234, false, flash);
}

float EaseOut(float t) { return 1.0f - (1.0f - t) * (1.0f - t); }

void DrawGameOver(const ContinueScreen& s) {
  const float t = s.gameOverTime;
  const uint32_t flash = White(static_cast<int>(255.0f * Clamp01(1.0f - 2.0f * t)));
  Fill(List(), 0, 0, 640, 480, 0xFF000000u, 800);
  const float g = 0.8f + 0.2f * EaseOut(Clamp01(4.0f * t));
  const float w = 640.0f * g, h = 128.0f * g;
  Quad(List(), s.gameOverLogo, (640.0f - w) / 2.0f, (480.0f - h) / 2.0f, w, h, 0, 0, 640, 128, 0xFFFFFFFFu,
       flash, 804);
  const float bw = 640.0f * (0.6f + 0.4f * EaseOut(Clamp01(t / 1.5f)));
  Quad(List(), s.gameOverBlood, (640.0f - bw) / 2.0f, (480.0f - h) / 2.0f, bw, h, 0, 0, 512, 128, 0xFFFFFFFFu,
       flash, 804);
  const float lw = 640.0f * EaseOut(Clamp01(2.0f * t));
  Quad(List(), s.gameOverLine, (640.0f - lw) / 2.0f, 280, lw, 8, 0, 0, 512, 8, 0xFFFFFFFFu, flash, 804);
  const int n = static_cast<int>(20.0f * t);
  if (n >= 0 && n < 10)
    Quad(List(), s.breaks[n], 0, 0, 640, 480, 0, 0, 320, 240, 0xFFFFFFFFu, 0, 805, kBlendAdd);
}

}  // namespace

void DrawContinueScreen() {
  const ContinueScreen& s = g_ContinueScreen;
  if (s.introTime > 0.0f && s.visible) DrawIntro(s);
  if (s.countTime > 0.0f && s.visible) DrawCount(s);
  if (s.gameOverTime > 0.0f) DrawGameOver(s);
}
