// The training displays. Everything here only queues draw commands and keeps the viewer's input
// history: nothing writes battle state, so a battle runs the same with the displays on or off.
#include "menu/training_displays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "Replay/replay_controller.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/cpu_defence.h"
#include "battle/effect_geometry.h"
#include "menu/pause_control.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"

using vt::text::DrawOutlinedText;
using vt::text::DrawSysFontText;
using vt::text::MeasureSysFontText;

TrainingInputHistory g_TrainingInputHistory;

namespace {

constexpr int kStatusLayer = 449;
constexpr int kPanelLayer = 254;
constexpr int kHistoryTextLayer = 460;
constexpr int kHistoryIconPriority = 716;
constexpr int kHistoryBarPriority = 715;
constexpr int kHistoryShown = 24;
constexpr int kHistoryIdleFrames = 600;
constexpr int kRecordLimitFrames = 5400;

// Linear filtering for the lifetime of a scope, point filtering again afterwards.
struct LinearFilter {
  LinearFilter() { g_DrawFilterMode = 2; }
  ~LinearFilter() { g_DrawFilterMode = 1; }
  LinearFilter(const LinearFilter&) = delete;
  LinearFilter& operator=(const LinearFilter&) = delete;
};

void Text(int x, int y, const char* text, int glyphWidth, int glyphHeight, int layer) {
  DrawOutlinedText(x, y, text, 255, 255, glyphWidth, glyphHeight, 0, layer);
}

// "ss"hh" of a frame count; seconds take the whole minutes (108000 frames read 1800"00).
void FormatFrameTime(char* out, size_t size, uint32_t frames) {
  int32_t seconds = 0, hundredths = 0;
  const int32_t clamped = static_cast<int32_t>(std::min<uint32_t>(frames, INT32_MAX));
  SplitFrameTime(clamped, nullptr, &seconds, &hundredths);
  std::snprintf(out, size, "%02d\"%02d", seconds, hundredths);
}

// The replay controller's current round (a dummy slot), or null.
ReplayRound* CurrentDummyRound() {
  CReplayFile& f = g_ReplayController.file;
  return f.roundIndex < f.rounds.size() ? &f.rounds[f.roundIndex] : nullptr;
}

// The active character of the main side.
const BattleObject& MainSideCharacter() {
  const int side = g_MainSide & 1;
  const int slot = std::clamp<int32_t>(g_SideStatus[side].activePlayer, 0, kPlayerSlots - 1);
  return g_PlayerRecords[slot].obj;
}

}  // namespace

void ClearInputHistory() { g_TrainingInputHistory.count = 0; }

void AddInputHistoryRow(int direction, int buttons) {
  TrainingInputHistory& h = g_TrainingInputHistory;
  const uint32_t d = static_cast<uint32_t>(direction);
  const uint32_t b = static_cast<uint32_t>(buttons);
  if (h.count > 0) {
    InputHistoryRow& newest = h.rows[0];
    if (newest.direction == d && newest.buttons == b) {
      if (newest.framesHeld < UINT32_MAX) ++newest.framesHeld;
      return;
    }
    if (newest.framesHeld > kHistoryIdleFrames && newest.direction == 0 && newest.buttons == 0)
      h.count = 0;
    else if (h.count >= TrainingInputHistory::kRows)
      h.count = TrainingInputHistory::kRows - 1;
  }
  std::move_backward(h.rows.begin(), h.rows.begin() + h.count, h.rows.begin() + h.count + 1);
  h.rows[0] = InputHistoryRow{d, b, 1};
  ++h.count;
}

void DrawTrainingProgressBar(int y, int width, float fraction, int priority) {
  const int x = 320 - width / 2;
  int fill = 0;
  // A fraction that is no number (a length read from a damaged slot) draws an empty bar.
  if (std::isfinite(fraction)) {
    const float f = static_cast<float>(width) * fraction;
    fill = f <= 0.0f ? 0 : f >= static_cast<float>(width) ? width : static_cast<int>(f);
  }
  DrawRect(nullptr, x, y, fill, 2, 0xFF007878, 0xFF00E6E6, 0xFF007878, 0xFF00E6E6, priority);
  DrawRect(nullptr, x - 1, y - 2, width + 2, 6, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, priority);
  DrawRect(nullptr, x - 3, y - 4, width + 6, 10, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, priority);
}

void DrawActionTime() {
  if (g_PauseMenuActive != 0) return;
  const int32_t status = g_TrainingSettings[ENEMY_STATUS];
  const int32_t action = g_TrainingSettings[ENEMY_ACTION];
  if (status == kEnemyCpu || status == kEnemyManual || status == kEnemyDummy) return;
  if (action < 1 || action > 4) return;
  const int32_t remaining = std::max<int32_t>(0, 241 - g_TrainingActionTimer);
  int32_t seconds = 0, hundredths = 0;
  SplitFrameTime(remaining, nullptr, &seconds, &hundredths);
  char text[48];
  std::snprintf(text, sizeof text, "ACTIONTIME  %01d\"%02d", seconds, hundredths);
  Text(244, 136, text, 12, 14, kStatusLayer);
  DrawTrainingProgressBar(153, 180, static_cast<float>(remaining) / 240.0f, kStatusLayer);
}

