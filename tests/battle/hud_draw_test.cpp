// The combo HUD on the recording device: the banner timeline and its bar, the combo counter's
// slide and pieces, the counter banner's frames and alpha, the status indicator's modes; sides
// outside the screen's two, banner kinds past the table, the hidden HUD and headless runs; and
// the cut-in slots' release.
#include "battle/hud_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle_fixture.h"

namespace {

// One queued quad read back: its screen rectangle, its source rectangle in sheet pixels, its
// alpha and texture.
struct Quad {
  float x, y, w, h;
  float su, sv, sw, sh;
  uint32_t alpha;
  const vt::gfx::Texture* texture;
  int layer;
};

class HudDraw : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    ResetHudBanners();
    g_BattleHudTextures.comboDigits[0] = SolidTexture(kHudSheetWidth, kHudSheetHeight, 0xFFFFFFFFu);
    g_BattleHudTextures.comboDigits[1] = SolidTexture(kHudSheetWidth, kHudSheetHeight, 0xFF808080u);
  }
  void TearDown() override {
    FreeBattleHudTextures();
    ResetBattleDrawSeams();
    g_BattleDrawSubmit = true;
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }

  static const vt::gfx::Texture* Sheet(int n) { return HandleTexture(g_BattleHudTextures.comboDigits[n]); }

  // The quads on the HUD's two layers, in queue order per layer.
  static std::vector<Quad> Queued() {
    std::vector<Quad> out;
    for (int layer : {kHudLayer, kHudLabelLayer})
      for (const GrpDrawCommand* c = g_MainDrawList.slots[layer].next; c && c->kind != kDrawKindHead;
           c = c->next) {
        Quad q{};
        q.x = c->v[0].x;
        q.y = c->v[0].y;
        q.w = c->v[1].x - c->v[0].x;
        q.h = c->v[2].y - c->v[0].y;
        const float W = c->texture ? static_cast<float>(c->texture->Width()) : 1.0f;
        const float H = c->texture ? static_cast<float>(c->texture->Height()) : 1.0f;
        q.su = std::round(c->v[0].u * W - 0.5f);
        q.sv = std::round(c->v[0].v * H - 0.5f);
        q.sw = std::round(c->v[1].u * W) - q.su;
        q.sh = std::round(c->v[2].v * H) - q.sv;
        q.alpha = c->v[0].diffuse >> 24;
        q.texture = c->texture;
        q.layer = layer;
        out.push_back(q);
      }
    return out;
  }
  // The quads cut from a source rectangle.
  static std::vector<Quad> From(const HudRect& r) {
    std::vector<Quad> out;
    for (const Quad& q : Queued())
      if (q.su == r.u && q.sv == r.v && q.sw == r.w && q.sh == r.h) out.push_back(q);
    return out;
  }
  static void Pass() {
    ResetDrawList(&g_MainDrawList);
    UpdateDrawHud();
  }
};

// --- banners --------------------------------------------------------------------------------

