// The screen break-up of a round start, the HUD digit strings and the small battle predicates.
//
// The break-up cuts the last captured picture into 16 x 16-pixel cells (40 columns x 30 rows,
// row by row) that shrink, drift and fade column by column from left to right while its
// progress runs from 0 to 1. The HUD drawers queue glyphs of the battle HUD's gauge sheets at
// their priority + 256, white unless stated, and leave the blend and filter modes at 1.
#pragma once

#include <cstdint>

struct TextureHandle;

struct ScreenBreakCell {
  float x;       // left edge in screen pixels: 16 x column
  float y;       // top edge in screen pixels: 16 x row
  float driftX;  // horizontal drift at the end of the cell's fade, 0 to 100 pixels
  float driftY;  // vertical drift, -30 to 30 pixels
};
inline constexpr int kScreenBreakColumns = 40;
inline constexpr int kScreenBreakRows = 30;
inline constexpr int kScreenBreakCellCount = kScreenBreakColumns * kScreenBreakRows;
extern ScreenBreakCell g_ScreenBreakCells[kScreenBreakCellCount];

// The round time the HUD shows, in counts; negative for a round without a time limit. The
// battle HUD writes it every frame.
extern float g_TimerShown;
// 1 while the battle HUD saw a heat mode running: its rise spawns a pool effect, so the battle
// state hash reads it. The battle HUD writes it every frame.
extern int32_t g_HudHeatActive;

// The break-up's progress, 0 to 1, kept as a float32 in the battle state block.
float ScreenBreakProgress();
void SetScreenBreakProgress(float p);
// One step of the break-up: +0.025 in float32, limited to 1 (forty additions give 0.9999996,
// so it reaches 1 on the 41st).
void AdvanceScreenBreakProgress();
// Lays the cells out anew (two draws of the common stream per cell, which leave its last value
// and draw count alone) and sets the progress to 0. Every round start calls it.
void ResetScreenBreakEffect();
// Queues the cells of the current progress from the capture target, at priority 785.
void DrawScreenBreakEffect();

// The round time from g_TimerShown in the grey of the brightness (0..255): two digits, or the
// infinity mark while it is negative.
void DrawTimerDigits(int32_t y, int32_t brightness, int32_t priority);
// value / 10 with one decimal, the point and the unit mark.
void DrawDecimalValue(int32_t x, int32_t y, int32_t value, int32_t priority);
// A text in 16 x 16 glyphs, spacing pixels apart (the last character is queued first).
void DrawDigitString(int32_t x, int32_t y, int32_t spacing, const char* text, int32_t priority);
// The arcade score in eight digits and the side's challenger count in two.
void DrawScoreDigits(int32_t x, int32_t y, int32_t score, int side);

// Copies a 32-bit image (bytes blue, green, red, alpha; rows width x 4 bytes apart) into the
// top-left of an A8R8G8B8 or A4R4G4B4 texture, cut to the texture's size; other formats are
// left alone. 1 when done; 0 (with a log line) when the texture could not be locked within a
// bounded number of tries or is missing.
int CopyImageToTexture(TextureHandle* texture, const void* pixels, int32_t width, int32_t height);
inline constexpr int kCopyImageLockTries = 100;

// 1 when a direct-netplay versus session runs (its three words all 1), else 0.
int IsDirectNetVsActive();

void InstallScreenBreakSeams();
