// The screen break-up, HUD digits and small predicates (see screen_break.h).
#include "battle/screen_break.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/character_draw.h"
#include "battle/round_calls.h"
#include "directnet/direct_net_state.h"

ScreenBreakCell g_ScreenBreakCells[kScreenBreakCellCount];
float g_TimerShown;
int32_t g_HudHeatActive;

namespace {

constexpr int32_t kHudPriorityOffset = 256;
constexpr int32_t kScreenBreakPriority = 785;
constexpr float kScreenBreakStep = 0.025f;

// The gauge sheets the drawers take their glyphs from.
constexpr int kTextSheet = 1;   // 16 x 16 text glyphs
constexpr int kDigitSheet = 3;  // 16 x 24 digits, the point and the unit mark
constexpr int kTimerSheet = 5;  // 32 x 40 timer digits and the infinity mark

GrpDrawList* BattleList() { return g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr; }

// A missing sheet leaves the handle empty: its glyphs show as plain quads of their colour.
// The battle HUD's gauge sheets (null until loaded: the glyphs then draw as plain quads).
TextureHandle* GaugeSheet(int sheet) {
  return sheet >= 0 && sheet < 10 ? g_BattleHudTextures.gauge[sheet] : nullptr;
}

void QueueGlyph(TextureHandle* sheet, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                uint32_t colour, int32_t priority) {
  DrawSprite(BattleList(), sheet, x, y, w, h, static_cast<float>(sx), static_cast<float>(sy),
             static_cast<float>(w), static_cast<float>(h), colour, 0, priority + kHudPriorityOffset);
}

// One 16 x 16 text glyph; only the printable codes 32..127 have one.
void QueueTextGlyph(TextureHandle* sheet, int32_t x, int32_t y, unsigned char ch, int32_t priority) {
  if (ch < 32 || ch > 127) return;
  const int32_t g = ch - 32;
  QueueGlyph(sheet, x, y, 16, 16, g % 32 * 16, (g / 32 + 1) * 16, 0xFFFFFFFFu, priority);
}

// The digit glyphs of the decimal value: codes 48..95 have a cell, anything else (blanks, the
// minus sign) is skipped.
bool DigitCell(unsigned char ch, int32_t* cell) {
  const int32_t c = static_cast<int32_t>(ch) - 48;
  if (c < 0 || c > 47) return false;
  *cell = c;
  return true;
}

}  // namespace

float ScreenBreakProgress() {
  return std::bit_cast<float>(g_BattleState[BattleStateIndex::kScreenBreakProgress]);
}

void SetScreenBreakProgress(float p) {
  g_BattleState[BattleStateIndex::kScreenBreakProgress] = std::bit_cast<int32_t>(p);
}

void AdvanceScreenBreakProgress() {
  float p = ScreenBreakProgress() + kScreenBreakStep;
  if (p > 1.0f) p = 1.0f;
  SetScreenBreakProgress(p);
}

void ResetScreenBreakEffect() {
  SetScreenBreakProgress(0.0f);
  for (int r = 0; r < kScreenBreakRows; ++r) {
    for (int c = 0; c < kScreenBreakColumns; ++c) {
      ScreenBreakCell& cell = g_ScreenBreakCells[r * kScreenBreakColumns + c];
      cell.x = static_cast<float>(16 * c);
      cell.y = static_cast<float>(16 * r);
      // Two common draws per cell, as RandFloat takes them: the stream advances while its last
      // value and draw count stay as they were. Computed in double, stored as float.
      const double f1 = RandFloat();
      const double f2 = RandFloat();
      cell.driftX = static_cast<float>(f1 * 100.0);
      cell.driftY = static_cast<float>(f2 * 60.0 - 30.0);
    }
  }
}