TEST_F(HudDraw, BannerTimelineSlidesInHoldsAndFades) {
  struct Row {
    int pass;
    int16_t state;
    int32_t spriteX[2];  // side 0 (right edge at x + 144), side 1 (x + 16)
    uint32_t alpha;
  };
  // Kind 4 is 80 wide: side 0 draws at x + 64.
  const Row rows[] = {
      {1, 2, {-160 + 64, 640 + 16}, 255},   // state 1 placed it at the edge
      {2, 2, {-140 + 64, 620 + 16}, 255},   // 20 pixels a frame inward
      {8, 10, {-20 + 64, 500 + 16}, 255},   // after 7 frames: shown
      {67, 10, {-20 + 64, 500 + 16}, 255},  // 60 frames shown
      {68, 50, {-20 + 64, 500 + 16}, 255},  // then fading
      {69, 50, {-20 + 64, 500 + 16}, 239},  // 16 a frame
      {83, 50, {-20 + 64, 500 + 16}, 15},
  };
  PushBanner(0, 4);
  PushBanner(1, 4);
  int pass = 0;
  for (const Row& r : rows) {
    while (pass < r.pass) {
      Pass();
      ++pass;
    }
    for (int side = 0; side < 2; ++side) {
      EXPECT_EQ(g_HudBlocks[side].banners[0].state, r.state) << "pass " << r.pass;
      ResetDrawList(&g_MainDrawList);
      DrawBanners(side);
      const std::vector<Quad> sprite = From(HudRect{kBannerRects[4]});
      ASSERT_EQ(sprite.size(), 1u) << "pass " << r.pass << " side " << side;
      EXPECT_EQ(sprite[0].x, r.spriteX[side]) << "pass " << r.pass << " side " << side;
      EXPECT_EQ(sprite[0].y, 392);
      EXPECT_EQ(sprite[0].w, 80);
      EXPECT_EQ(sprite[0].h, 24);
      EXPECT_EQ(sprite[0].alpha, r.alpha) << "pass " << r.pass;
      EXPECT_EQ(sprite[0].layer, kHudLabelLayer);
      // The bar: 160 x 8 under it, from the bar's rectangle, starting at the banner's x.
      const std::vector<Quad> bar = From(kHudBar);
      ASSERT_EQ(bar.size(), 1u);
      EXPECT_EQ(bar[0].x, side == 0 ? r.spriteX[0] - 64 : r.spriteX[1] - 16);
      EXPECT_EQ(bar[0].y, 392 + 24);
      EXPECT_EQ(bar[0].w, 160);
      EXPECT_EQ(bar[0].h, 8);
      EXPECT_EQ(bar[0].alpha, r.alpha);
      EXPECT_EQ(bar[0].layer, kHudLayer);
    }
  }
  // Alpha reaches 0 on the 84th pass: the entry is free and nothing is drawn.
  Pass();
  EXPECT_EQ(g_HudBlocks[0].banners[0].state, 0);
  EXPECT_TRUE(Queued().empty());
}

TEST_F(HudDraw, PushedBannersMoveDownAndTheLastFadesWithItsShift) {
  for (int k = 0; k < 6; ++k) PushBanner(0, k);
  Pass();
  // Entries 0..5 hold kinds 5..0; each moved entry shifts 8 and counts down: shift 7 here.
  const std::vector<Quad> q = Queued();
  int banners = 0;
  for (int j = 0; j < kHudBanners; ++j) {
    const HudBanner& b = g_HudBlocks[0].banners[j];
    const std::vector<Quad> s = From(HudRect{kBannerRects[b.kind]});
    ASSERT_FALSE(s.empty()) << j;
    ++banners;
    const int32_t y = b.shift * 3 - j * 24 + 392;
    bool found = false;
    for (const Quad& d : s)
      if (d.y == y) {
        found = true;
        EXPECT_EQ(d.alpha, j == 5 ? 255u * b.shift / 8 : 255u) << j;
      }
    EXPECT_TRUE(found) << j;
  }
  EXPECT_EQ(banners, 6);
}

TEST_F(HudDraw, BannerKindsPastTheTableAnimateAndDrawNothing) {
  for (int kind : {18, 200, 255}) {
    ResetHudBanners();
    PushBanner(0, kind);
    PushBanner(1, 3);
    for (int i = 0; i < 8; ++i) Pass();
    // Queued and animated as any banner ...
    EXPECT_EQ(g_HudBlocks[0].banners[0].kind, kind);
    EXPECT_EQ(g_HudBlocks[0].banners[0].state, 10) << kind;
    EXPECT_EQ(g_HudBlocks[0].banners[0].x, -20);
    // ... and only the other side's banner (sprite and bar) is drawn.
    const std::vector<Quad> q = Queued();
    ASSERT_EQ(q.size(), 2u) << kind;
    for (const Quad& d : q) EXPECT_GE(d.x, 500);
  }
}

// --- combo counters ---------------------------------------------------------------------------

