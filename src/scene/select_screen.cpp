// The character select's screen: its sheets and animated values, the per-frame update in its
// fixed order, and the draw of the background, header, fades, time limit, side panels, exit
// fade, message windows, stage select and operator texts. The moving decorations, the grid,
// the colour lists and the style disks are in select_screen_parts.cpp.
#include "scene/select_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Text/system_font.h"
#include "app/save_data.h"
#include "scene/calc_ease.h"
#include "scene/chara_preview.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/select_screen_layout.h"
#include "scene/select_screen_parts.h"
#include "scene/stage_select.h"

float g_SelectTimeLimit = -1.0f;
float g_SelectExitFade = 0.0f;
float g_SelectOpeningFadeIn = 0.0f;
bool g_SelectGridReady = false;

CCharaSelectCursorTexture g_CharaSelectCursorTexture;
CCharaSelectBgPartsTexture g_CharaSelectPartsTexture;

namespace L = select_layout;

namespace select_screen {

TextureHandle* LoadSheet(const char* format, int number) {
  char path[128];
  std::snprintf(path, sizeof path, format, kSelectSheetFolder, number);
  return LoadTexture(path);
}

void Quad(TextureHandle* t, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
          uint32_t colour, uint32_t specular, int priority) {
  // A missing sheet draws nothing: a null texture would be a plain quad of the colour.
  if (t == nullptr) return;
  DrawSprite(nullptr, t, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
             static_cast<int32_t>(h), sx, sy, sw, sh, colour, specular, priority);
}

void Piece(TextureHandle* t, float x, float y, const L::Piece& p, uint32_t colour, int priority,
           uint32_t specular) {
  Quad(t, x, y, static_cast<float>(p.w), static_cast<float>(p.h), static_cast<float>(p.x),
       static_cast<float>(p.y), static_cast<float>(p.w), static_cast<float>(p.h), colour, specular, priority);
}

void Turned(TextureHandle* t, float x, float y, float w, float h, float pivotX, float pivotY, float sx,
            float sy, float sw, float sh, float rotX, float rotY, float rotZ, uint32_t colour,
            uint32_t specular, int priority) {
  if (t == nullptr) return;
  DrawSprite3D(nullptr, t, static_cast<int32_t>(x), static_cast<int32_t>(y), 0, static_cast<int32_t>(w),
               static_cast<int32_t>(h), pivotX, pivotY, sx, sy, sw, sh, rotX, rotY, rotZ, colour, specular,
               priority);
}

float SinDegrees(float degrees) { return std::sin(degrees * static_cast<float>(std::numbers::pi) / 180.0f); }

float SlideCurve(float t) {
  return (std::cos(static_cast<float>(std::numbers::pi) * (1.0f + t)) + 1.0f) / 2.0f;
}

uint32_t Alpha(float a) { return static_cast<uint32_t>(std::clamp(a, 0.0f, 1.0f) * 255.0f) << 24; }

uint32_t Grey(float level, float alpha) {
  return Alpha(alpha) | static_cast<uint32_t>(std::clamp(level, 0.0f, 1.0f) * 255.0f) * 0x010101u;
}

}  // namespace select_screen

using namespace select_screen;

namespace {

CharaSelectScreen g_Screen;

void Step(float& v, float by, float lo, float hi) { v = std::clamp(v + by, lo, hi); }

}  // namespace

CharaSelectScreen& GetCharaSelectScreen() { return g_Screen; }

// ---- texture holders ----

CCharaSelectCommonTexture::~CCharaSelectCommonTexture() { Free(); }
void CCharaSelectCommonTexture::Free() {
  FreeTexture(texture);
  texture = nullptr;
}
void CCharaSelectCursorTexture::Load() {
  Free();
  texture = LoadSheet("%scsel_Cursor00", 0);
}
void CCharaSelectBgPartsTexture::Load() {
  Free();
  texture = LoadSheet("%scsel_Part00", 0);
}

// ---- background (both modes) ----

void LoadSelectBackground(int mode) {
  ReleaseSelectBackground();
  CharaSelectSheets& s = g_Screen.sheets;
  for (int i = 0; i < 2; ++i) {
    s.background[i] = LoadSheet("%scsel_bg%02d", i);
    s.colourMask[i] = LoadSheet("%scolor_mask%02d", i);
  }
  if (mode == 0)
    s.styleLegend = LoadSheet(GetSelectLanguage() == 1 ? "%scsel_Style00_eng" : "%scsel_Style00", 0);
  g_Screen.background = SelectBackgroundValues{};
}

