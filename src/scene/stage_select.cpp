// The stage select: loading, stepping, input and drawing.
#include "scene/stage_select.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "scene/calc_ease.h"
#include "scene/credits.h"
#include "scene/stage_bg.h"

StageSelectState g_StageSelect;

namespace {

constexpr int kStages = 100;
constexpr int kPriority = 487;
constexpr int kMoveSound = 150;
constexpr int kDecideSound = 151;
// A step that meets no usable stage in this many moves has gone round the whole ring.
constexpr int kMaxMoves = 100;

TextureHandle* LoadNumbered(const char* format, int n) {
  char path[128];
  std::snprintf(path, sizeof path, format, n);
  return LoadTexture(path);
}

bool Excluded(int stage) {
  const int32_t* list = g_GameModeFlags == MODE_TRAINING ? TrainingStageExcludeList : VersusStageExcludeList;
  for (; *list >= 0; ++list)
    if (*list == stage) return true;
  return false;
}

// Stage 0 is the random choice and always on offer, so a ring without any stage still has one
// usable place to stop at.
bool Usable(int stage) { return stage == 0 || (!Excluded(stage) && g_StageList[stage] != nullptr); }

uint32_t Alpha(float a, uint32_t rgb) {
  const int v = std::clamp(static_cast<int>(a * 255.0f), 0, 255);
  return static_cast<uint32_t>(v) << 24 | (rgb & 0xFFFFFF);
}

void Sprite(TextureHandle* t, float x, float y, float w, float h, uint32_t colour) {
  if (t == nullptr || t->dx == nullptr) return;  // a missing picture draws nothing
  DrawSprite(nullptr, t, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
             static_cast<int32_t>(h), 0.0f, 0.0f, static_cast<float>(t->dx->usedWidth),
             static_cast<float>(t->dx->usedHeight), colour, 0, kPriority);
}

void Rect(int x, int y, int w, int h, uint32_t colour) {
  DrawRect(nullptr, x, y, w, h, colour, colour, colour, colour, kPriority);
}

StageSelectEntry* Entry(int stage) {
  return stage >= 0 && stage < kStages ? g_StageSelect.entries[static_cast<size_t>(stage)].get() : nullptr;
}

}  // namespace

void FreeStageSelect() {
  for (auto& e : g_StageSelect.entries) {
    if (!e) continue;
    FreeTexture(e->plateJp);
    FreeTexture(e->plateEn);
    FreeTexture(e->view);
    e.reset();
  }
  FreeTexture(g_StageSelect.cursor);
  g_StageSelect.cursor = nullptr;
}

void LoadStageSelect() {
  FreeStageSelect();
  for (int n = 0; n < kStages; ++n) {
    TextureHandle* view = LoadNumbered(".\\grp\\BgSelect\\stsel_view\\chr_stsel_view%02u", n);
    if (view == nullptr) continue;
    auto e = std::make_unique<StageSelectEntry>();
    e->view = view;
    e->plateEn = LoadNumbered(".\\grp\\BgSelect\\stsel_en\\chr_stsel_en%02u", n);
    e->plateJp = LoadNumbered(".\\grp\\BgSelect\\stsel_jp\\chr_stsel_jp%02u", n);
    g_StageSelect.entries[static_cast<size_t>(n)] = std::move(e);
  }
  g_StageSelect.cursor = LoadTexture(".\\grp\\BgSelect\\stsel_cursor00");
}

int StepStage(int stage, int steps) {
  if (steps == 0) return stage;
  const int dir = steps > 0 ? 1 : -1;
  // A stage word from outside (a peer, a replay) may lie outside the ring: it is taken onto it
  // before the stage list is indexed.
  int s = ((stage % kStages) + kStages) % kStages;
  for (int left = std::abs(steps); left > 0; --left) {
    int moves = 0;
    do {
      s = (s + dir + kStages) % kStages;
      // Without a usable stage the loop would never end (an empty stage list, say): the step
      // gives up and the stage stays where it started.
      if (++moves > kMaxMoves) return stage;
    } while (!Usable(s));
  }
  return s;
}