TEST_F(HudDraw, CounterSlidesInFromTheSideEdgeWithinTwelveFrames) {
  for (int side = 0; side < 2; ++side) {
    ResetComboRoundWords();
    ComboRecord& r = g_SideStatus[side].combos[0];
    r.hits = 123;
    r.damage = 4567;
    struct Row {
      int frame;
      int32_t x;
    };
    const int32_t start = side == 0 ? -276 : 640, dir = side == 0 ? 1 : -1;
    const Row rows[] = {{0, start}, {6, start + 138 * dir}, {12, start + 276 * dir}, {20, start + 276 * dir}};
    int frame = -1;
    for (const Row& row : rows) {
      while (frame < row.frame) {
        Pass();
        ++frame;
      }
      // The hit count's three digits 25 apart from x + 8, at y 108.
      for (int k = 0; k < 3; ++k) {
        const HudRect digit = {kHitDigit0.u + (k + 1) * 32, kHitDigit0.v, 32, 56};
        const std::vector<Quad> d = From(digit);
        ASSERT_EQ(d.size(), 1u) << "side " << side << " frame " << row.frame << " digit " << k;
        EXPECT_EQ(d[0].x, row.x + kHitDigitsX + 25 * k) << "side " << side << " frame " << row.frame;
        EXPECT_EQ(d[0].y, 108);
        EXPECT_EQ(d[0].alpha, 255u);
        EXPECT_EQ(d[0].texture, Sheet(0));
      }
      // The bar spans the 276 pixels the counter slides by.
      const std::vector<Quad> bar = From(kHudBar);
      ASSERT_EQ(bar.size(), 1u);
      EXPECT_EQ(bar[0].x, row.x);
      EXPECT_EQ(bar[0].w, 276);
    }
    EXPECT_EQ(r.animState, 100);
  }
}

TEST_F(HudDraw, CounterPiecesDigitsLabelsAndSheets) {
  struct Case {
    int index;
    int16_t hits;
    int32_t damage;
    uint8_t recovery;
    const char* hitText;     // "%3d" of the shown count
    const char* damageText;  // "%5d"
  };
  const Case cases[] = {
      {0, 2, 95, 0, "  2", "   95"},
      {3, 45, 30000, 1, " 45", "30000"},
      {6, 999, 12, 0, "999", "   12"},      // records 6 and 7 come from the second sheet
      {7, 1200, 99999, 1, "999", "30000"},  // at most 999 hits and 30000 damage shown
  };
  for (const Case& c : cases) {
    ResetComboRoundWords();
    ComboRecord& r = g_SideStatus[0].combos[c.index];
    r.hits = c.hits;
    r.damage = c.damage;
    r.recovery = c.recovery;
    r.visible = 1;
    r.alpha = 200;
    r.x = 10;
    r.y = 108;
    ResetDrawList(&g_MainDrawList);
    DrawComboCounters(0);
    const vt::gfx::Texture* sheet = Sheet(c.index < 6 ? 0 : 1);
    for (const Quad& q : Queued()) {
      EXPECT_EQ(q.texture, sheet) << c.index;
      EXPECT_EQ(q.alpha, 200u);
    }
    for (int k = 0; k < 3; ++k) {
      if (c.hitText[k] == ' ') continue;
      const HudRect digit = {(c.hitText[k] - '0') * 32, 56, 32, 56};
      bool found = false;
      for (const Quad& q : From(digit)) found |= q.x == 10 + kHitDigitsX + 25 * k && q.y == 108;
      EXPECT_TRUE(found) << c.index << " hit digit " << k;
    }
    int damageDigits = 0;
    for (int k = 0; k < 5; ++k) {
      if (c.damageText[k] == ' ') continue;
      ++damageDigits;
      const HudRect digit = {(c.damageText[k] - '0') * 16, kDamageDigit0.v, 16, 32};
      bool found = false;
      for (const Quad& q : From(digit))
        found |= q.x == 10 + kDamageDigitsX + 16 * k && q.y == 108 + kDamageDigitsY;
      EXPECT_TRUE(found) << c.index << " damage digit " << k;
    }
    EXPECT_EQ(From(kHitsLabel).size(), 1u);
    EXPECT_EQ(From(kDamageLabel).size(), 1u);
    EXPECT_EQ(From(kRecoveryLabel).size(), c.recovery ? 1u : 0u) << c.index;
    ASSERT_FALSE(From(kHitsLabel).empty());
    EXPECT_EQ(From(kHitsLabel)[0].layer, kHudLabelLayer);
    int hitDigits = 0;
    for (int k = 0; k < 3; ++k) hitDigits += c.hitText[k] != ' ';
    EXPECT_EQ(Queued().size(), static_cast<size_t>(hitDigits + damageDigits + 3 + c.recovery)) << c.index;
  }
}

