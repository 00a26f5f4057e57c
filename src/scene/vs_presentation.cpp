// The VS presentation (see vs_presentation.h): VsInfo from the selections, the textures, the clock,
// the cut-in composition in two private lists and render targets, and the drawing.
#include "scene/vs_presentation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/app_config.h"
#include "app/file_loader.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "platform/gfx/gfx_types.h"
#include "scene/calc_ease.h"

VsInfo g_VsInfo;
float g_VsScreenTime = 0.0f;
int32_t g_VsScreenFrames = 0;
int32_t g_VsScreenFinished = 0;

namespace {

constexpr uint8_t kBlendAlpha = 1;
// Keeps the colour and multiplies the target's alpha by 1 - source alpha: the cut-ins' mask.
constexpr uint8_t kBlendMask = 6;
constexpr uint8_t kFilterLinear = 2;
constexpr float kFrame = 1.0f / 60.0f;
constexpr uint32_t kBlack = 0x000000u;
constexpr uint32_t kWhite = 0xFFFFFFu;

constexpr char kFolder[] = ".\\grp\\vsdemo_QZ\\";

struct VsPresentation {
  VsSidePictures side[2];
  TextureHandle* bar = nullptr;
  TextureHandle* styleSheet = nullptr;
  TextureHandle* numberSheet = nullptr;
  TextureHandle* band = nullptr;
  TextureHandle* cutBackground = nullptr;
  TextureHandle* still = nullptr;
  GrpDrawList lists[2];
  MovieTextures movie;
  bool movieOpen = false;
};
VsPresentation g_vs;

// The picture path of character `chara` (a "%02d" name, with `extra` for a second number); false
// for a character the list does not hold, so no file of an unchecked number is ever opened.
// `mystery` names the "99" picture of a hidden side instead.
bool CharaPicture(char* out, size_t size, const char* format, int chara, int extra, bool mystery) {
  if (mystery) {
    chara = 99;
    extra = 0;
  } else if (GetCharaListEntry(chara) == nullptr) {
    return false;
  }
  char name[96];
  std::snprintf(name, sizeof name, format, chara, extra);
  std::snprintf(out, size, "%s%s", kFolder, name);
  return true;
}

TextureHandle* ReadTexture(const char* base, uint32_t format) {
  CFileLoader loader;
  if (!OpenImageFile(base, &loader)) return nullptr;
  DataBuffer bytes = loader.TakeBuffer();
  if (!bytes || bytes.size() == 0) return nullptr;
  return CreateTextureFromMemory(bytes.data(), bytes.size(), nullptr, 0, format);
}

TextureHandle* ReadChara(const char* format, int chara, int extra = 0, bool mystery = false) {
  char path[160];
  if (!CharaPicture(path, sizeof path, format, chara, extra, mystery)) return nullptr;
  return ReadTexture(path, 0);
}

void Free(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

uint32_t Colour(float alpha, uint32_t rgb) {
  const float a = std::clamp(alpha, 0.0f, 255.0f);
  return (static_cast<uint32_t>(a) << 24) | rgb;
}

// Queues a sprite (a missing picture is not drawn: a null texture would draw a plain quad);
// `mirror` flips it left to right.
void Sprite(GrpDrawList* list, TextureHandle* t, float x, float y, float w, float h, float sx, float sy,
            float sw, float sh, uint32_t colour, int32_t priority, bool mirror = false,
            uint8_t blend = kBlendAlpha) {
  if (!t || !list || !list->slots) return;
  const uint8_t b = g_DrawBlendMode;
  g_DrawBlendMode = blend;
  if (mirror) {
    sx += sw;
    sw = -sw;
  }
  DrawSprite(list, t, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
             static_cast<int32_t>(h), sx, sy, sw, sh, colour, 0, priority);
  g_DrawBlendMode = b;
}

void Rect(GrpDrawList* list, float x, float y, float w, float h, uint32_t colour, int32_t priority) {
  if (!list || !list->slots) return;
  const uint8_t b = g_DrawBlendMode;
  g_DrawBlendMode = kBlendAlpha;
  DrawRect(list, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
           static_cast<int32_t>(h), colour, colour, colour, colour, priority);
  g_DrawBlendMode = b;
}

// The phase 0..1 of `t` over the window [from, to); negative outside it.
float Phase(float t, float from, float to) {
  if (t < from || t >= to) return -1.0f;
  return (t - from) / (to - from);
}

// ---- Loading ----

void LoadCutIns() {
  for (int s = 0; s < 2; ++s) {
    const VsInfoEntry& e = g_VsInfo.entries[s];
    VsSidePictures& p = g_vs.side[s];
    p.cut = ReadChara("vs_cut\\vs_cut%02d", e.character);
    char mask[160];
    std::snprintf(mask, sizeof mask, "%svs_mask%02d", kFolder, s);
    p.mask = ReadTexture(mask, vt::gfx::FMT_A8);
    if (g_D3DDevice) {
      auto device = LockD3DDevice();
      p.target = CreateRenderTargetTexture(256, 512, vt::gfx::FMT_A8R8G8B8);
    }
    CreateDrawList(&g_vs.lists[s], 10, 10);
    GrowDrawCommandPool(&g_vs.lists[s], 64);
  }
  char path[160];
  std::snprintf(path, sizeof path, "%svs_black00", kFolder);
  g_vs.band = ReadTexture(path, 0);
  std::snprintf(path, sizeof path, "%svs_cutbg00", kFolder);
  g_vs.cutBackground = ReadTexture(path, 0);
}

void LoadPortraits() {
  for (int s = 0; s < 2; ++s) {
    const VsInfoEntry& e = g_VsInfo.entries[s];
    VsSidePictures& p = g_vs.side[s];
    char path[160];
    if (GetCharaListEntry(e.character)) {
      std::snprintf(path, sizeof path, ".\\grp\\c_sel_QZ\\Chara\\csel_c%02d", e.character);
      p.portrait = ReadTexture(path, 0);
    }
    p.flash = ReadChara("vs_flash\\vs_fl%02d", e.character);
    p.plate = ReadChara("vs_name00\\vs_name00_%02d", e.character, 0, e.hidden != 0);
  }
}

void LoadPanels() {
  char path[160];
  std::snprintf(path, sizeof path, "%svs_ber00", kFolder);
  g_vs.bar = LoadTexture(path);
  std::snprintf(path, sizeof path, "%svs_style00", kFolder);
  g_vs.styleSheet = LoadTexture(path);
  std::snprintf(path, sizeof path, "%svs_color00", kFolder);
  g_vs.numberSheet = LoadTexture(path);
  const bool english = GetSelectLanguage() == 1;
  for (int s = 0; s < 2; ++s) {
    const VsInfoEntry& e = g_VsInfo.entries[s];
    VsSidePictures& p = g_vs.side[s];
    p.name = ReadChara("vs_name01\\vs_name01_%02d", e.character, 0, e.hidden != 0);
    p.colourStrip = ReadChara("vs_color\\vs_chcolor%02d", e.character);
    p.commandList =
        ReadChara(english ? "vs_command\\eng\\vs_com%02d_%01d" : "vs_command\\jpn\\vs_com%02d_%01d",
                  e.character, VsCommandListIndex(e.type), e.hidden != 0);
  }
}

void LoadStill() {
  g_vs.still = LoadTexture(".\\dat\\vs_nomovieBG");
  StopBgm();
  if (LoadBgm(kVsBgm)) StartBgm();
}

// ---- Drawing ----

void RenderVsCutIns() {
  const float c = g_VsScreenTime - 4.0f;
  for (int s = 0; s < 2; ++s) {
    GrpDrawList* L = &g_vs.lists[s];
    if (!L->slots) continue;
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      ResetDrawList(L);
    }
    const VsSidePictures& p = g_vs.side[s];
    const bool hidden = g_VsInfo.entries[s].hidden != 0;
    // The opaque black is the frame's clear and draws first; the picture and bands go over it;
    // the mask draws last and takes the coverage away where its alpha is high. (Drawn in the
    // order written, the black and the mask would hide or erase everything they are meant to
    // frame.)
    Rect(L, 0, 0, 256, 512, 0xFF000000u, 0);
    Sprite(L, p.mask, 0, 0, 256, 512, 0, 0, 256, 512, 0xFFFFFFFFu, 9, false, kBlendMask);
    for (float start : {0.0f, 4.1f}) {
      const float b = c - start;
      if (b < 0.0f || b >= 1.0f || !g_vs.band) continue;
      const float d = 2200.0f * b;
      // sin and -cos of 195 degrees.
      const float x = -0.25881904f * d, y = 0.96592583f * d;
      const float px = s == 0 ? x + 128.0f : 128.0f - x;
      const float py = s == 0 ? y : 480.0f - y;
      const uint8_t blend = g_DrawBlendMode;
      g_DrawBlendMode = kBlendAlpha;
      const uint8_t filter = g_DrawFilterMode;
      g_DrawFilterMode = kFilterLinear;
      DrawSprite3D(L, g_vs.band, static_cast<int32_t>(px), static_cast<int32_t>(py), 0, 1024, 256, 0.0f,
                   128.0f, 0.0f, 0.0f, 512.0f, 256.0f, 0.0f, 0.0f, s == 0 ? 285.0f : 105.0f, 0xFFFFFFFFu, 0,
                   8);
      g_DrawBlendMode = blend;
      g_DrawFilterMode = filter;
    }
    const float h = c - 0.4f;
    if (h >= 0.0f && h < 4.0f) {
      Sprite(L, g_vs.cutBackground, 0, 0, 256, 512, 0, 0, 256, 512, 0xFFFFFFFFu, 1);
      const float y = s == 0 ? -32.0f * h / 4.0f : 32.0f * h / 4.0f - 32.0f;
      Sprite(L, p.cut, 0, y, 256, 512, 0, 0, 256, 512, Colour(255.0f, hidden ? kBlack : kWhite), 2, s == 1);
    }
  }
}

void DrawVsCutIns() {
  for (int s = 0; s < 2; ++s) {
    GrpDrawList& L = g_vs.lists[s];
    TextureHandle* target = g_vs.side[s].target;
    if (!L.slots) continue;
    if (g_D3DDevice && target) {
      auto device = LockD3DDevice();
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      D3DSurface* saved[3];
      SaveRenderTargets(saved);
      g_D3DDevice->SetRenderTarget(0, HandleTexture(target));
      g_D3DDevice->SetRenderTarget(1, nullptr);
      g_D3DDevice->SetRenderTarget(2, nullptr);
      RunDrawList(&L);
      RestoreRenderTargets(saved);
      ReleaseRenderTargets(saved);
    }
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      ResetDrawList(&L);
    }
    Sprite(&g_MainDrawList, target, s == 0 ? 0.0f : 384.0f, 0, 256, 512, 0, 0, 256, 512, 0xFFFFFFFFu, 10);
  }
}

