// The drawing of the battle's combo HUD and the cut-in slots' release.
#include "battle/hud_draw.h"

#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"

CutInOwner g_CutIns[4];

namespace {

GrpDrawList* List() { return g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr; }

// The side's index when it has a place on the screen (0 or 1). HUD blocks and side records
// hold four entries, but objects credited to the effect owner carry side 255, and sides 2 and 3
// have no place to draw at: they all draw nothing.
int ScreenSide(int side) {
  side = SideIndexOrNone(side);
  return side == 0 || side == 1 ? side : -1;
}

uint32_t White(int32_t alpha) { return static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24 | 0xFFFFFFu; }

void Sprite(TextureHandle* t, const HudRect& r, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
            int32_t layer) {
  DrawSprite(List(), t, x, y, w, h, static_cast<float>(r.u), static_cast<float>(r.v), static_cast<float>(r.w),
             static_cast<float>(r.h), colour, 0, layer);
}
void Sprite(TextureHandle* t, const HudRect& r, int32_t x, int32_t y, uint32_t colour, int32_t layer) {
  Sprite(t, r, x, y, r.w, r.h, colour, layer);
}

// A number as digit cells of a row (digit d at the first cell's u + d x width), printed with a
// field width; leading blanks draw nothing.
void Digits(TextureHandle* t, const HudRect& zero, int32_t value, int width, int32_t x, int32_t y,
            int32_t step, uint32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%*d", width, value);
  for (int k = 0; k < width && text[k] != '\0'; ++k) {
    if (text[k] < '0' || text[k] > '9') continue;
    const HudRect cell = {zero.u + (text[k] - '0') * zero.w, zero.v, zero.w, zero.h};
    Sprite(t, cell, x + k * step, y, colour, kHudLayer);
  }
}

void DrawCounter(int side, int index) {
  const ComboRecord& r = g_SideStatus[side].combos[index];
  if (!r.visible || r.alpha <= 0) return;
  TextureHandle* t = g_BattleHudTextures.comboDigits[index < 6 ? 0 : 1];
  const uint32_t c = White(r.alpha);
  Digits(t, kHitDigit0, std::clamp<int32_t>(r.hits, 0, 999), 3, r.x + kHitDigitsX, r.y, kHitDigitStep, c);
  Sprite(t, kHitsLabel, r.x + kHitsLabelX, r.y + kHitsLabelY, c, kHudLabelLayer);
  if (r.recovery) Sprite(t, kRecoveryLabel, r.x + kRecoveryLabelX, r.y + kRecoveryLabelY, c, kHudLabelLayer);
  Digits(t, kDamageDigit0, std::clamp<int32_t>(r.damage, 0, 30000), 5, r.x + kDamageDigitsX,
         r.y + kDamageDigitsY, kDamageDigitStep, c);
  Sprite(t, kDamageLabel, r.x + kDamageLabelX, r.y + kDamageLabelY, c, kHudLabelLayer);
  Sprite(t, kHudBar, r.x, r.y + kCounterBarY, c, kHudLayer);
}

}  // namespace

bool IsHudHidden() {
  // The HUD graphics slide the HUD off for the battle's closing scenes; only a slide that has
  // reached its end (1.0) hides the combo HUD, which does not move with the slide itself.
  return g_BattleDrawSeams.HudSlide && g_BattleDrawSeams.HudSlide() >= 1.0f;
}

void DrawComboCounters(int side) {
  side = ScreenSide(side);
  if (side < 0 || !g_BattleDrawSubmit) return;
  for (int i = 0; i < kComboRecords; ++i) DrawCounter(side, i);
}

void DrawCounterBanner(int side) {
  side = ScreenSide(side);
  if (side < 0 || !g_BattleDrawSubmit) return;
  const int32_t timer = g_SideStatus[side].counterBanner;
  if (timer <= 0) return;
  const int32_t frame = std::clamp((60 - timer) / 2, 0, kCounterFrames - 1);
  const int32_t alpha = timer > 15 ? 255 : timer * 255 / 16;
  const HudRect cell = {kCounterStrip.u, kCounterStrip.v + frame * kCounterStrip.h, kCounterStrip.w,
                        kCounterStrip.h};
  Sprite(g_BattleHudTextures.comboDigits[0], cell, side == 0 ? 0 : 384, 172, White(alpha), kHudLayer);
}