void DrawScreenBreakEffect() {
  if (!g_BattleDrawSubmit) return;
  const float p = ScreenBreakProgress();
  GrpDrawList* list = BattleList();
  for (int i = 0; i < kScreenBreakCellCount; ++i) {
    const ScreenBreakCell& cell = g_ScreenBreakCells[i];
    const int c = i % kScreenBreakColumns;
    // Column 0 starts at once, column 39 when the progress passes 0.4875; each column takes
    // half the progress range to vanish.
    const float t = std::clamp(2.0f * p - 0.025f * static_cast<float>(c), 0.0f, 1.0f);
    const int32_t x = FloatToInt32(cell.x), y = FloatToInt32(cell.y);
    int32_t dx = x, dy = y, size = 32;
    uint32_t colour = 0xFFFFFFFFu;
    if (t > 0.0f) {
      size = FloatToInt32((1.0f - t) * 16.0f);
      const int32_t h = (16 - size) / 2;
      const uint32_t alpha = static_cast<uint32_t>(FloatToInt32((1.0f - t) * 255.0f));
      dx = x + FloatToInt32(cell.driftX * t + static_cast<float>(h));
      dy = y + FloatToInt32(cell.driftY * t + static_cast<float>(h));
      colour = alpha << 24 | 0xFFFFFFu;
    }
    // The source is a 32 x 32 square of the capture at the cell's corner, so neighbouring cells
    // overlap while whole. The break-up is not a HUD drawer: its priority takes no offset.
    DrawSprite(list, g_CaptureTarget, dx, dy, size, size, static_cast<float>(x), static_cast<float>(y), 32.0f,
               32.0f, colour, 0, kScreenBreakPriority);
  }
}

void DrawTimerDigits(int32_t y, int32_t brightness, int32_t priority) {
  if (!g_BattleDrawSubmit) return;
  TextureHandle* sheet = GaugeSheet(kTimerSheet);
  const uint32_t b = static_cast<uint32_t>(brightness) & 0xFFu;
  const uint32_t colour = 0xFF000000u | b << 16 | b << 8 | b;
  g_DrawFilterMode = 2;
  if (g_TimerShown < 0.0f) {
    QueueGlyph(sheet, 296, y, 48, 40, 64, 80, colour, priority);
  } else {
    const int32_t value = FloatToInt32(std::min(g_TimerShown, 99.0f));
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    int32_t x = 291;
    for (int i = 0; i < 2; ++i) {
      int32_t cell;
      if (!DigitCell(static_cast<unsigned char>(text[i]), &cell)) continue;
      QueueGlyph(sheet, x, y, 32, 40, cell % 4 * 32, cell / 4 * 40, colour, priority);
      x += 26;
    }
  }
  g_DrawBlendMode = 1;
  g_DrawFilterMode = 1;
}

void DrawDecimalValue(int32_t x, int32_t y, int32_t value, int32_t priority) {
  if (!g_BattleDrawSubmit) return;
  TextureHandle* sheet = GaugeSheet(kDigitSheet);
  const int32_t whole = value / 10;
  char text[16];
  std::snprintf(text, sizeof text, "%3d", whole);
  for (int i = 0; text[i] != '\0'; ++i) {
    int32_t cell;
    if (DigitCell(static_cast<unsigned char>(text[i]), &cell))
      QueueGlyph(sheet, x + 15 * i, y, 16, 24, cell % 20 * 16, cell / 20 * 24 + 48, 0xFFFFFFFFu, priority);
  }
  QueueGlyph(sheet, x + 43, y, 20, 24, 160, 48, 0xFFFFFFFFu, priority);
  std::snprintf(text, sizeof text, "%01d", value - 10 * whole);
  for (int i = 0; text[i] != '\0'; ++i) {
    int32_t cell;
    if (DigitCell(static_cast<unsigned char>(text[i]), &cell))
      QueueGlyph(sheet, x + 53 + 16 * i, y, 16, 24, cell % 20 * 16, cell / 20 * 24 + 72, 0xFFFFFFFFu,
                 priority);
  }
  QueueGlyph(sheet, x + 68, y, 16, 24, 160, 72, 0xFFFFFFFFu, priority);
}

void DrawDigitString(int32_t x, int32_t y, int32_t spacing, const char* text, int32_t priority) {
  if (!g_BattleDrawSubmit || text == nullptr) return;
  TextureHandle* sheet = GaugeSheet(kTextSheet);
  const int32_t n = static_cast<int32_t>(std::strlen(text));
  for (int32_t i = n - 1; i >= 0; --i)
    QueueTextGlyph(sheet, x + spacing * i, y, static_cast<unsigned char>(text[i]), priority);
}

