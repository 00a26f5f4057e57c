// Where the character select finds its pieces on its sheets: the parts sheet (headers, digits,
// bars, labels, the time limit), the cursor, icon, particle, chain, effect, disk and style
// sheets. The sample-data builder draws its sheets from the same numbers.
#pragma once

namespace select_layout {

struct Piece {
  int x, y, w, h;
};

// Parts sheet.
inline constexpr Piece kHeaderFirst[2] = {{0, 0, 224, 64}, {224, 0, 224, 64}};
inline constexpr Piece kHeaderSecond = {0, 64, 192, 16};
inline constexpr Piece kHeaderTabs[2] = {{192, 64, 112, 16}, {304, 64, 112, 16}};
// 24 x 32 time digits 0..9 at x = digit x 24, then the point.
inline constexpr int kTimeDigitY = 80;
inline constexpr int kTimeDigitW = 24, kTimeDigitH = 32;
inline constexpr int kTimePointX = 240;
inline constexpr Piece kInfinity = {264, 80, 72, 32};
inline constexpr Piece kTimeLabel = {336, 80, 96, 16};
// 16 x 16 colour-number digits 0..9 at x = digit x 16.
inline constexpr int kSmallDigitY = 112;
// 304 x 16 colour bars: side 0, side 0 chosen, side 1, side 1 chosen.
inline constexpr int kBarY = 128;
inline constexpr int kBarW = 304, kBarH = 16;
inline constexpr Piece kRandomEntry[2] = {{304, 192, 80, 16}, {304, 208, 80, 16}};  // plain, chosen
inline constexpr Piece kColourHeader = {0, 192, 256, 24};
inline constexpr Piece kColourLabel = {0, 216, 96, 16};

// Cursor sheet: 64 x 64 frames, 8 per row (animated 0..9 side 0, 10..19 side 1, fixed 20 + side).
inline constexpr int kCursorSize = 64, kCursorsPerRow = 8;
// Icon sheet: 48 x 64 cells, 10 per row; highlighted forms four rows further down.
inline constexpr int kIconW = 48, kIconH = 64, kIconsPerRow = 10, kIconHighlightRows = 4;
// Particle sheet: 512 x 32 strips, rows 0..6.
inline constexpr int kParticleW = 512, kParticleH = 32, kParticleRows = 7;
// Chain sheets: 512 high, 32 wide (kind 0) and 16 wide (kind 1).
inline constexpr int kChainLength = 512;
inline constexpr int kChainWidth[2] = {32, 16};
// Effects sheet: the ring and the two sparks.
inline constexpr Piece kRing = {0, 0, 128, 128};
inline constexpr Piece kSparks[2] = {{128, 0, 16, 16}, {144, 0, 16, 16}};
// Disk sheet 0: the disk, the three type plates and the two burst strips (15 frames each).
inline constexpr Piece kDisk = {0, 0, 256, 256};
inline constexpr int kTypePlateX = 256, kTypePlateW = 256, kTypePlateH = 32;
inline constexpr int kBurstSmallY = 256, kBurstSmall = 48, kBurstSmallPerRow = 10;
inline constexpr int kBurstLargeY = 352, kBurstLarge = 56, kBurstLargePerRow = 9;
// Style sheet: the labels of styles 0..2, their name plates, and the legend.
inline constexpr int kStyleLabelW = 256, kStyleLabelH = 32, kStyleNameX = 256;
inline constexpr Piece kLegend = {0, 96, 512, 64};

}  // namespace select_layout