TEST_F(HudDraw, SingleHitShowsNoCounterAndFadedRecordsDrawNothing) {
  g_SideStatus[0].combos[0].hits = 1;
  for (int i = 0; i < 20; ++i) Pass();
  EXPECT_TRUE(Queued().empty());
  ComboRecord& r = g_SideStatus[1].combos[2];
  r.hits = 5;
  r.visible = 0;  // faded out (state -1)
  r.alpha = 255;
  ResetDrawList(&g_MainDrawList);
  DrawComboCounters(1);
  EXPECT_TRUE(Queued().empty());
}

// --- counter banner ----------------------------------------------------------------------------

TEST_F(HudDraw, CounterBannerFramesAndAlpha) {
  struct Row {
    int32_t timer;
    int frame;
    uint32_t alpha;
  };
  const Row rows[] = {
      {60, 0, 255}, {59, 0, 255}, {58, 1, 255}, {45, 7, 255}, {44, 8, 255},
      {30, 8, 255}, {16, 8, 255}, {15, 8, 239}, {8, 8, 127},  {1, 8, 15},
  };
  for (int side = 0; side < 2; ++side)
    for (const Row& r : rows) {
      g_SideStatus[side].counterBanner = r.timer;
      ResetDrawList(&g_MainDrawList);
      DrawCounterBanner(side);
      const std::vector<Quad> q = Queued();
      ASSERT_EQ(q.size(), 1u) << r.timer;
      EXPECT_EQ(q[0].x, side == 0 ? 0 : 384);
      EXPECT_EQ(q[0].y, 172);
      EXPECT_EQ(q[0].w, 256);
      EXPECT_EQ(q[0].h, 56);
      EXPECT_EQ(q[0].su, 0);
      EXPECT_EQ(q[0].sv, kCounterStrip.v + 56 * r.frame) << "timer " << r.timer;
      EXPECT_EQ(q[0].alpha, r.alpha) << "timer " << r.timer;
    }
  g_SideStatus[0].counterBanner = 0;
  ResetDrawList(&g_MainDrawList);
  DrawCounterBanner(0);
  EXPECT_TRUE(Queued().empty());
}

TEST_F(HudDraw, CounterBannerCountsDownInThePassUnlessPaused) {
  g_SideStatus[1].counterBanner = 60;
  Pass();
  EXPECT_EQ(g_SideStatus[1].counterBanner, 59);
  ASSERT_EQ(From(HudRect{0, kCounterStrip.v, 256, 56}).size(), 1u);
  g_Paused = 1;
  Pass();
  EXPECT_EQ(g_SideStatus[1].counterBanner, 59);
  g_Paused = 0;
}

// --- status indicator ------------------------------------------------------------------------