void ReleaseSelectBackground() {
  CharaSelectSheets& s = g_Screen.sheets;
  for (TextureHandle** t :
       {&s.background[0], &s.background[1], &s.colourMask[0], &s.colourMask[1], &s.styleLegend}) {
    FreeTexture(*t);
    *t = nullptr;
  }
}

void DrawSelectBackground() {
  const CharaSelectSheets& s = g_Screen.sheets;
  const SelectBackgroundValues& b = g_Screen.background;
  const uint32_t grey = Grey(b.brightness, 1.0f);
  for (int i = 0; i < 2; ++i) {
    TextureHandle* t = s.background[i];
    if (t == nullptr) continue;
    const float w = static_cast<float>(HandleTexture(t)->Width()),
                h = static_cast<float>(HandleTexture(t)->Height());
    Quad(t, i == 0 ? 0.0f : 64.0f, -(i == 0 ? b.scrollA : b.scrollB), w, h, 0, 0, w, h, grey, 0, 256 + i);
  }
  if (TextureHandle* m = s.colourMask[0]) {
    const float w = static_cast<float>(HandleTexture(m)->Width()),
                h = static_cast<float>(HandleTexture(m)->Height());
    Quad(m, 0, 224, 640, 320, 0, 0, w, h, grey, 0, 264);
  }
}

// ---- load and free ----

void LoadCharaSelectScreen(int mode) {
  FreeCharaSelectScreen();
  g_Screen = CharaSelectScreen{};
  g_Screen.mode = mode;
  LoadSelectBackground(mode);
  LoadSelectChains();
  if (mode == 0) {
    g_CharaSelectPartsTexture.Load();
    g_CharaSelectCursorTexture.Load();
    LoadSelectParts();
  }
  g_SelectGridReady = false;
}

void FreeCharaSelectScreen() {
  ReleaseSelectBackground();
  ReleaseSelectChains();
  ReleaseSelectParts();
  g_CharaSelectPartsTexture.Free();
  g_CharaSelectCursorTexture.Free();
}

// ---- update ----

void UpdateCharaSelectScreen(const CharaSelectScreenFrame& f) {
  CharaSelectScreen& s = g_Screen;
  // 1. Previews.
  if (s.mode == 0) UpdateCharaPreviews(g_SelectGridReady);
  // 2. Background values; header and panels in the select only.
  SelectBackgroundValues& b = s.background;
  Step(b.scrollA, 0.5333f, 0.0f, 160.0f);
  Step(b.scrollB, 0.375f, 0.0f, 180.0f);
  Step(b.brightness, 1.0f / 600.0f, 0.0f, 1.0f);
  Step(b.openingFade, -1.0f / 30.0f, 0.0f, 1.0f);
  if (s.mode == 0) {
    if (f.frame > 120) Step(s.headerFirst, 1.0f / 16.0f, 0.0f, 1.0f);
    if (f.frame > 80) {
      Step(s.headerSecond, 1.0f / 16.0f, 0.0f, 1.0f);
      Step(s.headerGlow, -1.0f / 32.0f, 0.0f, 1.0f);
    }
    if (f.frame > 120) Step(s.headerThird, 1.0f / 24.0f, 0.0f, 1.0f);
    for (int side = 0; side < 2; ++side)
      Step(s.sidePanel[side], g_CharaSelectSides[side].phase > 0 ? 1.0f / 16.0f : -1.0f / 16.0f, 0.0f, 1.0f);
  }
  UpdateSelectChains();
  if (s.mode != 0) return;
  // 3. The time limit runs and the time shows only while nobody waits on a box and the grid is
  // open. A negative limit means none: it stays as it is (taken down to 0 it would decide for
  // every side as soon as the grid opened).
  if (!f.boxOpen && g_SelectGridReady) {
    if (g_SelectTimeLimit > 0.0f) g_SelectTimeLimit = std::max(0.0f, g_SelectTimeLimit - 1.0f / 60.0f);
    Step(g_SelectOpeningFadeIn, 1.0f / 30.0f, 0.0f, 1.0f);
  }
  // 4-9. Particles, chains (above), effects, the grid, the disks and the colour lists.
  UpdateSelectParticles(f.frame);
  UpdateSelectEffects(f.frame);
  UpdateSelectGrid(f.frame);
  UpdateSelectDisks(f);
  UpdateSelectColourLists(f);
}