void DrawFlashesAndPortraits() {
  const float t = g_VsScreenTime;
  for (int s = 0; s < 2; ++s) {
    const VsSidePictures& p = g_vs.side[s];
    const uint32_t tint = g_VsInfo.entries[s].hidden ? kBlack : kWhite;
    if (float f = Phase(t, 0.5f, 1.3f); f >= 0.0f) {
      const float a = f < 0.1f ? 255.0f * f / 0.1f : 255.0f * (1.0f - (f - 0.1f) / 0.9f);
      const float x = s == 0 ? -96.0f * f : 128.0f + 96.0f * f;
      Sprite(&g_MainDrawList, p.flash, x, 0, 512, 512, 0, 0, 512, 512, Colour(a, tint), 50, s == 1);
    }
    if (float f = Phase(t, 0.7f, 4.2f); f >= 0.0f) {
      float e = 172.0f, a = 255.0f;
      if (f < 0.1f) {
        const float k = CalcEase(3, f / 0.1f);
        e = 172.0f * k;
        a = 255.0f * k;
      }
      if (f >= 0.9f) a = 255.0f * (1.0f - (f - 0.9f) / 0.1f);
      const float x = s == 0 ? 128.0f - 32.0f * f - e : 32.0f * f + e;
      Sprite(&g_MainDrawList, p.portrait, x, 0, 512, 512, 0, 0, 512, 512, Colour(a, tint), 51, s == 1);
      float l = 32.0f, la = 255.0f;
      if (f < 0.2f) {
        const float k = CalcEase(3, f / 0.2f);
        l = 32.0f * k;
        la = 255.0f * k;
      }
      if (f >= 0.8f) la = 255.0f * (1.0f - (f - 0.8f) / 0.2f);
      const float px = s == 0 ? 64.0f * f + l : 128.0f - 64.0f * f - l;
      Sprite(&g_MainDrawList, p.plate, px, s == 0 ? 16.0f : 416.0f, 512, 48, 0, 0, 512, 48,
             Colour(la, kWhite), 52);
    }
  }
}