TEST_F(HudDraw, IndicatorModes) {
  struct Row {
    int32_t mode, phase;
    int16_t timer;
    int side;
    // Expected: the icon (or none), the label (or none), the ring's rectangle and alpha.
    bool icon, label;
    int32_t ringX, ringSize;
    uint32_t ringAlpha;
  };
  const Row rows[] = {
      {0, 0, 20, 0, true, true, 0, 0, 0},
      {0, 7, 20, 0, true, true, 0, 0, 0},
      {0, 8, 20, 0, false, true, 0, 0, 0},  // the blink's hidden half
      {0, 16, 20, 1, true, true, 0, 0, 0},
      {0, 3, 0, 0, false, false, 0, 0, 0},           // no timer: nothing
      {1, 4, 12, 0, false, false, 40 - 8, 16, 170},  // a quarter grown, two thirds faded in
      {1, 8, 8, 1, false, false, 600 - 16, 32, 85},
      {2, 4, 12, 0, false, false, 40 - 16, 32, 170},  // mode 2 starts a quarter bigger
      {2, 0, 16, 1, false, false, 600 - 8, 16, 255},
      {1, 12, 4, 0, false, false, 0, 0, 0},  // faded out after 12 frames
      {3, 2, 10, 0, false, false, 0, 0, 0},  // no picture for other modes
  };
  for (const Row& r : rows) {
    ResetHudBanners();
    HudBlock& h = g_HudBlocks[r.side];
    h.indicatorMode = r.mode;
    h.indicatorPhase = r.phase;
    h.indicatorTimer = r.timer;
    ResetDrawList(&g_MainDrawList);
    DrawStatusIndicator(r.side);
    const std::vector<Quad> icon = From(kIndicatorIcon), label = From(kIndicatorLabel),
                            ring = From(kIndicatorRing);
    ASSERT_EQ(icon.size(), r.icon ? 1u : 0u) << r.mode << "/" << r.phase;
    ASSERT_EQ(label.size(), r.label ? 1u : 0u) << r.mode << "/" << r.phase;
    if (r.icon) {
      EXPECT_EQ(icon[0].x, r.side == 0 ? 16 : 576);
      EXPECT_EQ(icon[0].y, 416);
    }
    if (r.label) {
      EXPECT_EQ(label[0].x, r.side == 0 ? 64 : 512);
      EXPECT_EQ(label[0].y, 412);
      EXPECT_EQ(label[0].layer, kHudLabelLayer);
    }
    ASSERT_EQ(ring.size(), r.ringSize ? 1u : 0u) << r.mode << "/" << r.phase;
    if (r.ringSize) {
      EXPECT_EQ(ring[0].x, r.ringX) << r.mode << "/" << r.phase;
      EXPECT_EQ(ring[0].y, 436 - r.ringSize / 2);
      EXPECT_EQ(ring[0].w, r.ringSize);
      EXPECT_EQ(ring[0].alpha, r.ringAlpha);
    }
  }
}

TEST_F(HudDraw, GuardDisplayRingGrowsOverThePasses) {
  TellGuardDisplay(0, 2);
  std::vector<float> sizes;
  for (int i = 0; i < 14; ++i) {
    Pass();
    const std::vector<Quad> ring = From(kIndicatorRing);
    sizes.push_back(ring.empty() ? 0.0f : ring[0].w);
  }
  // Phases 1..11 show a ring that grows; from phase 12 it has faded.
  EXPECT_EQ(sizes[0], 20.0f);  // 64 x (1/16 + 1/4)
  for (int i = 1; i < 11; ++i) EXPECT_GT(sizes[i], sizes[i - 1]) << i;
  EXPECT_EQ(sizes[11], 0.0f);
}

// --- sides, hiding, headless -------------------------------------------------------------------

TEST_F(HudDraw, SidesOffTheScreenDrawAndChangeNothing) {
  // Sides outside 0..3 (the effect owner's 255 among them) reach no record at all.
  for (int side : {-1, 4, 255}) {
    ResetHudBanners();
    PushBanner(side, 3);
    TellGuardDisplay(side, 1);
    for (const HudBlock& h : g_HudBlocks) {
      EXPECT_EQ(h.banners[0].state, 0) << side;
      EXPECT_EQ(h.indicatorTimer, 0) << side;
    }
  }
  // Whatever the blocks of sides 2 and 3 hold, they have no place on the screen; nor has any
  // side outside 0..3.
  for (int side : {2, 3}) {
    PushBanner(side, 3);
    g_HudBlocks[side].banners[0].alpha = 255;
    g_HudBlocks[side].indicatorTimer = 10;
    g_SideStatus[side].counterBanner = 30;
    g_SideStatus[side].combos[0] = ComboRecord{2, 100, 0, 0, 0, 0, 1, 0, 0, 100, 0, 0, 108, 255};
  }
  for (int side : {-1, 2, 3, 4, 255}) {
    ResetDrawList(&g_MainDrawList);
    DrawComboCounters(side);
    DrawCounterBanner(side);
    DrawBanners(side);
    DrawStatusIndicator(side);
    EXPECT_TRUE(Queued().empty()) << side;
  }
}

