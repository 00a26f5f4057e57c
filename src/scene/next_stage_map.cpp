// The next-stage screen (see next_stage_map.h).
#include "scene/next_stage_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/command_input.h"
#include "battle/story_routes.h"
#include "scene/arcade_draw.h"
#include "scene/calc_ease.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/new_challenger.h"
#include "scene/scene_battle.h"

NextStageState g_NextStage;

const int32_t g_HomeStageTable[kHomeStageCount] = {2,  18, 13, 5, 7,  8,  9, 21, 10, 4,  17, 3, 1,
                                                   6,  23, 16, 0, 12, 15, 0, 24, 0,  20, 19, 0, 25,
                                                   25, 22, 22, 1, 1,  1,  1, 1,  1,  0,  0,  1};

const int32_t MAP_POINTS[kMapPointCount][2] = {
    {346, 308}, {100, 352}, {99, 300},  {96, 274},  {247, 255}, {254, 405}, {269, 311},
    {146, 196}, {189, 347}, {204, 293}, {163, 259}, {371, 162}, {305, 125}, {300, 175},
    {306, 352}, {357, 218}, {308, 254}, {251, 202}, {204, 193}, {208, 147}, {434, 225}};

const int32_t STAGE_MAP_POINT[kStageMapPointCount] = {
    0,  0,  2,  2,  9,  2,  0,  0,  4,  1,  6,  0,  8,  19, 0,  0,  10, 10, 12, 18, 12, 14, 1,  19, 2,
    3,  5,  7,  9,  4,  5,  19, 7,  20, 0,  0,  14, 11, 13, 16, 8,  17, 15, 20, 20, 16, 15, 12, 20, 1,
    19, 5,  11, 10, 7,  20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20,
    20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};

void LookUpKeyframeSegment(KeyframeTracker& k, const float* d) {
  k.index = 0;
  k.timeInSegment = 0.0f;
  k.fraction = 0.0f;
  if (d[0] > 0.0f) {
    float c = k.start;
    for (;;) {
      if (k.current >= c && k.current < c + d[k.index]) {
        k.timeInSegment = k.current - c;
        k.fraction = (k.current - c) / d[k.index];
        break;
      }
      ++k.index;
      if (!(d[k.index] > 0.0f)) break;
      c += d[k.index - 1];
    }
  }
  if (!(d[k.index] > 0.0f) && k.index > 0) {
    --k.index;
    k.fraction = 1.0f;
    k.timeInSegment = d[k.index];
  }
}

float ComputeFadeRatio(int direction, float t, float start, float length) {
  if (length == 0.0f) return 1.0f;
  const float d = (t - start) / length;
  if (direction == 1) return t < start ? 1.0f : arcade::Clamp01(1.0f - d);
  return t < start ? 0.0f : arcade::Clamp01(d);
}

int32_t HomeStageOf(int32_t opponent) {
  // 255 names no opponent and the route may name any character up to 199: outside the table the
  // stage is 0, which lets the VS screen choose.
  if (opponent < 0 || opponent >= kHomeStageCount) return 0;
  return g_HomeStageTable[opponent];
}

int32_t MapPointOfStage(int32_t stage) {
  if (stage < 0 || stage >= kStageMapPointCount) return 0;
  return STAGE_MAP_POINT[stage];
}

void BuildNextStageRoute(NextStageRoute& r) {
  r = NextStageRoute{};
  const int side = g_MainSide < 2 ? g_MainSide : 0;
  r.character = g_PlayerSelections[side].character;
  if (const CharaListEntry* e = GetCharaListEntry(r.character))
    std::snprintf(r.name, sizeof r.name, "%s", e->Name);
  const StoryBattleRoute* route = StoryBattleRouteOfSide(side);
  if (!route) return;
  r.count = std::clamp(route->stageCount, 0, kNextStageEntries);
  r.current = route->stageIndex;
  for (int i = 0; i < r.count; ++i) {
    const RouteStage& s = route->stages[i];
    NextStageEntry& e = r.entries[i];
    e.opponent = s.opponent;
    e.hidden = s.flags & 1;
    e.stage = s.stage != 0 ? s.stage : HomeStageOf(s.opponent);
  }
  if (r.current < 0 || r.current >= r.count) {
    DebugPrint("next stage: the current stage %d lies past the route's %d entries\n", r.current, r.count);
    return;
  }
  g_MatchStage = r.entries[r.current].stage;
}