// ---- draw ----

namespace {

void DrawHeader(const CharaSelectScreenFrame& f) {
  TextureHandle* parts = g_CharaSelectPartsTexture.texture;
  const CharaSelectScreen& s = g_Screen;
  Piece(parts, 0, 20, L::kHeaderFirst[0], Alpha(s.headerFirst) | 0xFFFFFF, 456, 0);
  Piece(parts, 416, 20, L::kHeaderFirst[1], Alpha(s.headerFirst) | 0xFFFFFF, 456, 0);
  Piece(parts, 224, 20, L::kHeaderSecond, Alpha(s.headerSecond) | 0xFFFFFF, 456,
        static_cast<uint32_t>(s.headerGlow * 255.0f) * 0x010101u);
  // The tabs come in from the screen's edges: 64 pixels out at the start, home at the end.
  const float offset = SlideCurve(1.0f - s.headerThird) * 64.0f;
  const float tabX[2] = {8.0f - offset, 520.0f + offset};
  for (int side = 0; side < 2; ++side) {
    Piece(parts, tabX[side], 86, L::kHeaderTabs[side], Alpha(s.headerThird) | 0xFFFFFF, 456, 0);
    if (!f.onlineMatch) continue;
    const char* plate = GetOnlineModeManager().NamePlate(side);
    if (plate != nullptr && plate[0] != '\0')
      vt::text::DrawSysFontText(static_cast<int>(tabX[side]) + (side == 0 ? 0 : -4), 104, plate, 255,
                                static_cast<int>(s.headerThird * 255.0f), 200, 1, 14, 24, 11, 1);
  }
}

void DrawOpening() {
  const float fade = g_Screen.background.openingFade;
  if (fade <= 0.0f) return;
  if (g_ChallengeState == 0 || g_ChallengeState == 255 || g_CaptureTarget == nullptr) {
    DrawRect(nullptr, 0, 0, 640, 480, Alpha(fade), Alpha(fade), Alpha(fade), Alpha(fade), 512);
    return;
  }
  // A challenger match opens on the last battle picture, whose four quarters fly apart.
  const float e = CalcEase(2, 1.0f - fade);
  for (int q = 0; q < 4; ++q) {
    const float qx = static_cast<float>(q % 2), qy = static_cast<float>(q / 2);
    const float dx = (qx * 2.0f - 1.0f) * 320.0f * e, dy = (qy * 2.0f - 1.0f) * 240.0f * e;
    Quad(g_CaptureTarget, qx * 320.0f + dx, qy * 240.0f + dy, 320, 240, qx * 320.0f, qy * 240.0f, 320, 240,
         0xFFFFFFFFu, 0, 456);
  }
}

void DrawTimeLimit() {
  TextureHandle* parts = g_CharaSelectPartsTexture.texture;
  const float alpha = g_SelectOpeningFadeIn;
  Piece(parts, 272, 336, L::kTimeLabel, Alpha(alpha) | 0xFFFFFF, 456, 0);
  if (g_SelectTimeLimit < 0.0f) {
    Piece(parts, 320.0f - L::kInfinity.w / 2.0f, 352, L::kInfinity, Alpha(alpha) | 0xFFFFFF, 456, 0);
    return;
  }
  char text[8];
  FormatSelectTime(g_SelectTimeLimit, text);
  const uint32_t colour = SelectTimeColour(g_SelectTimeLimit, alpha);
  const int count = static_cast<int>(std::strlen(text));
  float x = static_cast<float>((649 - 21 * count) / 2);
  for (int i = 0; i < count; ++i) {
    const bool point = text[i] == '.';
    const float sx =
        point ? static_cast<float>(L::kTimePointX) : static_cast<float>((text[i] - '0') * L::kTimeDigitW);
    Quad(parts, x, 352, L::kTimeDigitW, L::kTimeDigitH, sx, L::kTimeDigitY, L::kTimeDigitW, L::kTimeDigitH,
         colour, 0, 456);
    x += point ? 12.0f : 21.0f;
  }
}

void DrawSidePanels() {
  TextureHandle* mask = g_Screen.sheets.colourMask[1];
  if (mask == nullptr) return;
  const float w = static_cast<float>(HandleTexture(mask)->Width()),
              h = static_cast<float>(HandleTexture(mask)->Height());
  for (int side = 0; side < 2; ++side) {
    const float push = SlideCurve(1.0f - g_Screen.sidePanel[side]) * 256.0f;
    if (side == 0)
      Quad(mask, -push, 0, 256, 480, 0, 0, w, h, 0xFFFFFFFFu, 0, 264);
    else
      Quad(mask, 384.0f + push, 0, 256, 480, w, 0, -w, h, 0xFFFFFFFFu, 0, 264);
  }
}

void DrawCentredText(int y, const char* text) {
  const int width = static_cast<int>(std::strlen(text)) * 11;
  vt::text::DrawSysFontText(320 - width / 2, y, text, 255, 255, 900, 1, 14, 24, 11, 1);
}

void DrawOperatorTexts() {
  if (g_GameData == nullptr) return;
  char line[32];
  // Kept as it stands: the stage-limit word is the record's reserved word, which must be 0 for
  // a valid record, so the line never shows in practice.
  const bool stageLimit = g_GameData->reserved != 0;
  if (stageLimit) {
    std::snprintf(line, sizeof line, "%d STAGE LIMIT", 5);
    DrawCentredText(454, line);
  }
  const int y = stageLimit ? 436 : 454;
  static constexpr int kWins[4] = {3, 5, 8, 10};
  const int mode = g_GameData->ConfigMode;
  if (mode == 1) {
    DrawCentredText(y, "EVENT MODE");
  } else if (mode >= 2 && mode <= 5) {
    std::snprintf(line, sizeof line, "VS %dWIN LIMIT", kWins[mode - 2]);
    DrawCentredText(y, line);
  }
}

}  // namespace