TEST_F(HudDraw, HiddenHudAndHeadlessRunsAnimateWithoutDrawing) {
  struct Row {
    const char* name;
    float slide;  // < 0: no seam
    bool submit;
    bool drawn;
  };
  const Row rows[] = {
      {"no seam", -1.0f, true, true},  {"in place", 0.0f, true, true},   {"sliding", 0.5f, true, true},
      {"slid off", 1.0f, true, false}, {"headless", 0.0f, false, false},
  };
  static float slide = 0.0f;
  for (const Row& r : rows) {
    ResetHudBanners();
    ResetDrawList(&g_MainDrawList);
    slide = r.slide;
    g_BattleDrawSeams.HudSlide = r.slide < 0 ? nullptr : +[] { return slide; };
    g_BattleDrawSubmit = r.submit;
    PushBanner(0, 1);
    g_SideStatus[0].counterBanner = 60;
    g_HudBlocks[1].indicatorTimer = 20;
    Pass();
    EXPECT_EQ(g_HudBlocks[0].banners[0].state, 2) << r.name;
    EXPECT_EQ(g_SideStatus[0].counterBanner, 59) << r.name;
    EXPECT_EQ(g_HudBlocks[1].indicatorTimer, 19) << r.name;
    EXPECT_EQ(Queued().empty(), !r.drawn) << r.name;
    EXPECT_EQ(IsHudHidden(), r.slide >= 1.0f) << r.name;
    g_BattleDrawSubmit = true;
  }
}

// --- the generated sheets ----------------------------------------------------------------------

// The opaque pixels of a rectangle of a sheet, as a bitmap.
std::vector<bool> Ink(TextureHandle* t, const HudRect& r) {
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  const int stride = t->dx->lockPitch / 4;
  std::vector<bool> ink;
  for (int y = r.v; y < r.v + r.h; ++y)
    for (int x = r.u; x < r.u + r.w; ++x)
      ink.push_back((px[static_cast<size_t>(y) * stride + x] >> 24) > 200);
  UnlockTexture(t->dx);
  return ink;
}
std::vector<uint32_t> Pixels(TextureHandle* t, const HudRect& r) {
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  const int stride = t->dx->lockPitch / 4;
  std::vector<uint32_t> out;
  for (int y = r.v; y < r.v + r.h; ++y)
    for (int x = r.u; x < r.u + r.w; ++x) out.push_back(px[static_cast<size_t>(y) * stride + x]);
  UnlockTexture(t->dx);
  return out;
}
int Count(const std::vector<bool>& ink) { return static_cast<int>(std::count(ink.begin(), ink.end(), true)); }