int UpdateStageSelect(const StageSelectPad pads[2]) {
  for (int p = 0; p < 2; ++p) {
    if (!g_CreditState.players[p].joined) continue;
    const StageSelectPad& pad = pads[p];
    if (pad.dir == 2 || pad.dir == 8) {
      g_StageSelect.previousStage = g_MatchStage;
      g_MatchStage = StepStage(g_MatchStage, pad.dir == 2 ? 1 : -1);
      g_StageSelect.scroll = pad.dir == 2 ? -1.0f : 1.0f;
      g_SeRequest[kMoveSound] = 1;
      return 1;
    }
    if ((pad.pressed & 1) && g_StageSelect.panel == 0.0f) {
      g_SeRequest[kDecideSound] = 1;
      return 255;
    }
    if (pad.pressed & 2) return -1;
  }
  return 0;
}

int UpdateStageSelect() {
  StageSelectPad pads[2];
  if (g_AppJoystick != nullptr)
    for (int p = 0; p < 2; ++p) g_AppJoystick->GetMenuInput(p, &pads[p].dir, &pads[p].pressed, nullptr, 0);
  return UpdateStageSelect(pads);
}

void DrawStageSelect(int showing) {
  StageSelectState& s = g_StageSelect;
  const float step = s.panel * 0.125f + 0.01f;
  s.panel = showing ? std::max(0.0f, s.panel - step) : std::min(1.0f, s.panel + step);
  if (s.scroll > 0.0f)
    s.scroll = std::max(0.0f, s.scroll - 0.125f);
  else if (s.scroll < 0.0f)
    s.scroll = std::min(0.0f, s.scroll + 0.125f);
  if (s.panel >= 1.0f) return;

  const float shown = 1.0f - s.panel;
  const float moving = std::fabs(s.scroll);
  const float eased = CalcEase(1, moving);
  const int stage = g_MatchStage;
  const bool english = GetSelectLanguage() == 1;

  // Within one priority the command queued last draws first: the top layers go in first.
  // 4. Dark bands.
  Rect(0, 0, 640, 100, Alpha(shown * 0.75f, 0));
  Rect(0, 380, 640, 100, Alpha(shown * 0.75f, 0));
  // 1. The present stage.
  if (StageSelectEntry* e = Entry(stage)) {
    Sprite(e->plateEn, 80.0f + 16.0f * eased, 220.0f, 256.0f, 32.0f, Alpha(shown, 0xFFFFFF));
    if (!english) Sprite(e->plateJp, 340.0f + 64.0f * eased, 220.0f, 256.0f, 32.0f, Alpha(shown, 0xFFFFFF));
  }
  const float growW = 51.2f * eased, growH = 19.2f * eased;
  if (StageSelectEntry* prev = Entry(s.previousStage); prev != nullptr && moving > 0.0f)
    Sprite(prev->view, 360.0f, 252.0f, 256.0f, 96.0f, Alpha(shown * moving, 0xFFFFFF));
  if (StageSelectEntry* e = Entry(stage))
    Sprite(e->view, 360.0f - growW / 2.0f, 252.0f - growH / 2.0f, 256.0f + growW, 96.0f + growH,
           Alpha(shown * (1.0f - moving), 0xFFFFFF));
  // 2. Frame lines and the red bar.
  const uint32_t line = Alpha(shown, 0xFFFFFF);
  Rect(358, 250, 260, 1, line);
  Rect(358, 349, 260, 1, line);
  Rect(358, 250, 1, 100, line);
  Rect(617, 250, 1, 100, line);
  Rect(360, 224, static_cast<int>(256.0f * (1.0f - moving)), 24, Alpha(shown, 0xE64040));
  Sprite(s.cursor, 72.0f, 216.0f, 272.0f, 40.0f, Alpha(shown, 0xFFFFFF));
  // 3. The list around the present stage.
  const float offset = -22.0f * s.scroll;
  for (int i = -9; i <= 9; ++i) {
    if (i == 0 && moving == 0.0f) continue;
    const int n = i == 0 ? stage : StepStage(stage, i);
    if (StageSelectEntry* e = Entry(n))
      Sprite(e->plateEn, 80.0f, 220.0f + 22.0f * static_cast<float>(i) + offset, 256.0f, 32.0f,
             Alpha(shown * 0.6f, 0x808080));
  }
  // The middle band under everything.
  Rect(0, 100, 640, 280, Alpha(shown * 0.5f, 0));
}