void DrawBanners(int side) {
  side = ScreenSide(side);
  if (side < 0 || !g_BattleDrawSubmit) return;
  TextureHandle* t = g_BattleHudTextures.comboDigits[0];
  for (int j = 0; j < kHudBanners; ++j) {
    const HudBanner& b = g_HudBlocks[side].banners[j];
    // Kinds from data may lie past the table: such a banner queues and animates, and shows
    // nothing.
    if (b.state == 0 || b.kind >= kBannerKinds) continue;
    const HudRect& r = kBannerRects[b.kind];
    int32_t alpha = b.alpha;
    // The entry pushed off the end fades as it moves down.
    if (j == kHudBanners - 1) alpha = alpha * b.shift / 8;
    const uint32_t c = White(alpha);
    Sprite(t, r, side == 1 ? b.x + 16 : b.x + 144 - r.w, b.y, c, kHudLabelLayer);
    // The bar, 160 pixels of the sheet's 276-pixel bar, under the banner.
    Sprite(t, kHudBar, b.x, b.y + r.h, 160, kHudBar.h, c, kHudLayer);
  }
}

void DrawStatusIndicator(int side) {
  side = ScreenSide(side);
  if (side < 0 || !g_BattleDrawSubmit) return;
  const HudBlock& h = g_HudBlocks[side];
  if (h.indicatorTimer <= 0) return;
  TextureHandle* t = g_BattleHudTextures.comboDigits[0];
  const int32_t iconX = side == 0 ? 16 : 576, iconY = 416;
  const int32_t phase = h.indicatorPhase;
  switch (h.indicatorMode) {
    case 0:
      // Eight frames shown, eight hidden.
      if ((phase & 8) == 0) Sprite(t, kIndicatorIcon, iconX, iconY, White(255), kHudLayer);
      Sprite(t, kIndicatorLabel, side == 0 ? 64 : 512, 412, White(255), kHudLabelLayer);
      break;
    case 1:
    case 2: {
      // The ring grows about the icon's centre: mode 1 from nothing to full size over the 16
      // phase frames, mode 2 from a quarter to 1.25; both fade out over the first 12.
      const float scale = static_cast<float>(phase) / 16.0f + (h.indicatorMode == 2 ? 0.25f : 0.0f);
      const int32_t alpha = static_cast<int32_t>(std::clamp<int64_t>(12 - int64_t{phase}, 0, 12) * 255 / 12);
      const int32_t size = static_cast<int32_t>(static_cast<float>(kIndicatorRing.w) * scale);
      if (alpha == 0 || size <= 0) break;
      const int32_t cx = iconX + kIndicatorIcon.w / 2, cy = iconY + kIndicatorIcon.h / 2;
      Sprite(t, kIndicatorRing, cx - size / 2, cy - size / 2, size, size, White(alpha), kHudLayer);
      break;
    }
    default:
      break;  // other modes have no picture
  }
}

void DrawHud() {
  if (!g_BattleDrawSubmit || IsHudHidden()) return;
  for (int side = 0; side < 2; ++side) DrawComboCounters(side);
  for (int side = 0; side < 2; ++side) DrawCounterBanner(side);
  for (int side = 0; side < 2; ++side) DrawBanners(side);
  for (int side = 0; side < 2; ++side) DrawStatusIndicator(side);
}

void ReleaseExpiredCutIns() {
  if (g_Paused) return;
  for (CutInOwner& owner : g_CutIns) {
    owner.count = std::clamp(owner.count, 0, kCutInSlots);
    for (int i = 0; i < owner.count;) {
      CutInSlot& s = owner.slots[i];
      if (s.timer <= 0 || --s.timer > 0) {
        ++i;
        continue;
      }
      if (s.texture) FreeTexture(s.texture);
      for (int k = i; k + 1 < owner.count; ++k) owner.slots[k] = std::move(owner.slots[k + 1]);
      owner.slots[--owner.count] = CutInSlot{};
      // The slot moved up into place i is looked at next; it counts down this frame too.
    }
  }
}

void InstallHudDrawSeams() {}