TEST_F(HudDraw, GeneratedSheetsHoldEveryPieceAtItsPlace) {
  std::filesystem::create_directories("grp/Combo");
  for (const char* f : {"grp/Combo/sys_combo00.png", "grp/Combo/sys_combo01.png"})
    std::filesystem::copy_file(std::filesystem::path(VT_SAMPLE_DIR) / f, f,
                               std::filesystem::copy_options::overwrite_existing);
  FreeBattleHudTextures();
  ASSERT_EQ(LoadBattleHudTextures(), 1);
  for (TextureHandle* t : g_BattleHudTextures.comboDigits) {
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(static_cast<int>(t->dx->desc.Width), kHudSheetWidth);
    ASSERT_EQ(static_cast<int>(t->dx->desc.Height), kHudSheetHeight);
    // Digits: inked, and no two alike.
    for (const HudRect& zero : {kHitDigit0, kDamageDigit0}) {
      std::vector<std::vector<bool>> digits;
      for (int d = 0; d < 10; ++d) {
        digits.push_back(Ink(t, {zero.u + d * zero.w, zero.v, zero.w, zero.h}));
        EXPECT_GT(Count(digits.back()), zero.w * zero.h / 20) << "digit " << d;
        for (int e = 0; e < d; ++e) EXPECT_NE(digits[e], digits[d]) << "digits " << e << " and " << d;
      }
    }
    // Labels, the indicator's pieces and the bar are inked; each banner is a panel.
    for (const HudRect& r :
         {kHitsLabel, kRecoveryLabel, kDamageLabel, kIndicatorRing, kIndicatorIcon, kIndicatorLabel})
      EXPECT_GT(Count(Ink(t, r)), r.w * r.h / 20) << r.u << "," << r.v;
    EXPECT_EQ(Count(Ink(t, kHudBar)), kHudBar.w * kHudBar.h);
    for (int kind = 0; kind < kBannerKinds; ++kind) {
      const HudRect& r = kBannerRects[kind];
      EXPECT_GT(Count(Ink(t, r)), r.w * r.h / 2) << "banner " << kind;
    }
    // The counter banner's frames all differ.
    std::vector<std::vector<uint32_t>> frames;
    for (int f = 0; f < kCounterFrames; ++f) {
      frames.push_back(Pixels(
          t, {kCounterStrip.u, kCounterStrip.v + f * kCounterStrip.h, kCounterStrip.w, kCounterStrip.h}));
      for (int e = 0; e < f; ++e) EXPECT_TRUE(frames[e] != frames[f]) << "frames " << e << " and " << f;
    }
  }
}

// --- cut-in slots ------------------------------------------------------------------------------

class CutIns : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    for (CutInOwner& o : g_CutIns) o = CutInOwner{};
  }
  void TearDown() override {
    for (CutInOwner& o : g_CutIns) {
      for (CutInSlot& s : o.slots)
        if (s.texture) FreeTexture(s.texture);
      o = CutInOwner{};
    }
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
};

TEST_F(CutIns, ExpiredSlotsAreFreedAndLaterOnesMoveUp) {
  CutInOwner& p = g_CutIns[1];
  p.count = 3;
  TextureHandle* t[3];
  for (int i = 0; i < 3; ++i) {
    t[i] = SolidTexture(4, 4, 0xFF000000u | static_cast<uint32_t>(i));
    p.slots[i].texture = t[i];
    p.slots[i].buffer.assign(16, static_cast<uint8_t>(i));
  }
  p.slots[1].timer = 2;
  p.slots[2].timer = 3;
  ReleaseExpiredCutIns();
  EXPECT_EQ(p.count, 3);
  EXPECT_EQ(p.slots[1].timer, 1);
  // Paused: nothing counts.
  g_Paused = 1;
  ReleaseExpiredCutIns();
  EXPECT_EQ(p.slots[1].timer, 1);
  g_Paused = 0;
  // Slot 1 runs out: slot 2 moves up in its place (and counted down with the rest).
  ReleaseExpiredCutIns();
  ASSERT_EQ(p.count, 2);
  EXPECT_EQ(p.slots[0].texture, t[0]);
  EXPECT_EQ(p.slots[1].texture, t[2]);
  EXPECT_EQ(p.slots[1].buffer[0], 2);
  EXPECT_EQ(p.slots[1].timer, 1);
  EXPECT_EQ(p.slots[2].texture, nullptr);
  EXPECT_TRUE(p.slots[2].buffer.empty());
  ReleaseExpiredCutIns();
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.slots[0].texture, t[0]);
  // The battle never starts a timer: slots at 0 stay for good.
  for (int i = 0; i < 100; ++i) ReleaseExpiredCutIns();
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.slots[0].texture, t[0]);
}

}  // namespace