D3DMatrix NextStageMapMatrix(float swing, float depth, int32_t px, int32_t py) {
  constexpr float kPi = 3.14159265358979323846f;
  D3DMatrix view;
  BuildLookAtMatrix(&view, {0.0f, 1.6f, -0.8f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  // Left-handed perspective: vertical field of view 70 degrees, aspect 1, near 0.01, far 1000.
  const float zn = 0.01f, zf = 1000.0f;
  const float ys = 1.0f / std::tan(70.0f * kPi / 180.0f / 2.0f);
  D3DMatrix proj{};
  proj.m[0][0] = ys;
  proj.m[1][1] = ys;
  proj.m[2][2] = zf / (zf - zn);
  proj.m[2][3] = 1.0f;
  proj.m[3][2] = -zn * zf / (zf - zn);
  MultiplyMatrix(&proj, proj, D3DMatrix::Scaling(512.0f, 512.0f, 1.0f));
  MultiplyMatrix(
      &proj, proj,
      D3DMatrix::Translation(static_cast<float>(static_cast<int>(90.0f * swing) + 320),
                             static_cast<float>(static_cast<int>(50.0f * swing + 50.0f) + 240), 0.0f));
  D3DMatrix world = D3DMatrix::Translation((256.0f - static_cast<float>(px)) * swing,
                                           (256.0f - static_cast<float>(py)) * swing, 0.0f);
  MultiplyMatrix(&world, world, D3DMatrix::Scaling(1.0f / 256.0f, 1.0f / 256.0f, 1.0f));
  MultiplyMatrix(&world, world, D3DMatrix::RotationZ(px < 256 ? 180.0f * swing * kPi / 180.0f : 0.0f));
  MultiplyMatrix(&world, world, D3DMatrix::Translation(0.0f, 0.0f, depth));
  D3DMatrix m;
  MultiplyMatrix(&m, world, view);
  MultiplyMatrix(&m, m, proj);
  return m;
}

void ProjectMapPoint(const D3DMatrix& m, float x, float y, float* sx, float* sy) {
  const float p[4] = {x, y, 0.0f, 1.0f};
  float out[4] = {};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[c] += p[r] * m.m[r][c];
  const float w = out[3] != 0.0f ? out[3] : 1.0f;
  *sx = out[0] / w;
  *sy = out[1] / w;
}

namespace {

using arcade::Argb;
using arcade::Clamp01;
using arcade::Fill;
using arcade::kBlendAdd;
using arcade::kFilterPoint;
using arcade::Quad;
using arcade::White;

constexpr int kMusic = 85;

struct NextStageGraphics {
  TextureHandle* map[5] = {};
  TextureHandle* bar[2] = {};
  TextureHandle* bg = nullptr;
  TextureHandle* flash = nullptr;
  TextureHandle* shutter[2] = {};
  TextureHandle* selectPortrait = nullptr;
  TextureHandle* smallPortrait = nullptr;
  TextureHandle* plate[2] = {};
  TextureHandle* title[4] = {};  // 0, 2 and 3 are used
  TextureHandle* stagePicture = nullptr;
  TextureHandle* stageName[3] = {};
  TextureHandle* opponentName[kNextStageEntries] = {};
  TextureHandle* opponentFace[kNextStageEntries] = {};
};
NextStageGraphics g_Graphics;
CSceneNextStage g_Scene;

TextureHandle* LoadPath(const char* format, int a, int b = 0) {
  char path[192];
  std::snprintf(path, sizeof path, format, a, b);
  return arcade::Load(path);
}

float EaseOut(float t) { return CalcEase(1, t); }
float EaseIn(float t) { return CalcEase(2, t); }
GrpDrawList* Main() { return &g_MainDrawList; }

}  // namespace

void LoadNextStageGraphics() {
  FreeNextStageGraphics();
  NextStageGraphics& g = g_Graphics;
  const NextStageRoute& r = g_NextStage.route;
  for (int i = 0; i < 5; ++i) g.map[i] = LoadPath(".\\grp\\nextstage_QZ\\map_m%02d", i);
  for (int i = 0; i < 2; ++i) g.bar[i] = LoadPath(".\\grp\\nextstage_QZ\\map_Bar%02d", i);
  g.bg = arcade::Load(".\\grp\\nextstage_QZ\\map_BG01");
  g.flash = LoadPath(".\\grp\\nextstage_QZ\\map_ef%02d", 0);
  for (int i = 0; i < 2; ++i) g.shutter[i] = LoadPath(".\\grp\\nextstage_QZ\\map_Shutter%02d", i);
  g.selectPortrait = LoadPath(".\\grp\\c_sel_QZ\\Chara\\csel_c%02d", r.character);
  g.smallPortrait = LoadPath(".\\grp\\nextstage_QZ\\Chara_s\\map_cs%02d", r.character);
  for (int i = 0; i < 2; ++i)
    g.plate[i] = LoadPath(".\\grp\\nextstage_QZ\\p_name\\map_pn%02d%02d", i, r.character);
  for (const int i : {0, 2, 3}) g.title[i] = LoadPath(".\\grp\\nextstage_QZ\\nextstage%02d", i);
  const bool current = r.current >= 0 && r.current < r.count;
  if (current) {
    const int32_t stage = r.entries[r.current].stage;
    g.stagePicture = LoadPath(".\\grp\\nextstage_QZ\\info_bg\\map_infoBG%02d", stage);
    for (int i = 0; i < 3; ++i)
      g.stageName[i] = LoadPath(".\\grp\\nextstage_QZ\\bg_name\\map_bg%02d%02d", i, stage);
  }
  const char* nameFormat = GetSelectLanguage() == 1 ? ".\\grp\\nextstage_QZ\\c_name\\eng\\map_cn%02d"
                                                    : ".\\grp\\nextstage_QZ\\c_name\\jpn\\map_cn%02d";
  for (int j = 0; j < r.count; ++j) {
    const NextStageEntry& e = r.entries[j];
    g.opponentName[j] = LoadPath(nameFormat, e.hidden ? 99 : e.opponent);
    g.opponentFace[j] = LoadPath(".\\grp\\nextstage_QZ\\face\\map_c%02d", e.opponent);
  }
}

void FreeNextStageGraphics() {
  NextStageGraphics& g = g_Graphics;
  for (TextureHandle*& t : g.map) arcade::Free(t);
  for (TextureHandle*& t : g.bar) arcade::Free(t);
  arcade::Free(g.bg);
  arcade::Free(g.flash);
  for (TextureHandle*& t : g.shutter) arcade::Free(t);
  arcade::Free(g.selectPortrait);
  arcade::Free(g.smallPortrait);
  for (TextureHandle*& t : g.plate) arcade::Free(t);
  for (TextureHandle*& t : g.title) arcade::Free(t);
  arcade::Free(g.stagePicture);
  for (TextureHandle*& t : g.stageName) arcade::Free(t);
  for (TextureHandle*& t : g.opponentName) arcade::Free(t);
  for (TextureHandle*& t : g.opponentFace) arcade::Free(t);
}

void InitNextStageScene() {
  NextStageState& s = g_NextStage;
  BuildNextStageRoute(s.route);
  LoadNextStageGraphics();
  s.frames = 0;
  s.seconds = 0.0f;
  s.skipLatch = 0;
  s.skipInput = 0;
  s.flashClock = s.shutterClock = 0.0f;
  StopBgm();
  // StartBgm starts the stream silent and then applies the stored volume under the mute rule,
  // which keeps the attract loop silent when background sound is off.
  if (LoadBgm(kMusic)) StartBgm();
  g_SceneEnter = 0;
  for (CreditPlayer& p : g_CreditState.players) p.joinMode = 0;  // a second player may join
}

void TickNextStage() {
  NextStageState& s = g_NextStage;
  s.flashClock = s.shutterClock = s.seconds;
  // Presses in the first 0.2 s (a button held over from the last scene) do not skip.
  if (s.seconds > 0.2f && s.skipInput != 0) s.skipLatch = 1;
  s.skipInput = 0;
  ++s.frames;
  s.seconds = static_cast<float>(s.frames) / 60.0f;
}

namespace {

void DrawFlashLine(float T) {
  static constexpr float kDurations[] = {0.15f, 0.3f, 0.5f, 0.2f, 7.5f, 0.2f, 0.5f, 0.5f, 0.0f};
  KeyframeTracker k{0.0f, T};
  LookUpKeyframeSegment(k, kDurations);
  const float f = k.fraction;
  int K = 2176, M = 8, alpha = 255;
  float L = 121.0f;
  switch (k.index) {
    case 0:
      K = M = static_cast<int>(128.0f * f), L = 0.0f;
      break;
    case 1:
      K = 128 + static_cast<int>(2048.0f * f);
      M = 8 + static_cast<int>(120.0f * (1.0f - f));
      L = 0.0f;
      break;
    case 2:
      L = 121.0f * EaseOut(f);
      break;
    case 3:
      M = 8 + static_cast<int>(16.0f * EaseOut(f));
      break;
    case 4:
      return;
    case 5:
      M = 8 + static_cast<int>(16.0f * EaseIn(1.0f - f));
      break;
    case 6:
      L = 121.0f + 239.0f * EaseOut(f);
      break;
    default:
      alpha = static_cast<int>(255.0f * (1.0f - f));
      K = static_cast<int>(2176.0f * EaseIn(1.0f - f));
      L = 0.0f;
      break;
  }
  if (alpha <= 0 || !g_Graphics.flash || K <= 0 || M <= 0) return;
  const uint8_t b = g_DrawBlendMode, fm = g_DrawFilterMode;
  g_DrawBlendMode = kBlendAdd;
  g_DrawFilterMode = arcade::kFilterLinear;
  DrawSprite3D(Main(), g_Graphics.flash, 320, 240, 0, K, M, static_cast<float>(K) / 2.0f,
               static_cast<float>(M) / 2.0f, 0, 0, 128, 128, 0, 0, L, Argb(alpha), 0, 522);
  g_DrawBlendMode = b;
  g_DrawFilterMode = fm;
}

void DrawShutters(float T) {
  static constexpr float kDurations[] = {0.3f, 7.0f, 0.3f, 0.0f};
  KeyframeTracker k{1.1f, T};
  LookUpKeyframeSegment(k, kDurations);
  const float f = k.fraction;
  float c = 320.0f;
  int b = 255;
  // Before 1.1 s the tracker resolves to its last segment completed: shut and black.
  if (k.index == 0) {
    c = 320.0f * EaseOut(f);
    b = static_cast<int>(255.0f * f);
  } else if (k.index == 2) {
    c = 320.0f * EaseOut(1.0f - f);
    b = static_cast<int>(255.0f * (1.0f - f));
  }
  if (b <= 0) {
    Fill(Main(), 0, 0, 640, 480, 0xFF000000u, 520);
    return;
  }
  const uint32_t tint = 0xFF000000u | static_cast<uint32_t>(b) * 0x010101u;
  Quad(Main(), g_Graphics.shutter[0], -c, 0, 512, 512, 0, 0, 512, 512, tint, 0, k.index == 1 ? 517 : 521);
  Quad(Main(), g_Graphics.shutter[1], c + 130.0f, 0, 512, 512, 0, 0, 512, 512, tint, 0, 521);
  Fill(Main(), 0, 0, 640, 480, Argb(255 - b), 521);
  Quad(Main(), g_Graphics.bg, 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFFu, 0, 512);
}

void MatrixSprite(TextureHandle* t, const D3DMatrix& m, float x, float y, float w, float h, float sx,
                  float sy, float sw, float sh, uint32_t colour, uint8_t blend = arcade::kBlendAlpha) {
  if (!t || w <= 0.0f || h <= 0.0f) return;
  // The corners are placed about the point: a translation to it before the map matrix.
  D3DMatrix at = D3DMatrix::Translation(x, y, 0.0f);
  MultiplyMatrix(&at, at, m);
  // Flat on the screen as every sprite is: a depth left in z would fail against the layers
  // already drawn.
  MultiplyMatrix(&at, at, D3DMatrix::Scaling(1.0f, 1.0f, 0.0f));
  const uint8_t b = g_DrawBlendMode, fm = g_DrawFilterMode;
  g_DrawBlendMode = blend;
  g_DrawFilterMode = arcade::kFilterLinear;
  DrawSpriteMatrix(Main(), t, &at, static_cast<int32_t>(w), static_cast<int32_t>(h), w / 2.0f, h / 2.0f, sx,
                   sy, sw, sh, colour, 0, 514);
  g_DrawBlendMode = b;
  g_DrawFilterMode = fm;
}

void DrawMap(float T, const NextStageRoute& r) {
  static constexpr float kDurations[] = {0.3f, 0.25f, 1.0f, 6.0f, 0.0f};
  KeyframeTracker k{1.5f, T};
  LookUpKeyframeSegment(k, kDurations);
  const float f = k.fraction;
  int alpha = 255;
  float z = 0.0f, G = 0.0f;
  switch (k.index) {
    case 0:
      alpha = static_cast<int>(255.0f * f);
      z = 0.15f * EaseIn(1.0f - f);
      break;
    case 1:
      break;
    case 2:
      G = EaseOut(f);
      break;
    default:
      G = 1.0f;
      break;
  }
  const bool hasCurrent = r.current >= 0 && r.current < r.count;
  const int32_t point = MapPointOfStage(hasCurrent ? r.entries[r.current].stage : 0);
  const int32_t px = MAP_POINTS[point][0], py = MAP_POINTS[point][1];
  const D3DMatrix W = NextStageMapMatrix(G, z, px, py);
  const uint32_t colour = Argb(alpha);
  const NextStageGraphics& g = g_Graphics;
  if (g.map[1]) {
    for (int j = 0; j < 16; ++j) {
      float sx = 0, sy = 0;
      ProjectMapPoint(W, static_cast<float>(MAP_POINTS[j][0] - 256),
                      static_cast<float>(MAP_POINTS[j][1] - 256), &sx, &sy);
      Quad(Main(), g.map[1], sx - 8.0f, sy - 8.0f, 128, 16, static_cast<float>(j % 2 * 128),
           static_cast<float>(j / 2 * 16), 128, 16, colour, 0, 514);
    }
  }
  bool marked[kMapPointCount] = {};
  for (int j = 0; hasCurrent && j <= r.current; ++j) {
    const int32_t p = MapPointOfStage(r.entries[j].stage);
    if (marked[p]) continue;
    marked[p] = true;
    MatrixSprite(g.map[2], W, static_cast<float>(MAP_POINTS[p][0] - 256),
                 static_cast<float>(MAP_POINTS[p][1] - 256), 32, 32, 0, 0, 32, 32, colour);
  }
  const float U = T - 1.5f;
  float sx = 0, sy = 0;
  ProjectMapPoint(W, static_cast<float>(px - 256), static_cast<float>(py - 256), &sx, &sy);
  const float width = 30.0f * Clamp01(4.0f * (U - 1.5f));
  const float h = U < 3.0f ? 1.0f : Clamp01(1.0f - (U - 3.0f) / 0.3f);
  Quad(Main(), g.map[4], sx - width / 2.0f, sy - 244.0f, width, 256, 0, 0, 32, 256,
       Argb(std::min(alpha, static_cast<int>(128.0f * h))), 0, 514);
  for (int kk = 0; kk < 4; ++kk) {
    const float v = Clamp01((U - (1.5f + 0.4f * static_cast<float>(kk))) / 0.75f);
    const int a = std::min(alpha, static_cast<int>(255.0f * (1.0f - v)));
    const int size = static_cast<int>(64.0f * (1.0f - (1.0f - v) * (1.0f - v)));
    MatrixSprite(g.map[3], W, static_cast<float>(px - 256), static_cast<float>(py - 256),
                 static_cast<float>(size), static_cast<float>(size), 0, 0, 64, 64, Argb(a));
  }
  MatrixSprite(g.map[0], W, 0, 0, 512, 512, 0, 0, 512, 512, colour);
}

void DrawStageInfo(float T) {
  const NextStageGraphics& g = g_Graphics;
  const uint32_t s = White(static_cast<int>(255.0f * Clamp01(1.0f - (T - 3.0f) / 0.8f)));
  Quad(Main(), g.stageName[0], 120, 18, 512, 32, 0, 0, 512, 32, 0xFFFFFFFFu, s, 520);
  const float l = Clamp01(1.0f - 2.0f * (T - 3.1f));
  Quad(Main(), g.stageName[1], 376.0f + static_cast<float>(static_cast<int>(320.0f * l * l)), 58, 256, 32, 0,
       0, 256, 32, 0xFFFFFFFFu, s, 520);
  const float m = Clamp01(1.0f - 2.0f * (T - 3.0f));
  const float P = static_cast<float>(static_cast<int>(320.0f * m * m));
  Quad(Main(), g.stageName[2], 404.0f + P, 196, 128, 16, 0, 0, 128, 16, 0xFFFFFFFFu, s, 520);
  Fill(Main(), 400.0f + P, 212, 240, 2, Argb(128), 520);
  Quad(Main(), g.stagePicture, 384.0f + P, 92, 256, 128, 0, 0, 256, 128, 0xFFFFFFFFu, s, 520);
  Fill(Main(), 390.0f + P, 98, 256, 128, Argb(128, 0), 520);
}

void DrawRouteList(float T, const NextStageRoute& r) {
  const NextStageGraphics& g = g_Graphics;
  int n = 0;
  for (int j = r.count - 1; j >= 0; --j, ++n) {
    const float o = Clamp01(1.0f - ((T - 4.0f) - 0.05f * static_cast<float>(n)) / 0.8f);
    const float a = static_cast<float>(j - r.current) - 24.0f * o * o;
    const int R = static_cast<int>(32.0f * a + 326.0f);
    const float X = static_cast<float>(static_cast<int>(264.0f - 20.0f * a));
    const int alpha =
        R > 199 ? 255 : std::max(0, static_cast<int>(255.0f - static_cast<float>(200 - R) * 1.8f));
    const uint32_t colour = Argb(alpha, j < r.current ? 0x808080u : 0xFFFFFFu);
    const float y = static_cast<float>(R);
    Quad(Main(), g.bar[1], X + 36.0f, y + 6.0f, 64, 24, static_cast<float>(j / 5 * 64),
         static_cast<float>(j % 5 * 24), 64, 24, colour, 0, 520);
    if (j <= r.current) {
      const bool isCurrent = j == r.current;
      const float rr = isCurrent ? ComputeFadeRatio(1, T - 4.0f, 1.3f, 0.5f) : 0.0f;
      Quad(Main(), g.opponentName[j], X + 76.0f + 256.0f * rr * rr, y + 2.0f, 256, 32, 0, 0, 256, 32, colour,
           0, 520);
      const float flash = ComputeFadeRatio(1, T - 4.0f, 1.8f, 0.7f);
      if (!isCurrent || flash < 1.0f) {
        // A hidden opponent's face is a black silhouette.
        const uint32_t face = r.entries[j].hidden ? Argb(alpha, 0) : colour;
        Quad(Main(), g.opponentFace[j], X + 120.0f, y - 94.0f, 256, 128, 0, 0, 256, 128, face,
             isCurrent ? White(static_cast<int>(flash * 255.0f)) : 0, 520, arcade::kBlendAlpha, kFilterPoint);
      }
    }
    Quad(Main(), g.bar[0], X, y, 333, 34, 0, 0, 333, 34, colour, 0, 520);
  }
}

void DrawPlayerPanel(float T) {
  const NextStageGraphics& g = g_Graphics;
  const float o = Clamp01(2.0f * (T - 1.5f));
  Quad(Main(), g.plate[0], -32.0f - 256.0f * (1.0f - o) * (1.0f - o), 380, 256, 32, 0, 0, 256, 32,
       0xFFFFFFFFu, 0, 520);
  const float p = Clamp01(2.0f * (T - 1.6f));
  Fill(Main(), -32.0f - 256.0f * (1.0f - p) * (1.0f - p), 412, 256, 2, 0xFFFFFFFFu, 520);
  const float q = Clamp01(2.0f * (T - 1.7f));
  Quad(Main(), g.plate[1], -256.0f * (1.0f - q) * (1.0f - q), 410, 256, 32, 0, 0, 256, 32, 0xFFFFFFFFu, 0,
       520);
  const float r = Clamp01(2.0f * (T - 1.5f));
  const float x = 640.0f * (1.0f - r) * (1.0f - r) - 64.0f;
  Quad(Main(), g.selectPortrait, x - 32.0f * Clamp01((T - 1.5f) / 6.0f), -16, 512, 512, 0, 0, 512, 512,
       0xFFFFFFFFu, 0, 520, arcade::kBlendAlpha, kFilterPoint);
  Quad(Main(), g.smallPortrait, x, -16, 512, 512, 0, 0, 512, 512, 0xFFFFFFFFu, 0, 520);
}

void DrawTitle(float T) {
  static constexpr float kDurations[] = {0.1f, 0.3f, 0.7f, 0.3f, 7.1f, 100.0f, 0.0f};
  static constexpr int kCells[9] = {0, 1, 2, 3, 4, 3, 5, 6, 1};
  static constexpr int kAdvance[9] = {133, 39, 39, 42, 48, 37, 30, 44, 40};
  KeyframeTracker k{0.0f, T};
  LookUpKeyframeSegment(k, kDurations);
  const float f = k.fraction;
  const NextStageGraphics& g = g_Graphics;
  switch (k.index) {
    case 0:
    case 1: {
      int s = 0;
      for (int i = 0; i < 9; ++i) {
        s += kAdvance[i];
        const float x = k.index == 0
                            ? 133.0f - 200.0f * (1.0f - f)
                            : 133.0f + static_cast<float>(s - 133) * (1.0f - (1.0f - f) * (1.0f - f));
        Quad(Main(), g.title[0], x, 209, 64, 64, static_cast<float>(kCells[i] % 4 * 64),
             static_cast<float>(kCells[i] / 4 * 64), 64, 64, 0xFFFFFFFFu, 0, 522);
      }
      break;
    }
    case 2:
      Quad(Main(), g.title[3], 64, 208, 512, 64, 0, 0, 512, 64, 0xFFFFFFFFu, 0, 522);
      Quad(Main(), g.title[3], 64, 208, 512, 64, 0, 64, 512, 64, Argb(static_cast<int>(255.0f * (1.0f - f))),
           0, 522);
      break;
    case 3: {
      const float sc = 0.25f + 0.75f * (1.0f - f);
      Quad(Main(), g.title[3], 266.0f * f + (640.0f - 512.0f * sc) / 2.0f,
           (480.0f - 64.0f * sc) / 2.0f + 217.0f * f, 512.0f * sc, 64.0f * sc, 0, 0, 512, 64, 0xFFFFFFFFu, 0,
           522);
      break;
    }
    case 4:
      Quad(Main(), g.title[2], 522, 449, 128, 16, 0, 0, 128, 16, 0xFFFFFFFFu, 0, 522);
      break;
    default:
      break;
  }
}

}  // namespace

void DrawNextStageMap() {
  const NextStageState& s = g_NextStage;
  const float T = s.seconds;
  DrawFlashLine(s.flashClock);
  DrawShutters(s.shutterClock);
  if (T > 1.5f) DrawMap(T, s.route);
  if (T > 3.0f) DrawStageInfo(T);
  if (T > 4.0f) DrawRouteList(T, s.route);
  if (T > 1.5f) DrawPlayerPanel(T);
  DrawTitle(T);
}

void CSceneNextStage::Update() {
  PollSceneInput();
  NextStageState& s = g_NextStage;
  if (g_ChallengeState == 0) {
    int dir = 0;
    uint32_t pressed = 0;
    ReadHumanPlayersInput(&dir, &pressed, nullptr);
    s.skipInput = pressed;
    TickNextStage();
  }
  DrawNextStageMap();
  if (g_ChallengeState == 0 && (s.seconds > 10.0f || s.skipLatch)) {
    g_SceneId = SCENE_VS_SCREEN;
    g_SceneEnter = 1;
  }
}

int CSceneNextStage::Process(int /*keepRunning*/) {
  if (g_SceneEnter) InitNextStageScene();
  Execute();
  if (g_SceneId != SCENE_NEXT_STAGE || g_SceneEnter) {
    FreeNextStageGraphics();
    return 1;
  }
  if (g_ChallengeState == 0) {
    if (!CheckNewChallenger()) return 1;
    StartChallengerScreen();
    g_ChallengeState = 1;
  }
  UpdateChallengerScreen();
  DrawChallengerScreen();
  if (ChallengerScreenTime() > kChallengerSeconds) {
    GoToCharacterSelect();
    FreeNextStageGraphics();
  }
  return 1;
}

namespace {

int NextStageScene(int keepRunning) { return g_Scene.Process(keepRunning); }

}  // namespace

void InstallNextStageScene() { RegisterScene(SCENE_NEXT_STAGE, {NextStageScene, FreeNextStageGraphics}); }