void DrawVsInfoPanels() {
  const float q = g_VsScreenTime - 4.0f;
  if (q < 0.0f || q >= 4.5f) return;
  const float n = q / 4.5f;
  const bool english = GetSelectLanguage() == 1;
  GrpDrawList* M = &g_MainDrawList;
  for (int s = 0; s < 2; ++s) {
    const VsInfoEntry& e = g_VsInfo.entries[s];
    const VsSidePictures& p = g_vs.side[s];
    const float x0 = s == 0 ? -128.0f : (english ? 160.0f : 256.0f);
    const float y0 = s == 0 ? 324.0f : 32.0f;
    const VsPanelSlide r0 = CalcVsPanelSlide(s, 0, n);
    const float nameX = x0 + r0.offset + 40.0f + (s == 0 ? 80.0f : 0.0f);
    const uint32_t c0 = Colour(r0.alpha, kWhite);
    Sprite(M, p.name, nameX, y0, 256, 32, 0, 0, 256, 32, c0, 51);
    // The colour number (colour + 1, two digits) after its label, and the colour's strip.
    const float cx = nameX + 256.0f;
    Sprite(M, g_vs.numberSheet, cx, y0 + 10.0f, 64, 16, 0, 0, 64, 16, c0, 51);
    const int number = std::clamp(e.colour + 1, 0, 99);
    const int digits[2] = {number / 10, number % 10};
    for (int i = 0; i < 2; ++i) {
      const int d = digits[i];
      Sprite(M, g_vs.numberSheet, cx + (i == 0 ? 44.0f : 58.0f), y0 + 10.0f, 16, 16,
             static_cast<float>(d % 4 * 16), static_cast<float>((d / 4 + 1) * 16), 16, 16, c0, 51);
    }
    const int k = std::clamp(e.colour, 0, 63);
    Sprite(M, p.colourStrip, nameX + 226.0f, y0 + 20.0f, 128, 8, static_cast<float>(k / 32 * 128),
           static_cast<float>(k % 32 * 8), 128, 8, c0, 50);
    // The style: caption and art.
    const VsPanelSlide r1 = CalcVsPanelSlide(s, 1, n);
    const uint32_t c1 = Colour(r1.alpha, kWhite);
    const int style = VsStyleIndex(e.type);
    const float capX = x0 + r1.offset + 112.0f + (s == 0 ? 128.0f : 0.0f);
    Sprite(M, g_vs.styleSheet, capX, y0 + 24.0f, 160, 24, 0, static_cast<float>(style * 24), 160, 24, c1, 51);
    Sprite(M, g_vs.styleSheet, capX + 40.0f, y0 + 24.0f - 50.0f, 80, 80, static_cast<float>(style % 3 * 80),
           static_cast<float>(96 + style / 3 * 80), 80, 80, c1, 51);
    const VsPanelSlide r2 = CalcVsPanelSlide(s, 2, n);
    Sprite(M, g_vs.bar, x0 + r2.offset, y0 + 44.0f, 512, 8, 0, 0, 512, 8, Colour(r2.alpha, kWhite), 50);
    for (int row = 0; row < 4; ++row) {
      const VsPanelSlide r = CalcVsPanelSlide(s, 3 + row, n);
      const float x = x0 + r.offset + (s == 0 ? 160.0f : 80.0f) - 5.0f * static_cast<float>(row);
      Sprite(M, p.commandList, x, y0 + 52.0f + 20.0f * static_cast<float>(row), 512, 20, 0,
             static_cast<float>(20 * row), 512, 20, Colour(r.alpha, kWhite), 51);
    }
  }
}