void DrawCharaSelectScreen(const CharaSelectScreenFrame& f) {
  const CharaSelectScreen& s = g_Screen;
  if (s.mode != 0) {
    DrawSelectBackground();
    DrawSelectChains();
    return;
  }
  // 1. Previews.
  DrawCharaPreviews();
  // 2. Background and header.
  DrawSelectBackground();
  DrawHeader(f);
  // 3. Opening.
  DrawOpening();
  // 4. Time limit.
  if (g_SelectGridReady) DrawTimeLimit();
  // 5. Side panels.
  DrawSidePanels();
  // 6. Particles, chains, effects, grid, disks, colour lists.
  DrawSelectParticles();
  DrawSelectChains();
  DrawSelectEffects();
  DrawSelectGrid();
  DrawSelectDisks(f);
  DrawSelectColourLists(f);
  // 7. Exit fade.
  if (g_SelectExitFade > 0.0f) {
    const uint32_t c = Alpha(g_SelectExitFade) | 0xFFFFFFu;
    DrawRect(nullptr, 0, 0, 640, 480, c, c, c, c, 512);
  }
  // 8. The online message windows, then the stage select.
  if (f.onlineMatch && f.messageWindows != nullptr) f.messageWindows->Draw();
  DrawStageSelect(f.stageSelectShowing);
  // 9. Operator texts.
  DrawOperatorTexts();
}

// ---- time text ----

void FormatSelectTime(float seconds, char out[8]) {
  // In hundredths, so that the largest time shown is 99.99 itself.
  const float scaled = std::clamp(seconds, 0.0f, 100.0f) * 100.0f;
  const int hundredths = std::clamp(static_cast<int>(scaled), 0, 9999);
  std::snprintf(out, 8, "%02d.%02d", hundredths / 100 % 100, hundredths % 100);
}

uint32_t SelectTimeColour(float seconds, float alpha) {
  // Red as time runs out: below 10 seconds green and blue fall off once a second, below 5
  // twice a second.
  float level = 1.0f;
  if (seconds >= 0.0f && seconds < 5.0f)
    level = seconds * 2.0f - std::floor(seconds * 2.0f);
  else if (seconds >= 0.0f && seconds < 10.0f)
    level = seconds - std::floor(seconds);
  const uint32_t gb = static_cast<uint32_t>(level * 255.0f);
  return Alpha(alpha) | 0xFF0000u | gb << 8 | gb;
}
