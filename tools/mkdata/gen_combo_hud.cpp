// The combo HUD sheets ".\grp\Combo\sys_combo00" and "sys_combo01": the eighteen banner
// rectangles with their labels, the bar, the hit and damage digits with their labels, the
// counter banner's nine-frame strip and the indicator's ring, icon and label, all at the places
// the HUD drawing cuts them from (battle/hud_draw.h). The second sheet holds the same pieces in
// another colour: combo records 6 and 7 are drawn from it.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "battle/hud_draw.h"
#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Mix;
using mkdata::Rgba;

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"monospace", height, 700, 4});
}

// The banners' words: the kinds the battle pushes by name, the rest by number.
std::string BannerText(int kind) {
  switch (kind) {
    case 0:
      return "JUST GUARD";
    case 4:
      return "CRITICAL";
    case 10:
      return "BONUS";
    case 12:
      return "GUARD CRUSH";
    case 16:
      return "MAX";
    default: {
      char t[16];
      std::snprintf(t, sizeof t, "BANNER %d", kind);
      return t;
    }
  }
}

void Frame(Canvas& c, const HudRect& r, const Rgba& fill, const Rgba& edge) {
  c.Rect(static_cast<float>(r.u), static_cast<float>(r.v), static_cast<float>(r.w), static_cast<float>(r.h),
         fill);
  c.Rect(static_cast<float>(r.u), static_cast<float>(r.v), static_cast<float>(r.w), 1, edge);
  c.Rect(static_cast<float>(r.u), static_cast<float>(r.v + r.h - 1), static_cast<float>(r.w), 1, edge);
  c.Rect(static_cast<float>(r.u), static_cast<float>(r.v), 1, static_cast<float>(r.h), edge);
  c.Rect(static_cast<float>(r.u + r.w - 1), static_cast<float>(r.v), 1, static_cast<float>(r.h), edge);
}