void DrawStillCover() {
  const float t = g_VsScreenTime;
  float a = 0.0f;
  if (t < 0.25f)
    a = 255.0f;
  else if (t < 0.75f)
    a = 255.0f * (1.0f - (t - 0.25f) / 0.5f);
  else if (t < 8.05f)
    a = 0.0f;
  else if (t < 8.55f)
    a = 255.0f * (t - 8.05f) / 0.5f;
  else
    a = 255.0f;
  // Queued first in the shared slot, so it draws over the background queued after it.
  if (a > 0.0f) Rect(&g_MainDrawList, 0, 0, 640, 480, Colour(a, kBlack), 0);
  Sprite(&g_MainDrawList, g_vs.still, 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0);
}

}  // namespace

float NextVsClock(float clock, bool movie, bool moviePlaying, double moviePosition) {
  if (!movie) return clock + kFrame;
  if (!moviePlaying) return kVsShowLength;
  if (moviePosition < 0.0) return clock + kFrame;
  return static_cast<float>(moviePosition);
}

VsPanelSlide CalcVsPanelSlide(int side, int row, float n) {
  const float away = side == 1 ? 360.0f : -360.0f;
  const float d = n - 0.01f * static_cast<float>(row);
  if (d < 0.0f) return {away, 0.0f};
  if (d < 0.1f) return {(1.0f - CalcEase(3, d / 0.1f)) * away, 255.0f};
  if (d < 0.9f) return {0.0f, 255.0f};
  const float e = std::clamp((d - 0.9f) / 0.05f, 0.0f, 1.0f);
  const float g = CalcEase(1, e);
  return {-g * away, std::clamp(255.0f - 255.0f * g, 0.0f, 255.0f)};
}