void DrawScoreDigits(int32_t x, int32_t y, int32_t score, int side) {
  if (!g_BattleDrawSubmit) return;
  constexpr int32_t kPriority = 460;
  char text[16];
  std::snprintf(text, sizeof text, "%08u", static_cast<unsigned>(std::clamp(score, 0, 9999999)));
  DrawDigitString(x, y, 10, text, kPriority);
  // The challenger count and the arcade counter before it in the side's record.
  int64_t count = 0;
  if (side >= 0 && side < 4) {
    const SideStatus& s = g_SideStatus[side];
    count = static_cast<int64_t>(s.arcadeTotals[8]) + s.arcadeTotals[9];
  }
  std::snprintf(text, sizeof text, "%02u", static_cast<unsigned>(std::clamp<int64_t>(count, 0, 99)));
  TextureHandle* sheet = GaugeSheet(kTextSheet);
  QueueTextGlyph(sheet, x + 80, y, static_cast<unsigned char>(text[0]), kPriority);
  QueueTextGlyph(sheet, x + 90, y, static_cast<unsigned char>(text[1]), kPriority);
}

int CopyImageToTexture(TextureHandle* texture, const void* pixels, int32_t width, int32_t height) {
  if (texture == nullptr || texture->dx == nullptr || pixels == nullptr || width <= 0 || height <= 0) {
    DebugPrint("CopyImageToTexture: no texture or no image to copy\n");
    return 0;
  }
  DxTexture* dx = texture->dx;
  // The lock is tried a bounded number of times: a texture that can never be locked (a render
  // target, say) would otherwise hold the caller for ever.
  uint8_t* bits = nullptr;
  for (int tries = 0; tries < kCopyImageLockTries; ++tries) {
    bits = static_cast<uint8_t*>(LockTexture(dx, nullptr));
    if (bits != nullptr) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (bits == nullptr) {
    DebugPrint("CopyImageToTexture: the %ux%u texture could not be locked after %d tries; nothing copied\n",
               dx->desc.Width, dx->desc.Height, kCopyImageLockTries);
    return 0;
  }
  const int32_t cw = std::min(width, static_cast<int32_t>(dx->desc.Width));
  const int32_t ch = std::min(height, static_cast<int32_t>(dx->desc.Height));
  const auto* src = static_cast<const uint8_t*>(pixels);
  const size_t srcPitch = static_cast<size_t>(width) * 4;
  const size_t pitch = static_cast<size_t>(dx->lockPitch);
  if (dx->desc.format == vt::gfx::FMT_A8R8G8B8) {
    for (int32_t y = 0; y < ch; ++y)
      std::memcpy(bits + y * pitch, src + y * srcPitch, static_cast<size_t>(cw) * 4);
  } else if (dx->desc.format == vt::gfx::FMT_A4R4G4B4) {
    // 0 stays 0; any other byte keeps at least 1 so that a faint channel never vanishes.
    auto nibble = [](uint8_t v) -> uint16_t { return v == 0 ? 0 : std::max<uint16_t>(v >> 4, 1); };
    const size_t rowBytes = pitch & ~static_cast<size_t>(1);
    for (int32_t y = 0; y < ch; ++y) {
      const uint8_t* s = src + y * srcPitch;
      uint8_t* row = bits + y * rowBytes;
      for (int32_t x = 0; x < cw; ++x, s += 4) {
        const uint16_t v =
            static_cast<uint16_t>(nibble(s[0]) | nibble(s[1]) << 4 | nibble(s[2]) << 8 | nibble(s[3]) << 12);
        std::memcpy(row + 2 * static_cast<size_t>(x), &v, sizeof v);
      }
    }
  }
  UnlockTexture(dx);
  return 1;
}

int IsDirectNetVsActive() {
  return g_DirectNetMode == 1 && g_NetworkMatch == 1 && g_DirectNetSession == 1 ? 1 : 0;
}

void InstallScreenBreakSeams() {
  // The calls are cleared with the other per-round words.
  AddRoundWordsReset(ResetRoundCalls);
}