bool WriteSheet(const std::filesystem::path& root, const std::string& name, const Rgba& ink,
                const Rgba& panel) {
  auto small = Face(14), label = Face(18), hit = Face(56), damage = Face(32), counter = Face(40);
  if (!small || !label || !hit || !damage || !counter) return false;
  Canvas c(kHudSheetWidth, kHudSheetHeight);
  const Rgba edge = Mix(panel, {1, 1, 1, 1}, 0.6f);

  // Banners. Kind 3's rectangle reaches into the rows above and below it and kind 8's spans
  // kinds 0 and 10: those two are painted first and their neighbours over them.
  for (int kind : {3, 8}) {
    Frame(c, kBannerRects[kind], panel, edge);
    const HudRect& r = kBannerRects[kind];
    if (!mkdata::PaintText(c, *small, BannerText(kind).c_str(), r.u, r.v + 4, r.w, r.h - 4, 1, ink))
      return false;
  }
  for (int kind = 0; kind < kBannerKinds; ++kind) {
    if (kind == 3 || kind == 8) continue;
    const HudRect& r = kBannerRects[kind];
    Frame(c, r, panel, edge);
    if (!mkdata::PaintText(c, *small, BannerText(kind).c_str(), r.u, r.v + 4, r.w, r.h - 4, 1, ink))
      return false;
  }

  // The bar: bright in the middle, dark at the rims.
  for (int y = 0; y < kHudBar.h; ++y) {
    const float t = 1.0f - std::abs(static_cast<float>(y) - 3.5f) / 4.0f;
    c.Rect(static_cast<float>(kHudBar.u), static_cast<float>(kHudBar.v + y), static_cast<float>(kHudBar.w), 1,
           Mix(panel, ink, t));
  }

  // Digits and their labels, each on a cleared rectangle: kind 3's panel reaches under the last
  // two hit digits and the recovery label, which the drawing cuts whole.
  auto clear = [&](const HudRect& r) {
    for (int y = r.v; y < r.v + r.h; ++y)
      for (int x = r.u; x < r.u + r.w; ++x) c.At(x, y) = {0, 0, 0, 0};
  };
  clear({kHitDigit0.u, kHitDigit0.v, kHitDigit0.w * 10, kHitDigit0.h});
  clear(kHitsLabel);
  clear(kRecoveryLabel);
  clear(kDamageLabel);
  for (int d = 0; d < 10; ++d) {
    const char ch = static_cast<char>('0' + d);
    if (!mkdata::PaintGlyph(c, *hit, ch, kHitDigit0.u + d * kHitDigit0.w, kHitDigit0.v, kHitDigit0.w,
                            kHitDigit0.h, 2, 0, ink) ||
        !mkdata::PaintGlyph(c, *damage, ch, kDamageDigit0.u + d * kDamageDigit0.w, kDamageDigit0.v,
                            kDamageDigit0.w, kDamageDigit0.h, 1, 0, {1, 1, 1, 1}))
      return false;
  }
  if (!mkdata::PaintText(c, *label, "HITS", kHitsLabel.u, kHitsLabel.v, kHitsLabel.w, kHitsLabel.h, 1, ink) ||
      !mkdata::PaintText(c, *small, "RECOVER", kRecoveryLabel.u, kRecoveryLabel.v, kRecoveryLabel.w,
                         kRecoveryLabel.h, 1, {0.6f, 1, 0.6f, 1}) ||
      !mkdata::PaintText(c, *small, "DAMAGE", kDamageLabel.u, kDamageLabel.v + 4, kDamageLabel.w,
                         kDamageLabel.h - 4, 1, {1, 1, 1, 1}))
    return false;

  // The counter banner: the word slides in from the left over frames 0..7 and flashes on 8.
  for (int f = 0; f < kCounterFrames; ++f) {
    const HudRect r = {kCounterStrip.u, kCounterStrip.v + f * kCounterStrip.h, kCounterStrip.w,
                       kCounterStrip.h};
    const float k = static_cast<float>(f) / 8.0f;
    c.Rect(static_cast<float>(r.u), static_cast<float>(r.v + 8), static_cast<float>(r.w), 40,
           {0.7f, 0.05f, 0.05f, 0.35f + 0.5f * k});
    c.Rect(static_cast<float>(r.u), static_cast<float>(r.v + 8), static_cast<float>(r.w), 2,
           {1, 0.8f, 0.2f, 1});
    c.Rect(static_cast<float>(r.u), static_cast<float>(r.v + 46), static_cast<float>(r.w), 2,
           {1, 0.8f, 0.2f, 1});
    const int shift = (8 - f) * 16;
    if (!mkdata::PaintText(c, *counter, "COUNTER", r.u + 8 - shift, r.v + 6, r.w - 16, 44, 2,
                           f == 8 ? Rgba{1, 1, 1, 1} : Rgba{1, 0.85f, 0.2f, 1}))
      return false;
  }

  // The indicator: a ring, a shield icon and its label.
  const float rx = kIndicatorRing.u + 32.0f, ry = kIndicatorRing.v + 32.0f;
  c.Ellipse(rx, ry, 30, 30, ink, 1.5f);
  for (int y = kIndicatorRing.v; y < kIndicatorRing.v + 64; ++y)
    for (int x = kIndicatorRing.u; x < kIndicatorRing.u + 64; ++x) {
      const float d = std::hypot(x + 0.5f - rx, y + 0.5f - ry);
      if (d < 23.0f) c.At(x, y) = {0, 0, 0, 0};
    }
  const float ix = kIndicatorIcon.u + 24.0f, iy = kIndicatorIcon.v + 18.0f;
  c.Ellipse(ix, iy, 16, 18, {0.05f, 0.05f, 0.1f, 1});
  c.Ellipse(ix, iy, 14, 16, ink);
  if (!mkdata::PaintGlyph(c, *label, '!', kIndicatorIcon.u + 12, kIndicatorIcon.v + 6, 24, 24, 1, 0, panel))
    return false;
  if (!mkdata::PaintText(c, *small, "GUARD", kIndicatorLabel.u, kIndicatorLabel.v, kIndicatorLabel.w,
                         kIndicatorLabel.h, 1, ink))
    return false;
  return c.Save(root, name);
}

bool WriteComboSheets(const std::filesystem::path& root) {
  return WriteSheet(root, "grp/Combo/sys_combo00.png", {1.0f, 0.85f, 0.25f, 1},
                    {0.15f, 0.1f, 0.35f, 0.85f}) &&
         WriteSheet(root, "grp/Combo/sys_combo01.png", {0.4f, 0.9f, 1.0f, 1}, {0.05f, 0.2f, 0.3f, 0.85f});
}

}  // namespace

MKDATA_STEP("32_combo_hud", WriteComboSheets);