int VsStyleIndex(int type) {
  static constexpr int kTable[10] = {0, 1, 2, 3, 0, 0, 0, 0, 2, 3};
  return type >= 0 && type < 10 ? kTable[type] : 0;
}

int VsCommandListIndex(int type) {
  static constexpr int kTable[10] = {0, 1, 2, 3, 0, 0, 0, 0, 3, 3};
  return type >= 0 && type < 10 ? kTable[type] : 0;
}

void BuildVsInfo(int hiddenSide) {
  VsInfo info;
  // Slot of selection i: its screen side. Two selections on one side (or a side outside 0..1)
  // would leave a slot empty, so then they take slots 0 and 1 in selection order.
  int slotOf[2] = {0, 1};
  const int s0 = g_PlayerSelections[0].side, s1 = g_PlayerSelections[1].side;
  if (s0 != s1 && (s0 == 0 || s0 == 1) && (s1 == 0 || s1 == 1)) {
    slotOf[0] = s0;
    slotOf[1] = s1;
  }
  for (int k = 0; k < 2; ++k) {
    const PlayerSelection& sel = g_PlayerSelections[k];
    VsInfoEntry& e = info.entries[slotOf[k]];
    e.character = sel.character;
    e.controller = sel.controller;
    e.colour = sel.color;
    e.type = sel.type;
    e.slotSide = k;
    e.hidden = slotOf[k] == hiddenSide ? 1 : 0;
  }
  for (int slot = 0; slot < 2; ++slot) {
    VsInfoEntry& e = info.entries[slot];
    // The special form shows character 1's pictures and name.
    if (g_PlayerSelections[slot].overrideMode == 1) e.character = 1;
    // An absent character has no name (and no pictures).
    if (const CharaListEntry* entry = GetCharaListEntry(e.character)) {
      std::strncpy(e.name, entry->Name, sizeof e.name - 1);
      e.name[sizeof e.name - 1] = '\0';
    }
  }
  info.count = 2;
  g_VsInfo = info;
}

void LoadVsScreen() {
  g_VsScreenFrames = 0;
  g_VsScreenFinished = 0;
  StopBgm();
  LoadCutIns();
  LoadPortraits();
  LoadPanels();
  g_VsScreenTime = 0.0f;
  g_vs.movieOpen = false;
  if (g_AppConfig.NoVsMovie == 0 && OpenMovieTexture(kVsMovie) != 0) {
    g_vs.movieOpen = true;
    CreateMovieTextures(&g_vs.movie);
    return;
  }
  // A movie that cannot be opened gets the still background and its music, as the setting does
  // (otherwise the show would be 9.4 silent seconds over a bare quad).
  if (g_vs.movieOpen) ReleaseMovie();
  LoadStill();
}

int UpdateVsScreen() {
  RenderVsCutIns();
  const bool movie = g_vs.movieOpen;
  g_VsScreenTime =
      NextVsClock(g_VsScreenTime, movie, movie && IsMoviePlaying() != 0, movie ? GetMoviePosition() : -1.0);
  ++g_VsScreenFrames;
  if (g_VsScreenTime >= kVsShowLength) g_VsScreenFinished = 1;
  return g_VsScreenFinished;
}

void DrawVsScreen() {
  if (g_vs.movieOpen)
    DrawMovieFrame(&g_vs.movie, 0);
  else
    DrawStillCover();
  DrawVsCutIns();
  DrawFlashesAndPortraits();
  DrawVsInfoPanels();
}

void FreeVsScreen() {
  for (int s = 0; s < 2; ++s) {
    VsSidePictures& p = g_vs.side[s];
    for (TextureHandle** t : {&p.name, &p.colourStrip, &p.commandList, &p.portrait, &p.flash, &p.plate,
                              &p.cut, &p.mask, &p.target})
      Free(*t);
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    DestroyDrawList(&g_vs.lists[s]);
  }
  for (TextureHandle** t :
       {&g_vs.bar, &g_vs.styleSheet, &g_vs.numberSheet, &g_vs.band, &g_vs.cutBackground, &g_vs.still})
    Free(*t);
  if (g_vs.movieOpen) ReleaseMovie();
  FreeMovieTextures(&g_vs.movie);
  g_vs.movieOpen = false;
}

bool VsScreenHasMovie() { return g_vs.movieOpen; }

const VsSidePictures& GetVsSidePictures(int side) { return g_vs.side[side == 1 ? 1 : 0]; }

TextureHandle* GetVsStillBackground() { return g_vs.still; }