void DrawDummyReplayStatus(int kind) {
  if (g_PauseMenuActive != 0) return;
  LinearFilter filter;
  float fraction = 1.0f;
  char text[64];
  char position[24];
  char length[24];
  ReplayRound* round = CurrentDummyRound();
  const uint32_t at = round ? round->GetPosition() : 0;
  if (kind == 1) {
    const uint32_t total = round ? round->GetLength() : 0;
    std::snprintf(text, sizeof text, "PLAY[%02d]", g_DummyPlaySlot + 1);
    Text(120, 110, text, 10, 14, kStatusLayer);
    FormatFrameTime(position, sizeof position, at);
    FormatFrameTime(length, sizeof length, total);
    std::snprintf(text, sizeof text, "%s/%s", position, length);
    Text(196, 110, text, 10, 14, kStatusLayer);
    int tagX = 304;
    if (g_TrainingSettings[REPLAY_SLOT] == 1) {
      Text(tagX, 110, "[RANDOM SLOT]", 10, 14, kStatusLayer);
      tagX = 404;
    }
    const int32_t type = g_TrainingSettings[REPLAY_TYPE];
    if (type == 1) Text(tagX, 110, "[RECOVER]", 10, 14, kStatusLayer);
    if (type == 2) Text(tagX, 110, "[WAIT]", 10, 14, kStatusLayer);
    fraction = total == 0 ? 0.0f : static_cast<float>(at) / static_cast<float>(total);
  } else if (kind == 2) {
    std::snprintf(text, sizeof text, "RECORDING[%02d]", g_SelectedDummySlot + 1);
    Text(120, 110, text, 10, 14, kStatusLayer);
    FormatFrameTime(position, sizeof position, at);
    std::snprintf(text, sizeof text, "%s/90\"00", position);
    Text(236, 110, text, 12, 14, kStatusLayer);
    fraction = 1.0f - static_cast<float>(at) / static_cast<float>(kRecordLimitFrames);
  }
  DrawTrainingProgressBar(127, 400, fraction, kStatusLayer);
}

void DrawTrainingDamageInfo() {
  if (g_PauseMenuActive != 0 || g_BattleState[BattleStateIndex::kTrainingDisplay] != 1) return;
  LinearFilter filter;
  const int side = g_MainSide & 1;
  const int x = side == 0 ? 420 : 10;
  const SideStatus& s = g_SideStatus[side];
  // The shown round-damage record holds the combo's figures in the panel's order: hits and the
  // hits of its unbroken part, damage and its raw amount, and the recoverable damage it dealt.
  const RoundDamageRecord& shown = s.statRecords[s.statShown & 1];
  const double penalty = static_cast<double>(MainSideCharacter().reversedFrames) * 55.0 / 10000.0;
  char value[64];
  auto row = [&](int y, const char* label) {
    Text(x, y, label, 10, 14, kPanelLayer);
    Text(x + 200 - MeasureSysFontText(value, 10), y, value, 10, 14, kPanelLayer);
  };
  std::snprintf(value, sizeof value, "%5d(%5d)", shown.hits, shown.comboHits);
  row(136, "COMBO");
  std::snprintf(value, sizeof value, "%5d(%5d)", shown.damage, shown.rawDamage);
  row(150, "DAMAGE");
  std::snprintf(value, sizeof value, "%5d", shown.redDamage);
  row(164, "VS DAMAGE");
  if (s.prorationShown == 0)
    std::snprintf(value, sizeof value, "100%%");
  else
    std::snprintf(value, sizeof value, "%5d%%", s.prorationShown);
  row(182, "CORRECTION VALUE");
  std::snprintf(value, sizeof value, "%3.1f%%", penalty);
  row(200, "REVERSE PENALTY");
  // The highest combo: the most hits a round-damage record held, with the longest combo.
  std::snprintf(value, sizeof value, "%5d(%5d)", s.bestStats[0], s.bestCombo);
  row(218, "MAX COMBO");
  std::snprintf(value, sizeof value, "%5d", s.bestStats[1]);
  row(232, "MAX DAMAGE");
}

void DrawTrainingInputHistory() {
  // An open training menu holds the battle: no input is recorded and nothing is drawn over it.
  if (g_PauseMenuActive != 0) return;
  const BattleObject& o = MainSideCharacter();
  const uint32_t word = o.inputButtons;
  AddInputHistoryRow(o.inputDirFacing, static_cast<int>((word | word >> 12) & 0xF));

  LinearFilter filter;
  TextureHandle* monitor = g_BattleHudTextures.monitor;
  const int side = g_MainSide & 1;
  const int start = side == 0 ? 10 : 618;
  const int step = side == 0 ? 12 : -12;
  const TrainingInputHistory& h = g_TrainingInputHistory;
  const int shown = std::min(h.count, kHistoryShown);
  for (int r = 0; r < shown; ++r) {
    const InputHistoryRow& row = h.rows[static_cast<size_t>(r)];
    const int y = 124 + 13 * r;
    int x = start;
    // A direction outside the icon row (a damaged recording) draws no icon but keeps its place.
    if (monitor && row.direction <= 9)
      DrawSprite(nullptr, monitor, x, y, 12, 12, static_cast<float>(row.direction * 25), 0, 25, 25,
                 0xFFFFFFFF, 0, kHistoryIconPriority);
    x += step;
    for (uint32_t b = 0; b < 4; ++b) {
      if (!(row.buttons & (1u << b))) continue;
      if (monitor)
        DrawSprite(nullptr, monitor, x, y, 12, 12, static_cast<float>(25 * b), 25, 25, 25, 0xFFFFFFFF, 0,
                   kHistoryIconPriority);
      x += step;
    }
    char frames[16];
    std::snprintf(frames, sizeof frames, "%3u", std::min<uint32_t>(row.framesHeld, 999));
    DrawSysFontText(side == 0 ? start + 64 : start - 76, y - 1, frames, 255, 255, kHistoryTextLayer, 0, 8, 13,
                    0, 0);
    DrawRect(nullptr, side == 0 ? start : start - 80, y, 92, 12, 0xA0000000, 0xA0000000, 0xA0000000,
             0xA0000000, kHistoryBarPriority);
  }
}
