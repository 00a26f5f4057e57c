// The drawing of the battle's combo HUD: the combo counters, the banners with their bar, the
// counter banner and the status indicator; the sheet layout they are cut from (which the sample
// data generator paints to); and the cut-in slots with their timed release.
//
// Every drawer queues nothing while g_BattleDrawSubmit is clear and changes no battle state;
// the animation they show is stepped by the HUD update (combo_records.h), headless too.
#pragma once

#include <cstdint>
#include <vector>

struct TextureHandle;

// --- the HUD sheets ".\grp\Combo\sys_combo00" and "sys_combo01" --------------------------------
// Both sheets share one layout, 512 x 1024. Records 0..5 of a side are drawn from sys_combo00,
// records 6 and 7 from the same rectangles of sys_combo01. The banners, bar, counter banner and
// indicator always come from sys_combo00.
struct HudRect {
  int32_t u, v, w, h;
};
inline constexpr int kHudSheetWidth = 512;
inline constexpr int kHudSheetHeight = 1024;

// The banner kinds' rectangles; kinds pushed from data may be 18 or more and have none.
inline constexpr int kBannerKinds = 18;
inline constexpr HudRect kBannerRects[kBannerKinds] = {
    {208, 160, 88, 24},  {88, 112, 64, 24},   {152, 112, 88, 24},  {272, 96, 96, 24},   {240, 112, 80, 24},
    {320, 112, 64, 24},  {384, 112, 128, 24}, {56, 136, 120, 24},  {208, 160, 176, 24}, {280, 136, 120, 24},
    {296, 160, 104, 24}, {104, 160, 104, 24}, {176, 136, 104, 24}, {400, 136, 104, 24}, {0, 160, 104, 24},
    {0, 112, 88, 24},    {0, 136, 56, 24},    {352, 184, 128, 24}};
// The bar under banners and counters.
inline constexpr HudRect kHudBar = {0, 248, 276, 8};
// Hit digits, 32 x 56: digit d at (32 d, 56).
inline constexpr HudRect kHitDigit0 = {0, 56, 32, 56};
inline constexpr HudRect kHitsLabel = {320, 64, 48, 24};
inline constexpr HudRect kRecoveryLabel = {320, 88, 64, 16};
inline constexpr HudRect kDamageLabel = {368, 64, 64, 24};
// Pieces whose place on the sheet is ours to choose, in the free rows below the banners and in
// the sheet's lower half:
// damage digits, 16 x 32: digit d at (16 d, 208);
inline constexpr HudRect kDamageDigit0 = {0, 208, 16, 32};
// the counter banner, a vertical strip of nine 256 x 56 frames from (0, 256);
inline constexpr HudRect kCounterStrip = {0, 256, 256, 56};
inline constexpr int kCounterFrames = 9;
// the indicator's ring, icon and label.
inline constexpr HudRect kIndicatorRing = {256, 256, 64, 64};
inline constexpr HudRect kIndicatorIcon = {320, 256, 48, 40};
inline constexpr HudRect kIndicatorLabel = {368, 256, 64, 16};

// Draw layers: sprites, digits and bars at 706, text labels and banners above them at 707.
inline constexpr int32_t kHudLayer = 706;
inline constexpr int32_t kHudLabelLayer = 707;

// The placement of a combo counter's pieces relative to its record's (x, y): the block is the
// 276 pixels the counter slides in by.
inline constexpr int32_t kHitDigitsX = 8, kHitDigitStep = 25;
inline constexpr int32_t kHitsLabelX = 96, kHitsLabelY = 32;
inline constexpr int32_t kRecoveryLabelX = 152, kRecoveryLabelY = 36;
inline constexpr int32_t kDamageDigitsX = 8, kDamageDigitsY = 60, kDamageDigitStep = 16;
inline constexpr int32_t kDamageLabelX = 96, kDamageLabelY = 66;
inline constexpr int32_t kCounterBarY = 96;

// 1 when the HUD is hidden: the HUD graphics' slide (draw seam HudSlide) stands at 1.0, slid off.
bool IsHudHidden();

// One side's pieces (sides 0 and 1 have places on the screen; any other side draws nothing).
void DrawComboCounters(int side);
void DrawCounterBanner(int side);
void DrawBanners(int side);
void DrawStatusIndicator(int side);
// The HUD pass's drawing half, unless the HUD is hidden: counters, counter banners, banners and
// indicators of both sides.
void DrawHud();

// --- cut-in slots ------------------------------------------------------------------------------
// A player's super-move portraits. The battle keeps them for the whole battle, so no slot's
// timer is ever started; the release below counts down the ones that do run.
struct CutInSlot {
  TextureHandle* texture = nullptr;
  std::vector<uint8_t> buffer;
  int32_t timer = 0;
};
inline constexpr int kCutInSlots = 8;
struct CutInOwner {
  int32_t count = 0;
  CutInSlot slots[kCutInSlots];
};
extern CutInOwner g_CutIns[4];

// Nothing while paused; each slot with a running timer counts down, and at 0 its texture and
// buffer are freed, the owner's later slots move up one place and its count drops.
void ReleaseExpiredCutIns();

void InstallHudDrawSeams();
